// Downloads into memory (and optionally a file) with the system's Internet client library,
// loaded at run time: through the system's configured connection first, then through each
// proxy that discovery finds. A fresh helper is made for every download.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "net/proxy_candidate.h"

namespace qws {

inline constexpr int kDownloadOk = 0;
inline constexpr int kDownloadFailed = -1;

class HttpDownloader {
 public:
  using ProxySource = std::function<std::vector<ProxyCandidate>()>;

  // `proxies` is asked only when the system connection fails.
  explicit HttpDownloader(ProxySource proxies = DefaultProxySource());

  bool available() const { return available_; }

  // Receives at most `maxLength` bytes (more fails the download) into `data`; with `toFile` the
  // bytes are also written to that file. `progress`, when given, holds the bytes received so far.
  // An answer other than 2xx, or one shorter than its announced length, fails.
  // kDownloadOk or kDownloadFailed; on failure `data` is empty.
  int Download(const std::wstring& url, uint64_t maxLength, std::string& data,
               const std::wstring* toFile = nullptr, std::atomic<uint64_t>* progress = nullptr);

  // How the last download went out: empty for the system connection, else the proxy's text.
  const std::wstring& route() const { return route_; }
  bool triedProxies() const { return triedProxies_; }

  static ProxySource DefaultProxySource();

 private:
  bool Open(const std::wstring& url, DWORD access, const wchar_t* proxy, ScopedInternet& session,
            ScopedInternet& request);

  ScopedModule wininet_;
  bool available_ = false;
  decltype(&InternetOpenW) open_ = nullptr;
  decltype(&InternetOpenUrlW) openUrl_ = nullptr;
  decltype(&InternetSetOptionW) setOption_ = nullptr;
  decltype(&InternetConnectW) connect_ = nullptr;
  decltype(&HttpOpenRequestW) openRequest_ = nullptr;
  decltype(&HttpSendRequestW) sendRequest_ = nullptr;
  decltype(&InternetReadFile) readFile_ = nullptr;
  // Required for the library to count as available; ScopedInternet closes through the same
  // entry point of the loaded library.
  decltype(&InternetCloseHandle) closeHandle_ = nullptr;
  decltype(&InternetQueryDataAvailable) queryDataAvailable_ = nullptr;
  decltype(&HttpQueryInfoW) queryInfo_ = nullptr;
  ProxySource proxies_;
  std::optional<uint64_t> announcedLength_;  // the answer's Content-Length
  std::wstring route_;
  bool triedProxies_ = false;
};

}  // namespace qws
