// A newer version on the download server, taken as a user takes it: the box on the terms page,
// Accept, the download with its bar, the replacement run and the new version starting in its
// place. The program runs from a copy in a folder of the test's own, so that the replacement can
// never touch the build.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/work_folder.h"
#include "resources/resource_ids.h"
#include "tests/net/test_server.h"
#include "tests/ui/input_driver.h"
#include "tests/wizard/wizard_driver.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kServer[] = L"versions";
// Mixed case on purpose: the program asks for its own name in lower case.
constexpr wchar_t kProgramName[] = L"WebSweepSetup";
constexpr char kServedName[] = "websweepsetup.exe";
constexpr COLORREF kBarFill = 0xD29A2A;

// How many requests of the fixture server's log asked for this path.
int RequestsFor(const std::string& path) {
  const std::string log = test::ReadFileBytes(test::TestServerFolder(kServer) + L"\\requests.log");
  const std::string wanted = "GET " + path + " ";
  int count = 0;
  for (size_t at = log.find(wanted); at != std::string::npos; at = log.find(wanted, at + 1))
    if (at == 0 || log[at - 1] == '\n') ++count;
  return count;
}

// The part of the terms page's bar that is filled, 0 to 1, read from the screen.
double BarFilled(HWND bar) {
  RECT rect{};
  GetWindowRect(bar, &rect);
  const int y = (rect.top + rect.bottom) / 2;
  // Every fourth column: the screen is read a pixel at a time.
  int filled = 0, looked = 0;
  for (int x = rect.left; x < rect.right; x += 4, ++looked)
    filled += test::Near(test::ScreenPixel({x, y}), kBarFill, 24) ? 1 : 0;
  return looked ? static_cast<double>(filled) / looked : 0.0;
}

class NewVersion : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::TopLevelWindowsWithCaption(L"Quellix WebSweep").empty())
        << "another copy of the program is already running";
    content_ = test::TestServerFolder(kServer) + L"\\content";
    ASSERT_FALSE(test::TestServerFolder(kServer).empty()) << "the test runs with its fixture server";
    for (const wchar_t* folder : {L"\\special", L"\\special\\qws-beta-be"})
      CreateDirectoryW((content_ + folder).c_str(), nullptr);
    program_ = own_ / (std::wstring(kProgramName) + L".exe");
    ASSERT_TRUE(CopyFileW(test::ProgramPath().c_str(), program_.c_str(), FALSE));
  }

  void Serve(const std::string& name, const std::string& bytes) {
    test::WriteFileBytes(content_ + L"\\special\\qws-beta-be\\" + std::wstring(name.begin(), name.end()), bytes);
  }

  std::wstring content_;
  test::TempFolder own_;
  std::wstring program_;
};

TEST_F(NewVersion, DownloadsReplacesItselfAndStartsTheNewVersionOnce) {
  // The new version: the built program with bytes after its image, which Windows ignores and
  // this test recognises on disk.
  const std::string old = test::ReadFileBytes(program_);
  ASSERT_FALSE(old.empty());
  std::string served = old + "\nQWS-TEST-NEWER-BUILD\n";
  served.resize(std::max<size_t>(served.size(), 9'000'000), '\0');  // more than a full bar's 7 MB
  Serve("ver.txt", "2.0.2.0\r\n");
  Serve(kServedName, served);
  const std::wstring work = LocateWorkFolder().path;
  const std::wstring leftover = work + L"\\" + kProgramName + L"_upd.exe";
  DeleteFileW(leftover.c_str());

  test::Wizard wizard(test::FixtureServer(kServer), L"", program_);
  wizard.scenario = L"wizard_new_version";
  ASSERT_TRUE(wizard.WaitForPage(L"Terms of use", 60s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  // The version check runs in the background: the box comes when the marker has arrived.
  ASSERT_TRUE(test::WaitUntil([&] {
    HWND box = wizard.Control(IDC_TERMS_NEW_VERSION);
    return box && IsWindowVisible(box);
  }, 30s)) << "no new-version box";
  EXPECT_EQ(test::WindowText(wizard.Control(IDC_TERMS_NEW_VERSION)), L"Download latest version of Quellix WebSweep");
  EXPECT_EQ(test::CheckState(wizard.Control(IDC_TERMS_NEW_VERSION)), BST_UNCHECKED);
  wizard.Shot(L"terms_with_box");
  ASSERT_TRUE(wizard.ClickControl(IDC_TERMS_NEW_VERSION));
  ASSERT_TRUE(test::WaitUntil([&] { return test::CheckState(wizard.Control(IDC_TERMS_NEW_VERSION)) == BST_CHECKED; }, 5s));

  // Accept: the bar shows and fills while the buttons wait.
  ASSERT_TRUE(wizard.ClickControl(IDC_TERMS_ACCEPT));
  HWND bar = wizard.Control(IDC_TERMS_PROGRESS);
  ASSERT_TRUE(test::WaitUntil([&] { return IsWindowVisible(bar) != FALSE; }, 10s)) << "no progress bar";
  EXPECT_FALSE(IsWindowEnabled(wizard.Control(IDC_TERMS_ACCEPT)));
  EXPECT_FALSE(IsWindowEnabled(wizard.Control(IDC_TERMS_DECLINE)));
  double partly = 0;
  const bool seenPartly = test::WaitUntil([&] {
    partly = BarFilled(bar);
    return partly > 0.05 && partly < 0.95;
  }, 20s);
  EXPECT_TRUE(seenPartly) << "the bar never showed a part of the download";
  if (seenPartly) wizard.Shot(L"downloading");

  // The old program ends and the replaced file starts as the new version, on the settings page.
  EXPECT_EQ(wizard.process().WaitForExit(90s), 0u) << "the old version did not end";
  ASSERT_TRUE(wizard.FollowRestartedProgram(60s)) << "no window of the new version";
  EXPECT_TRUE(test::WaitUntil([&] { return test::ReadFileBytes(program_) == served; }, 10s))
      << "the program file was not replaced by the download";
  std::wstring running = wizard.process().ImagePath();
  std::transform(running.begin(), running.end(), running.begin(), ::towlower);
  std::wstring expected = program_;
  std::transform(expected.begin(), expected.end(), expected.begin(), ::towlower);
  EXPECT_EQ(running, expected) << "the new version runs from the old program's place";
  ASSERT_TRUE(wizard.WaitForPage(L"Computer scan settings", 60s))
      << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"new_version_settings");
  EXPECT_TRUE(test::WaitUntil([&] { return !test::FileExists(leftover); }, 10s))
      << "the copy of the replacement run was left in the work folder";

  // The marker still says there is a newer version; the new version opens past the terms, so it
  // neither checks nor downloads again.
  test::Pump(3s);
  EXPECT_EQ(RequestsFor("/special/qws-beta-be/ver.txt"), 1);
  EXPECT_EQ(RequestsFor(std::string("/special/qws-beta-be/") + kServedName), 1);
  EXPECT_TRUE(test::FileExists(program_));
  EXPECT_FALSE(test::FileExists(leftover));

  // Closing the new version asks first, as on every page but the final one.
  HWND main = wizard.window();
  ASSERT_TRUE(main);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(wizard.WaitForPage(L"", 10s));
  ASSERT_TRUE(test::WaitUntil([&] { return wizard.Control(IDC_LEFT_BUTTON) && IsWindowVisible(wizard.Control(IDC_LEFT_BUTTON)); }, 10s));
  wizard.Shot(L"close_question");
  ASSERT_TRUE(wizard.ClickControl(IDC_LEFT_BUTTON));  // "Close"
  EXPECT_EQ(wizard.process().WaitForExit(30s), 0u);
}

// The old version starts the replacement run and ends at once, but it may not have ended when the
// replacement copies itself over the old file: here it is still open, and ends by its own close
// while the replacement waits.
TEST_F(NewVersion, ReplacementWaitsUntilTheOldVersionHasLetGoOfItsFile) {
  const std::wstring replacement = own_ / (std::wstring(kProgramName) + L"_upd.exe");
  const std::string newer = test::ReadFileBytes(program_) + "\nQWS-TEST-NEWER-BUILD\n";
  test::WriteFileBytes(replacement, newer);

  test::Wizard old(test::FixtureServer(kServer), L"", program_);
  old.scenario = L"wizard_replacement_wait";
  ASSERT_TRUE(old.WaitForPage(L"Terms of use", 60s)) << "page: " << testing::PrintToString(old.PageTitle());
  test::Process run(replacement, L"UPD=\"" + program_ + L"\"", own_.path());
  ASSERT_TRUE(run.started());

  // The old version closes as a user closes it, which takes a moment.
  PostMessageW(old.window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(test::WaitUntil([&] { HWND close = old.Control(IDC_LEFT_BUTTON); return close && IsWindowVisible(close); }, 10s));
  ASSERT_TRUE(old.ClickControl(IDC_LEFT_BUTTON));  // "Close"
  EXPECT_EQ(old.process().WaitForExit(30s), 0u);

  EXPECT_EQ(run.WaitForExit(30s), 0u) << "the replacement run did not end";
  // Compared whole, not printed: the program is many megabytes.
  EXPECT_TRUE(test::ReadFileBytes(program_) == newer) << "the old version's file was not replaced";
  ASSERT_TRUE(old.FollowRestartedProgram(60s)) << "no window of the new version";
  ASSERT_TRUE(old.WaitForPage(L"Computer scan settings", 60s)) << "page: " << testing::PrintToString(old.PageTitle());
  old.Shot(L"new_version_settings");
  PostMessageW(old.window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(test::WaitUntil([&] { HWND close = old.Control(IDC_LEFT_BUTTON); return close && IsWindowVisible(close); }, 10s));
  ASSERT_TRUE(old.ClickControl(IDC_LEFT_BUTTON));
  EXPECT_EQ(old.process().WaitForExit(30s), 0u);
}

}  // namespace
}  // namespace qws
