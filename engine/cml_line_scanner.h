// The engine bridge: loads one variant of the scanning library, binds its exports and drives
// the engine through them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "engine/quarantine_list.h"
#include "engine/scan_progress.h"
#include "engine/scan_settings.h"
#include "engine/scanner_exports.h"
#include "engine/update_progress.h"
#include "report/file_fingerprint_win.h"
#include "report/scan_summary.h"
#include "report/threat_recorder.h"
#include "scanlib/include/qlxs_api.h"
#include "targets/target_system_win.h"

namespace qws {

// The build of the loaded engine modules, one value for the whole program; 0 when unknown.
extern std::atomic<uint32_t> g_engineBuild;

// A proxy to try when the update server cannot be reached directly.
struct UpdateProxy {
  std::wstring host;
  uint32_t port = 0;
  std::wstring userName;
  std::wstring password;
  std::wstring text;  // how the log names it
};

// The proxies of the browsers' settings, in the order of trial.
std::vector<UpdateProxy> DiscoverUpdateProxies();

class CmlLineScanner {
 public:
  CmlLineScanner();
  CmlLineScanner(const CmlLineScanner&) = delete;
  CmlLineScanner& operator=(const CmlLineScanner&) = delete;
  ~CmlLineScanner();

  // Loads folder\qlxs_apiW_a (anti-stealth) or folder\qlxs_apiW and binds every export; true
  // when every required one is there.
  bool LoadScannerLibrary(const wchar_t* folder);
  // Releases the engine objects and unloads the library; harmless when nothing is loaded.
  void ShutdownEngine();

  // Loads and initialises the engine below `baseFolder`; true when a scanner exists.
  bool InitEngine(const std::wstring& baseFolder);
  // Rebuilds the scanner with these proxy values.
  void ApplyProxy(const std::wstring& host, uint32_t port, const std::wstring& user,
                  const std::wstring& password);
  // One complete module update; the outcome is in updateSucceeded / updateFailed.
  void UpdateEngine();
  // 0 ok, 32 the engine could not be initialised, 31 an exception.
  int OpenUpdateBridge();

  // One watched attempt on a worker thread: 0, 42 (no thread), 43 (no progress past 3 % within
  // the watchdog time) or the worker's own non-zero result.
  int RunUpdateAttempt();
  // Attempts until one is not stopped by the watchdog (five retries at most): 0, 43, 44 (update
  // incomplete), 45 (modules older than the current engine) or an attempt's result.
  int UpdateWithTimeoutRetries(int32_t base, int32_t& percentReached);
  // Up to three cycles of the above; 0 sets the progress to 1000.
  int UpdateWithRetries(const std::wstring& folder);
  // Ends a running attempt's worker by force, then releases the engine.
  void CloseWithWorkerKilled();

  // Opens the scan bridge below the work folder: 0, 52 the engine could not be initialised,
  // 51 an exception.
  int OpenScanBridge(const std::wstring& folder);
  // The scan worker's body: scans the targets of the settings and ends with progress 1000;
  // 61 when an exception ended it.
  int RunScan();
  // The scan proper; false when a precondition failed or the user stopped it.
  bool ScanTargets();
  void CloseScanBridge();
  // A copy of the results, taken under the results lock.
  void CopySummary(ScanSummary& destination);
  // Scans one object again with cleaning on; true when it was cleaned.
  bool CleanObject(const std::wstring& path);
  // The object being scanned now (the scan page shows it).
  std::wstring CurrentObject() const;
  // The paths of the infected objects of this run, for the restart's scan plan.
  static std::vector<std::u16string>& InfectedPaths();

  std::atomic<uint32_t> filesScanned{0};
  std::atomic<uint32_t> threatsFound{0};
  std::atomic<uint32_t> threatsCleaned{0};
  // Browser extension files found clean are sampled for the report only when this is on.
  bool sampleBrowserExtensions = false;
  // Where the scan learns which targets are files, and how files are fingerprinted.
  std::unique_ptr<TargetSystem> targetSystem = std::make_unique<WindowsTargetSystem>();
  std::unique_ptr<FileFingerprinter> fingerprinter = std::make_unique<WindowsFileFingerprinter>();

  // Rebuilds the quarantine lists from the library; an unreadable quarantine leaves them empty.
  void ReadQuarantine();
  // Restores entry `index` to its former path; the quarantined copy is deleted only afterwards.
  bool RestoreFromQuarantine(uint32_t index);
  bool HasUnrestoredRecord() const;
  const std::vector<QuarantineEntry>& quarantineEntries() const { return quarantineEntries_; }
  std::vector<QuarantineRecord>& quarantineRecords() { return quarantineRecords_; }

  // How long an attempt may stay below 3 % before the watchdog ends it.
  DWORD watchdogMilliseconds = 90000;

  // The bridge whose update callbacks the library is calling (null when none).
  static std::atomic<CmlLineScanner*> s_updateBridge;

  ScanSettings settings;
  std::wstring workFolder;
  // The update server's base URL when it is not the built-in one.
  std::wstring updateUrlOverride;
  // The proxies found in the browsers' settings, in the order of trial; asked only when a
  // direct update could not connect and no proxy of our own is configured.
  std::function<std::vector<UpdateProxy>()> discoverProxies;

  std::atomic<bool> stopRequested{false};
  std::atomic<bool> scanningBusy{false};
  std::atomic<bool> updateSucceeded{false};
  std::atomic<bool> updateFailed{false};
  bool criticalSectionsInitialised = false;

  // 0..100 percent, 1000 finished, negative: a failure code.
  std::atomic<int32_t> progress{0};
  // The update's own percentage before scaling (the watchdog reads it), and where the current
  // attempt starts on the bar.
  std::atomic<int32_t> rawPercentage{0};
  std::atomic<int32_t> progressBase{0};

  // The function table: one entry per export, named m_ and the export's name.
#define QWS_DECLARE_ENTRY(name, required) decltype(&::name) m_##name = nullptr;
  QWS_SCANNER_EXPORTS(QWS_DECLARE_ENTRY)
#undef QWS_DECLARE_ENTRY

  qlxs_scanner* scanner() const { return scanner_; }
  qlxs_global_setup* globalSetup() const { return globalSetup_; }
  int32_t percentageReached() const { return updateProgress_.percentage(); }
  bool libraryLoaded() const { return library_.is_valid(); }

 private:
  static void QLXS_CALL OnUpdateEvent(uint32_t value, int32_t kind);
  static void QLXS_CALL OnUpdateAmount(uint32_t kind, uint32_t amount);
  static void QLXS_CALL OnUpdateModule(uint32_t moduleIndex);

  void RegisterUpdateCallbacks();
  void ShowProgress(std::optional<int32_t> value);
  void ReadEngineBuild(bool logIt);
  void StartTelemetry();
  void StopTelemetry();
  int32_t UpdateOnce(uint32_t& outFlags, uint32_t& error);

  static DWORD WINAPI AttemptWorker(void* bridge);
  static void QLXS_CALL OnScanNotify(int32_t kind, const qlxs_char* text, void* context);
  static void QLXS_CALL OnScanProgress(int32_t percent, void* context);
  static int32_t QLXS_CALL OnScanStopQuery(void* context);
  static int32_t QLXS_CALL OnScanLog(const qlxs_scan_log_list* log, void* context, int32_t event,
                                     int32_t actionCode);

  bool OwnFolderWalk(const std::wstring& folder, int depth);
  void LibraryFolderScan(const std::wstring& folder);
  void SingleObjectScan(const std::wstring& item);
  void SetCurrentObject(std::wstring_view object);
  ThreatRecorder Recorder();

  ScopedModule library_;
  ScopedHandle attemptWorker_;
  std::atomic<int> workerState_{0};
  qlxs_scanner* scanner_ = nullptr;
  qlxs_global_setup* globalSetup_ = nullptr;
  qlxs_scan_setup* scanSetup_ = nullptr;
  qlxs_scan_mode* scanModes_[4] = {};
  UpdateProgress updateProgress_;
  std::vector<QuarantineEntry> quarantineEntries_;
  std::vector<QuarantineRecord> quarantineRecords_;
  ScanSummary summary_;
  std::mutex resultsLock_;
  ScanProgressCounters counters_;
  mutable std::mutex currentObjectLock_;
  std::wstring currentObject_;
  // The resolved folders of the own walk from the target down to the folder being walked.
  std::vector<std::wstring> walkStack_;
};

}  // namespace qws
