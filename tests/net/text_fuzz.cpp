// Every platform-neutral reader of outside text in net/, on the same input: proxy entries and
// lists, the Internet settings value, prefs.js, INI files, Base64, the banner list and the
// database index.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/base64.h"
#include "net/download_lists.h"
#include "net/firefox_prefs.h"
#include "net/ini_file.h"
#include "net/proxy_candidate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::u16string wide;
  for (size_t i = 0; i + 1 < size; i += 2) wide.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

  auto list = qws::SplitProxyList(wide);
  list.push_back(qws::ParseInternetSettingsProxy(wide));
  qws::FinishCandidates(list);
  for (const auto& candidate : list) (void)qws::CandidateText(candidate);

  (void)qws::ReadFirefoxProxyPrefs(bytes);
  (void)qws::ReadIniText(bytes, "Proxy", "HTTP server", 1024);
  (void)qws::ReadIniInteger(bytes, "PROXY", "EnableProxy", 0);
  if (auto decoded = qws::DecodeBase64(bytes); decoded && decoded->size() > size) __builtin_trap();
  if (auto banners = qws::ReadBannerList(bytes)) {
    for (const auto& banner : *banners)
      if (banner.imageUrl.size() > 255 || banner.durationSeconds < 0) __builtin_trap();
  }
  if (auto index = qws::ReadDatabaseIndex(bytes); index && (index->size == 0 || index->link.empty()))
    __builtin_trap();
  return 0;
}
