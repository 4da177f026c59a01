// The tool tip of a list row: each column's header, ":", a line break and the row's text, the
// columns apart by an empty line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qws {

// `headers` are the column names joined by '|' ("Target|Threat name|Action"); a cell without a
// header gets an empty one.
std::u16string RowToolTipText(std::u16string_view headers, const std::vector<std::u16string>& cells);

}  // namespace qws
