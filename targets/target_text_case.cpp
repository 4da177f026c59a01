#include "targets/target_text_case.h"

namespace qws {

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c < 0xE0) return c;
  // Latin-1 à..þ except the division sign; ÿ folds to Ÿ.
  if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: upper and lower case alternate, the lower on odd units, except in the
  // ranges where the pairs start on an odd unit.
  if (c >= 0x100 && c <= 0x17F) {
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddPairs) return (c & 1) == 0 ? static_cast<char16_t>(c - 1) : c;
    return (c & 1) == 1 ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

char16_t LowerCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : static_cast<char16_t>(c + 0x20);
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    // Only units that FoldCase produces from a lower-case partner map back.
    const char16_t next = static_cast<char16_t>(c + 1);
    return FoldCase(next) == c && next != c ? next : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

bool LessIgnoringCase(std::u16string_view a, std::u16string_view b) {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    const char16_t x = FoldCase(a[i]), y = FoldCase(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

}  // namespace qws
