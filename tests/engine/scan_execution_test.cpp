// Scans on the scan bridge against the scripted library, over real folders and files.
#include <gtest/gtest.h>

#include <thread>

#include "engine/cml_line_scanner.h"
#include "tests/engine/scripted_library_client.h"

namespace qws {
namespace {

// Each test prepares the library variant it scans with, then a small tree of files.
class ScanExecution : public testing::Test {
 protected:
  void Prepare(bool antiStealth) {
    library_ = std::make_unique<ScriptedLibrary>(L"scripted_full.dll",
                                                 antiStealth ? L"qlxs_apiW_a.dll" : L"qlxs_apiW.dll");
    bridge_.settings.antiStealth = antiStealth;
    CreateDirectoryW(Target().c_str(), nullptr);
    CreateDirectoryW((Target() + L"\\sub").c_str(), nullptr);
    test::WriteFileBytes(Target() + L"\\clean.txt", "clean");
    test::WriteFileBytes(Target() + L"\\sub\\infected.exe", "bad");
    test::WriteFileBytes(Target() + L"\\sub\\other.txt", "fine");
    CmlLineScanner::InfectedPaths().clear();
  }
  std::wstring Target() const { return library_->folder() + L"\\target"; }
  void Open() { ASSERT_EQ(bridge_.OpenScanBridge(library_->folder()), 0); }
  ScanSummary Summary() {
    ScanSummary summary;
    bridge_.CopySummary(summary);
    return summary;
  }
  std::unique_ptr<ScriptedLibrary> library_;
  CmlLineScanner bridge_;
};

TEST_F(ScanExecution, OwnWalkScansEachFileAndCleansInASecondPass) {
  Prepare(false);
  Open();
  bridge_.settings.cleanMode = 4;
  bridge_.settings.targets = L"${Memory}|" + Target() + L"\\";
  EXPECT_EQ(bridge_.RunScan(), 0);
  EXPECT_EQ(bridge_.progress.load(), 1000);
  const std::string calls = library_->Calls();
  EXPECT_EQ(calls.find("scan(memory"), std::string::npos) << "memory needs the anti-stealth variant";
  EXPECT_EQ(Count(calls, "scan(log:"), 3u) << calls;
  EXPECT_EQ(Count(calls, "scan(clean:"), 1u) << "only the infected file is scanned again";
  EXPECT_EQ(calls.find("scan_directory"), std::string::npos);
  EXPECT_EQ(bridge_.filesScanned.load(), 3u);
  EXPECT_EQ(bridge_.threatsFound.load(), 1u);
  EXPECT_EQ(bridge_.threatsCleaned.load(), 1u);
  EXPECT_FALSE(test::FileExists(Target() + L"\\sub\\infected.exe"));

  const ScanSummary summary = Summary();
  EXPECT_EQ(summary.found, 1);
  EXPECT_EQ(summary.cleaned, 1);
  EXPECT_EQ(summary.engineBuild, 23000);
  EXPECT_NE(summary.threatRecords.find(u"infected.exe*Test.Threat*"), std::u16string::npos)
      << std::string(summary.threatRecords.begin(), summary.threatRecords.end());
  ASSERT_EQ(CmlLineScanner::InfectedPaths().size(), 1u);
  EXPECT_NE(library_->Log().find("Scanner engine: 23000\r\n"), std::string::npos);
}

TEST_F(ScanExecution, ReportOnlyScansOnceAndLeavesTheFile) {
  Prepare(false);
  Open();
  bridge_.settings.cleanMode = 1;
  bridge_.settings.targets = Target() + L"\\sub\\infected.exe";
  bridge_.RunScan();
  EXPECT_EQ(Count(library_->Calls(), "scan("), 1u);
  EXPECT_EQ(bridge_.threatsFound.load(), 1u);
  EXPECT_EQ(bridge_.threatsCleaned.load(), 0u);
  EXPECT_TRUE(test::FileExists(Target() + L"\\sub\\infected.exe"));
  EXPECT_NE(Summary().threatRecords.find(u"*I*"), std::u16string::npos);
}

TEST_F(ScanExecution, AntiStealthHandsFoldersToTheLibraryAndScansMemory) {
  Prepare(true);
  test::WriteFileBytes(Target() + L"\\sub\\restart-infected.dll", "bad");
  Open();
  bridge_.settings.cleanMode = 4;
  bridge_.settings.targets = L"${Memory}|" + Target() + L"\\";
  bridge_.RunScan();
  const std::string calls = library_->Calls();
  EXPECT_NE(calls.find("scan(memory:0)"), std::string::npos) << calls;
  EXPECT_EQ(Count(calls, "scan_directory(clean)"), 1u);
  EXPECT_EQ(calls.find("bad callbacks"), std::string::npos);
  EXPECT_EQ(bridge_.filesScanned.load(), 4u + 1u) << "four files and the memory item";
  EXPECT_EQ(bridge_.threatsFound.load(), 2u);
  EXPECT_EQ(bridge_.threatsCleaned.load(), 2u);
  EXPECT_TRUE(Summary().restartRequired);
  EXPECT_EQ(bridge_.progress.load(), 1000);
}

TEST_F(ScanExecution, StopEndsTheScanAfterTheCurrentObject) {
  Prepare(false);
  for (int i = 0; i < 20; ++i) test::WriteFileBytes(Target() + L"\\f" + std::to_wstring(i), "x");
  library_->Set("scan_sleep_ms", 30);
  Open();
  bridge_.settings.targets = Target() + L"\\";
  std::thread stopper([&] {
    test::WaitUntil([&] { return bridge_.filesScanned >= 2; });
    bridge_.stopRequested = true;
  });
  bridge_.RunScan();
  stopper.join();
  EXPECT_EQ(bridge_.progress.load(), 1000) << "a stopped scan still finishes";
  EXPECT_LT(bridge_.filesScanned.load(), 10u);
  EXPECT_FALSE(bridge_.scanningBusy);
}

TEST_F(ScanExecution, CleaningOneObjectCountsOnlyThatObject) {
  Prepare(false);
  Open();
  bridge_.settings.cleanMode = 1;
  bridge_.settings.targets = Target() + L"\\";
  bridge_.RunScan();
  ASSERT_EQ(bridge_.threatsFound.load(), 1u);
  EXPECT_TRUE(bridge_.CleanObject(Target() + L"\\sub\\infected.exe"));
  EXPECT_FALSE(test::FileExists(Target() + L"\\sub\\infected.exe"));
  EXPECT_FALSE(bridge_.CleanObject(Target() + L"\\sub\\infected.exe")) << "the file is gone";
}

TEST_F(ScanExecution, WithoutModulesNothingIsScanned) {
  Prepare(false);
  library_->Set("reload_result.0", -1);
  Open();
  bridge_.settings.targets = Target() + L"\\";
  EXPECT_EQ(bridge_.RunScan(), 0);
  EXPECT_EQ(bridge_.progress.load(), 1000);
  EXPECT_EQ(library_->Calls().find("scan("), std::string::npos);
}

}  // namespace
}  // namespace qws

namespace qws {
namespace {

TEST_F(ScanExecution, ALinkBackToAnAncestorDoesNotMakeTheWalkLoop) {
  Prepare(false);
  const std::wstring loop = Target() + L"\\sub\\back-to-top";
  if (!test::MakeFolderLink(loop, Target())) GTEST_SKIP() << "folder links are not available here";
  const std::wstring elsewhere = library_->folder() + L"\\elsewhere";
  CreateDirectoryW(elsewhere.c_str(), nullptr);
  test::WriteFileBytes(elsewhere + L"\\linked.txt", "x");
  ASSERT_TRUE(test::MakeFolderLink(Target() + L"\\to-elsewhere", elsewhere));
  Open();
  bridge_.settings.targets = Target() + L"\\";
  bridge_.RunScan();
  EXPECT_EQ(bridge_.filesScanned.load(), 4u) << "three files of the tree and one behind the other link\n" << library_->Calls();
}

}  // namespace
}  // namespace qws
