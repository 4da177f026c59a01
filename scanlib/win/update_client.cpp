// Module update over HTTP with WinINet: signed manifest first, then the changed modules, each
// checked, staged beside the modules folder and swapped in as one step.
#include <windows.h>
#include <wininet.h>

#include <memory>

#include "base/crypto.h"
#include "base/u16.h"
#include "scanlib/win/http_url.h"
#include "scanlib/win/internet_handle.h"
#include "scanlib/win/library_state.h"
#include "scanlib/win/module_folder.h"

namespace qws::scan {
namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr size_t kMaxModuleBytes = 256u << 20;
constexpr uint32_t kFinishingSteps = 4;


std::wstring Wide(std::string_view text) { return ToWide(Utf8ToU16(text)); }

class Connection {
 public:
  explicit Connection(qlxs_scanner& scanner) : scanner_(scanner) {}

  uint32_t Open() {
    const std::optional<HttpUrl> url = CrackHttpUrl(scanner_.update_url);
    if (!url) return QLXS_E_NET_URL;
    base_path_ = url->path;
    if (base_path_.empty() || base_path_.back() != L'/') base_path_ += L'/';
    const std::wstring proxy_host = scanner_.setup.proxy_host;
    proxied_ = !proxy_host.empty();
    const std::wstring proxy = proxy_host + L":" + std::to_wstring(scanner_.setup.proxy_port ? scanner_.setup.proxy_port : 8080);
    session_.reset(InternetOpenW(L"qlxs-update/1", proxied_ ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
                                 proxied_ ? proxy.c_str() : nullptr, proxied_ ? L"<local>-" : nullptr, 0));
    if (!session_) return QLXS_E_NET_OPEN;
    DWORD timeout = kTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
      InternetSetOptionW(session_.get(), option, &timeout, sizeof(timeout));
    connection_.reset(InternetConnectW(session_.get(), url->host.c_str(), url->port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection_) return QLXS_E_NET_OPEN;
    if (proxied_) {
      const std::wstring user = scanner_.setup.proxy_user, password = scanner_.setup.proxy_password;
      if (!user.empty()) {
        InternetSetOptionW(connection_.get(), INTERNET_OPTION_PROXY_USERNAME, const_cast<wchar_t*>(user.c_str()),
                           static_cast<DWORD>(user.size()));
        InternetSetOptionW(connection_.get(), INTERNET_OPTION_PROXY_PASSWORD, const_cast<wchar_t*>(password.c_str()),
                           static_cast<DWORD>(password.size()));
      }
    }
    return 0;
  }

  // Sends the request for one file; its announced length, when there is one.
  uint32_t Request(const std::wstring& name, uint64_t& announced) {
    request_.reset(HttpOpenRequestW(connection_.get(), L"GET", (base_path_ + name).c_str(), nullptr, nullptr, nullptr,
                                    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
                                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT,
                                    0));
    if (!request_) return QLXS_E_NET_OPEN;
    if (!HttpSendRequestW(request_.get(), nullptr, 0, nullptr, 0)) return SendError(GetLastError());
    DWORD status = 0, length = sizeof(status);
    if (!HttpQueryInfoW(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr))
      return QLXS_E_NET_RECEIVE;
    if (status != 200) {
      if (status == 404) return QLXS_E_HTTP_NOT_FOUND;
      if (status == 407) return QLXS_E_PROXY_AUTH;
      if (status == 401 || status == 403) return QLXS_E_HTTP_FORBIDDEN;
      if (status >= 300 && status < 400) return QLXS_E_HTTP_REDIRECT;
      if (status >= 500) return QLXS_E_HTTP_SERVER;
      return QLXS_E_HTTP_STATUS;
    }
    wchar_t text[32] = {};
    length = sizeof(text);
    announced = 0;
    if (HttpQueryInfoW(request_.get(), HTTP_QUERY_CONTENT_LENGTH, text, &length, nullptr)) announced = _wtoi64(text);
    return 0;
  }

  // Reads the body of the last request, at most max_bytes; each piece is reported.
  uint32_t ReadBody(size_t max_bytes, std::string& body, bool report, uint64_t announced) {
    body.clear();
    char buffer[16384];
    while (true) {
      DWORD got = 0;
      if (!InternetReadFile(request_.get(), buffer, sizeof(buffer), &got)) {
        return GetLastError() == ERROR_INTERNET_TIMEOUT ? QLXS_E_NET_TIMEOUT : QLXS_E_NET_RECEIVE;
      }
      // A body shorter than announced means the connection broke off.
      if (got == 0) return announced && body.size() < announced ? QLXS_E_NET_RECEIVE : 0;
      if (body.size() + got > max_bytes) return QLXS_E_MODULE_DIGEST;
      body.append(buffer, got);
      if (report && scanner_.update_amount) scanner_.update_amount(QLXS_UPDATE_KIND_DOWNLOAD, got);
    }
  }

 private:
  uint32_t SendError(DWORD error) const {
    switch (error) {
      case ERROR_INTERNET_NAME_NOT_RESOLVED: return proxied_ ? QLXS_E_PROXY_RESOLVE : QLXS_E_NET_RESOLVE;
      case ERROR_INTERNET_CANNOT_CONNECT: return proxied_ ? QLXS_E_PROXY_CONNECT : QLXS_E_NET_CONNECT;
      case ERROR_INTERNET_TIMEOUT: return QLXS_E_NET_TIMEOUT;
      case ERROR_INTERNET_CONNECTION_ABORTED:
      case ERROR_INTERNET_CONNECTION_RESET: return QLXS_E_NET_RECEIVE;
      default: return proxied_ ? QLXS_E_PROXY_CONNECT : QLXS_E_NET_SEND;
    }
  }

  qlxs_scanner& scanner_;
  ScopedInternet session_, connection_, request_;
  std::wstring base_path_;
  bool proxied_ = false;
};

void Event(qlxs_scanner& scanner, uint32_t value, int32_t kind) {
  if (scanner.update_event) scanner.update_event(value, kind);
}
void Step(qlxs_scanner& scanner) {
  if (scanner.update_amount) scanner.update_amount(QLXS_UPDATE_KIND_FINISH, 1);
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (find.is_valid()) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveFolder(path);
      else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.get(), &found));
  }
  find.reset();
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

uint32_t UpdateModules(qlxs_scanner& scanner, uint32_t& out_flags) {
  // The modules in use must be sound before anything is added to them.
  StoredModules stored;
  const uint32_t stored_status = ReadModuleFolder(scanner.modules_folder, stored, nullptr);
  if (stored_status == QLXS_E_MODULES_DAMAGED) return QLXS_E_MODULES_DAMAGED;
  const bool have_stored = stored_status == 0;

  Connection connection(scanner);
  if (uint32_t error = connection.Open()) return error;
  uint64_t announced = 0;
  if (uint32_t error = connection.Request(Wide(kManifestName), announced)) return error;
  Event(scanner, static_cast<uint32_t>(announced), QLXS_UPDATE_KIND_DOWNLOAD);
  std::string manifest_text, signature;
  if (uint32_t error = connection.ReadBody(kMaxManifestBytes, manifest_text, true, announced)) return error;
  if (uint32_t error = connection.Request(Wide(kManifestSignatureName), announced)) return error;
  if (uint32_t error = connection.ReadBody(4096, signature, false, announced)) return error;
  if (!VerifyManifest(manifest_text, signature, ModulePublicKey())) return QLXS_E_MANIFEST_SIGNATURE;
  auto manifest = ParseManifest(manifest_text);
  if (!manifest) return QLXS_E_MANIFEST_FORMAT;
  if (have_stored && manifest->build < stored.manifest.build) return QLXS_E_MANIFEST_OLDER;
  if (have_stored && manifest_text == stored.manifest_text) return QLXS_E_UP_TO_DATE;

  // Only modules that differ from the stored ones are downloaded.
  auto unchanged = [&](const ManifestModule& module) {
    if (!have_stored) return false;
    for (const ManifestModule& old : stored.manifest.modules)
      if (old.name == module.name && old.sha256 == module.sha256) return true;
    return false;
  };
  uint64_t total = 0;
  for (const ManifestModule& module : manifest->modules)
    if (!unchanged(module)) total += module.size;
  Event(scanner, static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX)), QLXS_UPDATE_KIND_DOWNLOAD);

  std::wstring folder = scanner.modules_folder;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  const std::wstring staging = folder + L".new", retired = folder + L".old";
  RemoveFolder(staging);
  RemoveFolder(retired);
  if (!CreateDirectoryW(staging.c_str(), nullptr)) return QLXS_E_MODULES_WRITE;
  uint32_t result = 0;
  std::vector<std::pair<std::wstring, std::string>> downloaded;
  for (const ManifestModule& module : manifest->modules) {
    if (unchanged(module)) continue;
    std::string body;
    if (module.size > kMaxModuleBytes) { result = QLXS_E_MODULE_DIGEST; break; }
    if ((result = connection.Request(Wide(module.name), announced)) != 0) break;
    if ((result = connection.ReadBody(static_cast<size_t>(module.size), body, true, announced)) != 0) break;
    if (body.size() != module.size || crypto::Sha256(body) != module.sha256) { result = QLXS_E_MODULE_DIGEST; break; }
    downloaded.emplace_back(Wide(module.name), std::move(body));
  }
  if (result == 0) {
    Event(scanner, 0, QLXS_UPDATE_KIND_FINISH);
    // Step 1: the new modules and the unchanged ones into the staging folder.
    for (const ManifestModule& module : manifest->modules) {
      const std::wstring name = Wide(module.name);
      const bool copied = unchanged(module) ? CopyFileW((scanner.modules_folder + name).c_str(), (staging + L"\\" + name).c_str(), FALSE) != 0
                                            : true;
      if (!copied) result = QLXS_E_MODULES_WRITE;
    }
    for (const auto& [name, body] : downloaded)
      if (!WriteWholeFile(staging + L"\\" + name, body)) result = QLXS_E_MODULES_WRITE;
    if (!WriteWholeFile(staging + L"\\" + Wide(kManifestSignatureName), signature) ||
        !WriteWholeFile(staging + L"\\" + Wide(kManifestName), manifest_text))
      result = QLXS_E_MODULES_WRITE;
    Step(scanner);
  }
  if (result == 0) {
    // Step 2: the staged set checks out as a whole.
    StoredModules staged;
    if (ReadModuleFolder(staging + L"\\", staged, nullptr) != 0) result = QLXS_E_MODULES_WRITE;
    Step(scanner);
  }
  if (result == 0) {
    // Step 3: the swap; the earlier folder comes back when the new one cannot take its place.
    const bool had_folder = GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (had_folder && !MoveFileExW(folder.c_str(), retired.c_str(), 0)) result = QLXS_E_MODULES_WRITE;
    else if (!MoveFileExW(staging.c_str(), folder.c_str(), 0)) {
      if (had_folder) MoveFileExW(retired.c_str(), folder.c_str(), 0);
      result = QLXS_E_MODULES_WRITE;
    }
    Step(scanner);
  }
  RemoveFolder(staging);
  RemoveFolder(retired);
  if (result == 0) {
    Step(scanner);
    out_flags |= QLXS_UPDATE_STORED_NEW_MODULES;
  }
  return result;
}

}  // namespace qws::scan
