// Owner of WinINet handles, on the project's handle template.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/scoped_handle.h"

namespace qws::scan {

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::InternetCloseHandle(h); }
};
using ScopedInternet = GenericScopedHandle<InternetHandleTraits>;

}  // namespace qws::scan
