// The browsers' profile files: Firefox's prefs.js and the INI files of Opera and the connection
// manager.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/firefox_prefs.h"
#include "net/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const qws::FirefoxProxyPrefs prefs = qws::ReadFirefoxProxyPrefs(file);
  if (prefs.httpHost.size() > size || prefs.autoconfigUrl.size() > size) __builtin_trap();
  for (const char* key : {"Use HTTP", "HTTP server", "Automatic Proxy Configuration URL"}) {
    const auto value = qws::ReadIniText(file, "Proxy", key, 1024);
    if (value && value->size() > 1024) __builtin_trap();
  }
  (void)qws::ReadIniInteger(file, "PROXY", "EnableProxy", 0);
  (void)qws::ReadIniInteger(file, "PROXY", "Http_Proxy_Port", 0);
  return 0;
}
