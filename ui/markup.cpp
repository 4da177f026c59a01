#include "ui/markup.h"

namespace qws {

namespace {

unsigned TagFlag(char16_t letter) {
  switch (letter) {
    case u'A': return kRunLink;
    case u'B': return kRunBold;
    case u'I': return kRunItalic;
    case u'H': return kRunHighlight;
    default: return 0;
  }
}

}  // namespace

std::vector<TextRun> ParseMarkup(std::u16string_view text) {
  std::vector<TextRun> runs;
  unsigned style = 0;
  bool newLine = false;
  std::u16string current;
  auto finishRun = [&] {
    if (!current.empty()) {
      runs.push_back({std::move(current), style | (newLine ? kRunNewLine : 0u)});
      newLine = false;
    }
    current.clear();
  };

  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'\n') {
      finishRun();
      newLine = true;
      ++i;
    } else if (c == u'<') {
      const size_t close = text.find(u'>', i + 1);
      if (close == std::u16string_view::npos) {
        finishRun();
        current.assign(text.substr(i));
        finishRun();
        break;
      }
      finishRun();
      const bool closing = i + 1 < close && text[i + 1] == u'/';
      const size_t letterAt = i + (closing ? 2 : 1);
      const unsigned flag = letterAt < close ? TagFlag(text[letterAt]) : 0;
      style = closing ? (style & ~flag) : (style | flag);
      i = close + 1;
    } else {
      current.push_back(c);
      ++i;
    }
  }
  finishRun();
  return runs;
}

}  // namespace qws
