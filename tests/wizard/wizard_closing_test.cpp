// Closing the wizard as a user does it, with the close button: during a scan (the question,
// "Keep open" and the scan goes on, "Close" and the scan is stopped before the program ends),
// on the message page of a failed update, and on the final page, which asks nothing.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource_ids.h"
#include "tests/scanlib/test_samples.h"
#include "tests/ui/input_driver.h"
#include "tests/wizard/wizard_driver.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kCloseQuestion[] = L"Do you want to close Quellix WebSweep?";
constexpr wchar_t kLastScanTimeKey[] = L"Software\\Quellix\\WebSweep_v2\\LastScanTime";
// Enough files that the scan takes several seconds under Wine.
constexpr int kManyFiles = 3000;

bool LastScanTimeStored() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kLastScanTimeKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  const bool stored = RegQueryValueExW(key, L"LST_0", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return stored;
}

struct PageQuery {
  const wchar_t* title;
  HWND found = nullptr;
};

BOOL CALLBACK FindPageWithTitle(HWND child, LPARAM context) {
  auto* query = reinterpret_cast<PageQuery*>(context);
  if (test::WindowText(child) == query->title && GetDlgItem(child, IDC_THREATS_LIST)) {
    query->found = child;
    return FALSE;
  }
  return TRUE;
}

// The threat list page of the main window, shown or not.
HWND ThreatListPage(HWND mainWindow) {
  PageQuery query{L"Threats found"};
  EnumChildWindows(mainWindow, FindPageWithTitle, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

int FilesScanned(test::Wizard& wizard) { return _wtoi(wizard.ControlText(IDC_SCAN_FILES_VALUE).c_str()); }

class WizardClosing : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::TopLevelWindowsWithCaption(L"Quellix WebSweep").empty())
        << "another copy of the program is already running";
    test::ClearWorkFolder();
    RegDeleteTreeW(HKEY_CURRENT_USER, kLastScanTimeKey);
  }
  void TearDown() override {
    test::ClearWorkFolder();
    RegDeleteTreeW(HKEY_CURRENT_USER, kLastScanTimeKey);
  }

  // Terms, settings with the samples folder as the only target, Scan, and the update.
  void StartScan(test::Wizard& wizard) {
    ASSERT_TRUE(wizard.AcceptTermsAndChooseSettings()) << "page: " << testing::PrintToString(wizard.PageTitle());
    ASSERT_TRUE(wizard.ChooseTargetFolder(samples_.path()));
    wizard.Shot(L"settings");
    ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_SCAN));
    ASSERT_TRUE(wizard.WaitForPage(L"Scanning...", 90s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  }

  // The close button and the question that follows it.
  void AskToClose(test::Wizard& wizard, const std::wstring& shot) {
    ASSERT_TRUE(wizard.ClickWindowControl(IDC_CLOSE_BUTTON));
    ASSERT_TRUE(wizard.WaitForText(IDC_PAGE_TEXT, kCloseQuestion, 20s)) << "page: " << testing::PrintToString(wizard.PageTitle());
    EXPECT_EQ(wizard.ControlText(IDC_LEFT_BUTTON), L"Close");
    EXPECT_EQ(wizard.ControlText(IDC_RIGHT_BUTTON), L"Keep open");
    wizard.Shot(shot);
  }

  test::TempFolder samples_;
};

TEST_F(WizardClosing, DuringTheScanKeepOpenGoesOnAndCloseStopsTheScanFirst) {
  for (int i = 0; i < kManyFiles; ++i)
    test::WriteFileBytes(samples_ / (L"file" + std::to_wstring(i) + L".txt"), std::string(2048, 'a' + i % 26));
  test::Wizard wizard(test::FixtureServer(L"shared"));
  wizard.scenario = L"wizard_close_during_scan";
  StartScan(wizard);
  ASSERT_TRUE(test::WaitUntil([&] { return FilesScanned(wizard) > 0; }, 30s));
  wizard.Shot(L"scan");

  // "Keep open" brings the scan page back, and the scan has gone on meanwhile.
  AskToClose(wizard, L"question");
  const int before = FilesScanned(wizard);
  ASSERT_TRUE(wizard.ClickControl(IDC_RIGHT_BUTTON));
  ASSERT_TRUE(wizard.WaitForPage(L"Scanning...", 20s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  EXPECT_TRUE(test::WaitUntil([&] { return FilesScanned(wizard) > before; }, 20s));
  wizard.Shot(L"kept_open");

  // "Close": the scan is asked to stop and the program ends once it has.
  AskToClose(wizard, L"question_again");
  ASSERT_TRUE(wizard.ClickControl(IDC_LEFT_BUTTON));
  ASSERT_TRUE(wizard.WaitForPage(L"Stopping scan ...", 20s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  EXPECT_EQ(wizard.ControlText(IDC_PAGE_TEXT), L"This may take a moment");
  EXPECT_FALSE(IsWindowVisible(wizard.Control(IDC_LEFT_BUTTON)));
  EXPECT_FALSE(IsWindowVisible(wizard.Control(IDC_RIGHT_BUTTON)));
  const int stoppedAt = FilesScanned(wizard);
  wizard.Shot(L"stopping");
  // Further close requests change nothing while the scan stops.
  EXPECT_TRUE(wizard.ClickWindowControl(IDC_CLOSE_BUTTON));
  EXPECT_EQ(wizard.PageTitle(), L"Stopping scan ...");
  EXPECT_EQ(wizard.process().WaitForExit(60s), 0u);
  EXPECT_LT(stoppedAt, kManyFiles) << "the scan had ended before the close";
  // A scan stopped by the close is no measure of how long the scan takes.
  EXPECT_FALSE(LastScanTimeStored());
}

TEST_F(WizardClosing, KeepOpenOnAFailedUpdateKeepsItsButtons) {
  test::SeedEarlierModules();
  test::Wizard wizard(test::FixtureServer(L"update_unreachable"));
  wizard.scenario = L"wizard_close_failed_update";
  ASSERT_TRUE(wizard.AcceptTermsAndChooseSettings()) << "page: " << testing::PrintToString(wizard.PageTitle());
  ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_SCAN));
  ASSERT_TRUE(wizard.WaitForPage(L"Cannot update virus signature database", 90s))
      << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"update_failed");

  AskToClose(wizard, L"question");
  ASSERT_TRUE(wizard.ClickControl(IDC_RIGHT_BUTTON));
  ASSERT_TRUE(wizard.WaitForPage(L"Cannot update virus signature database", 20s))
      << "page: " << testing::PrintToString(wizard.PageTitle());
  EXPECT_EQ(wizard.ControlText(IDC_LEFT_BUTTON), L"Back");
  EXPECT_EQ(wizard.ControlText(IDC_RIGHT_BUTTON), L"Use older database");
  wizard.Shot(L"kept_open");
  // The page still answers as the failed update's message.
  ASSERT_TRUE(wizard.ClickControl(IDC_LEFT_BUTTON));
  EXPECT_TRUE(wizard.WaitForPage(L"Computer scan settings", 20s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"back_to_settings");
}

TEST_F(WizardClosing, FromTheFinalPageAtTheFirstClose) {
  test::WriteFileBytes(samples_ / L"clean.txt", "nothing to see");
  test::Wizard wizard(test::FixtureServer(L"shared"));
  wizard.scenario = L"wizard_close_final";
  StartScan(wizard);
  ASSERT_TRUE(wizard.WaitForPage(L"No threats found", 60s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"result");
  ASSERT_EQ(wizard.ControlText(IDC_RESULT_BUTTON1), L"Finish");
  ASSERT_TRUE(wizard.ClickControl(IDC_RESULT_BUTTON1));
  ASSERT_TRUE(wizard.WaitForPage(L"Thank you for trying Quellix WebSweep", 20s))
      << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"final");
  ASSERT_TRUE(wizard.ClickWindowControl(IDC_CLOSE_BUTTON));
  EXPECT_EQ(wizard.process().WaitForExit(30s), 0u);
  // A finished scan is remembered for the next one.
  EXPECT_TRUE(LastScanTimeStored());
}

TEST_F(WizardClosing, AScanThatEndsUnderTheQuestionShowsItsResultsAfterKeepOpen) {
  for (int i = 0; i < kManyFiles / 3; ++i)
    test::WriteFileBytes(samples_ / (L"file" + std::to_wstring(i) + L".txt"), std::string(2048, 'a' + i % 26));
  test::WriteFileBytes(samples_ / L"eicar.com", test::Eicar());
  test::Wizard wizard(test::FixtureServer(L"shared"));
  wizard.scenario = L"wizard_scan_ends_under_question";
  StartScan(wizard);
  AskToClose(wizard, L"question");

  // The scan ends and its results go to the threat list, which stays behind the question.
  HWND list = nullptr;
  ASSERT_TRUE(test::WaitUntil([&] {
    HWND page = ThreatListPage(wizard.window());
    list = page ? GetDlgItem(page, IDC_THREATS_LIST) : nullptr;
    return list && test::ListRowCount(list) == 1;
  }, 120s)) << "the scan's results did not reach the threat list";
  test::Pump(1s);
  EXPECT_EQ(wizard.ControlText(IDC_PAGE_TEXT), kCloseQuestion) << "a page came over the question";
  EXPECT_FALSE(IsWindowVisible(GetParent(list)));
  wizard.Shot(L"question_after_scan");

  ASSERT_TRUE(wizard.ClickControl(IDC_RIGHT_BUTTON));
  ASSERT_TRUE(test::WaitUntil([&] { return wizard.Page() == GetParent(list); }, 20s))
      << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"threat_list");
}

}  // namespace
}  // namespace qws
