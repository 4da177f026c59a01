#include "app/elevation.h"

#include <windows.h>
#include <shlobj.h>

#include "app/relaunch_plan.h"

namespace qws {

bool ElevationNeeded() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  // The version as the program's manifest lets the system report it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool versionKnown = GetVersionExW(&version) != FALSE;
#pragma GCC diagnostic pop
  return RelaunchNeedsElevation(versionKnown, version.dwMajorVersion, IsUserAnAdmin() != FALSE);
}

}  // namespace qws
