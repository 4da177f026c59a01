#include "report/threat_record.h"

namespace qws {

namespace {

void AppendField(std::u16string& out, std::u16string_view field) {
  for (char16_t c : field) out.push_back(c == u'*' || c < 0x20 ? u'_' : c);
  out.push_back(u'*');
}

}  // namespace

std::u16string FormatThreatRecord(const ThreatRecord& record) {
  std::u16string out;
  AppendField(out, record.fileName);
  AppendField(out, record.threatName);
  AppendField(out, record.detail);
  AppendField(out, record.fingerprints.hash);
  AppendField(out, std::u16string_view(&record.action, 1));
  AppendField(out, std::u16string_view(&record.fingerprints.type, 1));
  AppendField(out, record.fingerprints.fingerprint);
  return out;
}

void AppendThreatRecord(ScanSummary& summary, const ThreatRecord& record) {
  summary.threatRecords += FormatThreatRecord(record);
  if (record.action == kActionCleaned || record.action == kActionInfected) ++summary.found;
  if (record.action == kActionCleaned) ++summary.cleaned;
}

}  // namespace qws
