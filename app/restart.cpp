#include "app/restart.h"

#include "app/log.h"
#include "app/scan_plan_win.h"
#include "app/work_folder.h"
#include "base/reg_key.h"
#include "base/scoped_handle.h"
#include "engine/cml_line_scanner.h"

namespace qws {

namespace {

constexpr size_t kMaxProgramPathChars = 1024;

// The token and the privilege record of the last attempt, kept for switching it off again.
struct ShutdownPrivilegeState {
  ScopedHandle token;
  TOKEN_PRIVILEGES privileges{};
};

ShutdownPrivilegeState& PrivilegeState() {
  static ShutdownPrivilegeState state;
  return state;
}

void WritePlanOrLog() {
  if (WriteScanPlan() != 0) WriteLog(L"Cannot create Malware ScanPlan file\r\n");
}

}  // namespace

std::wstring RestartRunData(const std::wstring& programPath) {
  return programPath.substr(0, kMaxProgramPathChars) + L" " + kResetStartArgument;
}

// The restart choices come after the scan and the cleaning have ended, so no worker appends
// to the list while it is read.
int WriteScanPlan() { return WriteScanPlan(CmlLineScanner::InfectedPaths()); }

void RegisterRestartRun() {
  RegKey key;
  if (key.OpenOrCreate(HKEY_CURRENT_USER, kRunOnceKey, KEY_SET_VALUE) != ERROR_SUCCESS) return;
  (void)key.WriteString(kRestartValueName, RestartRunData(ModulePath()));
}

bool EnableShutdownPrivilege() {
  ShutdownPrivilegeState& state = PrivilegeState();
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  state.token.reset(token);
  state.privileges = {};
  state.privileges.PrivilegeCount = 1;
  if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &state.privileges.Privileges[0].Luid))
    return false;
  state.privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  SetLastError(ERROR_SUCCESS);
  // ERROR_NOT_ALL_ASSIGNED comes with a successful call: a privilege not held is a failure.
  const BOOL adjusted = AdjustTokenPrivileges(state.token.get(), FALSE, &state.privileges, 0, nullptr, nullptr);
  return adjusted && GetLastError() == ERROR_SUCCESS;
}

void DisableShutdownPrivilege() {
  ShutdownPrivilegeState& state = PrivilegeState();
  if (!state.token) return;
  state.privileges.Privileges[0].Attributes = 0;
  AdjustTokenPrivileges(state.token.get(), FALSE, &state.privileges, 0, nullptr, nullptr);
}

bool RequestSystemRestart() {
  return InitiateSystemShutdownW(nullptr, nullptr, 0, FALSE, TRUE) != FALSE;
}

bool RestartNow(SystemRestartRequest request) {
  if (!EnableShutdownPrivilege()) return false;
  WritePlanOrLog();
  RegisterRestartRun();
  if (request()) return true;
  WriteLog(L"Restart not succeed\r\n");
  DisableShutdownPrivilege();
  return false;
}

void RestartLater() {
  WritePlanOrLog();
  RegisterRestartRun();
}

}  // namespace qws
