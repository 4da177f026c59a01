// Modal windows of the test's own thread (dialogs, message boxes) driven from a second thread:
// the script sends real input and reads the windows while the test thread sits in the modal
// loop. Scripts collect what they saw; the test thread checks it afterwards.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace qws::test {

// Runs `script` on a second thread. Meanwhile this thread runs `modal` (which returns once its
// modal window has closed) and then handles its messages until the script has ended. Windows of
// this thread with one of the `leftovers` captions still open at the end are cancelled, so that
// a script that lost its way never leaves the test hanging.
void RunWithScript(const std::function<void()>& script, const std::function<void()>& modal,
                   std::initializer_list<const wchar_t*> leftovers);

// A visible dialog (class "#32770") with this caption, or null when none comes in time.
HWND WaitForDialog(const wchar_t* caption, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Waits until the dialog has gone; false when it is still there.
bool WaitForDialogToClose(HWND dialog, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// The text of a message box's message.
std::wstring MessageBoxText(HWND box);
// The window with the keyboard focus in the thread that owns `window`.
HWND FocusedWindowOf(HWND window);
// Types the characters as keyboard input, one key press each.
void TypeText(const std::wstring& text);

}  // namespace qws::test
