// "Restart later" end to end through the real pages, then the run Windows starts at the next
// logon from the RunOnce value: the after-restart page, Finish, the final page, close.
//
// The result page offers the restart only when a threat is left and the library asked for a
// restart, which it does when it cannot delete a file it has cleaned: the test holds one infected
// file open, cleans only that one and leaves the other.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/restart.h"
#include "app/scan_plan.h"
#include "app/work_folder.h"
#include "base/reg_key.h"
#include "base/u16.h"
#include "resources/resource_ids.h"
#include "tests/scanlib/test_samples.h"
#include "tests/ui/input_driver.h"
#include "tests/wizard/wizard_driver.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

constexpr int kCheckedImage = 2;

bool RowChecked(HWND list, int row) {
  return ((SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) &
           LVIS_STATEIMAGEMASK) >> 12) == kCheckedImage;
}

class RestartLater : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::TopLevelWindowsWithCaption(L"Quellix WebSweep").empty())
        << "another copy of the program is already running";
    test::RemoveRunOnceValue();
    DeleteFileW(plan_.c_str());
  }
  void TearDown() override {
    test::RemoveRunOnceValue();
    DeleteFileW(plan_.c_str());
    // The items this run put into the quarantine are no other test's business.
    test::RemoveTree(work_ + L"\\Quarantine");
  }

  // EICAR put together here, so that no file of the repository is one.
  std::wstring Infected(const std::wstring& name) {
    const std::wstring path = samples_ / name;
    test::WriteFileBytes(path, test::Eicar());
    return path;
  }

  const std::wstring work_ = LocateWorkFolder().path;
  const std::wstring plan_ = work_ + L"\\" + kScanPlanFileName;
  test::TempFolder samples_;
};

TEST_F(RestartLater, PlansTheRestartAndTheResumedRunCleansThePlannedObjects) {
  const std::wstring held = Infected(L"held.com");
  const std::wstring left = Infected(L"left.com");
  const std::wstring clean = samples_ / L"clean.txt";
  test::WriteFileBytes(clean, "nothing to see");
  // Readable for the scan and the quarantine copy, but not deletable while this handle is open.
  ScopedHandle holder(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.is_valid());

  {
    test::Wizard wizard(test::FixtureServer(L"shared"));
    wizard.scenario = L"wizard_restart_later";
    ASSERT_TRUE(wizard.WaitForPage(L"Terms of use", 60s)) << "page: " << testing::PrintToString(wizard.PageTitle());
    wizard.Shot(L"terms");
    ASSERT_TRUE(wizard.ClickControl(IDC_TERMS_ACCEPT));
    ASSERT_TRUE(wizard.WaitForPage(L"Computer scan settings", 30s))
        << "page: " << testing::PrintToString(wizard.PageTitle());
    ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_UNWANTED_OFF));
    ASSERT_TRUE(test::WaitUntil([&] { return test::CheckState(wizard.Control(IDC_SETTINGS_UNWANTED_OFF)) == BST_CHECKED; }, 5s));
    ASSERT_TRUE(wizard.ChooseTargetFolder(samples_.path())) << "the target dialog did not take the folder";
    wizard.Shot(L"settings");
    ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_SCAN));
    ASSERT_TRUE(wizard.WaitForPage(L"Initialization...", 30s)) << "page: " << testing::PrintToString(wizard.PageTitle());
    wizard.Shot(L"update");

    // The scan reports both infected files on the threat list, none checked.
    HWND list = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] {
      list = wizard.Control(IDC_THREATS_LIST);
      return list && IsWindowVisible(list) && test::ListRowCount(list) == 2;
    }, 90s)) << "no threat list; page: " << testing::PrintToString(wizard.PageTitle());
    EXPECT_EQ(wizard.PageTitle(), L"Threats found");
    const DWORD id = wizard.process().id();
    int heldRow = -1;
    for (int row = 0; row < 2; ++row) {
      EXPECT_FALSE(RowChecked(list, row));
      if (test::ListCellText(id, list, row, 0) == held) heldRow = row;
    }
    ASSERT_GE(heldRow, 0) << "the held file is not listed";
    EXPECT_EQ(test::ListCellText(id, list, 1 - heldRow, 0), left);
    EXPECT_EQ(test::ListCellText(id, list, heldRow, 1), L"Eicar-Test-Signature");
    wizard.Shot(L"threat_list");

    // Only the held file is cleaned: it goes into the quarantine, to be deleted at the restart.
    ASSERT_TRUE(test::ClickListRow(id, list, heldRow));
    test::PressKey(VK_SPACE);
    ASSERT_TRUE(test::WaitUntil([&] { return RowChecked(list, heldRow); }, 5s));
    EXPECT_FALSE(RowChecked(list, 1 - heldRow));
    ASSERT_TRUE(wizard.ClickControl(IDC_THREATS_CLEAN_SELECTED));

    // The result page: one threat left and a restart asked for.
    ASSERT_TRUE(test::WaitUntil([&] {
      HWND later = wizard.Control(IDC_RESULT_BUTTON2);
      return later && IsWindowVisible(later) && test::WindowText(later) == L"Restart later";
    }, 60s)) << "no \"Restart later\"; page: " << testing::PrintToString(wizard.PageTitle());
    EXPECT_EQ(wizard.PageTitle(), L"Threats found");
    EXPECT_EQ(test::WindowText(wizard.Control(IDC_RESULT_BUTTON1)), L"Restart now");
    EXPECT_TRUE(test::FileExists(held));
    EXPECT_TRUE(test::FileExists(left));
    wizard.Shot(L"result");
    ASSERT_TRUE(wizard.ClickControl(IDC_RESULT_BUTTON2));

    // The final page; the plan names both infected files and the RunOnce value names the program.
    ASSERT_TRUE(wizard.WaitForPage(L"Thank you for trying Quellix WebSweep", 20s))
        << "page: " << testing::PrintToString(wizard.PageTitle());
    wizard.Shot(L"final");
    const std::string plan = test::ReadFileBytes(plan_);
    EXPECT_NE(plan.find(U16ToUtf8(ToU16(held)) + "\n"), std::string::npos) << plan;
    EXPECT_NE(plan.find(U16ToUtf8(ToU16(left)) + "\n"), std::string::npos) << plan;
    const auto data = test::RunOnceData();
    ASSERT_TRUE(data.has_value()) << "no RunOnce value \"FBAV\"";
    EXPECT_EQ(*data, test::ProgramPath() + L" RESETSTART");

    // From the final page the window closes without a question; the plan stays for the restart.
    test::ClickAt(test::CentreOf(GetDlgItem(wizard.window(), IDC_CLOSE_BUTTON)));
    EXPECT_EQ(wizard.process().WaitForExit(30s), 0u);
    EXPECT_TRUE(test::FileExists(plan_));
  }
  holder.reset();

  // The next logon, as Windows does it: the value goes, and its command runs from the system
  // folder.
  const auto data = test::RunOnceData();
  ASSERT_TRUE(data.has_value());
  test::RemoveRunOnceValue();
  const size_t space = data->rfind(L' ');
  ASSERT_NE(space, std::wstring::npos);
  wchar_t system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  test::Process resumed(data->substr(0, space), data->substr(space + 1), system);
  ASSERT_TRUE(resumed.started());
  HWND window = test::WaitForMainWindow(resumed.id(), 90s);
  ASSERT_TRUE(window) << "no window after the resumed scan";
  HWND page = nullptr;
  ASSERT_TRUE(test::WaitUntil([&] { return (page = test::VisiblePage(window)) != nullptr; }, 10s));
  EXPECT_EQ(test::WindowText(page), L"All threats cleaned");
  EXPECT_TRUE(test::FindVisibleChildWithText(page, L"All found threats were successfully removed from you computer."));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_AFTER_RESTART_LIST)));
  EXPECT_FALSE(test::FileExists(held));
  EXPECT_FALSE(test::FileExists(left));
  EXPECT_TRUE(test::FileExists(clean));
  test::Pump(500ms);
  test::SaveScreenshot(L"wizard_restart_later_after_restart");

  test::ClickAt(test::CentreOf(GetDlgItem(page, IDC_AFTER_RESTART_FINISH)));
  ASSERT_TRUE(test::WaitUntil([&] {
    return test::WindowText(test::VisiblePage(window)) == L"Thank you for trying Quellix WebSweep";
  }, 10s));
  test::Pump(300ms);
  test::SaveScreenshot(L"wizard_restart_later_resumed_final");
  test::ClickAt(test::CentreOf(GetDlgItem(window, IDC_CLOSE_BUTTON)));
  EXPECT_EQ(resumed.WaitForExit(30s), 0u);
  EXPECT_FALSE(test::FileExists(plan_)) << "the plan serves one resumed run";
  EXPECT_FALSE(test::RunOnceData().has_value());
}

}  // namespace
}  // namespace qws
