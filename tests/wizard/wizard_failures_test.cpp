// The wizard where things go wrong, as a user meets them: an update server that is down or
// breaks off, with and without the modules of an earlier update, and a second copy of the
// program started while the first one runs.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/scanlib/test_samples.h"
#include "tests/ui/input_driver.h"
#include "tests/wizard/wizard_driver.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kUpdateFailedTitle[] = L"Cannot update virus signature database";
constexpr wchar_t kCheckConnection[] =
    L"Make sure your computer is connected to the Internet. If a proxy is used, check your proxy configuration.";

class WizardFailures : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::TopLevelWindowsWithCaption(L"Quellix WebSweep").empty())
        << "another copy of the program is already running";
    test::ClearWorkFolder();
  }
  void TearDown() override { test::ClearWorkFolder(); }

  // EICAR put together here, so that no file of the repository is one.
  std::wstring Infected(const std::wstring& name) {
    const std::wstring path = samples_ / name;
    test::WriteFileBytes(path, test::Eicar());
    return path;
  }

  // From the terms to the update page's end with the samples folder as the only target.
  void WalkToTheUpdateEnd(test::Wizard& wizard) {
    ASSERT_TRUE(wizard.AcceptTermsAndChooseSettings()) << "page: " << testing::PrintToString(wizard.PageTitle());
    ASSERT_TRUE(wizard.ChooseTargetFolder(samples_.path()));
    wizard.Shot(L"settings");
    ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_SCAN));
    ASSERT_TRUE(wizard.WaitForPage(L"Initialization...", 30s)) << "page: " << testing::PrintToString(wizard.PageTitle());
    wizard.Shot(L"update");
    ASSERT_TRUE(wizard.WaitForPage(kUpdateFailedTitle, 90s)) << "page: " << testing::PrintToString(wizard.PageTitle());
    wizard.Shot(L"update_failed");
    EXPECT_EQ(wizard.ControlText(IDC_PAGE_TEXT), kCheckConnection);
    EXPECT_EQ(wizard.ControlText(IDC_LEFT_BUTTON), L"Back");
  }

  test::TempFolder samples_;
};

TEST_F(WizardFailures, ServerDownWithoutEarlierModulesOffersOnlyBack) {
  Infected(L"eicar.com");
  test::Wizard wizard(test::ServerThatIsDown());
  wizard.scenario = L"wizard_server_down";
  WalkToTheUpdateEnd(wizard);
  // No engine build is known, so there is nothing older to scan with.
  EXPECT_FALSE(IsWindowVisible(wizard.Control(IDC_RIGHT_BUTTON)));

  ASSERT_TRUE(wizard.ClickControl(IDC_LEFT_BUTTON));
  ASSERT_TRUE(wizard.WaitForPage(L"Computer scan settings", 20s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"back_to_settings");
  // The settings page is usable again: Scan starts another update.
  ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_SCAN));
  EXPECT_TRUE(wizard.WaitForPage(kUpdateFailedTitle, 90s)) << "page: " << testing::PrintToString(wizard.PageTitle());
}

TEST_F(WizardFailures, BrokenDownloadWithEarlierModulesScansWithTheOlderDatabase) {
  const std::wstring eicar = Infected(L"eicar.com");
  test::WriteFileBytes(samples_ / L"clean.txt", "nothing to see");
  test::SeedEarlierModules();
  // A server that answers everything but breaks off every module download.
  test::Wizard wizard(test::FixtureServer(L"update_unreachable"));
  wizard.scenario = L"wizard_older_database";
  WalkToTheUpdateEnd(wizard);
  ASSERT_EQ(wizard.ControlText(IDC_RIGHT_BUTTON), L"Use older database");
  ASSERT_TRUE(wizard.ClickControl(IDC_RIGHT_BUTTON));

  ASSERT_TRUE(wizard.WaitForPage(L"Scanning...", 30s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"scan");
  ASSERT_TRUE(wizard.WaitForPage(L"Threats found", 90s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"threat_list");
  HWND list = wizard.Control(IDC_THREATS_LIST);
  ASSERT_EQ(test::ListRowCount(list), 1);
  EXPECT_EQ(test::ListCellText(wizard.process().id(), list, 0, 0), eicar);
  EXPECT_EQ(test::ListCellText(wizard.process().id(), list, 0, 1), L"Eicar-Test-Signature");
}

TEST_F(WizardFailures, SecondCopyShowsAnotherInstanceAndEndsWhenClosed) {
  test::Wizard first(test::FixtureServer(L"shared"));
  first.scenario = L"wizard_first_instance";
  ASSERT_TRUE(first.WaitForPage(L"Terms of use", 30s)) << "page: " << testing::PrintToString(first.PageTitle());

  test::Wizard second(test::FixtureServer(L"shared"));
  second.scenario = L"wizard_another_instance";
  ASSERT_TRUE(second.WaitForText(IDC_PAGE_TEXT, L"Another instance of Quellix WebSweep is already running.", 30s))
      << "page: " << testing::PrintToString(second.PageTitle());
  EXPECT_EQ(second.PageTitle(), L"");
  EXPECT_FALSE(IsWindowVisible(second.Control(IDC_LEFT_BUTTON)));
  ASSERT_EQ(second.ControlText(IDC_RIGHT_BUTTON), L"Close");
  SetForegroundWindow(second.window());
  second.Shot(L"message");
  ASSERT_TRUE(second.ClickControl(IDC_RIGHT_BUTTON));
  EXPECT_EQ(second.process().WaitForExit(20s), 0u);

  // The first copy goes on as if nothing had happened.
  EXPECT_FALSE(first.process().WaitForExit(0ms).has_value());
  EXPECT_EQ(first.PageTitle(), L"Terms of use");
  SetForegroundWindow(first.window());
  ASSERT_TRUE(first.ClickControl(IDC_TERMS_ACCEPT));
  EXPECT_TRUE(first.WaitForPage(L"Computer scan settings", 30s)) << "page: " << testing::PrintToString(first.PageTitle());
  first.Shot(L"settings");
}

}  // namespace
}  // namespace qws
