// Glyph cells, progress fill, button fitting and the triangle marker's direction.
#include <gtest/gtest.h>

#include "ui/control_maths.h"

namespace qws {
namespace {

TEST(CheckGlyphCell, FollowsStateOnBothStrips) {
  struct Case {
    GlyphState state;
    int cells, expected;
  };
  const Case cases[] = {
      {{false, false, true, false}, 8, 0}, {{true, false, true, false}, 8, 1},
      {{false, true, true, false}, 8, 2},  {{true, true, true, false}, 8, 3},
      {{false, false, true, true}, 8, 4},  {{true, false, true, true}, 8, 4},  // warning, checked or not
      {{true, true, true, true}, 8, 5},    {{false, false, false, false}, 8, 6},
      {{true, false, false, false}, 8, 7}, {{true, true, true, false}, 6, 3},
      {{false, true, true, true}, 6, 5},
      // The radio strip has no disabled cells: never beyond its six.
      {{false, false, false, false}, 6, 0}, {{true, false, false, false}, 6, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckGlyphCell(c.state, c.cells), c.expected)
        << "checked " << c.state.checked << " hover " << c.state.hover << " enabled "
        << c.state.enabled << " warning " << c.state.warning << " cells " << c.cells;
  }
}

TEST(ProgressFillWidth, ScalesAndStaysInsideTheBar) {
  EXPECT_EQ(ProgressFillWidth(0, 0, 100, 480), 0);
  EXPECT_EQ(ProgressFillWidth(50, 0, 100, 480), 240);
  EXPECT_EQ(ProgressFillWidth(100, 0, 100, 480), 480);
  EXPECT_EQ(ProgressFillWidth(250, 0, 100, 480), 480) << "beyond the maximum: full width";
  EXPECT_EQ(ProgressFillWidth(-5, 0, 100, 480), 0);
  EXPECT_EQ(ProgressFillWidth(15, 10, 20, 100), 50);
  EXPECT_EQ(ProgressFillWidth(5, 7, 7, 100), 0) << "an empty range divides by nothing";
  EXPECT_EQ(ProgressFillWidth(2000000000, -2000000000, 2000000000, 1000), 1000);
}

TEST(ButtonFitting, WidthAndRowFromTheRight) {
  EXPECT_EQ(FittedButtonWidth(45, 0), 75);
  EXPECT_EQ(FittedButtonWidth(45, 16), 92);
  const auto row = ButtonRowFromRight({75, 90}, 540);
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(row[0], (Span1D{465, 540}));
  EXPECT_EQ(row[1], (Span1D{365, 455}));
}

TEST(TriangleVertices, PointsRightAtZeroAndDownAtHundred) {
  // The tip is the vertex farthest along the pointing direction.
  const auto right = TriangleVertices(10, 10, 0);
  EXPECT_NEAR(right[2].x, 12, 1e-9);
  EXPECT_NEAR(right[2].y, 10, 1e-9);
  EXPECT_NEAR(right[0].x, 8, 1e-9);
  EXPECT_NEAR(right[0].y, 6, 1e-9);
  const auto down = TriangleVertices(10, 10, 100);
  EXPECT_NEAR(down[2].x, 10, 1e-9);
  EXPECT_NEAR(down[2].y, 12, 1e-9);
  EXPECT_NEAR(down[0].x, 14, 1e-9) << "the top-left vertex turns to the top right";
  EXPECT_NEAR(down[0].y, 8, 1e-9);
  const auto half = TriangleVertices(0, 0, 50);
  EXPECT_NEAR(half[2].x, half[2].y, 1e-9);
}

}  // namespace
}  // namespace qws
