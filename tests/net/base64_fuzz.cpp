// The detection database index's signature text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto decoded = qws::DecodeBase64(std::string_view(reinterpret_cast<const char*>(data), size));
  // Four characters give at most three bytes; an unpadded last group gives fewer.
  if (decoded && decoded->size() > size * 3 / 4) __builtin_trap();
  return 0;
}
