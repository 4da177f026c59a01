// Scans on the scan bridge: set-up and modes from the options, the walk over the targets, the
// library's folder scans with their callbacks, the counters and the progress.
#include <windows.h>

#include "app/log.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "engine/engine_codes.h"
#include "report/library_scan_log.h"
#include "report/threat_recorder.h"
#include "targets/target_list.h"

namespace qws {

namespace {

constexpr uint32_t kMemoryModeField = 0x00FEFEFF;
constexpr uint32_t kStartupModeField = 0x00FEFEFC;
constexpr uint32_t kSetupDefaults = 0x01010108;

enum ModeIndex { kLogOnlyMode, kCleanMode, kMemoryMode, kStartupMode };

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Where a folder really is, links resolved, lower case, ending with '\'; empty when unknown.
std::wstring ResolvedFolder(const std::wstring& folder) {
  HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[4096];
  const DWORD length = GetFinalPathNameByHandleW(handle, buffer, 4096, FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  if (length == 0 || length >= 4096) return {};
  std::wstring path(buffer, length);
  CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
  if (path.back() != L'\\') path.push_back(L'\\');
  return path;
}

// Switches WOW64 file system redirection off while a 32-bit build scans a 64-bit system, so
// that System32 is scanned as it is.
class FileSystemRedirectionOff {
 public:
  FileSystemRedirectionOff() {
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
    using Disable = BOOL(WINAPI*)(PVOID*);
    auto isWow64 = reinterpret_cast<IsWow64>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    auto disable = reinterpret_cast<Disable>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    revert_ = reinterpret_cast<Revert>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    BOOL wow64 = FALSE;
    if (isWow64 && disable && revert_ && isWow64(GetCurrentProcess(), &wow64) && wow64)
      disabled_ = disable(&state_) != FALSE;
  }
  ~FileSystemRedirectionOff() {
    if (disabled_) revert_(state_);
  }
  FileSystemRedirectionOff(const FileSystemRedirectionOff&) = delete;
  FileSystemRedirectionOff& operator=(const FileSystemRedirectionOff&) = delete;

 private:
  using Revert = BOOL(WINAPI*)(PVOID);
  Revert revert_ = nullptr;
  PVOID state_ = nullptr;
  bool disabled_ = false;
};

}  // namespace

std::vector<std::u16string>& CmlLineScanner::InfectedPaths() {
  static std::vector<std::u16string> paths;
  return paths;
}

int CmlLineScanner::OpenScanBridge(const std::wstring& folder) {
  try {
    settings.languageId = 1033;
    settings.baseFolder = folder;
    if (!InitEngine(folder)) return 52;
    workFolder = folder;
    criticalSectionsInitialised = true;
    return 0;
  } catch (...) {
    return 51;
  }
}

void CmlLineScanner::CloseScanBridge() {
  ShutdownEngine();
  criticalSectionsInitialised = false;
}

void CmlLineScanner::CopySummary(ScanSummary& destination) {
  if (!criticalSectionsInitialised) return;
  std::lock_guard<std::mutex> lock(resultsLock_);
  destination = summary_;
}

std::wstring CmlLineScanner::CurrentObject() const {
  std::lock_guard<std::mutex> lock(currentObjectLock_);
  return currentObject_;
}

void CmlLineScanner::SetCurrentObject(std::wstring_view object) {
  std::lock_guard<std::mutex> lock(currentObjectLock_);
  currentObject_ = object;
}

int CmlLineScanner::RunScan() {
  try {
    if (!scanningBusy.exchange(true)) {
      {
        FileSystemRedirectionOff redirection;
        ScanTargets();
      }
      scanningBusy = false;
    }
    progress = 1000;
    return 0;
  } catch (...) {
    scanningBusy = false;
    return 61;
  }
}

bool CmlLineScanner::CleanObject(const std::wstring& path) {
  settings.targets = path;
  settings.cleanMode = 4;
  RunScan();
  return threatsCleaned > 0;
}

bool CmlLineScanner::ScanTargets() {
  if (!scanner_ || !updateSucceeded) return false;
  if (scanSetup_) m_qlxs_scan_setup_destroy(scanSetup_);
  scanSetup_ = nullptr;
  for (auto*& mode : scanModes_) {
    if (mode) m_qlxs_scan_mode_destroy(mode);
    mode = nullptr;
  }
  scanSetup_ = m_qlxs_scan_setup_create(scanner_);
  if (!scanSetup_) return false;

  if (m_qlxs_scanner_info_list_count && m_qlxs_scanner_info_list_item &&
      m_qlxs_scanner_info_list_count() >= 2) {
    qlxs_scanner_info info{};
    if (m_qlxs_scanner_info_list_item(scanner_, 2, &info) == 0) {
      {
        std::lock_guard<std::mutex> lock(resultsLock_);
        summary_.engineBuild = static_cast<int32_t>(info.build);
      }
      WriteLog(L"Scanner engine: " + std::to_wstring(info.build) + L"\r\n");
    } else {
      WriteLog(L"'m_qlxs_scanner_info_list_item' failed\n");
    }
  }

  m_qlxs_scan_setup_set_default(scanSetup_, kSetupDefaults);
  m_qlxs_scan_setup_set_app_unwanted(scanSetup_, settings.detectUnwanted);
  m_qlxs_scan_setup_set_app_unsafe(scanSetup_, settings.detectUnsafe);
  m_qlxs_scan_setup_set_archives(scanSetup_, settings.scanArchives);
  m_qlxs_scan_setup_set_rtp(scanSetup_, 1);
  m_qlxs_scan_setup_set_sfx(scanSetup_, 1);
  m_qlxs_scan_setup_set_app_suspicious(scanSetup_, settings.detectSuspicious);
  m_qlxs_scan_setup_set_clean_mode(scanSetup_, 4);
  m_qlxs_scan_setup_compile(scanSetup_);

  for (auto*& mode : scanModes_) mode = m_qlxs_scan_mode_create();
  for (auto* mode : scanModes_)
    if (!mode) return false;
  scanModes_[kLogOnlyMode]->clean = 0;
  scanModes_[kLogOnlyMode]->log_clean = 1;
  scanModes_[kCleanMode]->clean = 1;
  scanModes_[kCleanMode]->log_clean = 0;
  scanModes_[kMemoryMode]->clean = 0;
  scanModes_[kMemoryMode]->targets = kMemoryModeField;
  scanModes_[kStartupMode]->clean = 0;
  scanModes_[kStartupMode]->targets = kStartupModeField;

  threatsCleaned = 0;
  stopRequested = false;

  std::vector<std::u16string> walked, single;
  for (std::u16string& item : SplitTargets(ToU16(settings.targets))) {
    (IsSingleObjectTarget(item, *targetSystem) ? single : walked).push_back(std::move(item));
  }
  counters_.levelTotal[0] += static_cast<uint32_t>(walked.size());
  counters_.filesTotal += static_cast<uint32_t>(single.size());

  for (const std::u16string& item : walked) {
    std::wstring folder = ToWide(item);
    if (folder.empty() || folder.back() != L'\\') folder.push_back(L'\\');
    if (settings.antiStealth) {
      LibraryFolderScan(folder);
    } else {
      walkStack_.assign(1, ResolvedFolder(folder));
      OwnFolderWalk(folder, 1);
    }
    if (stopRequested) return false;
    counters_.levelDone[0] = std::min(counters_.levelDone[0] + 1, counters_.levelTotal[0]);
    for (int level = 1; level < 3; ++level) counters_.levelTotal[level] = counters_.levelDone[level] = 0;
  }
  for (const std::u16string& item : single) {
    SingleObjectScan(ToWide(item));
    if (stopRequested) return false;
    counters_.filesDone = std::min(counters_.filesDone + 1, counters_.filesTotal);
  }
  return true;
}

bool CmlLineScanner::OwnFolderWalk(const std::wstring& folder, int depth) {
  std::vector<std::wstring> folders, files;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    // A junction named "Application Data" inside a folder of that name leads back to itself.
    const bool selfReference = folder.size() >= 17 &&
                               folder.compare(folder.size() - 17, 17, L"Application Data\\") == 0;
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      if (selfReference && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          name == L"Application Data") {
        continue;
      }
      (isFolder ? folders : files).push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  if (depth < 3) counters_.levelTotal[depth] += static_cast<uint32_t>(folders.size());
  counters_.filesTotal += static_cast<uint32_t>(files.size());

  for (const std::wstring& name : folders) {
    if (stopRequested) return false;
    const std::wstring child = folder + name + L"\\";
    // A link that leads to a folder of the walk itself (or above it) would never end: such a
    // link is not followed. Other links are walked like folders.
    const std::wstring resolved = ResolvedFolder(child);
    bool loops = false;
    for (const std::wstring& open : walkStack_)
      if (!resolved.empty() && !open.empty() && StartsWith(open, resolved)) loops = true;
    if (loops) continue;
    walkStack_.push_back(resolved);
    const bool walked = OwnFolderWalk(child, depth + 1);
    walkStack_.pop_back();
    if (!walked) return false;
    if (depth < 3) {
      counters_.levelDone[depth] = std::min(counters_.levelDone[depth] + 1, counters_.levelTotal[depth]);
      for (int level = depth + 1; level < 3; ++level) counters_.levelTotal[level] = counters_.levelDone[level] = 0;
    }
  }
  for (const std::wstring& name : files) {
    // A stop ends the walk after the current object, not after the whole folder.
    if (stopRequested) return false;
    SingleObjectScan(folder + name);
    counters_.filesDone = std::min(counters_.filesDone + 1, counters_.filesTotal);
  }
  return true;
}

void CmlLineScanner::LibraryFolderScan(const std::wstring& folder) {
  SetCurrentObject(L"");
  qlxs_scan_dir_callbacks callbacks{};
  callbacks.count = 5;
  callbacks.max_depth = 0x7FFFFFFF;
  callbacks.notify = &OnScanNotify;
  callbacks.progress = &OnScanProgress;
  callbacks.stop = &OnScanStopQuery;
  callbacks.log = &OnScanLog;
  callbacks.context = this;
  qlxs_scan_result* result = nullptr;
  void* other = nullptr;
  m_qlxs_scan_directory(folder.c_str(), &callbacks, scanSetup_,
                        settings.cleanMode == 1 ? scanModes_[kLogOnlyMode] : scanModes_[kCleanMode],
                        &result, &other);
  if (result) {
    if (result->flags & kRestartRequiredFlag) Recorder().SetRestartRequired();
    m_qlxs_scan_result_destroy(result);
  }
}

void CmlLineScanner::SingleObjectScan(const std::wstring& item) {
  RaiseBest(counters_, SingleObjectFraction(counters_));
  progress = ProgressValue(counters_.best);
  SetCurrentObject(item);

  const qlxs_scan_mode* mode = scanModes_[kLogOnlyMode];
  const wchar_t* object = item.c_str();
  bool special = false;
  if (StartsWith(item, L"${Memory}")) {
    if (!settings.antiStealth) return;
    mode = scanModes_[kMemoryMode];
    object = L"";
    special = true;
  } else if (StartsWith(item, L"${Startup}")) {
    mode = scanModes_[kStartupMode];
    object = L"";
    special = true;
  }

  qlxs_scan_result* result = nullptr;
  qlxs_scan_log_list* log = nullptr;
  m_qlxs_scan(object, object, scanSetup_, mode, &result, &log);
  ThreatRecorder recorder = Recorder();
  FileFingerprints taken;
  if (result && (result->flags & kRestartRequiredFlag)) recorder.SetRestartRequired();
  if (result && result->infected && !special) {
    taken = recorder.FingerprintsBeforeCleaning(ToU16(item), special);
    if (settings.cleanMode != 1) {
      if (log) m_qlxs_scan_log_list_destroy(log);
      m_qlxs_scan_result_destroy(result);
      result = nullptr;
      log = nullptr;
      m_qlxs_scan(object, object, scanSetup_, scanModes_[kCleanMode], &result, &log);
    }
  }
  const uint32_t count = log ? m_qlxs_scan_log_list_count(log) : 0;
  const ScanLog scanLog = ReadScanLog(count, [&](uint32_t i) { return m_qlxs_scan_log_list_item(log, i); });
  const ScanOutcome outcome = OutcomeOf(result);
  recorder.RecordSingleObject(ToU16(item), special, outcome, scanLog, taken, sampleBrowserExtensions);
  if (count > 0 && outcome.infected) {
    threatsCleaned += outcome.cleaned ? 1 : 0;
    threatsFound += 1;
  }
  // "Files scanned" counts every object the library reported on, one by one or in its folder scans.
  filesScanned += count;
  if (result) m_qlxs_scan_result_destroy(result);
  if (log) m_qlxs_scan_log_list_destroy(log);
}

ThreatRecorder CmlLineScanner::Recorder() {
  return ThreatRecorder(summary_, InfectedPaths(), resultsLock_, *fingerprinter);
}

void QLXS_CALL CmlLineScanner::OnScanNotify(int32_t kind, const qlxs_char* text, void* context) {
  auto* bridge = static_cast<CmlLineScanner*>(context);
  if (bridge && (kind == 1 || kind == 2)) bridge->SetCurrentObject(text ? text : L"");
}

void QLXS_CALL CmlLineScanner::OnScanProgress(int32_t percent, void* context) {
  auto* bridge = static_cast<CmlLineScanner*>(context);
  if (bridge) bridge->progress = std::min(percent, 100);
}

int32_t QLXS_CALL CmlLineScanner::OnScanStopQuery(void* context) {
  auto* bridge = static_cast<CmlLineScanner*>(context);
  return bridge && bridge->stopRequested ? 1 : 0;
}

int32_t QLXS_CALL CmlLineScanner::OnScanLog(const qlxs_scan_log_list* log, void* context, int32_t event,
                                            int32_t actionCode) {
  auto* bridge = static_cast<CmlLineScanner*>(context);
  if (!bridge) return 1;
  bridge->filesScanned += 1;
  ScanProgressCounters& counters = bridge->counters_;
  counters.filesTotal += 1;
  counters.filesDone = std::min(counters.filesDone + 1, counters.filesTotal);
  const DirectoryScanThreat threat = ClassifyDirectoryScanEvent(event, actionCode);
  if (threat != DirectoryScanThreat::None) {
    bridge->threatsFound += 1;
    if (threat == DirectoryScanThreat::Cleaned) bridge->threatsCleaned += 1;
  }
  RaiseBest(counters, LogCallbackFraction(counters));
  if (threat != DirectoryScanThreat::None && log) {
    const uint32_t count = bridge->m_qlxs_scan_log_list_count(log);
    const ScanLog scanLog =
        ReadScanLog(count, [&](uint32_t i) { return bridge->m_qlxs_scan_log_list_item(log, i); });
    bridge->Recorder().RecordDirectoryScanObject(scanLog, event, actionCode);
  }
  return 1;
}

}  // namespace qws
