#include "engine/scan_progress.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

TEST(ScanProgress, NestedLevelsGiveFractionsOfFractions) {
  ScanProgressCounters c;
  c.levelTotal[0] = 2;  // two walked items
  c.levelDone[0] = 1;
  c.levelTotal[1] = 4;  // the second has four folders, one done
  c.levelDone[1] = 1;
  c.filesTotal = 100;
  c.filesDone = 90;
  // 1/2 + 1/(2*4) = 0.625, below the file part 0.9
  EXPECT_FLOAT_EQ(SingleObjectFraction(c), 0.625f);
  c.levelTotal[2] = 5;
  c.levelDone[2] = 2;  // + 2/(2*4*5) = 0.05
  EXPECT_FLOAT_EQ(SingleObjectFraction(c), 0.675f);
  c.filesDone = 10;  // the level part now exceeds the file part: the smaller one wins
  EXPECT_FLOAT_EQ(SingleObjectFraction(c), 0.1f);
}

TEST(ScanProgress, SingleObjectsAndTheLibrarysFolderScan) {
  ScanProgressCounters c;
  EXPECT_FLOAT_EQ(SingleObjectFraction(c), 0.0f);
  c.filesTotal = 4;
  c.filesDone = 3;
  EXPECT_FLOAT_EQ(SingleObjectFraction(c), 0.0f) << "no levels: the level part decides";
  c.levelTotal[0] = 1;
  c.levelDone[0] = 1;  // level part 1 > 0.999: the file part
  EXPECT_FLOAT_EQ(SingleObjectFraction(c), 0.75f);

  ScanProgressCounters folderScan;
  folderScan.levelTotal[0] = 2;
  folderScan.levelDone[0] = 1;
  folderScan.filesTotal = 8;
  folderScan.filesDone = 5;
  EXPECT_FLOAT_EQ(LogCallbackFraction(folderScan), 0.5f);  // level part 0.5 < (5+1)/(2+8)
  folderScan.levelDone[0] = 2;
  EXPECT_FLOAT_EQ(LogCallbackFraction(folderScan), 0.7f);

  RaiseBest(c, 0.5f);
  RaiseBest(c, 0.25f);
  EXPECT_FLOAT_EQ(c.best, 0.5f) << "the best fraction never goes back";
  EXPECT_EQ(ProgressValue(0.6789f), 67);
  EXPECT_EQ(ProgressValue(1.0f), 100);
}

TEST(ScanProgress, DurationTexts) {
  EXPECT_EQ(FormatScanDuration(0), u"00:00:00");
  EXPECT_EQ(FormatScanDuration(3725), u"01:02:05");
  EXPECT_EQ(FormatScanDuration(99 * 3600 + 59 * 60 + 59), u"99:59:59");
  EXPECT_EQ(FormatScanDuration(100 * 3600), u"100:00:00");
  // System times in 100 ns units: part seconds are cut, a clock set back gives 0, not 584942 years.
  constexpr uint64_t kStart = 133000000000000000ull;
  EXPECT_EQ(ElapsedSeconds(kStart, kStart + 37259999999ull), 3725u);
  EXPECT_EQ(FormatScanDuration(ElapsedSeconds(kStart, kStart + 37259999999ull)), u"01:02:05");
  EXPECT_EQ(ElapsedSeconds(kStart, kStart - 1), 0u);
}

TEST(ScanTimer, EndsOnlyWhenTheWorkerHasLetGoOfTheBridge) {
  struct Case {
    int32_t progress;
    std::optional<int32_t> worker;
    bool ended;
    int32_t wparam, lparam, bar;
  };
  const Case cases[] = {
      {0, std::nullopt, false, 0, 0, 0},     // engine still opening
      {57, std::nullopt, false, 0, 0, 57},
      {140, std::nullopt, false, 0, 0, 100},   // never past the end of the bar
      {1000, std::nullopt, false, 0, 0, 100},  // finished, worker still returning
      {1000, 0, true, 0, 0, 100},
      {-7, 0, true, 1, 7, 0},
      {INT32_MIN, 0, true, 1, INT32_MAX, 0},
      {0, 52, true, 1, 52, 0},    // the engine could not be opened: a failure, not a hang
      {33, 61, true, 1, 61, 33},  // the scan broke off with an exception
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.progress << " worker " << c.worker.value_or(-1));
    const ScanTimerStep step = MapScanProgress(c.progress, c.worker);
    EXPECT_EQ(step.ended, c.ended);
    EXPECT_EQ(step.wparam, c.wparam);
    EXPECT_EQ(step.lparam, c.lparam);
    EXPECT_EQ(step.bar, c.bar);
  }
}

}  // namespace
}  // namespace qws
