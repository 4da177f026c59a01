// What a scan found: the threat records and the counters the report and the result page read.
#pragma once

#include <cstdint>
#include <string>

namespace qws {

struct ScanSummary {
  // Records of seven fields, each followed by '*' (threat_record.h).
  std::u16string threatRecords;
  int32_t found = 0;    // 'C' and 'I' records added
  int32_t cleaned = 0;  // 'C' records added
  int32_t scanned = 0;  // log items of the objects scanned one by one
  // Lines of the security product detection, each ending in CR LF.
  std::u16string compatibilityText;
  int32_t engineBuild = 0;
  bool restartRequired = false;
  bool browserReinstallAdvised = false;
};

}  // namespace qws
