// Case-insensitive comparison of paths and items without the system's tables.
#pragma once

#include <string_view>

namespace qws {

// The upper-case form of a UTF-16 unit in the Latin, Greek and Cyrillic blocks that Windows
// file names fold; other units stay as they are.
char16_t FoldCase(char16_t c);

// The lower-case form, the inverse of FoldCase over the same blocks.
char16_t LowerCase(char16_t c);

// Orders texts by their folded units.
bool LessIgnoringCase(std::u16string_view a, std::u16string_view b);

// `text` begins with `prefix`, ignoring case.
bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix);

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace qws
