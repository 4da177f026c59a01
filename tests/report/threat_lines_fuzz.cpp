// The threat record list reaches the report as converted text: any bytes must give sound lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/scan_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string records(reinterpret_cast<const char*>(data), size);
  const std::string lines = qws::ThreatLines(records);
  size_t start = 0;
  while (start < lines.size()) {
    const size_t end = lines.find("\r\n", start);
    if (end == std::string::npos || lines.compare(start, 3, "sh=") != 0) __builtin_trap();
    start = end + 2;
  }
  return 0;
}
