#include "report/extension_sample.h"

namespace qws {

namespace {

// The lower-case paths are compared on this many characters.
constexpr size_t kLowerPathChars = 1023;
constexpr size_t kChromiumIdChars = 32;

bool IsExcludedExtension(std::u16string_view afterDot) {
  return afterDot.starts_with(u"png") || afterDot.starts_with(u"gif") ||
         afterDot.starts_with(u"json");
}

bool IsChromiumSample(std::u16string_view path) {
  constexpr std::u16string_view marker = u"\\Extensions\\";
  const size_t at = path.find(marker);
  if (at == std::u16string_view::npos) return false;
  const size_t id = at + marker.size();
  const size_t slash = path.find(u'\\', id);
  if (slash == std::u16string_view::npos || slash - id != kChromiumIdChars) return false;
  for (size_t i = id; i < slash; ++i) {
    if (path[i] < u'a' || path[i] > u'z') return false;
  }
  const size_t dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos || dot < slash) return false;
  return !IsExcludedExtension(path.substr(dot + 1));
}

bool IsFirefoxSample(std::u16string_view path) {
  const std::u16string lower = AsciiLower(path, kLowerPathChars);
  if (lower.find(u"\\firefox\\profiles\\") == std::u16string::npos) return false;
  const size_t extensions = lower.find(u"\\extensions\\");
  if (extensions == std::u16string::npos) return false;
  const size_t dot = lower.rfind(u'.');
  if (dot == std::u16string::npos || dot <= extensions + 12) return false;
  return !IsExcludedExtension(std::u16string_view(lower).substr(dot + 1));
}

}  // namespace

std::u16string AsciiLower(std::u16string_view text, size_t limit) {
  std::u16string out(text.substr(0, limit));
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 0x20);
  }
  return out;
}

bool IsBrowserExtensionSample(std::u16string_view path) {
  return IsChromiumSample(path) || IsFirefoxSample(path);
}

}  // namespace qws
