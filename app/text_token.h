#pragma once

#include <string>
#include <string_view>

namespace qws {

// Field number `index` (from 0) of `text` split at `separator`; empty when there are fewer.
std::u16string TextToken(std::u16string_view text, size_t index, char16_t separator);

}  // namespace qws
