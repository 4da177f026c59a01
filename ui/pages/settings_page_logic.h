// The settings page's arithmetic and texts that need no window: the rows of the advanced
// section's animation, the searching dots, the products line, and the products list's rows and
// column widths.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qws {

// The advanced section opens and closes in eight steps of one row each: row 0 is the section
// frame, rows 1 to 5 the option boxes with their tips, row 6 the targets line, row 7 the proxy.
inline constexpr int kAdvancedSteps = 8;
// The row that step 1 to 8 shows (expanding) or hides (collapsing, from the bottom up).
int AdvancedRowOfStep(int step, bool expanding);
// The triangle's turn at that row: 0 (pointing right) at row 0 to 100 (down) at row 7.
int TriangleTurnOfRow(int row);

// The searching text with one to three dots: a dot when the text does not end with one, then
// `dots` (0 to 2) more.
std::u16string SearchingText(std::u16string_view text, int dots);
inline int NextDots(int dots) { return (dots + 1) % 3; }

// The products line once the detection has finished: the message and its one link.
std::u16string ProductsLineText(std::u16string_view message, std::u16string_view link);

struct ProductRow {
  std::u16string vendor;
  std::u16string product;
};
// "Vendor|Product" entries as list rows (split at the first "|"); entries without one are left
// out.
std::vector<ProductRow> ProductRows(const std::vector<std::u16string>& entries);

// Rows beyond this make the list reserve room for its vertical scroll bar.
inline constexpr size_t kProductRowsWithoutScrollBar = 4;
struct ProductColumns {
  int vendor = 0;
  int product = 0;
};
// The two columns before their texts are known: each half of the room, 3 pixels short of it.
ProductColumns StartingProductColumns(int clientWidth, int scrollBarWidth, size_t rows);
// The vendor column as wide as its widest text (or header) plus a margin, the product column
// the rest of the room, never below zero.
ProductColumns FittedProductColumns(int clientWidth, int scrollBarWidth, size_t rows,
                                    int widestVendorText);

}  // namespace qws
