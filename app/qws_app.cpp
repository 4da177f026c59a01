#include "app/qws_app.h"

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app/help_url.h"
#include "app/main_dialog.h"
#include "app/relaunch_plan.h"
#include "app/shell_start.h"
#include "app/work_folder.h"
#include "base/u16.h"

namespace qws {

namespace {

// How long the replacement run waits for the old version's file: 100 tries, 10 seconds.
constexpr int kReplacementCopyAttempts = 100;
constexpr DWORD kReplacementCopyPauseMs = 100;

}  // namespace

CQWS_v2App& TheApp() {
  static CQWS_v2App app;
  return app;
}

bool CQWS_v2App::InitInstance(const std::vector<std::u16string>& args) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  richEdit_.reset(LoadLibraryExW(L"riched20.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));

  WSADATA sockets{};
  if (WSAStartup(MAKEWORD(2, 2), &sockets) != 0) {
    MessageBoxW(nullptr, L"Windows sockets initialization failed.", nullptr, MB_OK | MB_ICONERROR);
    return false;
  }

  CCommandLineInfoEx info;
  info.ParseArguments(args);

  if (DecideRole(info) == ProcessRole::Replacement) {
    RunReplacement(info.m_strUpdPath);
    return false;
  }
  if (info.m_bUpdated) RemoveLeftoverCopy();

  CQWS_v2Dlg dialog;
  dialog.termsAccepted = info.m_bEula;
  dialog.resumedAfterRestart = info.m_bResetStart;
  mainDialog_ = &dialog;
  dialog.DoModal();
  mainDialog_ = nullptr;
  return false;
}

void CQWS_v2App::RunReplacement(const std::u16string& targetPath) {
  // The running file is the new version; it takes the old program's place. The old version
  // ends right after starting this run, but until it has, Windows keeps its file from being
  // written: without waiting, the old version would simply start again.
  const std::wstring self = ModulePath();
  const std::wstring target = ToWide(targetPath);
  for (int attempt = 0; !CopyFileW(self.c_str(), target.c_str(), FALSE) && attempt < kReplacementCopyAttempts;
       ++attempt) {
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
    Sleep(kReplacementCopyPauseMs);
  }
  if (StartThroughShell(PlanReplacementStart(targetPath))) ExitProcess(0);
}

void CQWS_v2App::RemoveLeftoverCopy() {
  const std::wstring folder = LocateWorkFolder().path;
  const std::wstring leftover =
      ToWide(LeftoverCopyPath(ToU16(folder), ProgramName(ToU16(ModulePath()))));
  // The replacement run may still be ending: a few short tries.
  for (int attempt = 0; attempt < 11; ++attempt) {
    if (DeleteFileW(leftover.c_str())) return;
    Sleep(100);
  }
}

void CQWS_v2App::OnHelp() {
  if (!mainDialog_ || !mainDialog_->hwnd() || !mainDialog_->CurrentPageHasHelp()) return;
  ShellExecuteW(nullptr, L"open", ToWide(HelpPageUrl()).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace qws
