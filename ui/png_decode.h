// PNG decoding into rows of 8-bit grey, BGR or BGRA pixels (libpng); no Windows types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qws {

struct DecodedImage {
  int width = 0;
  int height = 0;
  // 1: grey, 3: blue, green, red; 4: blue, green, red, alpha (straight, not premultiplied).
  int bytesPerPixel = 0;
  // Rows from the top, each width * bytesPerPixel bytes without padding.
  std::string pixels;
};

// Larger images are refused: the pages never use them, and banners come from the network.
inline constexpr int kMaxPngSide = 4096;
inline constexpr size_t kMaxPngPixelBytes = 64u << 20;

// Nothing for fewer than 9 bytes, bytes that are not a whole PNG image, or one beyond the limits.
std::optional<DecodedImage> DecodePng(const void* data, size_t size);

}  // namespace qws
