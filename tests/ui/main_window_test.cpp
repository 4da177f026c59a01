// The main window as a user sees it: its size and chrome, the frame colour by activation, the
// drop shadow's shapes, minimising and restoring, dragging by the top strip, the window buttons.
#include <gtest/gtest.h>

#include <set>

#include "resources/resource_ids.h"
#include "tests/support/win_test_support.h"
#include "tests/ui/input_driver.h"
#include "ui/page_dlg.h"

namespace qws {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kCaption[] = L"Quellix WebSweep";

struct ShadowQuery {
  HWND owner;
  HWND found = nullptr;
};

BOOL CALLBACK FindShadow(HWND window, LPARAM context) {
  auto* query = reinterpret_cast<ShadowQuery*>(context);
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  if (std::wstring(name) == L"LumenShadowWnd" && GetWindow(window, GW_OWNER) == query->owner) {
    query->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND ShadowOf(HWND window) {
  ShadowQuery query{window};
  EnumWindows(FindShadow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child) {
  RECT rect = WindowRect(child);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The window of the program's UI thread that has the keyboard focus.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// A light grey window over the whole screen that never becomes active.
HWND CreateBackdrop() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QwsBackdrop";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  RegisterClassW(&wc);
  HWND backdrop = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, wc.lpszClassName, L"Backdrop", WS_POPUP, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  wc.hInstance, nullptr);
  ShowWindow(backdrop, SW_SHOWNOACTIVATE);
  return backdrop;
}

// A plain window of the test to take the activation away from the program.
HWND CreateOtherWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QwsOtherWindow";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"Other", WS_POPUP | WS_VISIBLE, 1000, 900, 100, 80,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

TEST(MainWindow, LooksAndBehavesAsTheFrameOfThePages) {
  const std::wstring program = test::BinFolder() + L"\\QuellixWebSweep.exe";
  ASSERT_TRUE(test::TopLevelWindowsWithCaption(kCaption).empty()) << "the program is already running";
  // A light desktop, below the program's windows, so that the screenshots show the shadow.
  HWND backdrop = CreateBackdrop();
  test::Process run(program, L"");
  HWND window = nullptr;
  ASSERT_TRUE(test::WaitUntil([&] {
    const auto windows = test::TopLevelWindows(run.id(), kCaption);
    window = windows.empty() ? nullptr : windows.front();
    return window != nullptr;
  }));
  HWND page = nullptr;
  ASSERT_TRUE(test::WaitUntil([&] {
    page = test::VisiblePage(window);
    return test::WindowText(page) == L"Terms of use";
  }, 10s));

  // Size, window buttons and the page with its help button.
  const RECT frame = WindowRect(window);
  EXPECT_EQ(frame.right - frame.left, 600);
  EXPECT_EQ(frame.bottom - frame.top, 560);
  EXPECT_TRUE(SameRect(ChildRect(GetDlgItem(window, IDC_CLOSE_BUTTON)), {564, 10, 580, 29}));
  EXPECT_TRUE(SameRect(ChildRect(GetDlgItem(window, IDC_MINIMIZE_BUTTON)), {533, 10, 559, 29}));
  EXPECT_TRUE(SameRect(ChildRect(page), {1, 60, 599, 510}));
  EXPECT_TRUE(SameRect(ChildRect(GetDlgItem(page, kHelpButtonId)), {540, 10, 570, 40}));

  // Active: the darker frame and the sharp shadow reaching 3 pixels beyond the window.
  SetForegroundWindow(window);
  HWND shadow = ShadowOf(window);
  ASSERT_TRUE(shadow);
  ASSERT_TRUE(test::WaitUntil([&] { return test::Near(test::WindowPixel(window, 0, 300), 0xBFBCB7, 2); }, 5s))
      << std::hex << test::WindowPixel(window, 0, 300);
  EXPECT_TRUE(IsWindowVisible(shadow));
  EXPECT_TRUE(test::WaitUntil([&] { return SameRect(WindowRect(shadow), {frame.left, frame.top + 2, frame.right + 6, frame.bottom + 8}); }, 3s));
  test::Pump(300ms);
  test::SaveScreenshot(L"main_window");

  // Inactive: the light frame and the soft shadow of the window's own size, shifted.
  HWND other = CreateOtherWindow();
  test::ClickAt(test::CentreOf(other));
  test::Pump(300ms);
  EXPECT_TRUE(test::WaitUntil([&] { return test::Near(test::WindowPixel(window, 0, 300), 0xDFDDDB, 2); }, 5s));
  EXPECT_TRUE(test::WaitUntil([&] { return SameRect(WindowRect(shadow), {frame.left + 3, frame.top + 5, frame.right + 3, frame.bottom + 5}); }, 3s));
  DestroyWindow(other);
  SetForegroundWindow(window);
  // A click that arrives before the activation does is taken by the activation alone.
  ASSERT_TRUE(test::WaitUntil([&] { return test::Near(test::WindowPixel(window, 0, 300), 0xBFBCB7, 2); }, 5s));

  // Minimise with the window's own button: the shadow goes; restored, it comes back.
  test::ClickAt(test::CentreOf(GetDlgItem(window, IDC_MINIMIZE_BUTTON)));
  ASSERT_TRUE(test::WaitUntil([&] { return IsIconic(window) != FALSE; }, 5s));
  EXPECT_TRUE(test::WaitUntil([&] { return !IsWindowVisible(shadow); }, 3s));
  ShowWindow(window, SW_RESTORE);
  ASSERT_TRUE(test::WaitUntil([&] { return !IsIconic(window); }, 5s));
  EXPECT_TRUE(test::WaitUntil([&] { return IsWindowVisible(shadow) != FALSE; }, 3s));
  SetForegroundWindow(window);
  test::Pump(300ms);

  // The top 50 pixels drag the window; below them nothing moves.
  const RECT before = WindowRect(window);
  test::MoveMouse(test::ScreenPoint(window, 300, 25));
  test::MouseDown();
  for (int step = 1; step <= 6; ++step) test::MoveMouse(test::ScreenPoint(window, 300 + 5 * step, 25 + 3 * step));
  test::MoveMouse({before.left + 330, before.top + 45});
  test::Pump(200ms);
  test::MouseUp();
  const RECT dragged = WindowRect(window);
  // Wine's move loop under Xvfb follows the pointer only roughly: the window moves, to the right.
  EXPECT_GT(dragged.left - before.left, 15);
  test::MoveMouse(test::ScreenPoint(window, 300, 55));
  test::MouseDown();
  test::MoveMouse(test::ScreenPoint(window, 340, 85));
  test::MouseUp();
  EXPECT_TRUE(SameRect(WindowRect(window), dragged));
  EXPECT_TRUE(test::WaitUntil([&] { return WindowRect(shadow).left == dragged.left; }, 3s)) << "the shadow follows";

  // Nothing is mouse-only: Tab reaches the page's button and help button and the window's own
  // buttons; Enter on the close button asks, and Enter on the focused "Keep open" goes back.
  SetForegroundWindow(window);
  test::Pump(200ms);
  std::set<HWND> reached;
  for (int i = 0; i < 12; ++i) {
    test::PressKey(VK_TAB);
    test::Pump(60ms);
    reached.insert(FocusOf(window));
  }
  HWND closeButton = GetDlgItem(window, IDC_CLOSE_BUTTON);
  for (HWND button : {GetDlgItem(page, IDC_TERMS_ACCEPT), GetDlgItem(page, kHelpButtonId),
                      GetDlgItem(window, IDC_MINIMIZE_BUTTON), closeButton})
    EXPECT_TRUE(reached.count(button)) << "control " << GetDlgCtrlID(button) << " is not reached with Tab";
  for (int i = 0; i < 12 && FocusOf(window) != closeButton; ++i) test::PressKey(VK_TAB);
  ASSERT_EQ(FocusOf(window), closeButton);
  test::Pump(200ms);
  test::SaveScreenshot(L"main_window_close_button_focused");
  test::PressKey(VK_RETURN);
  HWND confirmation = nullptr;
  ASSERT_TRUE(test::WaitUntil([&] {
    confirmation = test::VisiblePage(window);
    return test::WindowText(GetDlgItem(confirmation, IDC_PAGE_TEXT)) == L"Do you want to close Quellix WebSweep?";
  }, 5s));
  ASSERT_TRUE(test::WaitUntil([&] { return FocusOf(window) == GetDlgItem(confirmation, IDC_RIGHT_BUTTON); }, 3s));
  test::PressKey(VK_RETURN);
  EXPECT_TRUE(test::WaitUntil([&] { return test::VisiblePage(window) == page; }, 5s));
  EXPECT_EQ(test::WindowText(page), L"Terms of use");

  // The close button asks first; "Close" on the confirmation ends the program.
  test::ClickAt(test::CentreOf(GetDlgItem(window, IDC_CLOSE_BUTTON)));
  ASSERT_TRUE(test::WaitUntil([&] {
    page = test::VisiblePage(window);
    return test::WindowText(GetDlgItem(page, IDC_PAGE_TEXT)) == L"Do you want to close Quellix WebSweep?";
  }, 5s));
  test::Pump(300ms);
  test::SaveScreenshot(L"main_window_close_confirmation");
  HWND close = GetDlgItem(page, IDC_LEFT_BUTTON);
  ASSERT_EQ(test::WindowText(close), L"Close");
  test::ClickAt(test::CentreOf(close));
  EXPECT_EQ(run.WaitForExit(10s), 0u);
  DestroyWindow(backdrop);
}

}  // namespace
}  // namespace qws
