#include "app/close_removals.h"

#include "app/file_utils.h"
#include "app/scan_plan.h"

namespace qws {

void RemoveOnClose(const WorkFolder& folder, const CloseRemovals& removals) {
  // The plan has served its one resumed run.
  if (removals.resumedRun && !folder.path.empty())
    DeleteFileInFolder(folder.path, std::wstring(L"\\") + kScanPlanFileName);
}

}  // namespace qws
