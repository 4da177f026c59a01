// The run after a restart as real processes under Wine: a first run that chose "Restart later"
// leaves the plan and the RunOnce value, and the program started from that value scans and
// cleans the planned objects with the real scanning library and shows the after-restart page.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/restart.h"
#include "app/scan_plan.h"
#include "app/scan_plan_win.h"
#include "app/work_folder.h"
#include "base/reg_key.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "resources/resource_ids.h"
#include "tests/scanlib/test_samples.h"
#include "tests/support/win_test_support.h"
#include "tests/ui/input_driver.h"
#include "tests/wizard/wizard_driver.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::Process;

constexpr wchar_t kCaption[] = L"Quellix WebSweep";

using test::ProgramPath;

std::wstring UnixToWine(const std::string& path) {
  std::wstring out = L"Z:";
  for (char c : path) out.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return out;
}

void CopyFiles(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW((from + L"\\*").c_str(), &found));
  ASSERT_TRUE(find.is_valid());
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ASSERT_TRUE(CopyFileW((from + L"\\" + found.cFileName).c_str(), (to + L"\\" + found.cFileName).c_str(), FALSE));
    }
  } while (FindNextFileW(find.get(), &found));
}

// The work folder as a run before the restart leaves it: both library files written by the
// program from its own resources, and the engine modules of an update. Emptied again at the end.
class WorkFolderOfAnEarlierRun {
 public:
  explicit WorkFolderOfAnEarlierRun(bool withLibrary = true) {
    CreateDirectoryPathForTest(path);
    if (withLibrary) {
      ScopedModule program(LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
      EXPECT_TRUE(program.is_valid());
      EXPECT_EQ(ExtractScannerLibrary(path.c_str(), program.get()), 0);
    }
    CopyFiles(UnixToWine(QWS_HOST_BUILD_DIR "/modules/dev"), path + L"\\Modules");
  }
  ~WorkFolderOfAnEarlierRun() {
    for (const wchar_t* folder : {L"\\Modules", L"\\OldModules", L"\\Quarantine", L"\\Ferry_Cache"})
      test::RemoveTree(path + folder);
    DeleteFileW((path + L"\\Quarantine").c_str());  // a plain file standing in its place
    for (const wchar_t* file : {L"\\qlxs_apiW.dll", L"\\qlxs_apiW_a.dll", L"\\qlxs_api.stg", L"\\qws2scanplan.txt"})
      DeleteFileW((path + file).c_str());
  }
  std::wstring Plan() const { return path + L"\\" + kScanPlanFileName; }

  const std::wstring path = LocateWorkFolder().path;

 private:
  static void CreateDirectoryPathForTest(const std::wstring& folder) {
    for (size_t at = folder.find(L'\\', 3); ; at = folder.find(L'\\', at + 1)) {
      CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
      if (at == std::wstring::npos) break;
    }
  }
};

// The resumed run scans before its window shows.
HWND WaitForMainWindow(DWORD processId) { return test::WaitForMainWindow(processId, 60s); }

// The page on screen once the resumed scan is done.
HWND AfterRestartPage(HWND window) {
  HWND page = nullptr;
  test::WaitUntil([&] { return (page = test::VisiblePage(window)) != nullptr; }, std::chrono::seconds(10));
  return page;
}

RECT RectInPage(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class ResumedRun : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::FileExists(ProgramPath()));
    ASSERT_TRUE(test::TopLevelWindowsWithCaption(kCaption).empty())
        << "another copy of the program is already running";
  }
  void TearDown() override { test::RemoveRunOnceValue(); }

  // EICAR put together here, so that no file of the repository is one.
  std::wstring Infected(const std::wstring& name) {
    const std::wstring path = samples_ / name;
    test::WriteFileBytes(path, test::Eicar());
    return path;
  }

  test::TempFolder samples_;
};

TEST_F(ResumedRun, RestartLaterRoundTripScansAndCleansThePlannedObjects) {
  WorkFolderOfAnEarlierRun work;
  const std::wstring first = Infected(L"eicar.com");
  const std::wstring second = Infected(L"second eicar.com");
  const std::wstring clean = samples_ / L"clean.txt";
  test::WriteFileBytes(clean, "nothing to see");

  // The first run, up to the result page's "Restart later": a scan that only reports fills
  // the infected-object list, and the choice writes the plan and the registration.
  {
    CmlLineScanner bridge;
    bridge.settings.cleanMode = 1;
    bridge.settings.targets = samples_.path() + L"\\";
    ASSERT_EQ(bridge.OpenScanBridge(work.path), 0);
    ASSERT_EQ(bridge.RunScan(), 0);
    EXPECT_EQ(bridge.threatsFound, 2u);
    bridge.CloseScanBridge();
  }
  std::vector<std::u16string> infected = CmlLineScanner::InfectedPaths();
  std::vector<std::u16string> expected = {ToU16(first), ToU16(second)};
  std::sort(infected.begin(), infected.end());
  ASSERT_EQ(infected, expected);

  const std::wstring before = test::CurrentDirectory();
  ASSERT_TRUE(SetCurrentDirectoryW(work.path.c_str()));
  RestartLater();
  SetCurrentDirectoryW(before.c_str());
  std::string planned;
  for (const std::u16string& path : CmlLineScanner::InfectedPaths()) planned += U16ToUtf8(path) + "\n";
  EXPECT_EQ(test::ReadFileBytes(work.Plan()), planned);
  const auto data = test::RunOnceData();
  ASSERT_TRUE(data.has_value());
  ASSERT_EQ(*data, ModulePath() + L" RESETSTART");

  // The next logon, as Windows does it: the value goes, and its command runs from the system
  // folder. This test stood in for the first run, so the program takes its place in the command.
  test::RemoveRunOnceValue();
  wchar_t system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring arguments = data->substr(ModulePath().size() + 1);
  Process resumed(ProgramPath(), arguments, system);
  ASSERT_TRUE(resumed.started());
  HWND window = WaitForMainWindow(resumed.id());
  ASSERT_TRUE(window) << "no window after the resumed scan";
  HWND page = AfterRestartPage(window);
  ASSERT_TRUE(page);
  EXPECT_TRUE(IsWindowVisible(page));
  EXPECT_EQ(test::WindowText(page), L"All threats cleaned");
  EXPECT_TRUE(test::FindVisibleChildWithText(page, L"All found threats were successfully removed from you computer."));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_AFTER_RESTART_LIST)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, IDC_AFTER_RESTART_SEPARATOR)));
  EXPECT_EQ(RectInPage(GetDlgItem(page, IDC_AFTER_RESTART_UNINSTALL)).top, 115);
  EXPECT_EQ(RectInPage(GetDlgItem(page, IDC_AFTER_RESTART_REMOVE_QUARANTINE)).top, 144);
  EXPECT_FALSE(test::FileExists(first));
  EXPECT_FALSE(test::FileExists(second));
  EXPECT_TRUE(test::FileExists(clean));
  test::Pump(500ms);
  test::SaveScreenshot(L"after_restart_all_cleaned");

  // The clean-up's two choices, clicked as a user clicks them.
  HWND uninstall = GetDlgItem(page, IDC_AFTER_RESTART_UNINSTALL);
  HWND quarantine = GetDlgItem(page, IDC_AFTER_RESTART_REMOVE_QUARANTINE);
  EXPECT_EQ(SendMessageW(uninstall, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  test::ClickAt(test::ScreenPoint(quarantine, 6, 9));
  EXPECT_TRUE(test::WaitUntil([&] { return SendMessageW(quarantine, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5s));
  EXPECT_EQ(SendMessageW(uninstall, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // Finish leads to the final page, from which the window closes without a question.
  test::ClickAt(test::CentreOf(GetDlgItem(page, IDC_AFTER_RESTART_FINISH)));
  EXPECT_TRUE(test::WaitUntil([&] {
    return test::WindowText(test::VisiblePage(window)) == L"Thank you for trying Quellix WebSweep" &&
           !IsWindowVisible(page);
  }, 10s));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(resumed.WaitForExit(20s), 0u);
  EXPECT_FALSE(test::FileExists(work.Plan())) << "the plan serves one resumed run";
}

TEST_F(ResumedRun, AnObjectThatCannotBeCleanedIsListed) {
  WorkFolderOfAnEarlierRun work;
  const std::wstring stuck = Infected(L"stuck.com");
  // The copy into the quarantine must come first, and here it cannot be made: a plain file
  // stands where the quarantine folder would be.
  test::WriteFileBytes(work.path + L"\\Quarantine", "not a folder");
  // And the file itself cannot be deleted while this handle is open.
  ScopedHandle holder(CreateFileW(stuck.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.is_valid());
  const std::wstring before = test::CurrentDirectory();
  ASSERT_TRUE(SetCurrentDirectoryW(work.path.c_str()));
  ASSERT_EQ(WriteScanPlan({ToU16(stuck)}), 0);
  SetCurrentDirectoryW(before.c_str());

  Process resumed(ProgramPath(), L"RESETSTART");
  HWND window = WaitForMainWindow(resumed.id());
  ASSERT_TRUE(window);
  HWND page = AfterRestartPage(window);
  EXPECT_EQ(test::WindowText(page), L"Threats cannot be cleaned");
  EXPECT_TRUE(test::FindVisibleChildWithText(
      page, L"The current user does not have sufficient rights to access files containing threats. "
            L"Elevate the rights for the current user or notify a user with administrator rights to remove threats."));
  HWND list = GetDlgItem(page, IDC_AFTER_RESTART_LIST);
  ASSERT_TRUE(IsWindowVisible(list));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_AFTER_RESTART_SEPARATOR)));
  EXPECT_EQ(RectInPage(GetDlgItem(page, IDC_AFTER_RESTART_UNINSTALL)).top, 370);
  EXPECT_EQ(RectInPage(GetDlgItem(page, IDC_AFTER_RESTART_REMOVE_QUARANTINE)).top, 399);
  const RECT listRect = RectInPage(list);
  EXPECT_EQ(listRect.left, 19);
  EXPECT_EQ(listRect.top, 126);  // below the longer text
  EXPECT_EQ(listRect.right, 580);
  EXPECT_EQ(listRect.bottom, 360);

  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(test::ListCellText(resumed.id(), list, 0, 0), stuck);
  EXPECT_EQ(test::ListCellText(resumed.id(), list, 0, 1), L"Eicar-Test-Signature");
  EXPECT_FALSE(test::ListCellText(resumed.id(), list, 0, 2).empty());
  // The columns share the list's width, each at least as wide as its text needs.
  RECT client{};
  GetClientRect(list, &client);
  int total = 0;
  for (int column = 0; column < 3; ++column) {
    const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
    EXPECT_GT(width, 16) << column;
    total += width;
  }
  EXPECT_LE(total, client.right);
  EXPECT_GE(total, client.right - 3);  // the target's path is wider than a third
  EXPECT_TRUE(test::FileExists(stuck));
  test::Pump(500ms);
  test::SaveScreenshot(L"after_restart_not_cleaned");

  // Closing from this page asks first, as on every page but the final one.
  PostMessageW(window, WM_CLOSE, 0, 0);
  HWND close = nullptr;
  ASSERT_TRUE(test::WaitUntil([&] { return (close = test::FindVisibleChildWithText(window, L"Close")) != nullptr; }, 10s));
  test::ClickAt(test::CentreOf(close));
  EXPECT_EQ(resumed.WaitForExit(20s), 0u);
}

TEST_F(ResumedRun, AnEmptyPlanScansNothingAndReportsAllCleaned) {
  WorkFolderOfAnEarlierRun work;
  test::WriteFileBytes(work.Plan(), "");
  Process resumed(ProgramPath(), L"RESETSTART");
  HWND window = WaitForMainWindow(resumed.id());
  ASSERT_TRUE(window);
  EXPECT_EQ(test::WindowText(AfterRestartPage(window)), L"All threats cleaned");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(AfterRestartPage(window), IDC_AFTER_RESTART_LIST)));
  // Enter on the focused Finish, then the close button of the final page.
  SetForegroundWindow(window);
  test::PressKey(VK_RETURN);
  EXPECT_TRUE(test::WaitUntil([&] {
    return test::WindowText(test::VisiblePage(window)) == L"Thank you for trying Quellix WebSweep";
  }, 10s));
  test::ClickAt(test::CentreOf(GetDlgItem(window, IDC_CLOSE_BUTTON)));
  EXPECT_EQ(resumed.WaitForExit(20s), 0u);
}

TEST_F(ResumedRun, WithoutPlanOrLibraryEndsAtOnceWithoutAWindow) {
  {
    WorkFolderOfAnEarlierRun work;
    Process resumed(ProgramPath(), L"RESETSTART");
    EXPECT_EQ(resumed.WaitForExit(30s), 0u) << "no plan";
    EXPECT_TRUE(test::TopLevelWindowsWithCaption(kCaption).empty());
  }
  {
    WorkFolderOfAnEarlierRun work(/*withLibrary=*/false);
    const std::wstring target = Infected(L"planned.com");
    test::WriteFileBytes(work.Plan(), U16ToUtf8(ToU16(target)) + "\n");
    Process resumed(ProgramPath(), L"RESETSTART");
    EXPECT_EQ(resumed.WaitForExit(30s), 0u) << "no library";
    EXPECT_TRUE(test::TopLevelWindowsWithCaption(kCaption).empty());
    EXPECT_TRUE(test::FileExists(target));
  }
}

}  // namespace
}  // namespace qws
