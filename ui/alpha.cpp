#include "ui/alpha.h"

namespace qws {

void PremultiplyPixels(uint8_t* bgra, size_t pixelCount) {
  for (size_t i = 0; i < pixelCount; ++i, bgra += 4) {
    const unsigned alpha = bgra[3];
    for (int c = 0; c < 3; ++c) bgra[c] = static_cast<uint8_t>(bgra[c] * alpha / 255);
  }
}

}  // namespace qws
