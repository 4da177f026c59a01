// The program as real processes under Wine: roles, single instance, self-replacement, closing.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "app/work_folder.h"
#include "resources/resource_ids.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::Process;

constexpr wchar_t kCaption[] = L"Quellix WebSweep";

using test::ProgramPath;
using test::WaitForMainWindow;

HWND Page(HWND window) { return test::VisiblePage(window); }

// The page on screen shows `text` as its title or as its message text.
bool PageShows(HWND window, const std::wstring& text) {
  return test::WindowText(Page(window)) == text ||
         test::WindowText(GetDlgItem(Page(window), IDC_PAGE_TEXT)) == text;
}

bool ShowsPage(HWND window, const std::wstring& text) {
  return test::WaitUntil([&] { return PageShows(window, text); }, 10s);
}

// Asks the window to close and confirms on the close-confirmation page.
void CloseThroughConfirmation(HWND window, Process& process) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(ShowsPage(window, L"Do you want to close Quellix WebSweep?"));
  HWND keepOpen = test::FindVisibleChildWithText(window, L"Keep open");
  HWND close = test::FindVisibleChildWithText(window, L"Close");
  ASSERT_TRUE(keepOpen && close);
  test::Click(close);
  EXPECT_EQ(process.WaitForExit(10s), 0u);
}

class ProgramRun : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::FileExists(ProgramPath()));
    ASSERT_TRUE(test::TopLevelWindowsWithCaption(kCaption).empty())
        << "another copy of the program is already running";
  }
};

TEST_F(ProgramRun, SecondStartShowsAnotherInstanceWhileEulaStartsBeside) {
  Process first(ProgramPath(), L"");
  ASSERT_TRUE(first.started());
  HWND firstWindow = WaitForMainWindow(first.id());
  ASSERT_TRUE(firstWindow);
  EXPECT_TRUE(ShowsPage(firstWindow, L"Terms of use"));
  RECT rect{};
  GetWindowRect(firstWindow, &rect);
  EXPECT_EQ(rect.right - rect.left, 600);
  EXPECT_EQ(rect.bottom - rect.top, 560);

  Process second(ProgramPath(), L"");
  HWND secondWindow = WaitForMainWindow(second.id());
  ASSERT_TRUE(secondWindow);
  EXPECT_TRUE(ShowsPage(secondWindow, L"Another instance of Quellix WebSweep is already running."));

  Process beside(ProgramPath(), L"EULA");
  HWND besideWindow = WaitForMainWindow(beside.id());
  ASSERT_TRUE(besideWindow);
  EXPECT_TRUE(ShowsPage(besideWindow, L"Computer scan settings"));

  test::SaveScreenshot(L"another_instance");

  // The another-instance page has only its right button, and it ends the process at once.
  HWND close = test::FindVisibleChildWithText(secondWindow, L"Close");
  ASSERT_TRUE(close);
  ASSERT_TRUE(IsWindowVisible(GetDlgItem(Page(secondWindow), IDC_RIGHT_BUTTON)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(Page(secondWindow), IDC_LEFT_BUTTON)));
  test::Click(close);
  EXPECT_EQ(second.WaitForExit(10s), 0u);

  CloseThroughConfirmation(besideWindow, beside);
  CloseThroughConfirmation(firstWindow, first);
}

TEST_F(ProgramRun, KeepOpenReturnsToThePageAndAcceptGoesOn) {
  Process run(ProgramPath(), L"");
  HWND window = WaitForMainWindow(run.id());
  ASSERT_TRUE(window);
  ASSERT_TRUE(ShowsPage(window, L"Terms of use"));

  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(ShowsPage(window, L"Do you want to close Quellix WebSweep?"));
  // A second close request while the confirmation is open is ignored.
  PostMessageW(window, WM_CLOSE, 0, 0);
  test::Click(test::FindVisibleChildWithText(window, L"Keep open"));
  ASSERT_TRUE(ShowsPage(window, L"Terms of use"));

  // Accepting as an administrator needs no restart: the settings follow in the same process.
  if (!IsUserAnAdmin()) GTEST_SKIP() << "an elevation prompt would follow";
  HWND accept = test::FindVisibleChildWithText(window, L"Accept");
  ASSERT_TRUE(accept);
  test::Click(accept);
  EXPECT_TRUE(ShowsPage(window, L"Computer scan settings"));
  EXPECT_FALSE(run.WaitForExit(200ms));
  test::SaveScreenshot(L"settings_after_accept");
  CloseThroughConfirmation(window, run);
}

TEST_F(ProgramRun, ReplacementRunCopiesItselfOverTheOldProgramAndStartsIt) {
  const std::wstring workFolder = LocateWorkFolder().path;
  ASSERT_EQ(SHCreateDirectoryExW(nullptr, workFolder.c_str(), nullptr) == ERROR_SUCCESS ||
                test::FolderExists(workFolder),
            true);
  test::TempFolder installed;
  const std::wstring oldProgram = installed / L"Sweeper.exe";
  test::WriteFileBytes(oldProgram, "the old version");
  const std::wstring newCopy = workFolder + L"\\Sweeper_upd.exe";
  ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), newCopy.c_str(), FALSE));

  Process replacement(newCopy, L"UPD=\"" + oldProgram + L"\"", workFolder);
  ASSERT_TRUE(replacement.started());
  EXPECT_EQ(replacement.WaitForExit(20s), 0u);
  EXPECT_EQ(test::ReadFileBytes(oldProgram), test::ReadFileBytes(ProgramPath()));

  // The replaced program starts with "EULA UPDATED": no terms, and the copy is removed.
  HWND window = nullptr;
  ASSERT_TRUE(test::WaitUntil([&] {
    const auto windows = test::TopLevelWindowsWithCaption(kCaption);
    window = windows.empty() ? nullptr : windows.front();
    return window != nullptr;
  }));
  EXPECT_TRUE(ShowsPage(window, L"Computer scan settings"));
  EXPECT_TRUE(test::WaitUntil([&] { return !test::FileExists(newCopy); }, 10s));

  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(ShowsPage(window, L"Do you want to close Quellix WebSweep?"));
  test::Click(test::FindVisibleChildWithText(window, L"Close"));
  EXPECT_EQ(WaitForSingleObject(process.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(ProgramRun, ReplacementWithoutPathEndsWithoutAWindow) {
  for (const wchar_t* arguments : {L"UPD", L"UPD="}) {
    Process run(ProgramPath(), arguments);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.WaitForExit(20s), 0u) << arguments;
    EXPECT_TRUE(test::TopLevelWindowsWithCaption(kCaption).empty());
  }
}

}  // namespace
}  // namespace qws
