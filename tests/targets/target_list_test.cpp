#include "targets/target_list.h"

#include <gtest/gtest.h>

#include "base/u16.h"
#include "tests/targets/table_target_system.h"

namespace qws {
namespace {

using test::TableTargetSystem;

const TableTargetSystem kTwoFixed({{u"C:\\", DriveKind::Fixed}, {u"D:\\", DriveKind::Fixed}});

// A: removable, C: fixed, E: CD-ROM, F: RAM disk, N: network.
const TableTargetSystem kMixed({{u"A:\\", DriveKind::Removable},
                                {u"C:\\", DriveKind::Fixed},
                                {u"E:\\", DriveKind::CdRom},
                                {u"F:\\", DriveKind::RamDisk},
                                {u"N:\\", DriveKind::Remote}},
                               {u"C:\\file.txt"});

struct ExpandCase {
  const char16_t* list;
  const char16_t* expanded;
};

TEST(ExpandTargets, ReplacesEachDriveClassByItsRoots) {
  const ExpandCase cases[] = {
      {u"${Memory}|${Startup}|${DriveFixed}|${DriveRemovable}", u"${Memory}|${Startup}|C:\\|A:\\|E:\\"},
      {u"${DriveRemovable}", u"A:\\|E:\\"},
      {u"${DriveRemovableBoot}", u"A:\\${Boot}|E:\\${Boot}"},
      {u"${DriveFixedBoot}", u"C:\\${Boot}"},
      {u"${DriveRemote}", u"N:\\"},
      {u"${DriveAll}", u"A:\\|C:\\|E:\\|F:\\|N:\\"},
      // Every drive that is not a network drive has a boot sector to scan.
      {u"${DriveAllBoot}", u"A:\\${Boot}|C:\\${Boot}|E:\\${Boot}|F:\\${Boot}"},
      // The classes overlap: a fixed drive is listed once per token that names it.
      {u"${DriveFixed}|${DriveAll}", u"C:\\|A:\\|C:\\|E:\\|F:\\|N:\\"},
      {u"${DriveFixed}|${DriveFixed}", u"C:\\|C:\\"},
      {u"C:\\Data\\|${Memory}|D:\\x.exe", u"C:\\Data\\|${Memory}|D:\\x.exe"},
      {u"", u""},
      {u"x${DriveRemote}y", u"xN:\\y"},
      // Tokens are case-sensitive.
      {u"${drivefixed}", u"${drivefixed}"},
  };
  for (const ExpandCase& c : cases) {
    EXPECT_EQ(ExpandTargets(c.list, kMixed), c.expanded) << U16ToUtf8(c.list);
  }
}

TEST(ExpandTargets, DefaultSelectionOnTwoFixedDrives) {
  EXPECT_EQ(ExpandTargets(kDefaultTargets, kTwoFixed), u"${Memory}|${Startup}|C:\\|D:\\");
  EXPECT_EQ(ExpandTargets(u"${DriveFixedBoot}", kTwoFixed), u"C:\\${Boot}|D:\\${Boot}");
  // A class without drives leaves an empty item, which the scan skips.
  EXPECT_EQ(ExpandTargets(u"${DriveRemote}|C:\\", kTwoFixed), u"|C:\\");
  EXPECT_EQ(SplitTargets(ExpandTargets(u"${DriveRemote}|C:\\", kTwoFixed)),
            std::vector<std::u16string>{u"C:\\"});
}

TEST(ExpandTargets, GrowsBeyondTheFirstBufferWithoutCutting) {
  std::vector<DriveRoot> drives;
  for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
    drives.push_back({std::u16string(1, letter) + u":\\", DriveKind::Fixed});
  }
  const TableTargetSystem many(drives);
  std::u16string list;
  std::u16string expected;
  for (int i = 0; i < 4; ++i) {
    list += i ? u"|${DriveFixedBoot}" : u"${DriveFixedBoot}";
    for (const DriveRoot& drive : drives) {
      if (!expected.empty()) expected.push_back(u'|');
      expected += drive.root + u"${Boot}";
    }
  }
  const std::u16string expanded = ExpandTargets(list, many);
  EXPECT_GT(expanded.size(), 1000u);
  EXPECT_EQ(expanded, expected);
}

TEST(ExpandDriveTokens, CutsToTheCapacityAndSaysSo) {
  std::u16string text = u"${DriveFixed}";
  EXPECT_TRUE(ExpandDriveTokens(text, 8, kTwoFixed));  // "C:\|D:\" is 7 characters
  EXPECT_EQ(text, u"C:\\|D:\\");

  text = u"${DriveFixed}";
  EXPECT_FALSE(ExpandDriveTokens(text, 6, kTwoFixed));
  EXPECT_EQ(text, u"C:\\|D");

  // Each occurrence gets only the room that its own name frees.
  const TableTargetSystem fourFixed({{u"A:\\", DriveKind::Fixed},
                                     {u"C:\\", DriveKind::Fixed},
                                     {u"D:\\", DriveKind::Fixed},
                                     {u"E:\\", DriveKind::Fixed}});
  text = u"${DriveFixed}|${DriveFixed}";
  EXPECT_FALSE(ExpandDriveTokens(text, 28, fourFixed));
  EXPECT_EQ(text, u"A:\\|C:\\|D:\\|E|A:\\|C:\\|D:\\|E");
  text = u"${DriveFixed}|${DriveFixed}";
  EXPECT_TRUE(ExpandDriveTokens(text, 32, fourFixed));
  EXPECT_EQ(text, u"A:\\|C:\\|D:\\|E:\\|A:\\|C:\\|D:\\|E:\\");

  text = u"no tokens";
  EXPECT_TRUE(ExpandDriveTokens(text, 10, kTwoFixed));
  EXPECT_EQ(text, u"no tokens");
}

TEST(ExpandTargets, EndsAtTheFirstNul) {
  const std::u16string list(u"${DriveFixed}\0${DriveAll}", 25);
  EXPECT_EQ(ExpandTargets(list, kTwoFixed), u"C:\\|D:\\");
}

TEST(CompactTargets, NeighboursOfOneFolderShareTheirParent) {
  const struct {
    const char16_t* full;
    const char16_t* compact;
  } cases[] = {
      {u"C:\\A\\x|C:\\A\\y\\|C:\\B\\z", u"C:\\A\\x|~\\y\\|C:\\B\\z"},
      {u"C:\\A\\x|${Memory}|C:\\A\\y", u"C:\\A\\x|${Memory}|~\\y"},
      {u"C:\\|D:\\|E:\\", u"C:\\|D:\\|E:\\"},
      {u"C:\\A\\|C:\\B\\|C:\\C", u"C:\\A\\|~\\B\\|~\\C"},
      {u"C:\\A\\x||C:\\A\\y", u"C:\\A\\x||~\\y"},
      {u"C:\\A\\x|C:\\B\\y|C:\\A\\z", u"C:\\A\\x|C:\\B\\y|C:\\A\\z"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompactTargets(c.full), c.compact) << U16ToUtf8(c.full);
    EXPECT_EQ(UncompactTargets(c.compact), c.full) << U16ToUtf8(c.compact);
  }
}

TEST(CompactTargets, ParentsCompareIgnoringCase) {
  EXPECT_EQ(CompactTargets(u"C:\\Data\\x|c:\\DATA\\y"), u"C:\\Data\\x|~\\y");
  EXPECT_EQ(UncompactTargets(u"C:\\Data\\x|~\\y"), u"C:\\Data\\x|C:\\Data\\y");
}

TEST(UncompactTargets, TildeBeforeAnyParentStays) {
  EXPECT_EQ(UncompactTargets(u"~\\y|C:\\A\\x|~\\z"), u"~\\y|C:\\A\\x|C:\\A\\z");
  EXPECT_EQ(UncompactTargets(u"~\\"), u"~\\");
}

TEST(TargetsForScan, ExpandsAndUncompacts) {
  EXPECT_EQ(TargetsForScan(u"${DriveFixed}|C:\\A\\x|~\\y\\", kTwoFixed),
            u"C:\\|D:\\|C:\\A\\x|C:\\A\\y\\");
}

TEST(TargetListContains, ComparesWholeItemsIgnoringCase) {
  const std::u16string list = u"${Memory}|C:\\Program Files\\|D:\\Ärger\\a.exe";
  EXPECT_TRUE(TargetListContains(list, u"${memory}"));
  EXPECT_TRUE(TargetListContains(list, u"c:\\program files\\"));
  EXPECT_TRUE(TargetListContains(list, u"d:\\äRGER\\A.EXE"));
  EXPECT_FALSE(TargetListContains(list, u"C:\\Program Files"));
  EXPECT_FALSE(TargetListContains(list, u"C:\\"));
  EXPECT_FALSE(TargetListContains(u"", u"C:\\"));

  // Long items count on their first 260 characters.
  const std::u16string longItem = u"C:\\" + std::u16string(300, u'a');
  const std::u16string otherTail = longItem.substr(0, 260) + u"different";
  EXPECT_TRUE(TargetListContains(longItem, otherTail));
}

TEST(SplitTargets, SkipsEmptyItems) {
  EXPECT_TRUE(SplitTargets(u"|||").empty());
  EXPECT_TRUE(SplitTargets(u"").empty());
  EXPECT_EQ(SplitTargets(u"|a||b|"), (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(IsSingleObjectTarget, TokensBootItemsAndFiles) {
  const struct {
    const char16_t* item;
    bool single;
  } cases[] = {
      {u"${Memory}", true},         {u"${Startup}", true},      {u"C:\\${Boot}", true},
      {u"C:\\file.txt", true},      {u"C:\\", false},           {u"C:\\missing.txt", false},
      {u"C:\\Windows\\", false},    {u"${DriveFixed}", false},  {u"x${Memory}", false},
      {u"${DriveFixedBoot}", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSingleObjectTarget(c.item, kMixed), c.single) << U16ToUtf8(c.item);
  }
  for (const std::u16string& item : SplitTargets(ExpandTargets(u"${DriveFixedBoot}", kTwoFixed))) {
    EXPECT_TRUE(IsSingleObjectTarget(item, kTwoFixed)) << U16ToUtf8(item);
  }
}

TEST(TargetDisplayName, NamesTokensAndBootSectors) {
  const struct {
    const char16_t* item;
    const char16_t* name;
  } cases[] = {
      {u"${Memory}", u"Operating memory"},
      {u"${Startup}", u"Autostart locations"},
      {u"${DriveFixed}", u"Local drives"},
      {u"${DriveRemovable}", u"${DriveRemovable}"},
      {u"${DriveAllBoot}", u"${DriveAllBoot}"},
      {u"C:\\${Boot}", u"C:\\Boot sector"},
      {u"D:\\Data\\", u"D:\\Data\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(TargetDisplayName(c.item), c.name) << U16ToUtf8(c.item);
}

TEST(MemoryRemovedAfterChange, NotedOnRemovalClearedOnReturn) {
  const struct {
    const char16_t* before;
    const char16_t* after;
    bool noted;
    bool result;
  } cases[] = {
      {u"${Memory}|C:\\", u"C:\\", false, true},
      {u"C:\\", u"${Memory}|C:\\", true, false},
      {u"C:\\", u"D:\\", true, true},
      {u"${Memory}", u"${Memory}|C:\\", false, false},
      {u"${memory}", u"", false, false},  // the token is case-sensitive
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MemoryRemovedAfterChange(c.before, c.after, c.noted), c.result)
        << U16ToUtf8(c.before) << " -> " << U16ToUtf8(c.after);
  }
}

// Every character 5 pixels wide.
int FiveEach(std::u16string_view text) { return static_cast<int>(text.size()) * 5; }

TEST(TargetsDisplayText, JoinsTheNamesAndHidesTheMemoryUnlessShown) {
  const std::u16string list = u"${Memory}|${Startup}|C:\\A\\x|~\\y";
  EXPECT_EQ(TargetsDisplayText(list, false, false, FiveEach),
            u"Current scan targets: <I> Autostart locations, C:\\A\\x, C:\\A\\y </I>  "
            u"<A>Change...</A>");
  EXPECT_EQ(TargetsDisplayText(list, true, false, FiveEach),
            u"Current scan targets: <I> Operating memory, Autostart locations, C:\\A\\x, "
            u"C:\\A\\y </I>  <A>Change...</A>");
  EXPECT_EQ(TargetsDisplayText(list, true, true, FiveEach),
            TargetsDisplayText(list, false, false, FiveEach));
  EXPECT_EQ(TargetsDisplayText(u"", false, false, FiveEach),
            u"Current scan targets: <I>  </I>  <A>Change...</A>");
}

TEST(TargetsDisplayText, ShortensTheNameThatCrossesTheWidth) {
  // The template is 39 characters (195 pixels): the names may take 325 pixels, 65 characters.
  const std::u16string first(40, u'a');
  const std::u16string second = u"C:\\" + std::u16string(40, u'b');
  const std::u16string text = TargetsDisplayText(first + u"|" + second + u"|${Startup}", false,
                                                 false, FiveEach);
  const std::u16string shown = first + u", " + u"C:\\" + std::u16string(20, u'b') + u" ...";
  EXPECT_EQ(text, u"Current scan targets: <I> " + shown + u" </I>  <A>Change...</A>");

  // A name that cannot fit at all goes with its separator, which would not fit either: the
  // names end in the ellipsis within the width.
  const std::u16string wide = TargetsDisplayText(std::u16string(65, u'a') + u"|${Startup}", false,
                                                 false, FiveEach);
  EXPECT_EQ(wide, u"Current scan targets: <I> " + std::u16string(65, u'a') + u" ... </I>  "
                  u"<A>Change...</A>");
}

}  // namespace
}  // namespace qws
