// Placing markup runs on lines within a width: words broken at spaces, words wider than the
// line broken between characters, or cut with " ..." in ellipsis mode. Measuring is a seam, so
// that the layout runs without GDI.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/markup.h"

namespace qws {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // Width of `text` on one line in the font of the list (0 normal, 1 underlined, 2 bold, 3 italic).
  virtual int Width(std::u16string_view text, int font) const = 0;
  // Height of a line: the height of "A" in the normal font.
  virtual int LineHeight() const = 0;
};

struct PlacedPiece {
  size_t run = 0;  // index into the runs
  std::u16string text;
  int x = 0, y = 0, width = 0;
  int font = 0;
  bool operator==(const PlacedPiece&) const = default;
};

// The font of a run: links underlined while hovered, else bold, italic, normal.
int RunFont(const TextRun& run, size_t runIndex, int hoveredLink);

std::vector<PlacedPiece> LayOutRuns(const std::vector<TextRun>& runs, int width, bool ellipsis,
                                    int hoveredLink, const TextMeasure& measure);

}  // namespace qws
