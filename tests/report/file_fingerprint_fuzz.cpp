// File contents are outside data; reads may fail anywhere.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "report/file_fingerprint.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint64_t failFrom = data[0] == 0xFF ? UINT64_MAX : (data[0] | (data[1] << 8)) * 3u;
  const std::string_view content(reinterpret_cast<const char*>(data) + 2, size - 2);
  qws::MemoryByteSource single(content, failFrom);
  qws::MemoryByteSource folder(content, failFrom);
  for (const qws::FileFingerprints& f :
       {qws::SingleObjectFingerprints(&single), qws::DirectoryScanFingerprints(&folder)}) {
    if (f.hash.size() != 40 || f.fingerprint.size() != 16) __builtin_trap();
    if (f.type != u'0' && f.type != u'1' && f.type != u'-') __builtin_trap();
  }
  return 0;
}
