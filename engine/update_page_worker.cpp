#include "engine/update_page_worker.h"

#include "app/file_utils.h"

namespace qws {

namespace {

constexpr uint64_t kUpdateFreeSpaceBytes = 157286400;  // 150 MB

void RemoveTree(const std::wstring& folder) { RecursiveRemoveDirectoryAndAllFiles(true, nullptr, folder); }

}  // namespace

void RunUpdatePageWorker(CmlLineScanner& bridge, const std::wstring& workFolder, bool freshStart,
                         const FreeSpaceQuery& freeSpace) {
  bridge.workFolder = workFolder;
  bridge.progress = 0;
  const std::wstring modules = (workFolder + L"\\Modules\\").substr(0, 1023);
  const std::wstring old = (workFolder + L"\\OldModules\\").substr(0, 1023);
  bool backup = false;
  bool opened = false;

  if (!freshStart) {
    RemoveTree(old);
    if (bridge.OpenUpdateBridge() != 0) {
      RemoveTree(modules);
    } else {
      opened = true;
      if (freeSpace(workFolder) > kUpdateFreeSpaceBytes)
        backup = CopyDirectoryTree(modules, old, false, nullptr, nullptr, nullptr);
    }
  }
  if (!opened && freeSpace(workFolder) < kUpdateFreeSpaceBytes) {
    bridge.progress = -1;
    return;
  }
  // The bridge opened for the backup is closed before the attempts open their own.
  if (opened) bridge.CloseWithWorkerKilled();

  if (bridge.UpdateWithRetries(workFolder) == 0) {
    bridge.CloseWithWorkerKilled();
    return;
  }
  if (!backup) {
    bridge.progress = -3;
    return;
  }
  bridge.CloseWithWorkerKilled();
  RemoveTree(modules);
  CopyDirectoryTree(old, modules, false, nullptr, nullptr, nullptr);
  if (bridge.OpenUpdateBridge() == 0) {
    bridge.progress = -2;
  } else {
    RemoveTree(modules);
    RemoveTree(old);
    bridge.progress = -3;
  }
}

}  // namespace qws
