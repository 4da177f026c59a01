#include "report/scan_report.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

namespace qws {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr int kReportFormatVersion = 8;
constexpr int kReportLanguage = 1033;

std::string Format(const char* format, auto... values) {
  char text[128];
  const int length = std::snprintf(text, sizeof text, format, values...);
  return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string DateTime(const CalendarTime& t) {
  return Format("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
}

void AddFlag(std::string& out, const char* name, bool value) {
  out += "# ";
  out += name;
  out += value ? "=true" : "=false";
  out += kLineEnd;
}

struct RecordView {
  std::string_view fileName, threatName, detail, hash, fingerprint;
  char action = 'I';
  char type = '-';
};

// The field from `at` up to the next '*' (or the end); `at` moves past that '*'.
std::string_view NextField(std::string_view text, size_t& at) {
  const size_t star = text.find('*', at);
  const std::string_view field =
      text.substr(at, star == std::string_view::npos ? std::string_view::npos : star - at);
  at = star == std::string_view::npos ? text.size() : star + 1;
  return field;
}

// Control bytes would end a line early or start one of their own.
void AppendClean(std::string& out, std::string_view text) {
  for (char c : text) out.push_back(static_cast<unsigned char>(c) < 0x20 ? '_' : c);
}

void AppendClean(std::string& out, char c) { AppendClean(out, std::string_view(&c, 1)); }

std::vector<RecordView> ReadRecords(std::string_view text) {
  std::vector<RecordView> records;
  for (size_t at = 0; at < text.size();) {
    RecordView record;
    record.fileName = NextField(text, at);
    record.threatName = NextField(text, at);
    record.detail = NextField(text, at);
    record.hash = NextField(text, at);
    // Past the hash: the action, '*', the type, '*', then the fingerprint.
    if (at < text.size()) record.action = text[at];
    if (at + 2 < text.size()) record.type = text[at + 2];
    at = at + 4 <= text.size() ? at + 4 : text.size();
    record.fingerprint = NextField(text, at);
    records.push_back(record);
  }
  return records;
}

}  // namespace

std::string ScanTimeText(int64_t duration) {
  if (duration < 0) return "0";
  constexpr int64_t kTicksPerSecond = 10000000;
  return std::to_string((duration / kTicksPerSecond) % 86400);
}

void ScanReport::SetScanDuration(int64_t duration) { scanTime_ = ScanTimeText(duration); }

std::string ThreatLines(std::string_view text) {
  const std::vector<RecordView> records = ReadRecords(text);
  // A record is written only when no later one is for the same file and threat, so the last
  // state of each threat stands.
  std::set<std::pair<std::string_view, std::string_view>> later;
  std::vector<std::string> lines;
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    const RecordView& record = *it;
    const bool duplicate = !later.insert({record.fileName, record.threatName}).second;
    std::string name(record.threatName);
    if (!record.detail.empty()) {
      name += " (";
      name += record.detail;
      name += ')';
    }
    if (duplicate || record.fileName.empty() || (name.empty() && record.action != 'S')) continue;
    std::string line = "sh=";
    AppendClean(line, record.hash);
    line += " ft=";
    AppendClean(line, record.type);
    line += " fh=";
    AppendClean(line, record.fingerprint);
    line += " vn=\"";
    AppendClean(line, name);
    line += "\" ac=";
    AppendClean(line, record.action);
    line += " fn=\"";
    AppendClean(line, record.fileName);
    line += '"';
    line += kLineEnd;
    lines.push_back(std::move(line));
  }
  std::string out;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) out += *it;
  return out;
}

std::optional<std::string> ScanReport::BuildText(const ReportFacts& facts,
                                                 const AnsiEncoder& ansi) const {
  if (!summary_) return std::nullopt;
  const ScanSummary& summary = *summary_;
  std::string out;
  if (!options.product.empty()) out += "# product=" + options.product + kLineEnd;
  out += Format("# version=%d\r\n", kReportFormatVersion);
  out += "# flags=0\r\n";
  out += "# " + ansi(facts.executableName) + "=" + facts.fileVersion + kLineEnd;
  out += "# QWSSerial=" + facts.serial + kLineEnd;
  out += Format("# engine=%d\r\n", summary.engineBuild);
  out += options.stopped ? "# end=stopped\r\n" : "# end=finished\r\n";
  AddFlag(out, "remove_checked", options.remove);
  AddFlag(out, "archives_checked", options.archives);
  AddFlag(out, "unwanted_checked", options.unwanted);
  AddFlag(out, "unsafe_checked", options.unsafe);
  AddFlag(out, "antistealth_checked", options.antistealth);
  AddFlag(out, "sfx_checked", options.sfx);
  out += "# utc_time=" + DateTime(facts.utcTime) + kLineEnd;
  out += "# local_time=" + DateTime(facts.localTime) + " ";
  if (facts.timeZone) {
    const int offset = -facts.timeZone->biasMinutes;
    out += Format("(%+03d%02d, ", offset / 60, std::abs(offset % 60));
    out += ansi(facts.timeZone->name) + ")";
  }
  out += kLineEnd;
  if (facts.country) out += "# country=\"" + ansi(*facts.country) + "\"" + kLineEnd;
  out += Format("# lang=%d\r\n", kReportLanguage);
  if (facts.osVersion) {
    const OsVersionFacts& os = *facts.osVersion;
    out += Format("# osver=%u.%u.%u %s ", os.major, os.minor, os.build, os.nt ? "NT" : "9x");
    out += ansi(os.servicePack) + kLineEnd;
  }
  if (!summary.compatibilityText.empty()) out += ansi(summary.compatibilityText);
  out += Format("# scanned=%d\r\n", summary.scanned);
  out += Format("# found=%d\r\n", summary.found);
  out += Format("# cleaned=%d\r\n", summary.cleaned);
  out += "# scan_time=" + scanTime_ + kLineEnd;
  out += ThreatLines(ansi(summary.threatRecords));
  out.push_back('\0');
  return out;
}

bool ScanReport::BuildAndSubmit(const ReportFacts& facts, const AnsiEncoder& ansi,
                                const ReportHandOver& handOver, const ReportLogEntry& log) const {
  const std::optional<std::string> report = BuildText(facts, ansi);
  if (!report) return false;
  const bool submitted = handOver ? handOver(*report) : false;
  if (log) log(std::string_view(*report).substr(0, report->find('\0')));
  return submitted;
}

}  // namespace qws
