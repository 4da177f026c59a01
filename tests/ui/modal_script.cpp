#include "tests/ui/modal_script.h"

#include <atomic>
#include <thread>

#include "tests/support/win_test_support.h"
#include "tests/ui/input_driver.h"

namespace qws::test {

using namespace std::chrono_literals;

void RunWithScript(const std::function<void()>& script, const std::function<void()>& modal,
                   std::initializer_list<const wchar_t*> leftovers) {
  const DWORD testThread = GetCurrentThreadId();
  std::atomic<bool> done{false};
  std::thread driver([&] {
    script();
    // Whatever the script left open is cancelled (message boxes first, their owners after).
    for (int round = 0; round < 3; ++round) {
      for (const wchar_t* caption : leftovers) {
        HWND window = FindWindowW(L"#32770", caption);
        if (window && GetWindowThreadProcessId(window, nullptr) == testThread) {
          PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
          Sleep(200);
        }
      }
    }
    done = true;
  });
  if (modal) modal();
  PumpUntil([&] { return done.load(); }, 60s);
  driver.join();
}

HWND WaitForDialog(const wchar_t* caption, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindWindowW(L"#32770", caption);
        return found && IsWindowVisible(found);
      },
      timeout);
  return found && IsWindowVisible(found) ? found : nullptr;
}

bool WaitForDialogToClose(HWND dialog, std::chrono::milliseconds timeout) {
  return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, timeout);
}

std::wstring MessageBoxText(HWND box) {
  // The message is the box's static text with the number 0xFFFF.
  return WindowText(GetDlgItem(box, 0xFFFF));
}

HWND FocusedWindowOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void TypeText(const std::wstring& text) {
  for (wchar_t c : text) {
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
      key.type = INPUT_KEYBOARD;
      key.ki.wScan = c;
      key.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    Sleep(30);
  }
  Sleep(100);
}

}  // namespace qws::test
