// The arithmetic of the controls, apart from their drawing: glyph cells, progress fill, button
// fitting and rows, the triangle marker.
#pragma once

#include <array>
#include <vector>

namespace qws {

struct GlyphState {
  bool checked = false;
  bool hover = false;
  bool enabled = true;
  bool warning = false;
};

// Cell of the check box strip (eight cells) or radio strip (six cells): warning 4 (5 while
// hovered); enabled: checked + 2 * hover; disabled: 6 + checked. The six-cell strip has no
// disabled cells: a disabled radio takes its normal cell (drawn faded by the control).
int CheckGlyphCell(const GlyphState& state, int cellCount);

// Width of the filled part: (position - minimum) * width / (maximum - minimum), within 0..width.
int ProgressFillWidth(int position, int minimum, int maximum, int width);

// A fitted button: its text width + 30, plus its image's width + 1 when it has an image.
int FittedButtonWidth(int textWidth, int imageWidth);

struct Span1D {
  int left, right;
  bool operator==(const Span1D&) const = default;
};
// A row of fitted buttons built from the right: the first ends at `right`, each next one ends
// `gap` pixels left of the previous one.
std::vector<Span1D> ButtonRowFromRight(const std::vector<int>& widths, int right, int gap = 10);

struct PointF {
  double x, y;
};
// The triangle marker around (cx, cy): vertices at radius 4 at -90, +90 and 0 degrees, moved 2
// pixels back, turned clockwise by turn * 90 / 100 degrees (0 points right, 100 down).
std::array<PointF, 3> TriangleVertices(double cx, double cy, int turn);

}  // namespace qws
