// The watchdog, the retry cycles and the update page's keep-or-discard logic, on scripted
// libraries in real work folders.
#include <gtest/gtest.h>

#include "engine/update_page_worker.h"
#include "tests/engine/scripted_library_client.h"

namespace qws {
namespace {

TEST(UpdateRetries, SuccessEndsAtOneThousand) {
  ScriptedLibrary library;
  library.Set("progress_total.0", 100);
  library.Set("progress_chunks.0", 2);
  CmlLineScanner bridge;
  EXPECT_EQ(bridge.UpdateWithRetries(library.folder()), 0);
  EXPECT_EQ(bridge.progress.load(), 1000);
  const std::string log = library.Log();
  EXPECT_NE(log.find("Updating\nUpdate Init\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Update Download\n"), std::string::npos);
  EXPECT_NE(log.find("Update Finalize\n"), std::string::npos);
  EXPECT_NE(log.find("Updated modules version: 23000\n"), std::string::npos);
  EXPECT_FALSE(bridge.libraryLoaded()) << "each attempt closes its bridge";
}

TEST(UpdateRetries, TheWatchdogEndsStuckAttemptsAndGivesUpAfterFiveRetries) {
  ScriptedLibrary library;
  for (int i = 0; i < 6; ++i) library.Set(("update_sleep_ms." + std::to_string(i)).c_str(), 5000);
  CmlLineScanner bridge;
  bridge.watchdogMilliseconds = 300;
  EXPECT_EQ(bridge.UpdateWithRetries(library.folder()), 43);
  const std::string log = library.Log();
  EXPECT_EQ(Count(log, "Update timeout and progress <3, Retry update\n"), 5u) << log;
  EXPECT_NE(log.find("'Update timeout and progress <3' occured 5 times, exiting\n"), std::string::npos);
  EXPECT_FALSE(bridge.libraryLoaded());
}

TEST(UpdateRetries, AnAttemptThatProgressesIsNotKilled) {
  ScriptedLibrary library;
  library.Set("progress_total.0", 100);
  library.Set("progress_chunks.0", 1);
  library.Set("update_sleep_after_progress_ms.0", 1000);
  CmlLineScanner bridge;
  bridge.watchdogMilliseconds = 300;
  bridge.workFolder = library.folder();
  EXPECT_EQ(bridge.RunUpdateAttempt(), 0);
  EXPECT_TRUE(bridge.updateSucceeded);
}

TEST(UpdateRetries, OldModulesAreKeptOnceThenDeletedThenGivenUp) {
  ScriptedLibrary library;
  library.Set("build", 20000);
  CreateDirectoryW((library.folder() + L"\\Modules").c_str(), nullptr);
  test::WriteFileBytes(library.folder() + L"\\Modules\\old.ndb", "x");
  CmlLineScanner bridge;
  EXPECT_EQ(bridge.UpdateWithRetries(library.folder()), 45);
  const std::string log = library.Log();
  EXPECT_NE(log.find("Old modules - leave modules\n"), std::string::npos);
  EXPECT_NE(log.find("Old modules - delete modules\n"), std::string::npos);
  EXPECT_NE(log.find("'Can not update to actual engine, exiting\n"), std::string::npos);
  EXPECT_FALSE(test::FolderExists(library.folder() + L"\\Modules"));
}

TEST(UpdateRetries, FailuresAreRetriedTwice) {
  {
    test::TempFolder empty;
    SetLogFolder(empty.path());
    CmlLineScanner bridge;
    EXPECT_EQ(bridge.UpdateWithRetries(empty.path()), 32) << "no library";
    EXPECT_EQ(Count(test::ReadFileBytes(empty / L"log.txt"), "Retrying Update\n"), 2u);
    SetLogFolder(L".");
  }
  {
    ScriptedLibrary library;
    for (int i = 0; i < 3; ++i) {
      library.Set(("update_result." + std::to_string(i)).c_str(), -1);
      library.Set(("update_error." + std::to_string(i)).c_str(), 0x9205);
    }
    CmlLineScanner bridge;
    EXPECT_EQ(bridge.UpdateWithRetries(library.folder()), 44) << "incomplete update";
    EXPECT_EQ(Count(library.Log(), "Retrying Update\n"), 2u);
  }
}

class UpdatePageWorker : public testing::Test {
 protected:
  static uint64_t Plenty(const std::wstring&) { return 10ull << 30; }
  void FailEveryUpdate() {
    for (int i = 0; i < 3; ++i) {
      library_.Set(("update_result." + std::to_string(i)).c_str(), -1);
      library_.Set(("update_error." + std::to_string(i)).c_str(), 0x9205);
    }
  }
  std::wstring Modules() const { return library_.folder() + L"\\Modules"; }
  ScriptedLibrary library_;
  CmlLineScanner bridge_;
};

TEST_F(UpdatePageWorker, FreshStartUpdates) {
  RunUpdatePageWorker(bridge_, library_.folder(), true, Plenty);
  EXPECT_EQ(bridge_.progress.load(), 1000);
}

TEST_F(UpdatePageWorker, TooLittleSpaceStopsBeforeAnyDownload) {
  RunUpdatePageWorker(bridge_, library_.folder(), true, [](const std::wstring&) { return 100ull << 20; });
  EXPECT_EQ(bridge_.progress.load(), -1);
  EXPECT_EQ(library_.Calls().find("update;"), std::string::npos);
}

TEST_F(UpdatePageWorker, AFailedUpdateFallsBackToTheEarlierModules) {
  CreateDirectoryW(Modules().c_str(), nullptr);
  test::WriteFileBytes(Modules() + L"\\main.ndb", "earlier modules");
  FailEveryUpdate();
  RunUpdatePageWorker(bridge_, library_.folder(), false, Plenty);
  EXPECT_EQ(bridge_.progress.load(), -2);
  EXPECT_EQ(test::ReadFileBytes(Modules() + L"\\main.ndb"), "earlier modules");
  EXPECT_TRUE(bridge_.libraryLoaded()) << "the earlier modules stay loaded for the scan";
}

TEST_F(UpdatePageWorker, AFailedUpdateWithoutBackupLeavesNothing) {
  FailEveryUpdate();
  RunUpdatePageWorker(bridge_, library_.folder(), true, Plenty);
  EXPECT_EQ(bridge_.progress.load(), -3);
}

}  // namespace
}  // namespace qws
