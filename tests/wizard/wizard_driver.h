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
// "127.0.0.1:<port>" where nothing listens: a server that is down.
std::wstring ServerThatIsDown();

class Wizard {
 public:
  // Starts the program with QWS_SERVER set to `server` ("host:port"; empty: as built), after
  // making sure no copy of it runs.
  explicit Wizard(const std::wstring& server, const std::wstring& arguments = L"");

  Process& process() { return process_; }
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

  // The text of a control of the visible page (the message page's text is IDC_PAGE_TEXT), and a
  // wait for it.
  std::wstring Text(int id);
  bool WaitForText(int id, const std::wstring& text,
                   std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // A real click on the main window's close button.
  bool ClickCloseButton();
  // From the terms page to the settings page with a choice of the unwanted-applications radios.
  bool AcceptTermsAndChooseSettings();
  // "Change..." on the settings page, and in the target dialog "No selection", the folder typed
  // into the path box and checked with Space, OK: the folder becomes the only scan target.
  bool ChooseScanTarget(const std::wstring& folder);

  std::wstring scenario;

 private:
  Process process_;
  HWND window_ = nullptr;
};

// The program's work folder as a test needs it: nothing of an earlier run in it, or the engine
// modules of an earlier update (so that an engine build is known before the update).
void ClearWorkFolder();
void SeedEarlierModules();
// The diagnostic log the program appends to, in the temporary-files folder.
std::string DiagnosticLog();

// Rows and cell texts of a list view in another process.
int ListRowCount(HWND list);
std::wstring ListCellText(DWORD processId, HWND list, int row, int column);
// A check box or radio of another process: BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE.
LRESULT CheckState(HWND control);

}  // namespace qws::test
