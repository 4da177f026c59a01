// Proxy entries and lists (auto-configuration results, Opera's "HTTP server") and the Internet
// settings' "ProxyServer" value, read from UTF-16 input, then finished as discovery does.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/proxy_candidate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

  std::vector<qws::ProxyCandidate> list = qws::SplitProxyList(text);
  for (const auto& candidate : list)
    if (candidate.host.find(u';') != std::u16string::npos) __builtin_trap();
  list.push_back(qws::ParseProxyEntry(text));
  list.push_back(qws::ParseInternetSettingsProxy(text));
  for (size_t i = 0; i < list.size(); ++i) list[i].priority = static_cast<int>(i % 3);
  qws::FinishCandidates(list);
  for (size_t i = 0; i < list.size(); ++i) {
    (void)qws::CandidateText(list[i]);
    if (i > 0 && list[i - 1].priority > list[i].priority) __builtin_trap();
    for (size_t j = 0; j < i; ++j)
      if (list[j].host == list[i].host && list[j].port == list[i].port) __builtin_trap();
  }
  return 0;
}
