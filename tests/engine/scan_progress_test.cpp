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
}

}  // namespace
}  // namespace qws
