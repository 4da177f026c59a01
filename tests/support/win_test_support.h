// Helpers for tests that work on real files, processes and windows under Wine.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/scoped_handle.h"

namespace qws::test {

// The folder of the running test program, where the build puts every binary.
std::wstring BinFolder();

// A fresh folder below the temporary-files folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
std::wstring CurrentDirectory();
// Deletes a tree without the program's own helpers (tests must not rely on the code under test).
void RemoveTree(const std::wstring& path);

// A folder link at `link` that leads to `target`. Under Wine a link made with
// CreateSymbolicLinkW is not visible to the program, so the link is made on the Unix side, where
// Wine shows it as a folder with the reparse-point attribute. False when no link could be made.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);
// Removes such a link (not what it leads to).
void RemoveFolderLink(const std::wstring& link);

// Polls until the condition holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A started process; terminated at the end unless it has exited.
class Process {
 public:
  Process(const std::wstring& program, const std::wstring& arguments,
          const std::wstring& folder = L"");
  // A process started by someone else (a program that restarts itself), by its id.
  explicit Process(DWORD processId);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  bool started() const { return process_.is_valid(); }
  DWORD id() const { return id_; }
  // The exit code, or nothing while it is still running after the wait.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout);
  // The full path of the program file it runs; empty when it cannot be asked.
  std::wstring ImagePath() const;

 private:
  ScopedHandle process_;
  DWORD id_ = 0;
};

// The visible top-level windows of a process with the given caption.
std::vector<HWND> TopLevelWindows(DWORD processId, const std::wstring& caption);
// Any top-level window with this caption, in any process.
std::vector<HWND> TopLevelWindowsWithCaption(const std::wstring& caption);
std::wstring WindowText(HWND window);
// The child window showing this text, if any is visible.
HWND FindVisibleChildWithText(HWND parent, const std::wstring& text);
// The program built beside the tests, and its main window once a process of it shows one.
std::wstring ProgramPath();
HWND WaitForMainWindow(DWORD processId, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The page on screen: the visible child dialog of the program's main window.
HWND VisiblePage(HWND mainWindow);
// Presses a button the way a click does.
void Click(HWND button);
// Saves the screen as a BMP file in the test output folder; returns its path.
std::wstring SaveScreenshot(const std::wstring& name);

}  // namespace qws::test
