// The plain-text scan report: header lines on the program, the computer, the scan options and
// counters, then one line per threat; 8-bit text in the ANSI code page, CR LF line ends, and a
// final NUL byte that belongs to it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "report/scan_summary.h"

namespace qws {

// Wide text to the ANSI code page; characters it cannot represent become its default one.
using AnsiEncoder = std::function<std::string(std::u16string_view)>;

struct CalendarTime {
  uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct TimeZoneFacts {
  int32_t biasMinutes = 0;  // UTC = local time + bias, daylight saving included when in effect
  std::u16string name;      // the daylight name while daylight saving is in effect
};

struct OsVersionFacts {
  uint32_t major = 0, minor = 0, build = 0;
  bool nt = true;
  std::u16string servicePack;
};

// What the header says about the program and the computer, read by the Win32 side when the
// report is built; tests fix them.
struct ReportFacts {
  std::u16string executableName;  // the running program's file name
  std::string fileVersion;        // its FileVersion, "Unknown" when missing
  std::string serial;             // the QWSSerial value, empty when missing
  CalendarTime utcTime;
  CalendarTime localTime;
  std::optional<TimeZoneFacts> timeZone;
  std::optional<std::u16string> country;
  std::optional<OsVersionFacts> osVersion;
};

// Set by the flow controller when a scan ends.
struct ReportOptions {
  bool stopped = false;
  std::string product;  // "QWS"
  bool remove = false;  // cleaning was on
  bool unwanted = false;
  bool unsafe = false;
  bool archives = false;
  bool antistealth = false;
  bool sfx = false;
};

// Hands the built report (NUL included) to the submission; true when it was accepted.
using ReportHandOver = std::function<bool(const std::string& report)>;
// Appends the report, up to its NUL, to the diagnostic log as one entry.
using ReportLogEntry = std::function<void(std::string_view text)>;

class ScanReport {
 public:
  ReportOptions options;

  void AttachSummary(const ScanSummary& summary) { summary_ = summary; }
  bool HasSummary() const { return summary_.has_value(); }
  // The scan's duration in 100-nanosecond units.
  void SetScanDuration(int64_t duration);
  const std::string& scanTime() const { return scanTime_; }

  // Nothing when no summary was attached.
  std::optional<std::string> BuildText(const ReportFacts& facts, const AnsiEncoder& ansi) const;

  // Builds the report, hands it over and logs it whatever the submission's outcome; false
  // without a summary.
  bool BuildAndSubmit(const ReportFacts& facts, const AnsiEncoder& ansi,
                      const ReportHandOver& handOver, const ReportLogEntry& log) const;

 private:
  std::optional<ScanSummary> summary_;
  std::string scanTime_;
};

// The seconds of the day of a duration read as a calendar time: whole days are dropped.
std::string ScanTimeText(int64_t duration);

// "sh=... ft=... fh=... vn="..." ac=... fn="..."" lines of a threat record list already in the
// ANSI code page; of records for one file and threat only the last is written.
std::string ThreatLines(std::string_view records);

}  // namespace qws
