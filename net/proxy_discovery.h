// Discovery of the proxies the browsers are configured to use: the Internet settings (with
// automatic configuration) and the connection manager file, Opera, and Firefox and Mozilla
// profiles. Each use makes its own object, adds the sources, finishes and reads the list.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wininet.h>

#include <map>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "net/proxy_candidate.h"
#include "net/winhttp_proxy_config.h"

namespace qws {

class ProxyDiscovery {
 public:
  // Loads the libraries the sources need; a missing one disables those sources.
  ProxyDiscovery();
  ~ProxyDiscovery();
  ProxyDiscovery(const ProxyDiscovery&) = delete;
  ProxyDiscovery& operator=(const ProxyDiscovery&) = delete;

  // Counter from 200: the registry's proxy, the connection manager file, automatic configuration.
  void AddInternetSettings();
  // From 50 when preferred, else 200.
  void AddOpera(bool preferred);
  void AddFirefox(bool preferred);
  // Sorts by priority and removes duplicates.
  void Finish();
  const std::vector<ProxyCandidate>& Candidates() const { return candidates_; }

  // The proxy list that the script at `url` (the automatically detected one when empty) gives
  // for the update server; empty on any failure. Results are kept for the object's lifetime.
  std::wstring EvaluateAutoProxy(const std::wstring& url);

  // The current user's application-data folder, ending in a backslash; empty when unknown.
  const std::wstring& ApplicationDataFolder() const { return appData_; }

 private:
  void AddEntries(const std::wstring& proxyList, int& counter, const wchar_t* source);
  void AddRegistryProxy(int& counter);
  void AddConnectionManagerProxy(int& counter);
  void AddAutomaticConfiguration(int& counter);
  void AddFirefoxProfile(const std::wstring& prefsPath, int& counter);
  std::wstring EvaluateScript(const std::wstring& url);

  std::vector<ProxyCandidate> candidates_;
  std::map<std::wstring, std::wstring> autoProxyCache_;
  std::wstring appData_;

  ScopedModule wininet_;
  decltype(&InternetQueryOptionW) queryOptionW_ = nullptr;
  decltype(&DetectAutoProxyUrl) detectAutoProxyUrl_ = nullptr;
  ScopedModule urlmon_;
  HRESULT(WINAPI* urlDownloadToFileA_)(void*, const char*, const char*, DWORD, void*) = nullptr;
  ScopedModule winsock_;
  bool winsockStarted_ = false;
  ScopedModule jsproxy_;
  WinHttpProxyConfig storedSettings_;

 public:
  // The name resolution entry points handed to the auto-proxy service's helper functions.
  struct ResolverFunctions {
    decltype(&gethostname) getHostName = nullptr;
    decltype(&inet_addr) inetAddr = nullptr;
    decltype(&getnameinfo) getNameInfo = nullptr;
    decltype(&freeaddrinfo) freeAddrInfo = nullptr;
    decltype(&getaddrinfo) getAddrInfo = nullptr;
  };

 private:
  ResolverFunctions resolver_;
};

// The entry points for the two clients, in their orders of sources.
// Engine update: Internet settings, Opera, Firefox, all from 200.
std::vector<ProxyCandidate> DiscoverProxiesForUpdate();
// Downloads: Firefox and Opera preferred (from 50), then the Internet settings.
std::vector<ProxyCandidate> DiscoverProxiesForDownload();

}  // namespace qws
