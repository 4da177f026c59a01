// Sharing a list's width among its columns.
#include "ui/column_widths.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

TEST(ColumnWidths, NarrowColumnsShrinkAndTheirWidthGoesToTheWiderOnes) {
  const struct {
    const char* what;
    int usable;
    std::vector<int> widest;
    std::vector<int> widths;
  } cases[] = {
      // 600 gives 200 each; texts + 16 decide.
      {"all fit: each shrinks to its need", 600, {50, 60, 70}, {66, 76, 86}},
      {"all wide: thirds", 600, {400, 400, 400}, {200, 200, 200}},
      {"the threat name takes freed width first", 600, {300, 400, 34}, {200, 350, 50}},
      {"the threat name up to its need, then the target", 600, {300, 300, 34}, {234, 316, 50}},
      {"the target and action share what is left", 600, {400, 100, 400}, {284, 116, 200}},
      {"freed width nobody needs stays unused", 600, {100, 300, 34}, {116, 316, 50}},
      {"a column exactly at its share keeps it", 600, {184, 10, 400}, {200, 26, 374}},
      {"the remainder of the thirds is not used", 601, {400, 400, 400}, {200, 200, 200}},
      {"no width", 0, {10, 10, 10}, {0, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(ShareColumnWidths(c.usable, c.widest, 1), c.widths) << c.what;
  EXPECT_TRUE(ShareColumnWidths(600, {}, 1).empty());
}

}  // namespace
}  // namespace qws
