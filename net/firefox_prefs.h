// The proxy preferences of a Firefox or Mozilla profile's prefs.js, read line by line as the
// profile stores them ("user_pref("network.proxy.http", "host");"). Platform-neutral; texts stay
// in the file's 8-bit form.
#pragma once

#include <string>
#include <string_view>

namespace qws {

struct FirefoxProxyPrefs {
  int type = 0;  // 1 manual, 2 auto-configuration script, 4 automatic detection
  std::string autoconfigUrl;
  int httpPort = 0;
  std::string httpHost;
};

// Lines are read in pieces of at most 1023 bytes; reading ends when all four names were seen.
FirefoxProxyPrefs ReadFirefoxProxyPrefs(std::string_view file);

}  // namespace qws
