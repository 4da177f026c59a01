#include "engine/cml_line_scanner.h"

#include <algorithm>
#include <cwchar>
#include <string_view>

#include "app/file_utils.h"
#include "app/log.h"
#include "base/endpoints.h"
#include "base/u16.h"
#include "engine/engine_codes.h"
#include "net/proxy_candidate.h"
#include "net/proxy_discovery.h"

namespace qws {

std::atomic<uint32_t> g_engineBuild{0};
std::atomic<CmlLineScanner*> CmlLineScanner::s_updateBridge{nullptr};

namespace {

// Copies as much of `text` as fits, always terminated.
void CopyText(qlxs_char* target, size_t capacity, std::wstring_view text) {
  const size_t length = std::min(text.size(), capacity - 1);
  std::wmemcpy(target, text.data(), length);
  target[length] = L'\0';
}

void CopyFolder(qlxs_char* target, const std::wstring& base, const wchar_t* suffix) {
  CopyText(target, QLXS_FOLDER_CHARS, base.substr(0, QLXS_FOLDER_CHARS - 1) + suffix);
}

std::wstring Decimal(int64_t value) { return std::to_wstring(value); }

}  // namespace

std::vector<UpdateProxy> DiscoverUpdateProxies() {
  std::vector<UpdateProxy> proxies;
  for (const ProxyCandidate& candidate : DiscoverProxiesForUpdate()) {
    proxies.push_back({ToWide(candidate.host), static_cast<uint32_t>(std::max(candidate.port, 0)),
                       ToWide(candidate.userName), ToWide(candidate.password), ToWide(CandidateText(candidate))});
  }
  return proxies;
}

CmlLineScanner::CmlLineScanner() : discoverProxies(&DiscoverUpdateProxies) {}

CmlLineScanner::~CmlLineScanner() {
  ShutdownEngine();
  CmlLineScanner* self = this;
  s_updateBridge.compare_exchange_strong(self, nullptr);
}

bool CmlLineScanner::LoadScannerLibrary(const wchar_t* folder) {
  std::wstring path;
  if (folder) path = std::wstring(folder) + L"\\" + (settings.antiStealth ? L"qlxs_apiW_a" : L"qlxs_apiW");
  library_.reset(LoadLibraryW(path.c_str()));
  if (!library_) {
    WriteLog(L"CmlLineScanner cannot load dll:" + path + L" " + LastErrorText() + L"\r\n");
    return false;
  }
  bool complete = true;
#define QWS_BIND_ENTRY(name, required)                                              \
  m_##name = reinterpret_cast<decltype(m_##name)>(                                  \
      reinterpret_cast<void*>(GetProcAddress(library_.get(), #name)));              \
  if (required && !m_##name) complete = false;
  QWS_SCANNER_EXPORTS(QWS_BIND_ENTRY)
#undef QWS_BIND_ENTRY
  return complete;
}

void CmlLineScanner::ShutdownEngine() {
  if (scanSetup_ && m_qlxs_scan_setup_destroy) m_qlxs_scan_setup_destroy(scanSetup_);
  scanSetup_ = nullptr;
  for (auto*& mode : scanModes_) {
    if (mode && m_qlxs_scan_mode_destroy) m_qlxs_scan_mode_destroy(mode);
    mode = nullptr;
  }
  if (scanner_) {
    StopTelemetry();
    if (m_qlxs_scanner_destroy) m_qlxs_scanner_destroy(scanner_);
    scanner_ = nullptr;
  }
  if (globalSetup_ && m_qlxs_global_setup_destroy) m_qlxs_global_setup_destroy(globalSetup_);
  globalSetup_ = nullptr;
  if (library_) {
    library_.reset();
#define QWS_CLEAR_ENTRY(name, required) m_##name = nullptr;
    QWS_SCANNER_EXPORTS(QWS_CLEAR_ENTRY)
#undef QWS_CLEAR_ENTRY
  }
}

bool CmlLineScanner::InitEngine(const std::wstring& baseFolder) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  stopRequested = false;
  g_engineBuild = 0;

  if (!LoadScannerLibrary(baseFolder.c_str())) return false;
  globalSetup_ = m_qlxs_global_setup_create();
  if (!globalSetup_) return false;
  globalSetup_->flags = 0;
  m_qlxs_set_language(settings.languageId);

  CopyText(globalSetup_->base_folder, QLXS_FOLDER_CHARS, baseFolder);
  CopyFolder(globalSetup_->modules_folder, baseFolder, L"\\Modules\\");
  CopyFolder(globalSetup_->quarantine_folder, baseFolder, L"\\Quarantine\\");
  CopyFolder(globalSetup_->ferry_cache_folder, baseFolder, L"\\Ferry_Cache\\");
  CreateDirectoryW(globalSetup_->ferry_cache_folder, nullptr);
  CopyText(globalSetup_->update_url, QLXS_URL_CHARS,
           updateUrlOverride.empty() ? ToWide(EndpointUrl(kUpdateEndpoint, u"/download/engineqws3/"))
                                     : updateUrlOverride);

  scanner_ = m_qlxs_scanner_create(globalSetup_, kScannerVersion);
  if (!scanner_) {
    WriteLog(L"can not get scanner. e_gle=" + Decimal(m_qlxs_get_last_error()) + L"\r\n");
    return false;
  }
  updateSucceeded = m_qlxs_scanner_reload(scanner_) == 0;
  if (!updateSucceeded) return true;
  ReadEngineBuild(false);
  StartTelemetry();
  return true;
}

void CmlLineScanner::ReadEngineBuild(bool logIt) {
  if (!m_qlxs_scanner_info_list_count || !m_qlxs_scanner_info_list_item) return;
  if (m_qlxs_scanner_info_list_count() < 2) return;
  qlxs_scanner_info info{};
  if (m_qlxs_scanner_info_list_item(scanner_, 2, &info) != 0) return;
  g_engineBuild = info.build;
  if (logIt) WriteLog(L"g_uiModuleBuild: " + Decimal(info.build) + L"\n");
}

void CmlLineScanner::StartTelemetry() {
  WriteLog(L"Call m_qlxs_ferry_setup_create\n");
  qlxs_ferry_setup copy = m_qlxs_ferry_setup_create();
  WriteLog(L"Call m_qlxs_ferry_create\n");
  if (m_qlxs_ferry_create(scanner_) != 0) return;
  WriteLog(L"m_qlxs_ferry_create OK\n");
  WriteLog(L"Call m_qlxs_ferry_start_send_thread\n");
  m_qlxs_ferry_start_send_thread(scanner_);
  copy.send_delay_seconds = 0;
  WriteLog(L"Call m_qlxs_ferry_setup_set\n");
  WriteLog(m_qlxs_ferry_setup_set(scanner_, &copy) == 0 ? L"m_qlxs_ferry_setup_set OK\n"
                                                        : L"m_qlxs_ferry_setup_set ERROR\n");
}

void CmlLineScanner::StopTelemetry() {
  WriteLog(L"Call m_qlxs_ferry_send\n");
  if (m_qlxs_ferry_send) m_qlxs_ferry_send(scanner_);
  WriteLog(L"Call m_qlxs_ferry_destroy\n");
  if (m_qlxs_ferry_destroy) m_qlxs_ferry_destroy(scanner_);
}

void CmlLineScanner::RegisterUpdateCallbacks() {
  m_qlxs_scanner_set_update_callbacks(scanner_, &OnUpdateEvent, &OnUpdateAmount, &OnUpdateModule);
}

void CmlLineScanner::ApplyProxy(const std::wstring& host, uint32_t port, const std::wstring& user,
                                const std::wstring& password) {
  m_qlxs_scanner_destroy(scanner_);
  CopyText(globalSetup_->proxy_host, QLXS_PROXY_HOST_CHARS, host);
  globalSetup_->proxy_port = port;
  CopyText(globalSetup_->proxy_user, QLXS_PROXY_TEXT_CHARS, user);
  CopyText(globalSetup_->proxy_password, QLXS_PROXY_TEXT_CHARS, password);
  scanner_ = m_qlxs_scanner_create(globalSetup_, kScannerVersion);
  if (!scanner_) return;
  m_qlxs_scanner_reload(scanner_);
  RegisterUpdateCallbacks();
}

int32_t CmlLineScanner::UpdateOnce(uint32_t& outFlags, uint32_t& error) {
  const int32_t result = scanner_ ? m_qlxs_scanner_update(scanner_, 1, &outFlags) : -1;
  error = m_qlxs_get_last_error();
  return result;
}

void CmlLineScanner::UpdateEngine() {
  if (!scanner_) {
    updateFailed = true;
    return;
  }
  RegisterUpdateCallbacks();
  g_engineBuild = 0;
  updateSucceeded = false;
  updateFailed = false;
  uint32_t outFlags = 0;

  if (settings.proxyEnabled) {
    ApplyProxy(settings.proxyHost, static_cast<uint32_t>(wcstoul(settings.proxyPort.c_str(), nullptr, 10)),
               settings.proxyUserName, settings.proxyPassword);
  }
  uint32_t error = 0;
  int32_t result = UpdateOnce(outFlags, error);

  if (result == -1 && !settings.proxyEnabled) {
    if (IsConnectionFailure(error)) {
      const std::vector<UpdateProxy> candidates = discoverProxies ? discoverProxies() : std::vector<UpdateProxy>();
      for (const UpdateProxy& candidate : candidates) {
        if (candidate.host.empty()) continue;
        WriteLog(L"Update failed (" + Decimal(error) + L"). Trying proxy " + candidate.text + L"\r\n");
        ApplyProxy(candidate.host, candidate.port, candidate.userName, candidate.password);
        result = UpdateOnce(outFlags, error);
        WriteLog(L"finished. ret_update=" + Decimal(result) + L" e_gle=" + Decimal(error) + L"\r\n");
        if (result == -1 && (error == 0 || error == kErrorUpToDate)) {
          result = 0;
          break;
        }
        if (result == 0) break;
      }
    } else if (error == kErrorModulesDamaged) {
      RecursiveRemoveDirectoryAndAllFiles(true, nullptr, globalSetup_->modules_folder);
      updateProgress_.Reset();
      result = UpdateOnce(outFlags, error);
    }
  }

  if (result != 0) {
    error = m_qlxs_get_last_error();
    WriteLog(L"qlxs_scanner_update returned " + Decimal(result) + L" qlxs_gle=" + Decimal(error) + L"\r\n");
  }
  const bool updateOk = result == 0 || (result == -1 && error == kErrorUpToDate);
  bool reloadOk = true;
  if (outFlags & 1) {
    const int32_t reload = scanner_ ? m_qlxs_scanner_reload(scanner_) : -1;
    WriteLog(L"qlxs_scanner_reload returned " + Decimal(reload) + L"\r\n");
    reloadOk = reload != -1;
  }
  if (reloadOk && updateOk) updateSucceeded = true;
  m_qlxs_get_api_version_string();
  ReadEngineBuild(true);
  if (updateSucceeded) ShowProgress(updateProgress_.Finish(progressBase));
  else updateFailed = true;
}

int CmlLineScanner::OpenUpdateBridge() {
  try {
    s_updateBridge = this;
    settings.baseFolder = workFolder;
    settings.antiStealth = true;  // the update always runs on the anti-stealth variant
    if (!InitEngine(workFolder)) return 32;
    criticalSectionsInitialised = true;
    return 0;
  } catch (...) {
    return 31;
  }
}

void CmlLineScanner::ShowProgress(std::optional<int32_t> value) {
  if (!value) return;
  rawPercentage = updateProgress_.percentage();
  progress = *value;
}

void QLXS_CALL CmlLineScanner::OnUpdateEvent(uint32_t value, int32_t kind) {
  CmlLineScanner* bridge = s_updateBridge;
  if (bridge) bridge->ShowProgress(bridge->updateProgress_.OnEvent(value, kind, bridge->progressBase));
}

void QLXS_CALL CmlLineScanner::OnUpdateAmount(uint32_t, uint32_t amount) {
  CmlLineScanner* bridge = s_updateBridge;
  if (bridge) bridge->ShowProgress(bridge->updateProgress_.OnAmount(amount, bridge->progressBase));
}

void QLXS_CALL CmlLineScanner::OnUpdateModule(uint32_t) {}

}  // namespace qws
