// The normal run as a user walks it, against a qws-server of this test's own: terms, settings
// (Scan refused until an unwanted-applications radio is chosen), a folder of threats chosen in the
// target dialog, update, scan, the threat list with some rows cleaned, the result page, the
// quarantine with a restore, the close confirmation kept open, the final page and the close with
// both clean-up boxes ticked. The report the program logged is left in the server's folder; the
// host check after this test (check_stored_report.sh) finds it byte for byte in the server's
// database.
#include <gtest/gtest.h>

#include <algorithm>

#include "resources/resource_ids.h"
#include "tests/net/test_server.h"
#include "tests/scanlib/test_samples.h"
#include "tests/ui/input_driver.h"
#include "tests/wizard/wizard_run_support.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kServer[] = L"wizard_run";
constexpr wchar_t kThreat[] = L"Eicar-Test-Signature";

int RowOf(test::Wizard& wizard, HWND list, const std::wstring& target) {
  for (int row = 0; row < test::ListRowCount(list); ++row)
    if (test::ListCellText(wizard.process().id(), list, row, 0) == target) return row;
  return -1;
}

TEST(WizardNormalRun, FromTheTermsToTheCloseWithCleaningRestoreAndReport) {
  const std::wstring serverFolder = test::TestServerFolder(kServer);
  ASSERT_FALSE(test::FixtureServer(kServer).empty()) << "qws-server fixture missing";
  test::ForgetEarlierRuns();
  const test::ThreatFolder folder(L"C:\\QwsWizardRun");

  // A temporary-files folder of the program's own: the diagnostic log then holds this run only.
  const test::TempFolder temp;
  test::Wizard wizard(test::FixtureServer(kServer), L"", L"", temp.path());
  wizard.scenario = L"wizard_run";
  ASSERT_TRUE(wizard.WaitForPage(L"Terms of use", 30s)) << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"terms");
  ASSERT_TRUE(wizard.ClickControl(IDC_TERMS_ACCEPT));

  // Settings: Scan is refused until one of the two radios is chosen.
  ASSERT_TRUE(wizard.WaitForPage(L"Computer scan settings", 30s)) << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"settings");
  EXPECT_EQ(test::CheckState(wizard.Control(IDC_SETTINGS_UNWANTED_ON)), BST_UNCHECKED);
  EXPECT_EQ(test::CheckState(wizard.Control(IDC_SETTINGS_UNWANTED_OFF)), BST_UNCHECKED);
  ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_SCAN));
  // Nothing should come of it: a page change would show within this wait.
  EXPECT_FALSE(test::WaitUntil([&] { return wizard.PageTitle() != L"Computer scan settings"; }, 3s))
      << "Scan without a choice went on to " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"settings_choice_wanted");
  test::ChooseSettingsAndTarget(wizard, IDC_SETTINGS_UNWANTED_ON, folder.root);
  if (HasFatalFailure()) return;
  wizard.Shot(L"settings_target_chosen");

  // Update from the server, then the scan.
  ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_SCAN));
  ASSERT_TRUE(test::WaitUntil(
      [&] {
        const std::wstring title = wizard.PageTitle();
        return title == L"Initialization..." || title == L"Scanning...";
      },
      60s))
      << testing::PrintToString(wizard.PageTitle());
  if (wizard.PageTitle() == L"Initialization...") wizard.Shot(L"update");
  ASSERT_TRUE(wizard.WaitForPage(L"Scanning...", 90s)) << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"scan");

  // The threat list: one row per infected file, nothing cleaned yet.
  ASSERT_TRUE(wizard.WaitForPage(L"Threats found", IDC_THREATS_LIST, 120s))
      << testing::PrintToString(wizard.PageTitle());
  HWND list = wizard.Control(IDC_THREATS_LIST);
  ASSERT_TRUE(test::WaitUntil([&] { return test::ListRowCount(list) == 3; }, 10s)) << test::ListRowCount(list);
  std::vector<std::wstring> targets;
  for (int row = 0; row < 3; ++row) {
    targets.push_back(test::ListCellText(wizard.process().id(), list, row, 0));
    EXPECT_EQ(test::ListCellText(wizard.process().id(), list, row, 1), kThreat) << row;
    EXPECT_EQ(test::ListCellText(wizard.process().id(), list, row, 2), L"") << row;
    EXPECT_FALSE(test::ListRowChecked(list, row)) << row;
  }
  std::vector<std::wstring> infected = folder.Infected();
  std::sort(infected.begin(), infected.end());
  std::sort(targets.begin(), targets.end());
  EXPECT_EQ(targets, infected);
  EXPECT_FALSE(IsWindowEnabled(wizard.Control(IDC_THREATS_CLEAN_SELECTED)));
  wizard.Shot(L"threat_list");

  // "Clean selected" with two of the three rows ticked by mouse.
  for (const std::wstring& target : {folder.eicar, folder.archive}) {
    const int row = RowOf(wizard, list, target);
    ASSERT_GE(row, 0) << testing::PrintToString(target);
    ASSERT_TRUE(wizard.ClickRowCheckBox(IDC_THREATS_LIST, row));
    ASSERT_TRUE(test::WaitUntil([&] { return test::ListRowChecked(list, row); }, 5s)) << row;
  }
  EXPECT_TRUE(IsWindowEnabled(wizard.Control(IDC_THREATS_CLEAN_SELECTED)));
  wizard.Shot(L"threat_list_checked");
  ASSERT_TRUE(wizard.ClickControl(IDC_THREATS_CLEAN_SELECTED));

  // The result page: three infected, two cleaned; the cleaned files are gone, the other stays.
  ASSERT_TRUE(wizard.WaitForPage(L"Threats found", IDC_RESULT_UNINSTALL, 60s))
      << testing::PrintToString(wizard.PageTitle());
  EXPECT_EQ(wizard.ControlText(IDC_RESULT_INFECTED_VALUE), L"3");
  EXPECT_EQ(wizard.ControlText(IDC_RESULT_CLEANED_VALUE), L"2");
  EXPECT_GE(_wtoi(wizard.ControlText(IDC_RESULT_FILES_VALUE).c_str()), 4)
      << testing::PrintToString(wizard.ControlText(IDC_RESULT_FILES_VALUE));
  EXPECT_EQ(wizard.ControlText(IDC_RESULT_STATUS_VALUE), L"Finished");
  EXPECT_EQ(wizard.ControlText(IDC_RESULT_BUTTON1), L"Finish");
  EXPECT_FALSE(test::FileExists(folder.eicar));
  EXPECT_FALSE(test::FileExists(folder.archive));
  EXPECT_EQ(test::ReadFileBytes(folder.copy), test::Eicar());
  EXPECT_EQ(test::ReadFileBytes(folder.notes), "Nothing to see here.\r\n");
  wizard.Shot(L"result");

  // The quarantine: the two cleaned files; one restored, back on disk byte for byte.
  ASSERT_TRUE(wizard.ClickLink(IDC_RESULT_QUARANTINE)) << "no \"Manage quarantine\" link";
  ASSERT_TRUE(wizard.WaitForPage(L"Quarantine", IDC_QUARANTINE_LIST, 20s)) << testing::PrintToString(wizard.PageTitle());
  HWND quarantine = wizard.Control(IDC_QUARANTINE_LIST);
  ASSERT_TRUE(test::WaitUntil([&] { return test::ListRowCount(quarantine) == 2; }, 10s))
      << test::ListRowCount(quarantine);
  const int eicarRow = RowOf(wizard, quarantine, folder.eicar);
  ASSERT_GE(eicarRow, 0);
  EXPECT_EQ(RowOf(wizard, quarantine, folder.archive), 1 - eicarRow);
  wizard.Shot(L"quarantine");
  ASSERT_TRUE(wizard.ClickRowCheckBox(IDC_QUARANTINE_LIST, eicarRow));
  ASSERT_TRUE(test::WaitUntil([&] { return test::ListRowChecked(quarantine, eicarRow); }, 5s));
  ASSERT_TRUE(wizard.ClickControl(IDC_QUARANTINE_RESTORE));
  EXPECT_TRUE(test::WaitUntil(
      [&] { return test::ListCellText(wizard.process().id(), quarantine, eicarRow, 2) == L"restored"; }, 10s))
      << testing::PrintToString(test::ListCellText(wizard.process().id(), quarantine, eicarRow, 2));
  EXPECT_EQ(test::ReadFileBytes(folder.eicar), test::Eicar()) << "restored byte for byte";
  EXPECT_FALSE(test::FileExists(folder.archive));
  wizard.Shot(L"quarantine_restored");

  // Back on the result page, both clean-up boxes ticked: the archive is still in the quarantine.
  ASSERT_TRUE(wizard.ClickControl(IDC_QUARANTINE_BACK));
  ASSERT_TRUE(wizard.WaitForPage(L"Threats found", IDC_RESULT_UNINSTALL, 20s))
      << testing::PrintToString(wizard.PageTitle());
  for (int box : {IDC_RESULT_UNINSTALL, IDC_RESULT_REMOVE_QUARANTINE}) {
    ASSERT_TRUE(wizard.ClickControl(box)) << box << " is not shown";
    ASSERT_TRUE(test::WaitUntil([&] { return test::CheckState(wizard.Control(box)) == BST_CHECKED; }, 5s)) << box;
  }
  wizard.Shot(L"result_boxes_ticked");

  // A close request asks first; "Keep open" goes back to the result page as it was.
  ASSERT_TRUE(wizard.ClickWindowControl(IDC_CLOSE_BUTTON));
  ASSERT_TRUE(test::WaitUntil(
      [&] { return wizard.ControlText(IDC_PAGE_TEXT) == L"Do you want to close Quellix WebSweep?"; }, 10s))
      << testing::PrintToString(wizard.ControlText(IDC_PAGE_TEXT));
  EXPECT_EQ(wizard.ControlText(IDC_LEFT_BUTTON), L"Close");
  EXPECT_EQ(wizard.ControlText(IDC_RIGHT_BUTTON), L"Keep open");
  // Away from the close button, so that its tool tip does not cover the page in the picture.
  test::MoveMouse(test::CentreOf(wizard.Control(IDC_PAGE_TEXT)));
  wizard.Shot(L"close_confirmation");
  ASSERT_TRUE(wizard.ClickControl(IDC_RIGHT_BUTTON));
  ASSERT_TRUE(wizard.WaitForPage(L"Threats found", IDC_RESULT_UNINSTALL, 10s))
      << testing::PrintToString(wizard.PageTitle());
  EXPECT_EQ(test::CheckState(wizard.Control(IDC_RESULT_UNINSTALL)), BST_CHECKED);
  EXPECT_EQ(test::CheckState(wizard.Control(IDC_RESULT_REMOVE_QUARANTINE)), BST_CHECKED);

  // "Finish" leads to the final page, from which the window closes without a question.
  ASSERT_TRUE(wizard.ClickControl(IDC_RESULT_BUTTON1));
  ASSERT_TRUE(wizard.WaitForPage(L"Thank you for trying Quellix WebSweep", 10s))
      << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"final");
  ASSERT_TRUE(wizard.ClickWindowControl(IDC_CLOSE_BUTTON));
  const std::optional<DWORD> exitCode = wizard.process().WaitForExit(60s);
  ASSERT_TRUE(exitCode.has_value()) << "the program did not end after the close";

  // The report names every infected file in a threat line; the host check finds this text in
  // the server's database.
  const std::string report = test::LastLoggedReport(temp.path());
  ASSERT_FALSE(report.empty()) << "no scan report in the diagnostic log";
  for (const std::wstring& file : folder.Infected()) {
    const std::string line = "fn=\"" + std::string(file.begin(), file.end()) + "\"";
    EXPECT_NE(report.find(line), std::string::npos) << line << " missing from\n" << report;
  }
  EXPECT_NE(report.find("# found=3\r\n"), std::string::npos) << report;
  test::WriteFileBytes(serverFolder + L"\\wizard-report.txt", report);

  // Both boxes were ticked: the work folder (in the local application data folder) and the
  // program's key are gone.
  EXPECT_FALSE(test::FolderExists(test::WorkFolderPath())) << "the work folder stays after uninstalling";
  EXPECT_FALSE(test::ProgramKeyExists()) << "the program's registry key stays after uninstalling";
}

}  // namespace
}  // namespace qws
