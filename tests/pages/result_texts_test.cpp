// The texts and looks the threat list, quarantine and result pages build from their data.
#include <gtest/gtest.h>

#include "report/threat_list_export.h"
#include "resources/resource_ids.h"
#include "ui/result_page_logic.h"
#include "ui/row_tip_text.h"

namespace qws {
namespace {

TEST(ThreatListExport, OneLinePerItemAndTheFileIsUtf16WithItsMark) {
  EXPECT_EQ(ThreatListExportText({}), u"");
  std::vector<ThreatListItem> items(2);
  items[0].target = u"C:\\a.com";
  items[0].threatName = u"Eicar-Test-Signature";
  items[0].action = u"cleaned by deleting";
  items[1].target = u"Operating memory";
  items[1].threatName = u"T\u00e9st";
  const std::u16string text = ThreatListExportText(items);
  EXPECT_EQ(text, u"C:\\a.com\tEicar-Test-Signature\tcleaned by deleting\r\nOperating memory\tT\u00e9st\t\r\n");
  EXPECT_EQ(Utf16LeFileBytes(u"A\u00e9\u20ac"), std::string("\xFF\xFE" "A\0\xE9\0\xAC\x20", 8));
  EXPECT_EQ(Utf16LeFileBytes(u""), std::string("\xFF\xFE", 2));
}

TEST(ThreatListExport, SaveFilterFromTheTwoNames) {
  EXPECT_EQ(TextFileFilter(u"Text files|All files"),
            std::u16string(u"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0\0", 46));
  // A table entry without its second name still gives a filter that ends as the dialog wants.
  const std::u16string lone = TextFileFilter(u"Text");
  EXPECT_EQ(lone.substr(lone.size() - 2), std::u16string(2, u'\0'));
}

TEST(RowToolTip, HeadersAndCellsApartByEmptyLines) {
  EXPECT_EQ(RowToolTipText(u"Target|Threat name|Action", {u"C:\\a.com", u"Eicar", u""}),
            u"Target:\nC:\\a.com\n\nThreat name:\nEicar\n\nAction:\n");
  EXPECT_EQ(RowToolTipText(u"File", {u"a", u"b"}), u"File:\na\n\n:\nb");
}

TEST(ResultPage, DurationInWholeHoursMinutesAndSeconds) {
  constexpr int64_t kSecond = 10'000'000;
  EXPECT_EQ(ScanDurationText(0), u"00:00:00");
  EXPECT_EQ(ScanDurationText(5 * 60 * kSecond + kSecond - 1), u"00:05:00");
  EXPECT_EQ(ScanDurationText((3600 + 62) * kSecond), u"01:01:02");
  EXPECT_EQ(ScanDurationText(30 * 3600 * kSecond), u"30:00:00");
  EXPECT_EQ(ScanDurationText(100 * 3600 * kSecond), u"100:00:00");
  EXPECT_EQ(ScanDurationText(-kSecond), u"00:00:00");
}

struct LookCase {
  const char* name;
  ResultFigures figures;
  int state;
  unsigned titleId;
  int iconId;
  // 1054, 1055, 1056: label (0 hidden) and choice.
  std::array<std::pair<unsigned, int>, 3> buttons;
  bool uninstall, showList, restartNotice;
};

ResultFigures Figures(uint32_t infected, uint32_t cleaned, bool automatic, bool restart) {
  ResultFigures f;
  f.filesScanned = 10;
  f.infectedFiles = infected;
  f.cleanedThreats = cleaned;
  f.cleanedAutomatically = automatic;
  f.restartRequired = restart;
  return f;
}

TEST(ResultPage, StatesTitlesButtonsAndChoices) {
  const std::pair<unsigned, int> hidden{0, -1}, finish{4088, 1}, back{4004, 0};
  const LookCase cases[] = {
      {"nothing found", Figures(0, 0, false, false), 1, 4078, IDR_CLEAN_ICON_PNG, {finish, hidden, hidden}, true, false, false},
      {"nothing found, restart flag", Figures(0, 0, true, true), 1, 4078, IDR_CLEAN_ICON_PNG, {finish, hidden, hidden}, true, false, false},
      {"all cleaned by hand", Figures(3, 3, false, false), 2, 4080, IDR_CLEAN_ICON_PNG, {finish, back, hidden}, true, false, false},
      {"all cleaned automatically", Figures(3, 3, true, true), 2, 4080, IDR_CLEAN_ICON_PNG, {finish, hidden, hidden}, true, true, false},
      {"not all cleaned", Figures(3, 1, false, false), 2, 4079, IDR_THREAT_ICON_PNG, {finish, back, hidden}, true, false, false},
      {"restart needed", Figures(3, 1, false, true), 3, 4079, IDR_THREAT_ICON_PNG,
       {std::pair<unsigned, int>{4089, 2}, {4090, 5}, back}, false, false, true},
      {"restart needed, automatic", Figures(3, 1, true, true), 3, 4079, IDR_THREAT_ICON_PNG,
       {std::pair<unsigned, int>{4089, 2}, {4090, 5}, hidden}, false, true, true},
  };
  for (const LookCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ResultLook look = LookOfResult(c.figures);
    EXPECT_EQ(look.state, c.state);
    EXPECT_EQ(look.titleId, c.titleId);
    EXPECT_EQ(look.iconId, c.iconId);
    EXPECT_EQ(look.titleColour, c.iconId == IDR_CLEAN_ICON_PNG ? 0x1ABB77u : 0x3942E0u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(look.buttons[i].shown, c.buttons[i].first != 0) << i;
      if (c.buttons[i].first == 0) continue;
      EXPECT_EQ(look.buttons[i].labelId, c.buttons[i].first) << i;
      EXPECT_EQ(look.buttons[i].choice, c.buttons[i].second) << i;
    }
    EXPECT_EQ(look.uninstallShown, c.uninstall);
    EXPECT_EQ(look.showListShown, c.showList);
    EXPECT_EQ(look.restartNoticeShown, c.restartNotice);
    EXPECT_EQ(look.infectedHighlighted, c.figures.infectedFiles > 0);
  }
}

TEST(ResultPage, QuarantineLinksAndNotices) {
  ResultFigures f = Figures(2, 1, false, true);
  f.quarantineEmpty = false;
  f.quarantineHasUnrestored = true;
  f.browserReinstallAdvised = true;
  ResultLook look = LookOfResult(f);
  EXPECT_TRUE(look.quarantineShown);
  EXPECT_TRUE(look.removeQuarantineShown);
  // Both notices have room: each keeps its own place.
  EXPECT_TRUE(look.restartNoticeShown);
  EXPECT_TRUE(look.browserNoticeShown);
  f.quarantineHasUnrestored = false;
  f.browserReinstallAdvised = false;
  look = LookOfResult(f);
  EXPECT_TRUE(look.quarantineShown);
  EXPECT_FALSE(look.removeQuarantineShown);
  EXPECT_FALSE(look.browserNoticeShown);
  f.quarantineEmpty = true;
  EXPECT_FALSE(LookOfResult(f).quarantineShown);
}

}  // namespace
}  // namespace qws
