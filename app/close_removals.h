// What the program removes from the disk and the registry when its main window closes.
#pragma once

#include "app/work_folder.h"

namespace qws {

struct CloseRemovals {
  bool removeQuarantine = false;  // "Remove files from quarantine"
  bool uninstall = false;         // "Uninstall application on close"
  bool resumedRun = false;        // a run started after the restart
};

// The scan plan, the quarantine, and with `uninstall` the settings, the program key, the
// modules, the library files and (in the local application data folder) the loose files and,
// when the quarantine went too, the folder itself. Every step goes on when one fails; files in
// use stay. The scanning library must be unloaded before. A work folder that is empty or a
// root (see RemovalRoot) is never touched; the registry settings still go with `uninstall`.
// Leaves the current directory at the work folder, or at its parent when the folder was
// emptied of its loose files or removed.
void RemoveOnClose(const WorkFolder& folder, const CloseRemovals& removals);

}  // namespace qws
