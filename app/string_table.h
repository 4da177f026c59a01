// Texts of the string table (4000 to 4126).
#pragma once

#include <string>

namespace qws {

std::wstring LoadText(unsigned id);
// The text with its first "%u" replaced by `count`; texts without one are returned as they are.
std::wstring FormatCount(const std::wstring& text, unsigned count);

}  // namespace qws
