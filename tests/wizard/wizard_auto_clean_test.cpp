// "Clean threats automatically" on: the scan cleans as it goes, the threat list is skipped and
// the result page follows the scan at once; from there "Finish", the final page and the close.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/ui/input_driver.h"
#include "tests/wizard/wizard_run_support.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

TEST(WizardAutoClean, ResultPageFollowsTheScanWithEveryThreatCleaned) {
  ASSERT_FALSE(test::FixtureServer(L"shared").empty()) << "qws-server fixture missing";
  test::ForgetEarlierRuns();
  const test::ThreatFolder folder(L"C:\\QwsWizardAutoClean");

  test::Wizard wizard(test::FixtureServer(L"shared"));
  wizard.scenario = L"wizard_auto_clean";
  ASSERT_TRUE(wizard.WaitForPage(L"Terms of use", 30s)) << testing::PrintToString(wizard.PageTitle());
  ASSERT_TRUE(wizard.ClickControl(IDC_TERMS_ACCEPT));
  ASSERT_TRUE(wizard.WaitForPage(L"Computer scan settings", 30s)) << testing::PrintToString(wizard.PageTitle());
  test::ChooseSettingsAndTarget(wizard, IDC_SETTINGS_UNWANTED_OFF, folder.root);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_CLEAN));
  ASSERT_TRUE(test::WaitUntil([&] { return test::CheckState(wizard.Control(IDC_SETTINGS_CLEAN)) == BST_CHECKED; }, 5s));
  wizard.Shot(L"settings");
  ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_SCAN));
  ASSERT_TRUE(wizard.WaitForPage(L"Scanning...", 90s)) << testing::PrintToString(wizard.PageTitle());

  // Straight from the scan to the result page: the threat list never shows.
  bool threatListShown = false;
  ASSERT_TRUE(test::WaitUntil(
      [&] {
        HWND list = wizard.Control(IDC_THREATS_LIST);
        threatListShown = threatListShown || (list && IsWindowVisible(list));
        return wizard.PageTitle() == L"Threats found and cleaned";
      },
      120s))
      << testing::PrintToString(wizard.PageTitle());
  EXPECT_FALSE(threatListShown);
  EXPECT_EQ(wizard.ControlText(IDC_RESULT_INFECTED_VALUE), L"3");
  EXPECT_EQ(wizard.ControlText(IDC_RESULT_CLEANED_VALUE), L"3");
  EXPECT_EQ(wizard.ControlText(IDC_RESULT_STATUS_VALUE), L"Finished");
  // Cleaned automatically: no "Back" to a list, but the list can still be shown.
  EXPECT_FALSE(IsWindowVisible(wizard.Control(IDC_RESULT_BUTTON2)));
  EXPECT_TRUE(IsWindowVisible(wizard.Control(IDC_RESULT_SHOW_LIST)));
  for (const std::wstring& file : folder.Infected()) EXPECT_FALSE(test::FileExists(file)) << testing::PrintToString(file);
  EXPECT_EQ(test::ReadFileBytes(folder.notes), "Nothing to see here.\r\n");
  wizard.Shot(L"result");

  ASSERT_TRUE(wizard.ClickControl(IDC_RESULT_BUTTON1));
  ASSERT_TRUE(wizard.WaitForPage(L"Thank you for trying Quellix WebSweep", 10s))
      << testing::PrintToString(wizard.PageTitle());
  ASSERT_TRUE(wizard.ClickWindowControl(IDC_CLOSE_BUTTON));
  EXPECT_TRUE(wizard.process().WaitForExit(60s).has_value()) << "the program did not end after the close";
}

}  // namespace
}  // namespace qws
