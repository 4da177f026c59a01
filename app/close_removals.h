// What the close removes from the work folder and the registry, by the user's two choices.
#pragma once

#include "app/work_folder.h"

namespace qws {

struct CloseRemovals {
  bool removeQuarantine = false;  // "Remove files from quarantine"
  bool uninstall = false;         // "Uninstall application on close"
  bool resumedRun = false;        // a run started after the restart
};

// Runs after both engines are released; every step goes on when one fails.
void RemoveOnClose(const WorkFolder& folder, const CloseRemovals& removals);

}  // namespace qws
