// The markup of the page texts: runs of text with link, bold, italic and highlight flags,
// cut at tags ("<A>", "</B>", ...) and line feeds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qws {

enum RunFlag : unsigned {
  kRunLink = 1,
  kRunBold = 2,
  kRunItalic = 4,
  kRunHighlight = 8,
  kRunNewLine = 16,  // the run starts a new line
};

struct TextRun {
  std::u16string text;
  unsigned flags = 0;
  bool operator==(const TextRun&) const = default;
};

// Tags are case-sensitive and only their first letter counts; other letters change nothing.
// A "<" without a ">" after it begins a last run that keeps the "<". Empty runs are dropped.
std::vector<TextRun> ParseMarkup(std::u16string_view text);

}  // namespace qws
