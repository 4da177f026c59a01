#include "app/removal_root.h"

#include <vector>

namespace qws {

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// The components between separators; runs of separators count as one.
std::vector<std::u16string_view> Steps(std::u16string_view text) {
  std::vector<std::u16string_view> steps;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsSeparator(text[i])) continue;
    if (i > start) steps.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  return steps;
}

// The system drops trailing dots and blanks of a step, so "..." or ". ." would name the parent
// or the folder itself.
bool IsPlainName(std::u16string_view step) {
  if (step.find(u':') != std::u16string_view::npos) return false;
  for (char16_t c : step)
    if (c != u'.' && c != u' ') return true;
  return false;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::optional<std::u16string> RemovalRoot(std::u16string_view path) {
  if (path.find(u'\0') != std::u16string_view::npos) return std::nullopt;

  std::u16string_view rest = path;
  if (StartsWith(path, u"\\\\?\\")) {
    rest = path.substr(4);
    if (StartsWith(rest, u"UNC\\")) rest = rest.substr(3);  // keeps one separator of "\\"
  }

  std::vector<std::u16string_view> below;
  if (rest.size() >= 3 && IsDriveLetter(rest[0]) && rest[1] == u':' && IsSeparator(rest[2])) {
    below = Steps(rest.substr(3));
  } else if (rest.size() >= 2 && IsSeparator(rest[0]) && (IsSeparator(rest[1]) || rest != path)) {
    // "\\server\share\..." (or the "UNC\server\share\..." of the prefixed form).
    const std::vector<std::u16string_view> steps = Steps(rest);
    if (steps.size() < 2 || steps[0] == u"." || steps[0] == u"?") return std::nullopt;
    if (!IsPlainName(steps[0]) || !IsPlainName(steps[1])) return std::nullopt;
    below.assign(steps.begin() + 2, steps.end());
  } else {
    return std::nullopt;
  }

  if (below.empty()) return std::nullopt;
  for (std::u16string_view step : below)
    if (!IsPlainName(step)) return std::nullopt;

  size_t end = path.size();
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  return std::u16string(path.substr(0, end));
}

}  // namespace qws
