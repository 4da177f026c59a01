// The whole program as a user drives it: a real process under Wine talking to the test's
// qws-server, its window and pages found by control number, real mouse and keyboard input, and a
// screenshot of every page it passes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/win_test_support.h"

namespace qws::test {

// "127.0.0.1:<port>" of the fixture server `name` (qws_test_server); empty without it.
std::wstring FixtureServer(const std::wstring& name);

class Wizard {
 public:
  // Starts the program with QWS_SERVER set to `server` ("host:port"; empty: as built) and, when
  // `temp` is given, that folder as its temporary-files folder (where its diagnostic log goes).
  explicit Wizard(const std::wstring& server, const std::wstring& arguments = L"",
                  const std::wstring& temp = L"");

  Process& process() { return process_; }
  // The main window once it shows; null while it does not.
  HWND window();
  // The visible page, and its title.
  HWND Page();
  std::wstring PageTitle();
  // Waits until the visible page has this title; false after the timeout.
  bool WaitForPage(const std::wstring& title,
                   std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Waits until the visible page has this title and shows control `id`: pages that share a
  // title ("Threats found") are told apart by a control of their own.
  bool WaitForPage(const std::wstring& title, int id,
                   std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // A control of the visible page, and its text.
  HWND Control(int id);
  std::wstring ControlText(int id);
  // A real click at the centre of a control of the visible page; false when it is missing or
  // hidden.
  bool ClickControl(int id);
  // A real click on a control of the main window itself (the close button), not of a page.
  bool ClickWindowControl(int id);
  // A real click on the link drawn in a text control of the visible page ("Change..."), found on
  // screen by its colour; false when no link shows.
  bool ClickLink(int id);
  // A real click on the check box of a row of a list view of the visible page.
  bool ClickRowCheckBox(int listId, int row);
  // A visible top-level window of the program with this caption (a dialog), once it shows.
  HWND WaitForWindow(const std::wstring& caption,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // Saves the screen as <scenario>_<step>.bmp in the test output folder.
  void Shot(const std::wstring& step);

  std::wstring scenario;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> savedVariables_;  // before process_: used by its start
  Process process_;
  HWND window_ = nullptr;
};

// Rows and cell texts of a list view in another process.
int ListRowCount(HWND list);
std::wstring ListCellText(DWORD processId, HWND list, int row, int column);
// The label rectangle of an item of a tree view in another process.
std::optional<RECT> TreeItemRect(DWORD processId, HWND tree, HTREEITEM item);
// Whether a row of a list view with check boxes is ticked.
bool ListRowChecked(HWND list, int row);
// A check box or radio of another process: BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE.
LRESULT CheckState(HWND control);

}  // namespace qws::test
