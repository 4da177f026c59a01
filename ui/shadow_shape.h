// The drop shadow's picture: the window's shape as row spans, shrunk, stamped with a round
// brush and cleared under the window. Pixels are premultiplied blue, green, red, alpha.
#pragma once

#include <cstdint>
#include <vector>

namespace qws {

struct ShadowParams {
  int darkness = 150;   // peak opacity, 0..255
  int sharpness = 5;    // width of the soft edge
  int size = 0;         // how far the solid part reaches beyond the window
  int xOffset = 5;
  int yOffset = 5;
  uint32_t colour = 0;  // 0x00BBGGRR
};

// The shapes the shadow takes with its window active and inactive.
ShadowParams ActiveShadow(ShadowParams base);
ShadowParams InactiveShadow(ShadowParams base);

// One row of a shape: pixels left..right (inclusive) are inside; left > right: an empty row.
struct RowSpan {
  int left, right;
  bool empty() const { return left > right; }
  bool operator==(const RowSpan&) const = default;
};

// `steps` times: every row becomes the overlap of itself and its neighbours, one pixel
// narrower at each end (rows outside the shape count as empty).
std::vector<RowSpan> ShrinkSpans(std::vector<RowSpan> spans, int steps);

// Opacities of the round brush, (2R + 1) squared with R = max(size, sharpness), row by row.
std::vector<uint8_t> RoundBrush(const ShadowParams& params);

struct ShadowPicture {
  int width = 0, height = 0;  // the window's size plus twice `size`
  std::vector<uint32_t> pixels;
};

// `shape` holds one span per row of the window (window coordinates, height rows).
ShadowPicture RenderShadow(const std::vector<RowSpan>& shape, int width, int height,
                           const ShadowParams& params);

}  // namespace qws
