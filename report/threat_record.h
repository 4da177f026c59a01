// One threat record of the summary: seven fields, each terminated by '*', no escaping.
#pragma once

#include <string>
#include <string_view>

#include "report/scan_summary.h"

namespace qws {

inline constexpr char16_t kActionCleaned = u'C';
inline constexpr char16_t kActionInfected = u'I';
inline constexpr char16_t kActionSample = u'S';  // a clean file kept for its fingerprint

inline constexpr char16_t kFileTypeExecutable = u'1';
inline constexpr char16_t kFileTypeOther = u'0';
inline constexpr char16_t kFileTypeNotExamined = u'-';

inline constexpr char16_t kHashPlaceholder[] = u"0000000000000000000000000000000000000000";
inline constexpr char16_t kFingerprintPlaceholder[] = u"0000000000000000";

struct FileFingerprints {
  std::u16string hash = kHashPlaceholder;  // SHA-1, 40 upper-case hex digits
  char16_t type = kFileTypeNotExamined;
  std::u16string fingerprint = kFingerprintPlaceholder;  // 16 lower-case hex digits
};

struct ThreatRecord {
  std::u16string fileName;
  std::u16string threatName;
  std::u16string detail;
  FileFingerprints fingerprints;
  char16_t action = kActionInfected;
};

// The record's text. A '*' or a control character in a field (the library's texts and archive
// member names are outside data) becomes '_', so that no field can end early or start a line
// of its own in the report.
std::u16string FormatThreatRecord(const ThreatRecord& record);

// Appends the record and counts it: 'C' and 'I' as found, 'C' also as cleaned.
void AppendThreatRecord(ScanSummary& summary, const ThreatRecord& record);

}  // namespace qws
