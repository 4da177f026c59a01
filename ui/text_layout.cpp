#include "ui/text_layout.h"

namespace qws {

namespace {

constexpr char16_t kEllipsis[] = u" ...";
// A line with less room than this left takes no further run.
constexpr int kMinimumRoom = 10;

// The longest prefix of `text` (at least `minimum` characters) whose width, with `suffix`
// appended, is at most `room`.
size_t LongestFit(std::u16string_view text, std::u16string_view suffix, int room, int font,
                  const TextMeasure& measure, size_t minimum) {
  size_t low = 0, high = text.size();  // low fits (or is 0), high is unknown
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    std::u16string candidate(text.substr(0, mid));
    candidate += suffix;
    if (measure.Width(candidate, font) <= room) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return low < minimum ? minimum : low;
}

}  // namespace

int RunFont(const TextRun& run, size_t runIndex, int hoveredLink) {
  if (run.flags & kRunLink) return static_cast<int>(runIndex) == hoveredLink ? 1 : 0;
  if (run.flags & kRunBold) return 2;
  if (run.flags & kRunItalic) return 3;
  return 0;
}

std::vector<PlacedPiece> LayOutRuns(const std::vector<TextRun>& runs, int width, bool ellipsis,
                                    int hoveredLink, const TextMeasure& measure) {
  std::vector<PlacedPiece> pieces;
  const int lineHeight = measure.LineHeight();
  int x = 0, y = 0;
  auto newLine = [&] {
    x = 0;
    y += lineHeight;
  };

  for (size_t index = 0; index < runs.size(); ++index) {
    const TextRun& run = runs[index];
    const int font = RunFont(run, index, hoveredLink);
    const int linkGap = (run.flags & kRunLink) ? 1 : 0;
    if (run.flags & kRunNewLine) newLine();

    std::u16string_view rest = run.text;
    while (!rest.empty()) {
      const int room = width - x;
      const int restWidth = measure.Width(rest, font);
      if (restWidth <= room) {
        pieces.push_back({index, std::u16string(rest), x, y, restWidth, font});
        x += restWidth + linkGap;
        if (width - x < kMinimumRoom) newLine();
        break;
      }
      if (ellipsis && restWidth > width) {
        const size_t keep = LongestFit(rest, kEllipsis, room, font, measure, 0);
        std::u16string shown(rest.substr(0, keep));
        shown += kEllipsis;
        const int shownWidth = measure.Width(shown, font);
        pieces.push_back({index, std::move(shown), x, y, shownWidth, font});
        return pieces;
      }
      // The longest part that ends before a space and fits.
      size_t wordEnd = 0;
      for (size_t space = rest.find(u' ', 1); space != std::u16string_view::npos;
           space = rest.find(u' ', space + 1)) {
        if (measure.Width(rest.substr(0, space), font) > room) break;
        wordEnd = space;
      }
      if (wordEnd > 0) {
        const std::u16string_view part = rest.substr(0, wordEnd);
        pieces.push_back({index, std::u16string(part), x, y, measure.Width(part, font), font});
        size_t next = wordEnd;
        while (next < rest.size() && rest[next] == u' ') ++next;
        rest.remove_prefix(next);
        newLine();
      } else if (x > 0) {
        newLine();
      } else {
        const size_t keep = LongestFit(rest, u"", room, font, measure, 1);
        const std::u16string_view part = rest.substr(0, keep);
        pieces.push_back({index, std::u16string(part), x, y, measure.Width(part, font), font});
        rest.remove_prefix(keep);
        newLine();
      }
    }
  }
  return pieces;
}

}  // namespace qws
