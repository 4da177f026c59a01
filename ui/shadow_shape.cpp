#include "ui/shadow_shape.h"

#include <algorithm>
#include <cmath>

namespace qws {

ShadowParams ActiveShadow(ShadowParams base) {
  base.sharpness = 15;
  base.size = 3;
  base.xOffset = 3;
  base.yOffset = 5;
  return base;
}

ShadowParams InactiveShadow(ShadowParams base) {
  base.sharpness = 10;
  base.size = 0;
  base.xOffset = 3;
  base.yOffset = 5;
  return base;
}

std::vector<RowSpan> ShrinkSpans(std::vector<RowSpan> spans, int steps) {
  const RowSpan none = {1, 0};
  for (int step = 0; step < steps; ++step) {
    std::vector<RowSpan> next(spans.size(), none);
    for (size_t y = 0; y < spans.size(); ++y) {
      const RowSpan above = y > 0 ? spans[y - 1] : none;
      const RowSpan below = y + 1 < spans.size() ? spans[y + 1] : none;
      if (spans[y].empty() || above.empty() || below.empty()) continue;
      const RowSpan overlap = {std::max({above.left, spans[y].left, below.left}) + 1,
                               std::min({above.right, spans[y].right, below.right}) - 1};
      if (!overlap.empty()) next[y] = overlap;
    }
    spans = std::move(next);
  }
  return spans;
}

std::vector<uint8_t> RoundBrush(const ShadowParams& p) {
  const int radius = std::max({p.size, p.sharpness, 0});
  const int side = 2 * radius + 1;
  const int darkness = std::clamp(p.darkness, 0, 255);
  const double solid = p.size - p.sharpness;
  const double fadeStart = std::max(0, p.size - p.sharpness);
  std::vector<uint8_t> brush(static_cast<size_t>(side) * side, 0);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const double d = std::hypot(x - radius, y - radius);
      double opacity = 0;
      if (d < solid) {
        opacity = darkness;
      } else if (d <= radius) {
        opacity = (1 - (d - fadeStart) / (p.sharpness + 1)) * darkness;
      }
      brush[static_cast<size_t>(y) * side + x] =
          static_cast<uint8_t>(std::clamp(opacity, 0.0, static_cast<double>(darkness)));
    }
  return brush;
}

ShadowPicture RenderShadow(const std::vector<RowSpan>& shape, int width, int height,
                           const ShadowParams& p) {
  ShadowPicture picture;
  picture.width = width + 2 * p.size;
  picture.height = height + 2 * p.size;
  if (picture.width <= 0 || picture.height <= 0) return {};
  const int w = picture.width, h = picture.height;
  std::vector<uint8_t> alpha(static_cast<size_t>(w) * h, 0);
  auto raise = [&](int x, int y, uint8_t value) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    uint8_t& a = alpha[static_cast<size_t>(y) * w + x];
    a = std::max(a, value);
  };

  std::vector<RowSpan> spans(shape.begin(), shape.end());
  spans.resize(static_cast<size_t>(std::max(height, 0)), {1, 0});
  if (p.sharpness > p.size) spans = ShrinkSpans(std::move(spans), p.sharpness - p.size);

  const std::vector<uint8_t> brush = RoundBrush(p);
  const int radius = std::max({p.size, p.sharpness, 0});
  const int side = 2 * radius + 1;
  const uint8_t darkness = static_cast<uint8_t>(std::clamp(p.darkness, 0, 255));
  auto inside = [&](int row, int x) {
    return row >= 0 && row < static_cast<int>(spans.size()) && x >= spans[row].left &&
           x <= spans[row].right;
  };
  for (int y = 0; y < static_cast<int>(spans.size()); ++y) {
    const RowSpan span = spans[y];
    for (int x = span.left; x <= span.right; ++x) {
      const int bx = x + p.size, by = y + p.size;
      const bool border = x == span.left || x == span.right || !inside(y - 1, x) || !inside(y + 1, x);
      if (!border) {
        raise(bx, by, darkness);
        continue;
      }
      for (int dy = 0; dy < side; ++dy)
        for (int dx = 0; dx < side; ++dx)
          raise(bx + dx - radius, by + dy - radius, brush[static_cast<size_t>(dy) * side + dx]);
    }
  }

  // Nothing of the shadow may show through the window itself.
  for (int y = 0; y < static_cast<int>(shape.size()) && y < height; ++y) {
    const int by = y + p.size - p.yOffset;
    if (by < 0 || by >= h || shape[y].empty()) continue;
    const int from = std::max(0, shape[y].left + p.size - p.xOffset);
    const int to = std::min(w - 1, shape[y].right + p.size - p.xOffset);
    for (int bx = from; bx <= to; ++bx) alpha[static_cast<size_t>(by) * w + bx] = 0;
  }

  const uint32_t red = p.colour & 0xFF, green = (p.colour >> 8) & 0xFF, blue = (p.colour >> 16) & 0xFF;
  picture.pixels.resize(alpha.size());
  for (size_t i = 0; i < alpha.size(); ++i) {
    const uint32_t a = alpha[i];
    picture.pixels[i] = (a << 24) | ((red * a / 255) << 16) | ((green * a / 255) << 8) | (blue * a / 255);
  }
  return picture;
}

}  // namespace qws
