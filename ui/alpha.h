// Premultiplied alpha for 32-bit blue, green, red, alpha pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qws {

// Each colour value becomes value * alpha / 255 (integer division); alpha stays.
void PremultiplyPixels(uint8_t* bgra, size_t pixelCount);

}  // namespace qws
