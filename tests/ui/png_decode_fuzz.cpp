// Any bytes into the PNG decoder: it must return an image within the limits or nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/png_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto image = qws::DecodePng(data, size);
  if (image) {
    const size_t expected = static_cast<size_t>(image->width) * image->height * image->bytesPerPixel;
    if (image->pixels.size() != expected || image->width > qws::kMaxPngSide ||
        image->height > qws::kMaxPngSide)
      std::abort();
  }
  return 0;
}
