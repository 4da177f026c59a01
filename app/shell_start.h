#pragma once

#include "app/relaunch_plan.h"

namespace qws {

// Starts the program through the shell with a hidden window; true when the shell reports
// success (a result above 32).
bool StartThroughShell(const ShellStart& start);

}  // namespace qws
