// The stored proxy record as the engine bridges take it.
#pragma once

#include "app/proxy_settings.h"
#include "engine/scan_settings.h"

namespace qws {

inline void CopyProxyInto(const ProxySettings& proxy, ScanSettings& settings) {
  settings.proxyHost = proxy.address;
  settings.proxyPort = proxy.port;
  settings.proxyUserName = proxy.userName;
  settings.proxyPassword = proxy.password;
  settings.proxyEnabled = proxy.enabled;
}

}  // namespace qws
