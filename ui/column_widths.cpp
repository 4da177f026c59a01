#include "ui/column_widths.h"

#include <algorithm>

namespace qws {

std::vector<int> ShareColumnWidths(int usableWidth, const std::vector<int>& widestTexts,
                                   size_t firstToGrow) {
  const size_t count = widestTexts.size();
  if (count == 0) return {};
  const int share = std::max(usableWidth, 0) / static_cast<int>(count);
  std::vector<int> widths(count, share);
  std::vector<int> needs(count);
  int spare = 0;
  for (size_t i = 0; i < count; ++i) {
    needs[i] = std::max(widestTexts[i], 0) + kColumnTextMargin;
    if (needs[i] < share) {
      spare += share - needs[i];
      widths[i] = needs[i];
    }
  }
  std::vector<size_t> order;
  if (firstToGrow < count) order.push_back(firstToGrow);
  for (size_t i = 0; i < count; ++i)
    if (i != firstToGrow) order.push_back(i);
  for (size_t i : order) {
    if (needs[i] <= widths[i]) continue;
    const int grow = std::min(spare, needs[i] - widths[i]);
    widths[i] += grow;
    spare -= grow;
  }
  return widths;
}

}  // namespace qws
