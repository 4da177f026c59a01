// What the owner hands a bridge before it opens: folders, detection switches, targets, proxy.
#pragma once

#include <cstdint>
#include <string>

namespace qws {

struct ScanSettings {
  std::wstring baseFolder;
  bool detectUnwanted = false;
  bool detectUnsafe = false;
  bool selfExtractingArchives = true;
  int32_t cleanMode = 1;  // 4 cleans automatically, 1 only reports
  bool scanArchives = false;
  bool detectSuspicious = false;
  bool antiStealth = false;
  std::wstring targets;
  uint32_t languageId = 0;
  std::wstring proxyHost;
  std::wstring proxyPort;
  std::wstring proxyUserName;
  std::wstring proxyPassword;
  bool proxyEnabled = false;
};

}  // namespace qws
