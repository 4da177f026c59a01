// The custom proxy record and its five values under the program key.
#pragma once

#include <string>

namespace qws {

struct ProxySettings {
  std::wstring address;
  std::wstring port;
  std::wstring userName;
  std::wstring password;
  bool enabled = false;
};

void LoadProxySettings(ProxySettings& settings);
void SaveProxySettings(const ProxySettings& settings);
void DeleteProxySettings();

}  // namespace qws
