// WinINet handles of the library, owned by the project's handle template.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/scoped_handle.h"

namespace qws::scan {

using qws::ScopedInternet;

}  // namespace qws::scan
