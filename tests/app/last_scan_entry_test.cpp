#include "app/last_scan_entry.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

TEST(LastScanEntry, FormatsHalvesInLowerCaseHexWithoutLeadingZeros) {
  EXPECT_EQ(FormatLastScanEntry(u"Tid", true, 0x0000000A0000BEEFull), u"Tid-1-beef:a");
  EXPECT_EQ(FormatLastScanEntry(u"Tid", false, 0), u"Tid-0-0:0");
  EXPECT_EQ(FormatLastScanEntry(u"Tid", false, ~0ull), u"Tid-0-ffffffff:ffffffff");
  EXPECT_EQ(LastScanSearchKey(u"Tid", true), u"Tid-1-");
  EXPECT_EQ(LastScanStoreMatch(u"Tid-1-beef:a"), u"Tid-1");
}

TEST(LastScanEntry, RoundTripsAndFitsTheValueLimit) {
  const std::u16string id = MakeTargetId(u"${Memory}|${Startup}|${DriveFixed}");
  for (uint64_t duration : {0ull, 1ull, 0x123456789ull, ~0ull}) {
    const std::u16string entry = FormatLastScanEntry(id, true, duration);
    EXPECT_LE(entry.size(), kLastScanEntryMaxChars);
    EXPECT_EQ(ParseLastScanDuration(entry), duration);
  }
}

TEST(LastScanEntry, TargetIdsAreFixedLengthAndDistinguishSelections) {
  const std::u16string a = MakeTargetId(u"C:\\");
  const std::u16string b = MakeTargetId(u"D:\\");
  EXPECT_EQ(a.size(), 17u);
  EXPECT_EQ(a[0], u'T');
  EXPECT_NE(a, b);
  EXPECT_EQ(a, MakeTargetId(u"C:\\"));
  EXPECT_EQ(MakeTargetId(u"").size(), 17u);
}

TEST(LastScanEntry, OneEntrysKeyNeverMatchesInsideAnother) {
  // The store looks for "<id>-<archives>" anywhere in the other entries' data.
  const std::u16string id = MakeTargetId(u"C:\\");
  const std::u16string other = FormatLastScanEntry(MakeTargetId(u"E:\\"), true, 0x1111111111ull);
  EXPECT_EQ(other.find(LastScanStoreMatch(FormatLastScanEntry(id, true, 5))), std::u16string::npos);
  EXPECT_EQ(other.find(LastScanSearchKey(id, true)), std::u16string::npos);
}

TEST(LastScanEntry, RejectsDamagedNumbers) {
  for (std::u16string_view damaged : {u"T-1-", u"T-1-abc", u"T-1-:1", u"T-1-1:", u"T:1-1",
                                      u"T-1-xyz:1", u"T-1-123456789:1", u"T-1-1:1 "}) {
    EXPECT_FALSE(ParseLastScanDuration(damaged)) << std::string(damaged.begin(), damaged.end());
  }
}

}  // namespace
}  // namespace qws
