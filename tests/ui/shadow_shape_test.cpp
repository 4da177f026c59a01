// The drop shadow's shape: span shrinking, brush values, stamping and clearing under the window.
#include <gtest/gtest.h>

#include "ui/shadow_shape.h"

namespace qws {
namespace {

std::vector<RowSpan> Rectangle(int width, int height) {
  return std::vector<RowSpan>(height, RowSpan{0, width - 1});
}

uint8_t Alpha(const ShadowPicture& p, int x, int y) {
  return static_cast<uint8_t>(p.pixels[static_cast<size_t>(y) * p.width + x] >> 24);
}

TEST(ShrinkSpans, NarrowsEachStepAndEmptiesThinShapes) {
  EXPECT_EQ(ShrinkSpans(Rectangle(10, 5), 1),
            (std::vector<RowSpan>{{1, 0}, {1, 8}, {1, 8}, {1, 8}, {1, 0}}));
  const auto twice = ShrinkSpans(Rectangle(10, 5), 2);
  EXPECT_TRUE(twice[0].empty() && twice[1].empty() && twice[3].empty() && twice[4].empty());
  EXPECT_EQ(twice[2], (RowSpan{2, 7}));
  // A step shape: each row takes the overlap with its neighbours.
  EXPECT_EQ(ShrinkSpans({{0, 9}, {3, 9}, {0, 9}}, 1)[1], (RowSpan{4, 8}));
  for (const RowSpan& span : ShrinkSpans(Rectangle(4, 40), 3)) EXPECT_TRUE(span.empty());
}

TEST(RoundBrush, FadesFromTheCentreAndHoldsTheSolidPart) {
  ShadowParams active = ActiveShadow({});  // sharpness 15, size 3: no solid part
  const auto brush = RoundBrush(active);
  const int side = 31;
  ASSERT_EQ(brush.size(), static_cast<size_t>(side * side));
  EXPECT_EQ(brush[15 * side + 15], 150);
  EXPECT_EQ(brush[15 * side + 23], static_cast<uint8_t>((1 - 8.0 / 16) * 150));  // d = 8: 75
  EXPECT_EQ(brush[15 * side + 30], static_cast<uint8_t>((1 - 15.0 / 16) * 150));  // d = 15
  EXPECT_EQ(brush[0], 0) << "beyond the radius";

  ShadowParams solid;
  solid.size = 8;
  solid.sharpness = 4;
  const auto solidBrush = RoundBrush(solid);  // R 8, solid below distance 4
  const int solidSide = 17;
  EXPECT_EQ(solidBrush[8 * solidSide + 8 + 3], 150);
  EXPECT_EQ(solidBrush[8 * solidSide + 8 + 4], 150) << "d = 4: (1 - 0 / 5) * 150";
  EXPECT_EQ(solidBrush[8 * solidSide + 8 + 6], static_cast<uint8_t>((1 - 2.0 / 5) * 150));
}

TEST(RenderShadow, ReachesBeyondTheWindowAndLeavesItClear) {
  const ShadowParams p = ActiveShadow({});
  const int width = 60, height = 40;
  const ShadowPicture picture = RenderShadow(Rectangle(width, height), width, height, p);
  ASSERT_EQ(picture.width, width + 6);
  ASSERT_EQ(picture.height, height + 6);
  // Under the window (shifted by the offsets) nothing shows.
  const int wx = p.size - p.xOffset, wy = p.size - p.yOffset;  // 0, -2
  for (int y = std::max(0, wy); y < wy + height; ++y)
    for (int x = std::max(0, wx); x < wx + width; ++x) ASSERT_EQ(Alpha(picture, x, y), 0) << x << "," << y;
  // Right and below the window the shadow fades towards the bitmap's edge.
  const int y = height / 2;
  const uint8_t nearWindow = Alpha(picture, wx + width, y);
  const uint8_t atEdge = Alpha(picture, picture.width - 1, y);
  EXPECT_GT(nearWindow, atEdge);
  EXPECT_GT(nearWindow, 0);
  EXPECT_LE(nearWindow, 150);
  EXPECT_GT(Alpha(picture, picture.width / 2, picture.height - 1), 0);
  // Premultiplied: a black shadow keeps its colour values at 0.
  EXPECT_EQ(picture.pixels[static_cast<size_t>(y) * picture.width + wx + width] & 0xFFFFFF, 0u);
}

TEST(RenderShadow, ColourIsPremultipliedAndInteriorTakesFullDarkness) {
  ShadowParams p;
  p.size = 6;
  p.sharpness = 2;  // no shrinking; solid brush core
  p.xOffset = 40;   // the window moved away: the whole shape shows
  p.yOffset = 40;
  p.colour = 0x00FF0000;  // blue
  const ShadowPicture picture = RenderShadow(Rectangle(20, 20), 20, 20, p);
  const uint32_t centre = picture.pixels[static_cast<size_t>(16) * picture.width + 16];
  EXPECT_EQ(centre >> 24, 150u);
  EXPECT_EQ(centre & 0xFF, 255u * 150 / 255) << "blue premultiplied";
  EXPECT_EQ((centre >> 8) & 0xFFFF, 0u);
}

}  // namespace
}  // namespace qws
