#include "ui/row_tip_text.h"

namespace qws {

std::u16string RowToolTipText(std::u16string_view headers, const std::vector<std::u16string>& cells) {
  std::u16string text;
  size_t start = 0;
  for (size_t column = 0; column < cells.size(); ++column) {
    const size_t bar = start == std::u16string_view::npos ? start : headers.find(u'|', start);
    const std::u16string_view header =
        start == std::u16string_view::npos ? std::u16string_view() : headers.substr(start, bar - start);
    start = bar == std::u16string_view::npos ? bar : bar + 1;
    if (column > 0) text += u"\n\n";
    text += header;
    text += u":\n";
    text += cells[column];
  }
  return text;
}

}  // namespace qws
