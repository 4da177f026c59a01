// Finishing the cleaning after a restart of Windows: the scan plan of this run, the RunOnce
// registration that starts the program again with "RESETSTART", and the restart itself.
#pragma once

#include <windows.h>

#include <string>

namespace qws {

inline constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr wchar_t kRestartValueName[] = L"FBAV";
inline constexpr wchar_t kResetStartArgument[] = L"RESETSTART";

// The RunOnce data: the program's full path (at most 1024 characters, not quoted), a space and
// "RESETSTART".
std::wstring RestartRunData(const std::wstring& programPath);

// Writes the plan of this run's infected objects (the scan bridge's list) into the current
// directory: 0, or -1 when the file cannot be created.
int WriteScanPlan();

// "FBAV" under the current user's RunOnce key, naming the running program; failures ignored.
void RegisterRestartRun();

// Enables the shutdown privilege of the process token; false when it is not held whole.
bool EnableShutdownPrivilege();
// Sets the privilege record of the last attempt back to disabled.
void DisableShutdownPrivilege();

// Asks Windows to restart the local computer at once; the one call that really restarts.
using SystemRestartRequest = bool (*)();
bool RequestSystemRestart();

// The result page's "Restart now": privilege, plan, registration, restart. True while Windows
// restarts; false when the privilege could not be had or Windows refused (then the log has
// "Restart not succeed" and the privilege is disabled again).
bool RestartNow(SystemRestartRequest request = RequestSystemRestart);

// The result page's "Restart later": the plan and the registration; the user restarts.
void RestartLater();

}  // namespace qws
