#include "ui/control_maths.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qws {

int CheckGlyphCell(const GlyphState& state, int cellCount) {
  const int checked = state.checked ? 1 : 0;
  const int hover = state.hover ? 1 : 0;
  if (state.warning) return 4 + hover;
  if (state.enabled) return checked + 2 * hover;
  return cellCount >= 8 ? 6 + checked : checked;
}

int ProgressFillWidth(int position, int minimum, int maximum, int width) {
  if (maximum <= minimum || width <= 0) return 0;
  const long long filled =
      static_cast<long long>(position - static_cast<long long>(minimum)) * width / (static_cast<long long>(maximum) - minimum);
  return static_cast<int>(std::clamp<long long>(filled, 0, width));
}

int FittedButtonWidth(int textWidth, int imageWidth) {
  return textWidth + 30 + (imageWidth > 0 ? imageWidth + 1 : 0);
}

std::vector<Span1D> ButtonRowFromRight(const std::vector<int>& widths, int right, int gap) {
  std::vector<Span1D> row;
  for (int width : widths) {
    row.push_back({right - width, right});
    right = right - width - gap;
  }
  return row;
}

std::array<PointF, 3> TriangleVertices(double cx, double cy, int turn) {
  const double angle = std::clamp(turn, 0, 100) * 90.0 / 100.0 * std::numbers::pi / 180.0;
  const double c = std::cos(angle), s = std::sin(angle);
  const PointF unturned[3] = {{-2, -4}, {-2, 4}, {2, 0}};
  std::array<PointF, 3> out{};
  for (int i = 0; i < 3; ++i) {
    // Screen coordinates (y down): a positive angle turns clockwise.
    out[i] = {cx + unturned[i].x * c - unturned[i].y * s, cy + unturned[i].x * s + unturned[i].y * c};
  }
  return out;
}

}  // namespace qws
