#include "net/proxy_discovery.h"

#include <shlobj.h>

#include "base/endpoints.h"
#include "base/reg_key.h"
#include "base/u16.h"
#include "net/firefox_prefs.h"
#include "net/ini_file.h"
#include "net/system_library.h"
#include "net/winhttp_proxy_config.h"

namespace qws {

namespace {

constexpr wchar_t kInternetSettingsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr size_t kMaxProxyServerChars = 1025;
constexpr size_t kMaxConnectionManagerPathChars = 261;
constexpr size_t kMaxConnectionManagerHostChars = 128;
constexpr size_t kMaxIniTextChars = 1024;
constexpr size_t kMaxScriptUrlBytes = 1023;
constexpr size_t kMaxProfileFileBytes = 16 * 1024 * 1024;
constexpr DWORD kResolveBufferBytes = 254;

// The discovery whose evaluation is running on this thread: the auto-proxy service's helper
// functions carry no context of their own.
thread_local const ProxyDiscovery::ResolverFunctions* t_resolver = nullptr;

std::wstring FromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
  if (chars > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), chars);
  return wide;
}

std::string ToAnsi(std::wstring_view text) {
  if (text.empty()) return {};
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), bytes,
                        nullptr, nullptr);
  return narrow;
}

// A profile file read whole; nothing when it does not open.
std::optional<std::string> ReadProfileFile(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[16384];
  DWORD read = 0;
  while (bytes.size() < kMaxProfileFileBytes && ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) &&
         read > 0)
    bytes.append(buffer, read);
  return bytes;
}

std::wstring WithBackslash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH] = L"";
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(folder) : std::wstring();
}

std::wstring FindApplicationDataFolder() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&version);
#pragma GCC diagnostic pop
  wchar_t shellFolder[MAX_PATH] = L"";
  if (SHGetSpecialFolderPathW(nullptr, shellFolder, CSIDL_APPDATA, FALSE)) return WithBackslash(shellFolder);
  if (version.dwMajorVersion >= 6) return {};
  const std::wstring windows = WindowsFolder();
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT)
    return windows.empty() ? L"C:\\Windows\\Application Data\\" : windows + L"\\Application Data\\";
  if (version.dwMajorVersion <= 4) {
    wchar_t user[256] = L"";
    DWORD size = 256;
    if (!GetUserNameW(user, &size)) return {};
    return (windows.empty() ? std::wstring(L"C:\\Winnt") : windows) + L"\\Profiles\\" + user +
           L"\\Application Data\\";
  }
  return {};
}

// ResolveHostName of the helper table: the host's IPv4 address as dotted text.
DWORD ResolveInto(const char* host, char* buffer, DWORD* size) {
  const ProxyDiscovery::ResolverFunctions* resolver = t_resolver;
  if (!resolver || !resolver->getAddrInfo || !resolver->freeAddrInfo || !host || !buffer || !size)
    return ERROR_INTERNET_NAME_NOT_RESOLVED;
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  int status = resolver->getAddrInfo(host, nullptr, &hints, &found);
  if (status == 0) {
    resolver->freeAddrInfo(found);
    const size_t length = strlen(host);
    if (length + 1 > *size) {
      *size = static_cast<DWORD>(length + 1);
      return ERROR_INSUFFICIENT_BUFFER;
    }
    memcpy(buffer, host, length + 1);
    return ERROR_SUCCESS;
  }
  if (status != WSAHOST_NOT_FOUND) return status == 8 ? 8 : ERROR_INTERNET_NAME_NOT_RESOLVED;
  hints.ai_flags = 0;
  found = nullptr;
  status = resolver->getAddrInfo(host, nullptr, &hints, &found);
  if (status != 0) return status == 8 ? 8 : ERROR_INTERNET_NAME_NOT_RESOLVED;
  DWORD result = ERROR_INTERNET_NAME_NOT_RESOLVED;
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET) continue;
    if (resolver->getNameInfo && *size > 0 &&
        resolver->getNameInfo(entry->ai_addr, static_cast<socklen_t>(entry->ai_addrlen), buffer, *size,
                              nullptr, 0, NI_NUMERICHOST) == 0)
      result = ERROR_SUCCESS;
    break;
  }
  resolver->freeAddrInfo(found);
  return result;
}

BOOL WINAPI HelperIsResolvable(LPSTR host) {
  char buffer[kResolveBufferBytes];
  DWORD size = sizeof(buffer);
  return ResolveInto(host, buffer, &size) == ERROR_SUCCESS;
}

DWORD WINAPI HelperGetIPAddress(LPSTR buffer, LPDWORD size) {
  const ProxyDiscovery::ResolverFunctions* resolver = t_resolver;
  char name[kResolveBufferBytes] = "";
  if (!resolver || !resolver->getHostName || resolver->getHostName(name, sizeof(name)) != 0)
    return ERROR_INTERNET_INTERNAL_ERROR;
  name[sizeof(name) - 1] = '\0';
  return ResolveInto(name, buffer, size);
}

DWORD WINAPI HelperResolveHostName(LPSTR host, LPSTR buffer, LPDWORD size) {
  return ResolveInto(host, buffer, size);
}

BOOL WINAPI HelperIsInNet(LPSTR address, LPSTR destination, LPSTR mask) {
  const ProxyDiscovery::ResolverFunctions* resolver = t_resolver;
  if (!resolver || !resolver->inetAddr || !address || !destination || !mask) return FALSE;
  const unsigned long a = resolver->inetAddr(address);
  const unsigned long d = resolver->inetAddr(destination);
  const unsigned long m = resolver->inetAddr(mask);
  // "255.255.255.255" converts to INADDR_NONE as well; only an unconvertible text fails.
  auto failed = [](unsigned long value, const char* text) {
    return value == INADDR_NONE && strcmp(text, "255.255.255.255") != 0;
  };
  if (failed(a, address) || failed(d, destination) || failed(m, mask)) return FALSE;
  return (a & m) == d;
}

const AutoProxyHelperVtbl kHelperTable = {HelperIsResolvable, HelperGetIPAddress, HelperResolveHostName,
                                          HelperIsInNet};

ScopedRegistryKey OpenCurrentUserHive() {
  HKEY key = nullptr;
  if (RegOpenCurrentUser(KEY_READ, &key) != ERROR_SUCCESS) return ScopedRegistryKey();
  return ScopedRegistryKey(key);
}

}  // namespace

ProxyDiscovery::ProxyDiscovery() {
  wininet_ = LoadSystemLibrary(L"wininet.dll");
  decltype(&InternetQueryOptionA) queryOptionA = nullptr;
  if (!BindEntryPoint(wininet_, "InternetQueryOptionA", queryOptionA) ||
      !BindEntryPoint(wininet_, "InternetQueryOptionW", queryOptionW_) ||
      !BindEntryPoint(wininet_, "DetectAutoProxyUrl", detectAutoProxyUrl_)) {
    queryOptionW_ = nullptr;
    detectAutoProxyUrl_ = nullptr;
    wininet_.reset();
  }
  urlmon_ = LoadSystemLibrary(L"urlmon.dll");
  BindEntryPoint(urlmon_, "URLDownloadToFileA", urlDownloadToFileA_);
  winsock_ = LoadSystemLibrary(L"ws2_32.dll");
  BindEntryPoint(winsock_, "gethostname", resolver_.getHostName);
  BindEntryPoint(winsock_, "inet_addr", resolver_.inetAddr);
  BindEntryPoint(winsock_, "getnameinfo", resolver_.getNameInfo);
  BindEntryPoint(winsock_, "freeaddrinfo", resolver_.freeAddrInfo);
  BindEntryPoint(winsock_, "getaddrinfo", resolver_.getAddrInfo);
  decltype(&WSAStartup) startup = nullptr;
  if (BindEntryPoint(winsock_, "WSAStartup", startup)) {
    WSADATA data;
    winsockStarted_ = startup(MAKEWORD(2, 2), &data) == 0;
  }
  jsproxy_ = LoadSystemLibrary(L"jsproxy.dll");
  appData_ = FindApplicationDataFolder();
}

ProxyDiscovery::~ProxyDiscovery() {
  decltype(&WSACleanup) cleanup = nullptr;
  if (winsockStarted_ && BindEntryPoint(winsock_, "WSACleanup", cleanup)) cleanup();
}

void ProxyDiscovery::AddEntries(const std::wstring& proxyList, int& counter, const wchar_t* source) {
  for (ProxyCandidate& candidate : SplitProxyList(ToU16(proxyList))) {
    candidate.priority = counter++;
    candidate.source = ToU16(source);
    candidates_.push_back(std::move(candidate));
  }
}

void ProxyDiscovery::AddInternetSettings() {
  int counter = 200;
  AddRegistryProxy(counter);
  AddConnectionManagerProxy(counter);
  AddAutomaticConfiguration(counter);
}

void ProxyDiscovery::AddRegistryProxy(int& counter) {
  const ScopedRegistryKey hive = OpenCurrentUserHive();
  if (!hive) return;
  RegKey settings;
  if (settings.Open(hive.get(), kInternetSettingsKey, KEY_READ) != ERROR_SUCCESS) return;
  DWORD enabled = 0, type = 0, size = sizeof(enabled);
  if (RegQueryValueExW(settings.get(), L"ProxyEnable", nullptr, &type, reinterpret_cast<BYTE*>(&enabled),
                       &size) != ERROR_SUCCESS ||
      type != REG_DWORD || enabled == 0)
    return;
  const auto server = settings.ReadString(L"ProxyServer", kMaxProxyServerChars);
  if (!server) return;
  ProxyCandidate candidate = ParseInternetSettingsProxy(ToU16(*server));
  candidate.priority = counter;
  candidate.source = u"IE";
  candidates_.push_back(std::move(candidate));
  counter = 201;
}

void ProxyDiscovery::AddConnectionManagerProxy(int& counter) {
  wchar_t path[kMaxConnectionManagerPathChars] = L"";
  const DWORD length = ExpandEnvironmentStringsW(L"%DaContents%\\system\\net\\cnetcfg\\cnetcfg.ini", path,
                                                 kMaxConnectionManagerPathChars);
  if (length == 0 || length > kMaxConnectionManagerPathChars || path[0] == L'%') return;
  const auto file = ReadProfileFile(path);
  if (!file || ReadIniInteger(*file, "PROXY", "EnableProxy", 0) == 0) return;
  const std::string host = ReadIniText(*file, "PROXY", "Http_Proxy_Server", kMaxConnectionManagerHostChars)
                               .value_or("");
  ProxyCandidate candidate;
  candidate.host = std::u16string(SkipHttpScheme(ToU16(FromAnsi(host))));
  candidate.port = ReadIniInteger(*file, "PROXY", "Http_Proxy_Port", 0);
  if (candidate.host.empty() || candidate.port == 0) return;
  candidate.priority = counter++;
  candidate.source = u"IE";
  candidates_.push_back(std::move(candidate));
}

void ProxyDiscovery::AddAutomaticConfiguration(int& counter) {
  std::wstring url;
  DWORD flags = 0;
  if (queryOptionW_) {
    INTERNET_PER_CONN_OPTIONW options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
    options[1].dwOption = INTERNET_PER_CONN_AUTODISCOVERY_FLAGS;
    options[2].dwOption = INTERNET_PER_CONN_FLAGS;
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof(list);
    list.pszConnection = nullptr;  // the LAN connection
    list.dwOptionCount = 3;
    list.pOptions = options;
    DWORD size = sizeof(list);
    if (queryOptionW_(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size)) {
      const ScopedGlobalMemory text(options[0].Value.pszValue);
      if (options[0].Value.pszValue) url = options[0].Value.pszValue;
      flags = options[2].Value.dwValue;
    }
  }
  // Some Internet client libraries (Wine's) never report the script address. The settings they
  // leave out are the user's stored connection settings, which WinHTTP reads as well; on Windows
  // both libraries agree, so this adds nothing twice.
  if (!(flags & PROXY_TYPE_AUTO_PROXY_URL) || url.empty()) {
    if (std::wstring stored = storedSettings_.AutoConfigUrl(); !stored.empty()) {
      url = std::move(stored);
      flags |= PROXY_TYPE_AUTO_PROXY_URL;
    }
  }
  if ((flags & PROXY_TYPE_AUTO_PROXY_URL) && !url.empty()) AddEntries(EvaluateAutoProxy(url), counter, L"IE");
  if (flags & PROXY_TYPE_AUTO_DETECT) AddEntries(EvaluateAutoProxy(L""), counter, L"IE");
}

void ProxyDiscovery::AddOpera(bool preferred) {
  if (appData_.empty()) return;
  const auto file = ReadProfileFile(appData_ + L"Opera\\Opera\\profile\\opera6.ini");
  if (!file) return;
  int counter = preferred ? 50 : 200;
  const auto useHttp = ReadIniText(*file, "Proxy", "Use HTTP", kMaxIniTextChars);
  if (useHttp && LeadingInteger(*useHttp) == 1) {
    if (const auto server = ReadIniText(*file, "Proxy", "HTTP server", kMaxIniTextChars)) {
      ProxyCandidate candidate = ParseProxyEntry(ToU16(FromAnsi(*server)));
      candidate.priority = counter++;
      candidate.source = u"Opera";
      candidates_.push_back(std::move(candidate));
    }
  }
  const auto useAuto = ReadIniText(*file, "Proxy", "Use Automatic Proxy Configuration", kMaxIniTextChars);
  const auto autoUrl = ReadIniText(*file, "Proxy", "Automatic Proxy Configuration URL", kMaxIniTextChars);
  if (useAuto && LeadingInteger(*useAuto) == 1 && autoUrl)
    AddEntries(EvaluateAutoProxy(FromAnsi(*autoUrl)), counter, L"Opera");
}

void ProxyDiscovery::AddFirefox(bool preferred) {
  if (appData_.empty()) return;
  int counter = preferred ? 50 : 200;
  for (const wchar_t* base : {L"Mozilla\\Firefox\\Profiles\\", L"Mozilla\\Profiles\\"}) {
    const std::wstring folder = appData_ + base;
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW((folder + L"*").c_str(), &data));
    if (!find) continue;
    std::vector<std::wstring> profiles;
    do {
      const std::wstring name = data.cFileName;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
        profiles.push_back(folder + name + L"\\prefs.js");
    } while (FindNextFileW(find.get(), &data));
    for (const std::wstring& prefs : profiles) AddFirefoxProfile(prefs, counter);
  }
}

void ProxyDiscovery::AddFirefoxProfile(const std::wstring& prefsPath, int& counter) {
  const auto file = ReadProfileFile(prefsPath);
  if (!file) return;
  const FirefoxProxyPrefs prefs = ReadFirefoxProxyPrefs(*file);
  switch (prefs.type) {
    case 1:
      if (!prefs.httpHost.empty() && prefs.httpPort != 0) {
        ProxyCandidate candidate;
        candidate.host = ToU16(FromAnsi(prefs.httpHost));
        candidate.port = prefs.httpPort;
        candidate.priority = counter++;
        candidate.source = u"Mozilla";
        candidates_.push_back(std::move(candidate));
      }
      break;
    case 2:
      if (!prefs.autoconfigUrl.empty())
        AddEntries(EvaluateAutoProxy(FromAnsi(prefs.autoconfigUrl)), counter, L"Mozilla");
      break;
    case 4:
      AddEntries(EvaluateAutoProxy(L""), counter, L"Mozilla");
      break;
    default:
      break;
  }
}

void ProxyDiscovery::Finish() { FinishCandidates(candidates_); }

std::wstring ProxyDiscovery::EvaluateAutoProxy(const std::wstring& url) {
  if (auto cached = autoProxyCache_.find(url); cached != autoProxyCache_.end()) return cached->second;
  std::wstring result = EvaluateScript(url);
  // Failures are not kept: a later call tries again.
  if (!result.empty()) autoProxyCache_[url] = result;
  return result;
}

std::wstring ProxyDiscovery::EvaluateScript(const std::wstring& url) {
  pfnInternetInitializeAutoProxyDll initialize = nullptr;
  pfnInternetDeInitializeAutoProxyDll deinitialize = nullptr;
  pfnInternetGetProxyInfo getProxyInfo = nullptr;
  if (!BindEntryPoint(jsproxy_, "InternetInitializeAutoProxyDll", initialize) ||
      !BindEntryPoint(jsproxy_, "InternetDeInitializeAutoProxyDll", deinitialize) ||
      !BindEntryPoint(jsproxy_, "InternetGetProxyInfo", getProxyInfo))
    return {};

  std::string scriptUrl;
  if (!url.empty()) {
    scriptUrl = ToAnsi(url);
    if (scriptUrl.size() > kMaxScriptUrlBytes) return {};
  } else {
    if (!detectAutoProxyUrl_) return {};
    char detected[1024] = "";
    if (!detectAutoProxyUrl_(detected, sizeof(detected), PROXY_AUTO_DETECT_TYPE_DHCP | PROXY_AUTO_DETECT_TYPE_DNS_A))
      return {};
    detected[sizeof(detected) - 1] = '\0';
    scriptUrl = detected;
    if (scriptUrl.empty()) return {};
  }

  char tempFolder[MAX_PATH] = "";
  char tempFile[MAX_PATH] = "";
  const DWORD folderLength = GetTempPathA(MAX_PATH, tempFolder);
  if (folderLength == 0 || folderLength >= MAX_PATH || GetTempFileNameA(tempFolder, "pac", 0, tempFile) == 0)
    tempFile[0] = '\0';
  // The download's outcome is not needed: the service is then given the script's address.
  if (urlDownloadToFileA_ && tempFile[0]) urlDownloadToFileA_(nullptr, scriptUrl.c_str(), tempFile, 0, nullptr);

  t_resolver = &resolver_;
  AutoProxyHelperFunctions helpers{&kHelperTable};
  bool initialised = tempFile[0] && initialize(1, tempFile, nullptr, &helpers, nullptr);
  if (!initialised) initialised = initialize(1, scriptUrl.data(), nullptr, &helpers, nullptr);
  if (tempFile[0]) DeleteFileA(tempFile);
  if (!initialised) {
    t_resolver = nullptr;
    return {};
  }

  const std::u16string updateHost16 = EndpointAddress(kUpdateEndpoint).host;
  const std::string updateUrl = U16ToUtf8(EndpointUrl(kUpdateEndpoint, u"/download/engineqws3/"));
  const std::string updateHost = U16ToUtf8(updateHost16);
  char* proxy = nullptr;
  DWORD proxyLength = 0;
  std::wstring result;
  if (getProxyInfo(updateUrl.c_str(), static_cast<DWORD>(updateUrl.size()), const_cast<char*>(updateHost.c_str()),
                   static_cast<DWORD>(updateHost.size()), &proxy, &proxyLength) &&
      proxy) {
    result = FromAnsi(std::string_view(proxy, strnlen(proxy, proxyLength)));
    deinitialize(nullptr, 0);
  }
  if (proxy) GlobalFree(proxy);
  t_resolver = nullptr;
  return result;
}

std::vector<ProxyCandidate> DiscoverProxiesForUpdate() {
  ProxyDiscovery discovery;
  discovery.AddInternetSettings();
  discovery.AddOpera(false);
  discovery.AddFirefox(false);
  discovery.Finish();
  return discovery.Candidates();
}

std::vector<ProxyCandidate> DiscoverProxiesForDownload() {
  ProxyDiscovery discovery;
  discovery.AddFirefox(true);
  discovery.AddOpera(true);
  discovery.AddInternetSettings();
  discovery.Finish();
  return discovery.Candidates();
}

}  // namespace qws
