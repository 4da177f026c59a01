#include "app/relaunch_plan.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

TEST(RelaunchPlan, ElevationOnlyForNonAdministratorsFromVersionSix) {
  EXPECT_TRUE(RelaunchNeedsElevation(true, 6, false));
  EXPECT_TRUE(RelaunchNeedsElevation(true, 10, false));
  EXPECT_FALSE(RelaunchNeedsElevation(true, 6, true));
  EXPECT_FALSE(RelaunchNeedsElevation(true, 5, false));
  EXPECT_FALSE(RelaunchNeedsElevation(false, 10, false));
}

TEST(RelaunchPlan, ModeZeroRestartsElevatedWithTermsSkipped) {
  const auto start = PlanRelaunch(RelaunchMode::Elevate, u"C:\\Users\\me\\Downloads\\Sweep.v2.exe",
                                  u"C:\\Work", true);
  ASSERT_TRUE(start);
  EXPECT_EQ(start->verb, u"runas");
  EXPECT_EQ(start->program, u"Sweep.v2.exe");
  EXPECT_EQ(start->parameters, u"EULA");
  EXPECT_EQ(start->workingFolder, u"C:\\Users\\me\\Downloads\\");
}

TEST(RelaunchPlan, ModeZeroWithoutReasonStartsNothing) {
  EXPECT_FALSE(PlanRelaunch(RelaunchMode::Elevate, u"C:\\a\\b.exe", u"C:\\Work", false));
}

TEST(RelaunchPlan, ModeOneStartsTheDownloadedCopyWithTheOldPath) {
  for (bool elevate : {false, true}) {
    const auto start = PlanRelaunch(RelaunchMode::NewVersion, u"D:\\Tools\\QuellixWebSweep.exe",
                                    u"C:\\Users\\me\\AppData\\Local\\Quellix\\QuellixWebSweep",
                                    elevate);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->verb, elevate ? u"runas" : u"open");
    EXPECT_EQ(start->program, u"QuellixWebSweep_upd.exe");
    EXPECT_EQ(start->parameters, u"UPD=\"D:\\Tools\\QuellixWebSweep.exe\"");
    EXPECT_EQ(start->workingFolder, u"C:\\Users\\me\\AppData\\Local\\Quellix\\QuellixWebSweep");
  }
}

TEST(RelaunchPlan, ReplacementStartsTheTargetAsExeFromItsFolder) {
  // The target's extension is always replaced by ".exe".
  const ShellStart start = PlanReplacementStart(u"C:\\Old\\Scanner.com");
  EXPECT_EQ(start.verb, u"open");
  EXPECT_EQ(start.program, u"Scanner.exe");
  EXPECT_EQ(start.parameters, u"EULA UPDATED");
  EXPECT_EQ(start.workingFolder, u"C:\\Old\\");
  EXPECT_EQ(PlanReplacementStart(u"").program, u".exe");
}

TEST(RelaunchPlan, NamesAndLeftoverPath) {
  EXPECT_EQ(ProgramName(u"C:\\a.b\\name"), u"name");
  EXPECT_EQ(ProgramName(u"C:\\a\\name.tar.exe"), u"name.tar");
  EXPECT_EQ(ProgramName(u"C:name.exe"), u"name");
  EXPECT_EQ(FolderOfPath(u"name.exe"), u"");
  EXPECT_EQ(LeftoverCopyPath(u"C:\\Work", u"Sweep"), u"C:\\Work\\Sweep_upd.exe");
}

}  // namespace
}  // namespace qws
