// The page texts' markup and its layout on lines, with a fixed-width measure in place of GDI.
#include <gtest/gtest.h>

#include "base/u16.h"
#include "ui/markup.h"
#include "ui/text_layout.h"

namespace qws {

// Readable failures.
void PrintTo(const PlacedPiece& p, std::ostream* os) {
  *os << "{run " << p.run << " \"" << U16ToUtf8(p.text) << "\" at " << p.x << "," << p.y
      << " width " << p.width << " font " << p.font << "}";
}
void PrintTo(const TextRun& r, std::ostream* os) {
  *os << "{\"" << U16ToUtf8(r.text) << "\" flags " << r.flags << "}";
}

namespace {

struct MarkupCase {
  const char* name;
  const char16_t* text;
  std::vector<TextRun> runs;
};

TEST(ParseMarkup, CutsRunsAtTagsAndLineFeeds) {
  const std::vector<MarkupCase> cases = {
      {"plain", u"Scan archives", {{u"Scan archives", 0}}},
      {"targets line", u"Current scan targets: <I> Local disks </I>  <A>Change...</A>",
       {{u"Current scan targets: ", 0},
        {u" Local disks ", kRunItalic},
        {u"  ", 0},
        {u"Change...", kRunLink}}},
      {"line feed", u"one\ntwo", {{u"one", 0}, {u"two", kRunNewLine}}},
      {"line feed before a tag keeps its flag", u"a\n<B>b</B>", {{u"a", 0}, {u"b", kRunBold | kRunNewLine}}},
      {"unknown letter X changes nothing", u"a<X>b</X>c", {{u"a", 0}, {u"b", 0}, {u"c", 0}}},
      {"no closing bracket", u"less <than", {{u"less ", 0}, {u"<than", 0}}},
      {"only the first letter counts", u"<Anchor>go</A> <Bold>x", {{u"go", kRunLink}, {u" ", 0}, {u"x", kRunBold}}},
      {"case-sensitive", u"<b>x</b>", {{u"x", 0}}},
      {"highlight and nesting", u"<H>h<B>hb</H>b</B>",
       {{u"h", kRunHighlight}, {u"hb", kRunHighlight | kRunBold}, {u"b", kRunBold}}},
      {"empty runs dropped", u"<B></B>\n\nx", {{u"x", kRunNewLine}}},
      {"empty tag", u"a<>b", {{u"a", 0}, {u"b", 0}}},
      {"empty", u"", {}},
  };
  for (const MarkupCase& c : cases) EXPECT_EQ(ParseMarkup(c.text), c.runs) << c.name;
}

// Every character is 5 pixels wide in fonts 0 and 1, 6 in bold, 7 in italic; lines 10 high.
class FixedMeasure : public TextMeasure {
 public:
  int Width(std::u16string_view text, int font) const override {
    static const int widths[] = {5, 5, 6, 7};
    ++calls;
    return static_cast<int>(text.size()) * widths[font];
  }
  int LineHeight() const override { return 10; }
  mutable int calls = 0;
};

std::vector<PlacedPiece> Lay(const char16_t* text, int width, bool ellipsis = false, int hovered = -1) {
  return LayOutRuns(ParseMarkup(text), width, ellipsis, hovered, FixedMeasure());
}

struct LayoutCase {
  const char* name;
  const char16_t* text;
  int width;
  bool ellipsis;
  std::vector<PlacedPiece> pieces;
};

TEST(LayOutRuns, PlacesRunsOnLines) {
  const std::vector<LayoutCase> cases = {
      {"fits on one line", u"ab <B>cd</B>", 100, false,
       {{0, u"ab ", 0, 0, 15, 0}, {1, u"cd", 15, 0, 12, 2}}},
      {"two words on two lines", u"one\ntwo", 100, false,
       {{0, u"one", 0, 0, 15, 0}, {1, u"two", 0, 10, 15, 0}}},
      {"broken at the last fitting space, spaces skipped", u"aa bb cc", 30, false,
       {{0, u"aa bb", 0, 0, 25, 0}, {0, u"cc", 0, 10, 10, 0}}},
      {"link advances one more pixel", u"<A>ab</A>c", 100, false,
       {{0, u"ab", 0, 0, 10, 0}, {1, u"c", 11, 0, 5, 0}}},
      {"fewer than 10 pixels left: next run on a new line", u"abcdefgh<B>i</B>", 49, false,
       {{0, u"abcdefgh", 0, 0, 40, 0}, {1, u"i", 0, 10, 6, 2}}},
      {"no word fits on a begun line: the run moves down", u"abcd<I>xx yy</I>", 32, false,
       {{0, u"abcd", 0, 0, 20, 0}, {1, u"xx", 0, 10, 14, 3}, {1, u"yy", 0, 20, 14, 3}}},
      {"a word wider than the line is broken between characters", u"abcdefghij", 22, false,
       {{0, u"abcd", 0, 0, 20, 0}, {0, u"efgh", 0, 10, 20, 0}, {0, u"ij", 0, 20, 10, 0}}},
      {"ellipsis cuts a run wider than the control and stops", u"abcdefghijkl<B>more</B>", 40, true,
       {{0, u"abcd ...", 0, 0, 40, 0}}},
      {"ellipsis mode still breaks a run narrower than the control", u"abc<B>de fg</B>", 40, true,
       {{0, u"abc", 0, 0, 15, 0}, {1, u"de", 15, 0, 12, 2}, {1, u"fg", 0, 10, 12, 2}}},
      {"narrower than one character: one per line", u"ab", 3, false,
       {{0, u"a", 0, 0, 5, 0}, {0, u"b", 0, 10, 5, 0}}},
  };
  for (const LayoutCase& c : cases) EXPECT_EQ(Lay(c.text, c.width, c.ellipsis), c.pieces) << c.name;
}

TEST(LayOutRuns, HoveredLinkUsesTheUnderlinedFont) {
  const auto plain = Lay(u"x <A>go</A>", 100, false, -1);
  const auto hovered = Lay(u"x <A>go</A>", 100, false, 1);
  ASSERT_EQ(plain.size(), 2u);
  ASSERT_EQ(hovered.size(), 2u);
  EXPECT_EQ(plain[1].font, 0);
  EXPECT_EQ(hovered[1].font, 1);
  EXPECT_EQ(hovered[0].font, 0);
}

TEST(LayOutRuns, LongTextEndsAndStaysInsideTheWidth) {
  std::u16string text;
  for (int i = 0; i < 300; ++i) text += (i % 7 == 0) ? u"averyveryverylongword " : u"word ";
  FixedMeasure measure;
  const auto pieces = LayOutRuns(ParseMarkup(text), 97, false, -1, measure);
  ASSERT_FALSE(pieces.empty());
  std::u16string joined;
  for (const auto& piece : pieces) {
    EXPECT_LE(piece.x + piece.width, 97);
    joined += piece.text;
  }
  // Only the spaces at the breaks are gone.
  std::u16string withoutSpaces;
  for (char16_t c : text)
    if (c != u' ') withoutSpaces += c;
  std::u16string joinedWithoutSpaces;
  for (char16_t c : joined)
    if (c != u' ') joinedWithoutSpaces += c;
  EXPECT_EQ(joinedWithoutSpaces, withoutSpaces);
}

}  // namespace
}  // namespace qws
