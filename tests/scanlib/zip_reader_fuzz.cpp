// Archives from anywhere: the directory and every member are read within their bounds and the
// limits, whatever the bytes claim.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scanlib/zip_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qws::scan;
  MemorySource source(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<ZipEntry> entries;
  ReadZipDirectory(source, 64, entries);
  InflateBudget budget{16u << 20, 100, 1u << 16};
  for (const ZipEntry& entry : entries) {
    uint64_t total = 0;
    ReadZipMember(source, entry, budget, [&](const char*, size_t length) {
      total += length;
      return true;
    });
  }
  return 0;
}
