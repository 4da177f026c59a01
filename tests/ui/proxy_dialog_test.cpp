// The proxy dialog as a user meets it: it runs modally on the test's thread while a script on a
// second thread types, clicks and answers its message boxes with real input under Xvfb.
#include "net/proxy_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "tests/support/win_test_support.h"
#include "tests/ui/input_driver.h"
#include "tests/ui/modal_script.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kTitle[] = L"Proxy server settings";
constexpr wchar_t kMessageTitle[] = L"Quellix WebSweep";

RECT ItemRect(HWND dialog, int id) {
  RECT rect{};
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int Width(const RECT& rect) { return rect.right - rect.left; }

// What a label's text needs in the dialog's font, with the 2 pixels the fitting adds.
int NeededWidth(HWND dialog, int id) {
  const std::wstring text = test::WindowText(GetDlgItem(dialog, id));
  HDC dc = GetDC(dialog);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);
  return size.cx + 2;
}

int WindowWidth(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return Width(rect);
}

// Presses OK with Enter and reads the message box that answers; empty when none came.
std::wstring RefusalOfEnter() {
  test::PressKey(VK_RETURN);
  HWND box = test::WaitForDialog(kMessageTitle, 5s);
  if (!box) return L"";
  const std::wstring text = test::MessageBoxText(box);
  test::PressKey(VK_RETURN);
  test::WaitForDialogToClose(box);
  return text;
}

// The dialog moves the focus once the message box has returned.
bool FocusComesTo(HWND dialog, int id) {
  return test::WaitUntil([&] { return test::FocusedWindowOf(dialog) == GetDlgItem(dialog, id); }, 3s);
}

// Selects the whole field that has the focus and types over it.
void Retype(const std::wstring& text) {
  test::PressKey(VK_HOME);
  test::PressKeyWith(VK_SHIFT, VK_END);
  test::TypeText(text);
}

bool PutOnClipboard(const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  bool put = false;
  if (memory) {
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  }
  CloseClipboard();
  return put;
}

class ProxyDialog : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
  }
  void SetUp() override { test::MoveMouse({5, 5}); }
};

TEST_F(ProxyDialog, FitsItsLabelsAndAsksForTheNewPasswordTwice) {
  ProxySettings record{L"old.proxy.test", L"3128", L"someone", L"stored", true};
  struct {
    bool opened = false, focusOnAddress = false, confirmationAtOpen = true, confirmationAfterEdit = false;
    std::wstring address, port, password;
    int labelWidths[4] = {}, neededAtOpen = 0, gapAtOpen = 0, widthAtOpen = 0;
    int labelWidthAfter = 0, neededAfter = 0, gapAfter = 0, widthAfter = 0, confirmationLeft = 0, passwordLeft = 0;
    std::wstring refusal;
  } seen;
  INT_PTR result = 0;
  test::RunWithScript(
      [&] {
        HWND dialog = test::WaitForDialog(kTitle);
        if (!dialog) return;
        seen.opened = true;
        seen.focusOnAddress = test::FocusedWindowOf(dialog) == GetDlgItem(dialog, IDC_PROXY_ADDRESS);
        seen.address = test::WindowText(GetDlgItem(dialog, IDC_PROXY_ADDRESS));
        seen.port = test::WindowText(GetDlgItem(dialog, IDC_PROXY_PORT));
        seen.password = test::WindowText(GetDlgItem(dialog, IDC_PROXY_PASSWORD));
        seen.confirmationAtOpen = IsWindowVisible(GetDlgItem(dialog, IDC_PROXY_CONFIRM));
        const int labels[] = {IDC_PROXY_ADDRESS_LABEL, IDC_PROXY_PORT_LABEL, IDC_PROXY_USERNAME_LABEL,
                              IDC_PROXY_PASSWORD_LABEL};
        for (int i = 0; i < 4; ++i) {
          seen.labelWidths[i] = Width(ItemRect(dialog, labels[i]));
          seen.neededAtOpen = std::max(seen.neededAtOpen, NeededWidth(dialog, labels[i]));
        }
        seen.gapAtOpen = ItemRect(dialog, IDC_PROXY_ADDRESS).left - ItemRect(dialog, IDC_PROXY_ADDRESS_LABEL).right;
        seen.widthAtOpen = WindowWidth(dialog);
        test::SaveScreenshot(L"proxy_dialog");

        // Typing a new password brings the confirmation row, whose label is the longest.
        test::ClickAt(test::CentreOf(GetDlgItem(dialog, IDC_PROXY_PASSWORD)));
        Retype(L"fresh");
        seen.confirmationAfterEdit = IsWindowVisible(GetDlgItem(dialog, IDC_PROXY_CONFIRM)) &&
                                     IsWindowVisible(GetDlgItem(dialog, IDC_PROXY_CONFIRM_LABEL));
        seen.labelWidthAfter = Width(ItemRect(dialog, IDC_PROXY_ADDRESS_LABEL));
        seen.neededAfter = NeededWidth(dialog, IDC_PROXY_CONFIRM_LABEL);
        seen.gapAfter = ItemRect(dialog, IDC_PROXY_ADDRESS).left - ItemRect(dialog, IDC_PROXY_ADDRESS_LABEL).right;
        seen.widthAfter = WindowWidth(dialog);
        seen.confirmationLeft = ItemRect(dialog, IDC_PROXY_CONFIRM).left;
        seen.passwordLeft = ItemRect(dialog, IDC_PROXY_PASSWORD).left;
        test::SaveScreenshot(L"proxy_dialog_confirmation");

        // A refused port, then Cancel: nothing reaches the record.
        test::ClickAt(test::CentreOf(GetDlgItem(dialog, IDC_PROXY_PORT)));
        Retype(L"70000");
        // The confirmation is typed to match, so that the port is the one refusal.
        test::ClickAt(test::CentreOf(GetDlgItem(dialog, IDC_PROXY_CONFIRM)));
        test::TypeText(L"fresh");
        seen.refusal = RefusalOfEnter();
        test::PressKey(VK_ESCAPE);
        test::WaitForDialogToClose(dialog);
      },
      [&] { result = CProxyDialog(record).DoModal(nullptr); }, {kMessageTitle, kTitle});

  ASSERT_TRUE(seen.opened);
  EXPECT_TRUE(seen.focusOnAddress);
  EXPECT_EQ(seen.address, L"old.proxy.test");
  EXPECT_EQ(seen.port, L"3128");
  EXPECT_EQ(seen.password, L"stored");
  EXPECT_FALSE(seen.confirmationAtOpen);
  // Every label takes what the longest visible one needs; the fields keep their distance.
  for (int width : seen.labelWidths) EXPECT_EQ(width, seen.neededAtOpen);
  EXPECT_GT(seen.gapAtOpen, 0);
  EXPECT_EQ(seen.gapAfter, seen.gapAtOpen);
  EXPECT_TRUE(seen.confirmationAfterEdit);
  EXPECT_EQ(seen.labelWidthAfter, seen.neededAfter);
  EXPECT_GT(seen.neededAfter, seen.neededAtOpen);
  EXPECT_EQ(seen.widthAfter - seen.widthAtOpen, seen.neededAfter - seen.neededAtOpen) << "the dialog grows by the difference";
  EXPECT_EQ(seen.confirmationLeft, seen.passwordLeft);
  EXPECT_EQ(seen.refusal, L"Port must be number between 1 and 65535.");
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(record.address, L"old.proxy.test");
  EXPECT_EQ(record.port, L"3128");
  EXPECT_EQ(record.userName, L"someone");
  EXPECT_EQ(record.password, L"stored");
  EXPECT_TRUE(record.enabled);
}

TEST_F(ProxyDialog, RefusesAMismatchAndPortsOutOfRangeThenStoresTheFields) {
  ProxySettings record;
  struct {
    bool opened = false, passwordsEmptied = false, focusOnPasswordAfterMismatch = false;
    bool focusOnPortAfterRefusal = false, pasted = false;
    std::wstring zeroPort, tooHighPort, mismatch;
  } seen;
  INT_PTR result = 0;
  test::RunWithScript(
      [&] {
        HWND dialog = test::WaitForDialog(kTitle);
        if (!dialog) return;
        seen.opened = true;
        // A pasted address longer than what the settings store reads back is cut to fit.
        seen.pasted = PutOnClipboard(std::wstring(300, L'a'));
        test::PressKeyWith(VK_CONTROL, 'V');
        test::PressKey(VK_TAB);
        test::TypeText(L"0");
        seen.zeroPort = RefusalOfEnter();
        seen.focusOnPortAfterRefusal = FocusComesTo(dialog, IDC_PROXY_PORT);
        Retype(L"65536");
        seen.tooHighPort = RefusalOfEnter();
        Retype(L"65535");
        test::PressKey(VK_TAB);
        test::TypeText(L"walker");
        test::PressKey(VK_TAB);
        test::TypeText(L"abc");
        test::PressKey(VK_TAB);
        test::TypeText(L"abd");
        seen.mismatch = RefusalOfEnter();
        seen.passwordsEmptied = test::WindowText(GetDlgItem(dialog, IDC_PROXY_PASSWORD)).empty() &&
                                test::WindowText(GetDlgItem(dialog, IDC_PROXY_CONFIRM)).empty();
        seen.focusOnPasswordAfterMismatch = FocusComesTo(dialog, IDC_PROXY_PASSWORD);
        test::TypeText(L"S3cret");
        test::PressKey(VK_TAB);
        test::TypeText(L"S3cret");
        test::PressKey(VK_RETURN);
        test::WaitForDialogToClose(dialog);
      },
      [&] { result = CProxyDialog(record).DoModal(nullptr); }, {kMessageTitle, kTitle});

  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(seen.zeroPort, L"Port must be number between 1 and 65535.");
  EXPECT_TRUE(seen.focusOnPortAfterRefusal);
  EXPECT_EQ(seen.tooHighPort, L"Port must be number between 1 and 65535.");
  EXPECT_EQ(seen.mismatch, L"The passwords you entered do not match!");
  EXPECT_TRUE(seen.passwordsEmptied);
  EXPECT_TRUE(seen.focusOnPasswordAfterMismatch);
  ASSERT_EQ(result, IDOK);
  if (seen.pasted) {
    EXPECT_EQ(record.address, std::wstring(259, L'a'));
  }
  EXPECT_EQ(record.port, L"65535");
  EXPECT_EQ(record.userName, L"walker");
  EXPECT_EQ(record.password, L"S3cret");
  EXPECT_FALSE(record.enabled) << "the dialog leaves the switch to the page";
}

}  // namespace
}  // namespace qws
