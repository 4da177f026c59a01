#include "ui/pages/settings_page_logic.h"

#include <algorithm>

namespace qws {

namespace {

constexpr int kVendorColumnMargin = 20;

// What the two columns share: the client width less the scroll bar when one may come, less
// 3 pixels for each column.
int ColumnRoom(int clientWidth, int scrollBarWidth, size_t rows) {
  const int scrollBar = rows > kProductRowsWithoutScrollBar ? scrollBarWidth : 0;
  return std::max(0, clientWidth - scrollBar - 6);
}

}  // namespace

int AdvancedRowOfStep(int step, bool expanding) {
  return expanding ? step - 1 : kAdvancedSteps - step;
}

int TriangleTurnOfRow(int row) { return row * 100 / (kAdvancedSteps - 1); }

std::u16string SearchingText(std::u16string_view text, int dots) {
  std::u16string shown(text);
  if (shown.empty() || shown.back() != u'.') shown += u'.';
  shown.append(static_cast<size_t>(std::clamp(dots, 0, 2)), u'.');
  return shown;
}

std::u16string ProductsLineText(std::u16string_view message, std::u16string_view link) {
  std::u16string text(message);
  text += u" <A>";
  text += link;
  text += u"</A>";
  return text;
}

std::vector<ProductRow> ProductRows(const std::vector<std::u16string>& entries) {
  std::vector<ProductRow> rows;
  for (const std::u16string& entry : entries) {
    const size_t bar = entry.find(u'|');
    if (bar == std::u16string::npos) continue;
    rows.push_back({entry.substr(0, bar), entry.substr(bar + 1)});
  }
  return rows;
}

ProductColumns StartingProductColumns(int clientWidth, int scrollBarWidth, size_t rows) {
  const int room = ColumnRoom(clientWidth, scrollBarWidth, rows);
  return {room / 2, room - room / 2};
}

ProductColumns FittedProductColumns(int clientWidth, int scrollBarWidth, size_t rows,
                                    int widestVendorText) {
  const int room = ColumnRoom(clientWidth, scrollBarWidth, rows);
  const int vendor = std::max(0, widestVendorText) + kVendorColumnMargin;
  return {vendor, std::max(0, room - vendor)};
}

}  // namespace qws
