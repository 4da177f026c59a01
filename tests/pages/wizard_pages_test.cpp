// The terms, message and final pages as a user meets them: hosted like the main window hosts
// them, driven by real mouse and key input, checked by what they show and what they send on.
#include <gtest/gtest.h>

#include <string>

#include "app/message_content.h"
#include "app/string_table.h"
#include "tests/pages/page_host.h"
#include "tests/support/win_test_support.h"
#include "tests/ui/input_driver.h"
#include "ui/font_list.h"
#include "ui/pages/final_page.h"
#include "ui/pages/message_page.h"
#include "ui/pages/page_messages.h"
#include "ui/pages/terms_page.h"
#include "ui/square_button.h"
#include "resources/resource_ids.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::PageHost;
using test::Pump;
using test::PumpUntil;

RECT RectInPage(HWND page, int controlId) {
  RECT rect{};
  HWND control = GetDlgItem(page, controlId);
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool Visible(HWND page, int controlId) { return IsWindowVisible(GetDlgItem(page, controlId)) != FALSE; }

// The label's width in the page font, as the page measures it.
int LabelWidth(HWND window, const std::wstring& label, HFONT font = FontList::Process().Get(kFontNormal)) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

std::wstring WholeText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void ClickControl(HWND page, int controlId) { test::ClickAt(test::CentreOf(GetDlgItem(page, controlId))); }

bool Received(const PageHost& host, UINT message, WPARAM wparam) {
  for (const auto& step : host.steps)
    if (step.message == message && step.wparam == wparam) return true;
  return false;
}

TEST(MessagePage, PlacesTheButtonsFromTheRightAndSendsTheAnswers) {
  PageHost host;
  CMessageDlg page;
  ASSERT_TRUE(host.Open(page));
  MessagePageContent content;
  content.title = LoadText(4005);  // "Decline?"
  content.text = LoadText(4006);
  content.leftLabel = LoadText(4004);   // "Back"
  content.rightLabel = LoadText(4003);  // "Close"
  content.leftColours = kAccentScheme;
  page.SetContent(content);
  page.Refresh();
  Pump(300ms);
  test::SaveScreenshot(L"message_page_two_buttons");

  const RECT left = RectInPage(page.hwnd(), IDC_LEFT_BUTTON);
  const RECT right = RectInPage(page.hwnd(), IDC_RIGHT_BUTTON);
  const int w1 = LabelWidth(page.hwnd(), content.leftLabel);
  const int w2 = LabelWidth(page.hwnd(), content.rightLabel);
  EXPECT_EQ(right.right, 540);
  EXPECT_EQ(right.right - right.left, w2 + 50);
  EXPECT_EQ(left.right, right.left - 10);
  EXPECT_EQ(left.right - left.left, w1 + 50);
  EXPECT_EQ(left.top, 415);
  EXPECT_EQ(right.bottom, 450);
  EXPECT_EQ(GetFocus(), GetDlgItem(page.hwnd(), IDC_RIGHT_BUTTON));

  ClickControl(page.hwnd(), IDC_RIGHT_BUTTON);
  EXPECT_TRUE(PumpUntil([&] { return Received(host, kStepMessageAnswered, 2); }));
  // The left answer by keyboard alone: Tab from the right button, then Space.
  host.steps.clear();
  SetFocus(GetDlgItem(page.hwnd(), IDC_RIGHT_BUTTON));
  test::PressKeyWith(VK_SHIFT, VK_TAB);
  Pump();
  EXPECT_EQ(GetFocus(), GetDlgItem(page.hwnd(), IDC_LEFT_BUTTON));
  test::PressKey(VK_SPACE);
  EXPECT_TRUE(PumpUntil([&] { return Received(host, kStepMessageAnswered, 1); }));

  // A content without a left label shows the right button alone, still ending at 540.
  content.leftLabel.clear();
  content.title.clear();
  content.text = LoadText(4118);  // "Do you want to close Quellix WebSweep?"
  content.rightLabel = LoadText(4122);  // "Keep open"
  page.SetContent(content);
  page.Refresh();
  Pump(300ms);
  test::SaveScreenshot(L"message_page_one_button");
  EXPECT_FALSE(Visible(page.hwnd(), IDC_LEFT_BUTTON));
  EXPECT_TRUE(Visible(page.hwnd(), IDC_RIGHT_BUTTON));
  EXPECT_EQ(RectInPage(page.hwnd(), IDC_RIGHT_BUTTON).right, 540);
  host.steps.clear();
  test::PressKey(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return Received(host, kStepMessageAnswered, 2); }));
}

TEST(MessagePage, ButtonPlacesForLabelWidths) {
  const MessageButtonPlaces places = PlaceMessageButtons(30, 60);
  EXPECT_EQ(places.right.left, 430);
  EXPECT_EQ(places.right.right, 540);
  EXPECT_EQ(places.left.left, 340);
  EXPECT_EQ(places.left.right, 420);
}

TEST(TermsPage, NewVersionBarIsFullFromSevenMillionBytes) {
  EXPECT_EQ(NewVersionProgress(0), 0);
  EXPECT_EQ(NewVersionProgress(3500000), 50);
  EXPECT_EQ(NewVersionProgress(6999999), 99);
  EXPECT_EQ(NewVersionProgress(7000000), 100);
  EXPECT_EQ(NewVersionProgress(14000000), 100);
}

// Without a version marker (nothing listens on the port) the box never appears: Accept goes
// straight on, and Decline asks first.
TEST(TermsPage, WithoutANewVersionAcceptGoesOnAndDeclineAsks) {
  PageHost host;
  CEulaDlg page({test::BinFolder() + L"\\wizard_pages_test.exe", test::CurrentDirectory(),
                 L"http://127.0.0.1:9/special/qws-beta-be/"});
  ASSERT_TRUE(host.Open(page));
  ASSERT_TRUE(PumpUntil([&] { return !page.versionCheckRunning(); }, 30s));
  Pump(300ms);
  test::SaveScreenshot(L"terms_page");

  EXPECT_EQ(test::WindowText(page.hwnd()), LoadText(4002));  // "Terms of use"
  const std::wstring terms = WholeText(GetDlgItem(page.hwnd(), IDC_TERMS_TEXT));
  EXPECT_GT(terms.size(), 20000u);
  EXPECT_EQ(terms.rfind(L"QUELLIX WEBSWEEP\r\n", 0), 0u);
  EXPECT_EQ(terms.find(L"\n\n"), std::wstring::npos) << "every line end is CR LF";
  EXPECT_FALSE(Visible(page.hwnd(), IDC_TERMS_NEW_VERSION));
  EXPECT_FALSE(page.newVersionAvailable());

  const RECT decline = RectInPage(page.hwnd(), IDC_TERMS_DECLINE);
  const RECT accept = RectInPage(page.hwnd(), IDC_TERMS_ACCEPT);
  EXPECT_EQ(decline.right, 540);
  EXPECT_EQ(accept.right, decline.left - 10);
  EXPECT_EQ(accept.top, 415);
  EXPECT_EQ(GetFocus(), GetDlgItem(page.hwnd(), IDC_TERMS_ACCEPT));

  // Ctrl+A in the text selects all of it.
  ClickControl(page.hwnd(), IDC_TERMS_TEXT);
  test::PressKeyWith(VK_CONTROL, 'A');
  Pump();
  DWORD start = 1, end = 0;
  SendMessageW(GetDlgItem(page.hwnd(), IDC_TERMS_TEXT), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, terms.size());

  ClickControl(page.hwnd(), IDC_TERMS_DECLINE);
  ASSERT_TRUE(PumpUntil([&] { return !host.steps.empty(); }));
  ASSERT_EQ(host.steps[0].message, kStepShowMessage);
  const auto* question = reinterpret_cast<const MessagePageContent*>(host.steps[0].lparam);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->title, LoadText(4005));
  EXPECT_EQ(question->text, LoadText(4006));
  EXPECT_EQ(question->leftLabel, LoadText(4004));
  EXPECT_EQ(question->rightLabel, LoadText(4003));
  EXPECT_EQ(question->leftColours, kAccentScheme);
  EXPECT_EQ(question->rightColours, kGreyScheme);

  // "Back" leaves the page as it was.
  SendMessageW(page.hwnd(), kStepMessageAnswered, 1, 0);
  host.steps.clear();
  page.Refresh();
  ClickControl(page.hwnd(), IDC_TERMS_ACCEPT);
  ASSERT_TRUE(PumpUntil([&] { return !host.steps.empty(); }));
  EXPECT_EQ(host.steps[0].message, kStepTermsAccepted);
}

TEST(FinalPage, ShowsTheOfferWithTheTrialButtonFittedFromTheLeft) {
  PageHost host;
  CFinalDlg page;
  ASSERT_TRUE(host.Open(page));
  SetWindowPos(page.hwnd(), nullptr, 1, 60, 598, 498, SWP_NOZORDER);
  Pump(300ms);
  test::SaveScreenshot(L"final_page");
  EXPECT_EQ(test::WindowText(page.hwnd()), LoadText(4092));
  const RECT trial = RectInPage(page.hwnd(), IDC_FINAL_TRIAL);
  EXPECT_EQ(trial.left, 59);
  EXPECT_EQ(trial.top, 293);
  EXPECT_EQ(trial.bottom, 328);
  EXPECT_EQ(trial.right - trial.left, LabelWidth(page.hwnd(), LoadText(4096), SquareButtonFont()) + 30);
  EXPECT_EQ(GetFocus(), GetDlgItem(page.hwnd(), IDC_FINAL_TRIAL));
  EXPECT_EQ(test::WindowText(GetDlgItem(page.hwnd(), IDC_FINAL_OFFER_LIST)), LoadText(4095));
}

}  // namespace
}  // namespace qws
