// The scanning library's scan log, as the threat records read it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qws {

struct ScanLogItem {
  std::u16string objectName;  // usually a full path; "archive » member" inside archives
  std::u16string result;      // "is OK..." for a clean object, else the threat's name
  std::u16string action;      // what the library did, e.g. "cleaned by deleting"
  std::u16string extra;
};

using ScanLog = std::vector<ScanLogItem>;

struct ThreatNames {
  std::u16string name;               // the distinct threat names joined with ",", or "virus"
  std::vector<size_t> contributing;  // the items that added a new name, in log order
};

ThreatNames ThreatNamesOf(const ScanLog& log);

// The detail of an object scanned one by one: the action of the last contributing item that
// names the scanned path (for the memory and autostart tokens, of the last contributing item),
// else the last or first item's action, else the last item's extra text.
std::u16string SingleObjectDetail(const ScanLog& log, const ThreatNames& names,
                                  std::u16string_view scannedPath, bool isToken);

// The file and detail of an object reported by the library's folder scan: those of the first
// contributing item, falling back on the first item's name and the last or first item's action.
std::u16string DirectoryScanFileName(const ScanLog& log, const ThreatNames& names);
std::u16string DirectoryScanDetail(const ScanLog& log, const ThreatNames& names);

// The library's folder scan reports a threat for status 10 (left in place) and for status 0
// with action code 1 or 2 (cleaned).
enum class DirectoryScanThreat { None, Infected, Cleaned };
DirectoryScanThreat ClassifyDirectoryScanEvent(int32_t status, int32_t actionCode);

}  // namespace qws
