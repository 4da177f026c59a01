// Turns the scanning library's logs into threat records of the summary, with fingerprints.
// Called by the scan on its worker thread; every change to the summary and to the list of
// infected paths is made under the scan bridge's results lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "report/scan_log.h"
#include "report/scan_summary.h"
#include "report/threat_record.h"

namespace qws {

// The result bit that says cleaning finishes only after a restart.
inline constexpr uint32_t kRestartRequiredFlag = 8;

// What the library's scan result says about one object.
struct ScanOutcome {
  bool infected = false;
  bool cleaned = false;
  uint32_t flags = 0;
};

// Reads the fingerprints of a file by its path (the Win32 side opens real files).
class FileFingerprinter {
 public:
  virtual ~FileFingerprinter() = default;
  virtual FileFingerprints SingleObject(std::u16string_view path) = 0;
  virtual FileFingerprints DirectoryScan(std::u16string_view path) = 0;
};

class ThreatRecorder {
 public:
  ThreatRecorder(ScanSummary& summary, std::vector<std::u16string>& infectedPaths,
                 std::mutex& resultsLock, FileFingerprinter& fingerprinter)
      : summary_(summary),
        infectedPaths_(infectedPaths),
        resultsLock_(resultsLock),
        fingerprinter_(fingerprinter) {}

  // The fingerprints of an object found infected by the first, log-only scan, taken before
  // the cleaning scan can remove the file. The memory and autostart tokens (`isToken`) have
  // none.
  FileFingerprints FingerprintsBeforeCleaning(std::u16string_view object, bool isToken);

  // After an object scanned one by one (the cleaning scan's outcome and log when there was
  // one): sets the restart flag, adds the log's items to the scanned count, and records the
  // threat, or with `sampleExtensions` a clean browser extension file as a sample.
  void RecordSingleObject(std::u16string_view object, bool isToken, const ScanOutcome& outcome,
                          const ScanLog& log, const FileFingerprints& taken,
                          bool sampleExtensions);

  // From the library's log callback during its folder scan.
  void RecordDirectoryScanObject(const ScanLog& log, int32_t status, int32_t actionCode);

  void SetRestartRequired();

 private:
  void Append(const ThreatRecord& record, bool infected);

  ScanSummary& summary_;
  std::vector<std::u16string>& infectedPaths_;
  std::mutex& resultsLock_;
  FileFingerprinter& fingerprinter_;
};

}  // namespace qws
