// How a report-style list shares its width among its columns.
#pragma once

#include <cstddef>
#include <vector>

namespace qws {

// Each column starts at a third (an equal share) of `usableWidth`; a column whose widest text
// plus 16 pixels needs less is shrunk to that, and the width freed goes to the columns that
// need more than their share, `firstToGrow` first, then the others from the left, each up to
// what it needs. `widestTexts` are the widest texts (header included) without the 16 pixels;
// width that no column needs stays unused.
std::vector<int> ShareColumnWidths(int usableWidth, const std::vector<int>& widestTexts,
                                   size_t firstToGrow);

inline constexpr int kColumnTextMargin = 16;

}  // namespace qws
