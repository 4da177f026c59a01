// The scan plan reader on any bytes: names stay within the file and the reader's buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/scan_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  size_t total = 0;
  for (const std::string& name : qws::ParseScanPlan(bytes)) {
    if (name.empty() || name.size() >= qws::kScanPlanReadBufferBytes || name.find('\n') != std::string::npos)
      std::abort();
    total += name.size();
  }
  if (total > size) std::abort();
  return 0;
}
