// The wizard's first steps as a user takes them: the terms, Accept, the settings page.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/ui/input_driver.h"
#include "tests/wizard/wizard_driver.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

TEST(WizardSmoke, AcceptLeadsToTheSettings) {
  test::Wizard wizard(test::FixtureServer(L"shared"));
  wizard.scenario = L"wizard_smoke";
  ASSERT_TRUE(wizard.WaitForPage(L"Terms of use", 30s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"terms");
  ASSERT_TRUE(wizard.ClickControl(IDC_TERMS_ACCEPT));
  ASSERT_TRUE(wizard.WaitForPage(L"Computer scan settings", 30s)) << "page: " << testing::PrintToString(wizard.PageTitle());
  wizard.Shot(L"settings");
}

}  // namespace
}  // namespace qws
