#include "report/scan_log.h"

#include <algorithm>

namespace qws {

ThreatNames ThreatNamesOf(const ScanLog& log) {
  ThreatNames names;
  std::vector<std::u16string_view> seen;
  for (size_t i = 0; i < log.size(); ++i) {
    const std::u16string& result = log[i].result;
    if (result.empty() || result.starts_with(u"is OK")) continue;
    if (std::find(seen.begin(), seen.end(), result) != seen.end()) continue;
    seen.push_back(result);
    names.contributing.push_back(i);
    if (!names.name.empty()) names.name.push_back(u',');
    names.name += result;
  }
  if (names.name.empty()) names.name = u"virus";
  return names;
}

namespace {

std::u16string LastOrFirstAction(const ScanLog& log) {
  if (log.empty()) return {};
  return !log.back().action.empty() ? log.back().action : log.front().action;
}

}  // namespace

std::u16string SingleObjectDetail(const ScanLog& log, const ThreatNames& names,
                                  std::u16string_view scannedPath, bool isToken) {
  std::u16string detail;
  for (auto it = names.contributing.rbegin(); it != names.contributing.rend(); ++it) {
    const ScanLogItem& item = log[*it];
    if (isToken || item.objectName == scannedPath) {
      detail = item.action;
      break;
    }
  }
  if (detail.empty()) detail = LastOrFirstAction(log);
  if (detail.empty() && !log.empty()) detail = log.back().extra;
  return detail;
}

std::u16string DirectoryScanFileName(const ScanLog& log, const ThreatNames& names) {
  if (!names.contributing.empty()) return log[names.contributing.front()].objectName;
  return log.empty() ? std::u16string() : log.front().objectName;
}

std::u16string DirectoryScanDetail(const ScanLog& log, const ThreatNames& names) {
  std::u16string detail;
  if (!names.contributing.empty()) detail = log[names.contributing.front()].action;
  if (detail.empty()) detail = LastOrFirstAction(log);
  return detail;
}

DirectoryScanThreat ClassifyDirectoryScanEvent(int32_t status, int32_t actionCode) {
  if (status == 10) return DirectoryScanThreat::Infected;
  if (status == 0 && (actionCode == 1 || actionCode == 2)) return DirectoryScanThreat::Cleaned;
  return DirectoryScanThreat::None;
}

}  // namespace qws
