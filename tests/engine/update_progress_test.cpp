#include "engine/update_progress.h"

#include <gtest/gtest.h>

#include <vector>

namespace qws {
namespace {

TEST(UpdateProgress, DownloadPassesThenFinishingSteps) {
  UpdateProgress progress;
  EXPECT_EQ(progress.OnEvent(1000, 1, 0), 2);  // first pass announced
  EXPECT_FALSE(progress.OnAmount(0, 0)) << "no change, nothing to show";
  EXPECT_EQ(progress.OnEvent(2000, 1, 0), 4);  // second pass, nothing received yet
  EXPECT_EQ(progress.OnAmount(1000, 0), 50);   // 1000/2000 * 92 + 4
  EXPECT_EQ(progress.OnAmount(1000, 0), 96);
  EXPECT_FALSE(progress.OnAmount(500, 0)) << "more than announced stays at 96";
  EXPECT_FALSE(progress.OnEvent(0, 2, 0)) << "finishing starts at 96";
  EXPECT_FALSE(progress.OnAmount(0, 0)) << "the first step still shows 96";
  EXPECT_EQ(progress.OnAmount(0, 0), 97);
}

TEST(UpdateProgress, FinishingStepsAndFinalValue) {
  UpdateProgress progress;
  progress.OnEvent(10, 1, 0);
  progress.OnEvent(10, 1, 0);
  progress.OnEvent(0, 2, 0);
  std::vector<int32_t> shown;
  for (int i = 0; i < 8; ++i)
    if (auto value = progress.OnAmount(1, 0)) shown.push_back(*value);
  EXPECT_EQ(shown, (std::vector<int32_t>{96, 97, 98, 99, 100}));
  EXPECT_FALSE(progress.Finish(0));
  EXPECT_EQ(progress.percentage(), 100);
}

TEST(UpdateProgress, ZeroTotalShowsFourPercentAndBaseScales) {
  UpdateProgress progress;
  progress.OnEvent(0, 1, 60);
  EXPECT_EQ(progress.OnEvent(0, 1, 60), UpdateProgress::Scale(4, 60));
  EXPECT_FALSE(progress.OnAmount(5000, 60)) << "without a total the bar waits";
  EXPECT_EQ(progress.Finish(60), 100);
  EXPECT_EQ(UpdateProgress::Scale(50, 60), 80);

  progress.Reset();
  EXPECT_EQ(progress.percentage(), 0);
  EXPECT_EQ(progress.OnEvent(1, 1, 0), 2);
}

}  // namespace
}  // namespace qws

namespace qws {
namespace {

TEST(UpdateTimer, MapsProgressToTheEndOfTheStep) {
  struct Case {
    int32_t progress;
    bool ended;
    int32_t wparam, lparam, bar;
  };
  for (const Case& c : {Case{0, false, 0, 0, 0}, Case{57, false, 0, 0, 57}, Case{100, false, 0, 0, 100},
                        Case{1000, true, 0, 0, 100}, Case{-1, true, 1, 1, 0}, Case{-2, true, 1, 2, 0},
                        Case{-3, true, 1, 3, 0}}) {
    const UpdateTimerStep step = MapUpdateProgress(c.progress);
    EXPECT_EQ(step.ended, c.ended) << c.progress;
    EXPECT_EQ(step.wparam, c.wparam) << c.progress;
    EXPECT_EQ(step.lparam, c.lparam) << c.progress;
    EXPECT_EQ(step.bar, c.bar) << c.progress;
  }
}

}  // namespace
}  // namespace qws
