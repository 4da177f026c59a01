// The whole program as a user drives it: a real process under Wine talking to the test's
// qws-server, its window and pages found by control number, real mouse and keyboard input, and a
// screenshot of every page it passes.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "tests/support/win_test_support.h"

namespace qws::test {

// "127.0.0.1:<port>" of the fixture server `name` (qws_test_server); empty without it.
std::wstring FixtureServer(const std::wstring& name);

class Wizard {
 public:
  // Starts the program with QWS_SERVER set to `server` ("host:port"; empty: as built), after
  // making sure no copy of it runs. `program` is the file to start; empty: the one built.
  explicit Wizard(const std::wstring& server, const std::wstring& arguments = L"",
                  const std::wstring& program = L"");

  // The process whose window is driven: the started one, or the one followed.
  Process& process() { return followed_ ? *followed_ : process_; }
  // Drives the window of another process from here on: the copy the program started when it
  // restarted itself. Waits for a visible main window of a process other than the started one;
  // false when none came.
  bool FollowRestartedProgram(std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // The main window once it shows; null while it does not.
  HWND window();
  // The visible page, and its title.
  HWND Page();
  std::wstring PageTitle();
  // Waits until the visible page has this title; false after the timeout.
  bool WaitForPage(const std::wstring& title,
                   std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // A control of the visible page.
  HWND Control(int id);
  // A real click at the centre of a control of the visible page; false when it is missing or
  // hidden.
  bool ClickControl(int id);
  // Saves the screen as <scenario>_<step>.bmp in the test output folder.
  void Shot(const std::wstring& step);

  // On the settings page: opens the advanced section when it is closed, opens the target dialog
  // with "Change...", clears the selection, types `folder` into the path box, checks it with
  // Space on the tree and presses OK. False when a step did not come about.
  bool ChooseTargetFolder(const std::wstring& folder);
  // The top-level window of this program with this caption (a dialog it opened), once visible.
  HWND WaitForOwnWindow(const std::wstring& caption,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));

  std::wstring scenario;

 private:
  Process process_;
  std::optional<Process> followed_;
  HWND window_ = nullptr;
};

// Rows and cell texts of a list view in another process.
int ListRowCount(HWND list);
std::wstring ListCellText(DWORD processId, HWND list, int row, int column);
// A check box or radio of another process: BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE.
LRESULT CheckState(HWND control);
// A list view row's label in screen coordinates, and a real click at its centre (which selects
// the row and gives the list the focus).
std::optional<RECT> ListRowRect(DWORD processId, HWND list, int row);
bool ClickListRow(DWORD processId, HWND list, int row);
// A link of a text control of the program, found on screen by the link colour; a real click at
// its centre. False when no pixel of the colour was seen.
bool ClickLinkOf(HWND control, COLORREF linkColour = 0xD29A2A);
// Types text as Unicode key presses into the window that has the keyboard focus.
void TypeText(const std::wstring& text);

}  // namespace qws::test
