// Quarantine items from a damaged or hostile folder: the header reader accepts only what it
// can hold within the bytes given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scanlib/quarantine_item.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qws::scan;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  size_t length = 0;
  if (auto header = DecodeQuarantineHeader(bytes, length)) {
    if (length > size) std::abort();
    size_t again = 0;
    if (!DecodeQuarantineHeader(EncodeQuarantineHeader(*header), again)) std::abort();
  }
  return 0;
}
