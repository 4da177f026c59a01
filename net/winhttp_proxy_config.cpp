#include "net/winhttp_proxy_config.h"

#include <winhttp.h>

#include "net/system_library.h"

namespace qws {

namespace {

using QueryFunction = decltype(&WinHttpGetIEProxyConfigForCurrentUser);

}  // namespace

WinHttpProxyConfig::WinHttpProxyConfig() {
  winhttp_ = LoadSystemLibrary(L"winhttp.dll");
  QueryFunction query = nullptr;
  if (BindEntryPoint(winhttp_, "WinHttpGetIEProxyConfigForCurrentUser", query))
    query_ = reinterpret_cast<void*>(query);
  else
    winhttp_.reset();
}

std::wstring WinHttpProxyConfig::AutoConfigUrl() const {
  if (!query_) return {};
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!reinterpret_cast<QueryFunction>(query_)(&config)) return {};
  const ScopedGlobalMemory url(config.lpszAutoConfigUrl);
  const ScopedGlobalMemory proxy(config.lpszProxy);
  const ScopedGlobalMemory bypass(config.lpszProxyBypass);
  if (!config.lpszAutoConfigUrl) return {};
  return config.lpszAutoConfigUrl;
}

}  // namespace qws
