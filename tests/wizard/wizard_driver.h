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
// "127.0.0.1:<port>" where nothing listens: a server that is down.
std::wstring ServerThatIsDown();

class Wizard {
 public:
  // Starts `program` (empty: the one built) with QWS_SERVER set to `server` ("host:port"; empty:
  // as built) and, when `temp` is given, that folder as its temporary-files folder (where its
  // diagnostic log goes).
  explicit Wizard(const std::wstring& server, const std::wstring& arguments = L"",
                  const std::wstring& program = L"", const std::wstring& temp = L"");

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
  // Waits until the visible page has this title and shows control `id`: pages that share a
  // title ("Threats found") are told apart by a control of their own.
  bool WaitForPage(const std::wstring& title, int id,
                   std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // A control of the visible page, and its text.
  HWND Control(int id);
  std::wstring ControlText(int id);
  bool WaitForText(int id, const std::wstring& text,
                   std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // From the terms page to the settings page with a choice of the unwanted-applications radios.
  bool AcceptTermsAndChooseSettings();
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
  // Saves the screen as <scenario>_<step>.bmp in the test output folder.
  void Shot(const std::wstring& step);

  // On the settings page: opens the advanced section when it is closed, opens the target dialog
  // with "Change...", clears the selection, types `folder` into the path box, checks it with
  // Space on the tree and presses OK. False when a step did not come about.
  bool ChooseTargetFolder(const std::wstring& folder);
  // A visible top-level window of the program with this caption (a dialog), once it shows.
  HWND WaitForWindow(const std::wstring& caption,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30));

  std::wstring scenario;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> savedVariables_;  // before process_: used by its start
  Process process_;
  std::optional<Process> followed_;
  HWND window_ = nullptr;
};

// Rows and cell texts of a list view in another process.
int ListRowCount(HWND list);
std::wstring ListCellText(DWORD processId, HWND list, int row, int column);
// The label rectangle of an item of a tree view in another process, in the tree's coordinates.
std::optional<RECT> TreeItemRect(DWORD processId, HWND tree, HTREEITEM item);
// Whether a row of a list view with check boxes is ticked.
bool ListRowChecked(HWND list, int row);
// The program's work folder below the local application data folder; emptied of an earlier run,
// or given the engine modules of an earlier update (so that an engine build is known before the
// update).
std::wstring WorkFolderPath();
void ClearWorkFolder();
void SeedEarlierModules();
// The diagnostic log the program appends to, in the temporary-files folder.
std::string DiagnosticLog();

// The restart registration under the current user's RunOnce key, as Windows reads it at the
// next logon; and its removal, as Windows removes it before it starts the command.
std::optional<std::wstring> RunOnceData();
void RemoveRunOnceValue();
// A check box or radio of another process: BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE.
LRESULT CheckState(HWND control);
// A list view row's label in screen coordinates, and a real click at its centre (which selects
// the row and gives the list the focus).
std::optional<RECT> ListRowRect(DWORD processId, HWND list, int row);
bool ClickListRow(DWORD processId, HWND list, int row);
// A link of a text control of the program, found on screen by the link colour; a real click at
// its centre. False when no pixel of the colour was seen.
bool ClickLinkOf(HWND control, COLORREF linkColour = 0xD29A2A);

}  // namespace qws::test
