// Log items of the scanning library (texts of any content, missing items and texts) and the
// content of the files they name, through the threat records into the report's lines.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "report/file_fingerprint.h"
#include "report/library_scan_log.h"
#include "report/scan_report.h"
#include "report/threat_recorder.h"

namespace {

class BufferFingerprinter : public qws::FileFingerprinter {
 public:
  BufferFingerprinter(std::string_view content, uint64_t failFrom)
      : content_(content), failFrom_(failFrom) {}
  qws::FileFingerprints SingleObject(std::u16string_view) override {
    qws::MemoryByteSource source(content_, failFrom_);
    return qws::SingleObjectFingerprints(&source);
  }
  qws::FileFingerprints DirectoryScan(std::u16string_view) override {
    qws::MemoryByteSource source(content_, failFrom_);
    return qws::DirectoryScanFingerprints(&source);
  }

 private:
  std::string_view content_;
  uint64_t failFrom_;
};

std::string Latin1(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int32_t status = data[0] % 12;
  const int32_t actionCode = data[1] % 4;
  const uint64_t failFrom = data[2] * 97u;
  const bool flags = data[3] & 1;
  data += 4;
  size -= 4;

  // The first half holds the texts, separated by NUL units; the second is the file.
  const size_t textBytes = (size / 2) & ~size_t{1};
  std::vector<std::u16string> texts(1);
  for (size_t i = 0; i + 1 < textBytes; i += 2) {
    const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0) texts.emplace_back();
    else texts.back().push_back(unit);
  }
  const std::string_view content(reinterpret_cast<const char*>(data) + textBytes, size - textBytes);

  // Four texts per item; an empty first text stands for a missing item, "?" for a missing text.
  std::vector<std::u16string> kept = texts;
  std::vector<qlxs_scan_log_item> items;
  std::vector<bool> present;
  for (size_t i = 0; i + 3 < kept.size(); i += 4) {
    auto text = [&](size_t k) -> const qlxs_char* {
      return kept[i + k] == u"?" ? nullptr : reinterpret_cast<const qlxs_char*>(kept[i + k].c_str());
    };
    items.push_back({text(0), text(1), text(2), text(3)});
    present.push_back(!kept[i].empty());
  }
  const qws::ScanLog log = qws::ReadScanLog(static_cast<uint32_t>(items.size()), [&](uint32_t i) {
    return present[i] ? &items[i] : static_cast<const qlxs_scan_log_item*>(nullptr);
  });
  if (log.size() != items.size()) __builtin_trap();

  qws::ScanSummary summary;
  std::vector<std::u16string> infected;
  std::mutex lock;
  BufferFingerprinter files(content, failFrom);
  qws::ThreatRecorder recorder(summary, infected, lock, files);
  const std::u16string object = log.empty() ? u"C:\\x" : log.front().objectName;
  const qws::ScanOutcome outcome{status > 5, actionCode > 1, flags ? 8u : 0u};
  recorder.RecordSingleObject(object, status == 3, outcome, log,
                              recorder.FingerprintsBeforeCleaning(object, status == 3), true);
  recorder.RecordDirectoryScanObject(log, status, actionCode);

  qws::ScanReport report;
  report.AttachSummary(summary);
  const std::string text = *report.BuildText({}, Latin1);
  // Every record is one line: outside text cannot add lines of its own.
  size_t lines = 0;
  for (size_t at = text.find("\r\nsh="); at != std::string::npos; at = text.find("\r\nsh=", at + 1)) {
    ++lines;
  }
  if (lines > 2 || text.back() != '\0' || text.find('\0') != text.size() - 1) __builtin_trap();
  return 0;
}
