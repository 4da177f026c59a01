// The settings page's window-free parts: the animation's rows, the searching dots, the products
// line and the products list's rows and columns.
#include "ui/pages/settings_page_logic.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

TEST(AdvancedAnimation, ExpandsTopDownAndCollapsesBottomUp) {
  std::vector<int> opening, closing, turns;
  for (int step = 1; step <= kAdvancedSteps; ++step) {
    opening.push_back(AdvancedRowOfStep(step, true));
    closing.push_back(AdvancedRowOfStep(step, false));
    turns.push_back(TriangleTurnOfRow(AdvancedRowOfStep(step, true)));
  }
  EXPECT_EQ(opening, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(closing, (std::vector<int>{7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(turns, (std::vector<int>{0, 14, 28, 42, 57, 71, 85, 100}));
}

TEST(SearchingText, AddsOneToThreeDots) {
  const std::u16string text = u"Searching for potentially conflicting software";
  std::vector<std::u16string> shown;
  int dots = 0;
  for (int tick = 0; tick < 4; ++tick) {
    shown.push_back(SearchingText(text, dots));
    dots = NextDots(dots);
  }
  EXPECT_EQ(shown, (std::vector<std::u16string>{text + u".", text + u"..", text + u"...", text + u"."}));
  // A text that ends with its own dot gets no extra one.
  EXPECT_EQ(SearchingText(u"Wait.", 0), u"Wait.");
  EXPECT_EQ(SearchingText(u"Wait.", 2), u"Wait...");
}

TEST(ProductsLine, CarriesOneLink) {
  EXPECT_EQ(ProductsLineText(u"Another Quellix security product is installed on this computer.", u"Show list"),
            u"Another Quellix security product is installed on this computer. <A>Show list</A>");
}

TEST(ProductRows, SplitAtTheFirstBarAndSkipEntriesWithoutOne) {
  const auto rows = ProductRows({u"Larkspur Labs|Larkspur Guard", u"no bar here", u"A|B|C", u"|Nameless", u""});
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].vendor, u"Larkspur Labs");
  EXPECT_EQ(rows[0].product, u"Larkspur Guard");
  EXPECT_EQ(rows[1].vendor, u"A");
  EXPECT_EQ(rows[1].product, u"B|C");
  EXPECT_EQ(rows[2].vendor, u"");
  EXPECT_EQ(rows[2].product, u"Nameless");
}

TEST(ProductColumns, LeaveRoomForTheScrollBarFromFiveRowsOn) {
  struct Case {
    size_t rows;
    int widestVendor;
    ProductColumns expected;
  };
  // A client 477 pixels wide, a 17-pixel scroll bar.
  const Case cases[] = {
      {1, 60, {80, 391}},   // 477 - 6
      {4, 60, {80, 391}},
      {5, 60, {80, 374}},   // 477 - 17 - 6
      {9, 100, {120, 334}},
      {2, 500, {520, 0}},   // a vendor wider than the list leaves no negative product column
  };
  for (const Case& c : cases) {
    const ProductColumns columns = FittedProductColumns(477, 17, c.rows, c.widestVendor);
    EXPECT_EQ(columns.vendor, c.expected.vendor) << c.rows << " rows";
    EXPECT_EQ(columns.product, c.expected.product) << c.rows << " rows";
  }
  const ProductColumns start = StartingProductColumns(477, 17, 0);
  EXPECT_EQ(start.vendor + start.product, 471);
  EXPECT_LE(start.vendor, start.product);
  const ProductColumns withBar = StartingProductColumns(477, 17, 5);
  EXPECT_EQ(withBar.vendor + withBar.product, 454);
}

}  // namespace
}  // namespace qws
