#include "app/close_removals.h"

#include <windows.h>

#include <optional>
#include <string>

#include "app/file_utils.h"
#include "app/last_scan_time.h"
#include "app/log.h"
#include "app/program_key.h"
#include "app/proxy_settings.h"
#include "app/removal_root.h"
#include "app/scan_plan.h"
#include "base/u16.h"

namespace qws {

namespace {

constexpr wchar_t kQuarantineFolder[] = L"\\Quarantine\\";
constexpr wchar_t kModulesFolder[] = L"\\Modules\\";
constexpr wchar_t kOldModulesFolder[] = L"\\OldModules\\";
constexpr wchar_t kFerryCacheFolder[] = L"\\Ferry_Cache\\";
constexpr wchar_t kLibrarySettingsFile[] = L"\\qlxs_api.stg";

std::wstring InFolder(const wchar_t* name) { return std::wstring(L"\\") + name; }

void RemoveFolderTree(const std::wstring& workFolder, const wchar_t* name) {
  const std::wstring folder = workFolder + name;
  WriteLog(L"RecursiveRemoveDirectoryAndAllFiles: " + folder + L"\r\n");
  RecursiveRemoveDirectoryAndAllFiles(true, nullptr, folder);
}

void DeleteSettings() {
  DeleteProxySettings();
  {
    // Never created here: a missing key leaves nothing to delete. The handle is closed before
    // the key itself is deleted.
    RegKey key = OpenProgramKeyForReading();
    DeleteLastScanTimes(key.get());
  }
  // Fails, and keeps the key, while a subkey the program does not know is left in it.
  RegDeleteKeyW(HKEY_CURRENT_USER, kProgramKeyPath);
}

}  // namespace

void RemoveOnClose(const WorkFolder& folder, const CloseRemovals& removals) {
  std::optional<std::wstring> work;
  if (auto root = RemovalRoot(ToU16(folder.path))) work = ToWide(*root);
  if (!work && (removals.resumedRun || removals.removeQuarantine || removals.uninstall))
    WriteLog(L"No work folder to clean up: \"" + folder.path + L"\"\r\n");

  if (work && removals.resumedRun) DeleteFileInFolder(*work, InFolder(kScanPlanFileName));

  bool quarantineRemoved = false;
  if (work && removals.removeQuarantine) {
    RemoveFolderTree(*work, kQuarantineFolder);
    quarantineRemoved = true;
  }

  if (!removals.uninstall) return;
  WriteLog(L"Cleaning up\r\n");
  DeleteSettings();
  if (!work) return;

  DeleteFileInFolder(*work, InFolder(kScanPlanFileName));
  RemoveFolderTree(*work, kModulesFolder);
  RemoveFolderTree(*work, kOldModulesFolder);
  WriteLog(L"DeleteQlxApi: " + *work + L"\r\n");
  DeleteFileInFolder(*work, InFolder(kAntiStealthLibraryName));
  DeleteFileInFolder(*work, InFolder(kPlainLibraryName));
  WriteLog(L"DeleteApiStgFile: " + *work + L"\r\n");
  DeleteFileInFolder(*work, kLibrarySettingsFile);
  RemoveFolderTree(*work, kFerryCacheFolder);

  // In the program's own folder the loose files are the program and whatever lies beside it.
  if (folder.isAppData) RecursiveRemoveDirectoryAndAllFiles(quarantineRemoved, nullptr, *work);
}

}  // namespace qws
