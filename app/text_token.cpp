#include "app/text_token.h"

namespace qws {

std::u16string TextToken(std::u16string_view text, size_t index, char16_t separator) {
  size_t start = 0;
  for (size_t field = 0; field < index; ++field) {
    const size_t next = text.find(separator, start);
    if (next == std::u16string_view::npos) return {};
    start = next + 1;
  }
  const size_t end = text.find(separator, start);
  return std::u16string(text.substr(start, end == std::u16string_view::npos ? end : end - start));
}

}  // namespace qws
