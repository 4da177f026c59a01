// The automatic configuration script address of the user's stored connection settings, as
// WinHTTP reports it (WinHttpGetIEProxyConfigForCurrentUser, loaded at run time). Kept apart
// from the WinINet code: the two libraries' headers cannot be included together.
#pragma once

#include <string>

#include "base/scoped_handle.h"

namespace qws {

class WinHttpProxyConfig {
 public:
  // Loads the library; without it or its entry point every answer is empty.
  WinHttpProxyConfig();

  // The script address when the settings switch the script on; empty otherwise.
  std::wstring AutoConfigUrl() const;

 private:
  ScopedModule winhttp_;
  void* query_ = nullptr;  // WinHttpGetIEProxyConfigForCurrentUser
};

}  // namespace qws
