// The objects behind the library's opaque handles (Windows side).
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scanlib/engine.h"
#include "scanlib/include/qlxs_api.h"

namespace qws::scan {

// Telemetry: counts only (scans, objects, detections by threat name).
struct FerryState {
  bool created = false;
  qlxs_ferry_setup setup{};
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  bool send_now = false;
  std::thread sender;
  uint64_t scans = 0, objects = 0;
  std::map<std::wstring, uint64_t> detections;
};

}  // namespace qws::scan

struct qlxs_scanner {
  qlxs_global_setup setup{};
  std::wstring modules_folder, base_folder, quarantine_folder, ferry_folder, update_url;
  std::shared_ptr<const qws::scan::Engine> engine;  // null until modules are loaded
  uint32_t build = 0;
  qlxs_update_event_callback update_event = nullptr;
  qlxs_update_amount_callback update_amount = nullptr;
  qlxs_update_module_callback update_module = nullptr;
  qws::scan::FerryState ferry;
};

struct qlxs_scan_setup {
  qlxs_scanner* scanner = nullptr;
  std::shared_ptr<const qws::scan::Engine> engine;  // taken at compile time
  qws::scan::ScanSwitches switches;
  int32_t clean_mode = QLXS_CLEAN_MODE_REPORT;
  bool compiled = false;
};

struct qlxs_scan_log_list {
  struct Entry {
    std::wstring object, result, action, extra;
  };
  std::vector<Entry> entries;
  std::vector<qlxs_scan_log_item> items;  // pointing into entries, built by Seal()
  void Add(std::wstring object, std::wstring result, std::wstring action = L"", std::wstring extra = L"") {
    entries.push_back({std::move(object), std::move(result), std::move(action), std::move(extra)});
  }
  void Seal() {
    items.clear();
    for (const Entry& e : entries) items.push_back({e.object.c_str(), e.result.c_str(), e.action.c_str(), e.extra.c_str()});
  }
};

struct qlxs_quarantine_log_list {
  struct Entry {
    std::wstring former_path, item_file, threat_name;
  };
  std::vector<Entry> entries;
  std::vector<qlxs_quarantine_item> items;
};

namespace qws::scan {

void SetLastError32(uint32_t code);

// Texts of the log items.
inline constexpr wchar_t kResultOk[] = L"is OK";
inline constexpr wchar_t kActionDeleted[] = L"cleaned by deleting";
inline constexpr wchar_t kActionDeleteAtRestart[] = L"will be deleted at restart";
inline constexpr wchar_t kActionCleanFailed[] = L"could not be cleaned";

struct ObjectOutcome {
  bool infected = false;
  bool cleaned = false;
  bool restart = false;
  bool unreadable = false;
  int32_t action = QLXS_ACTION_NONE;
};

// Scans one file (or a volume's first sector for "X:\${Boot}") and, in a cleaning mode,
// cleans it; log items go to `log`.
ObjectOutcome ScanObject(qlxs_scan_setup& setup, const qlxs_scan_mode& mode, const std::wstring& path,
                         qlxs_scan_log_list& log);

// The image files of running processes, and the files that start with Windows.
std::vector<std::wstring> RunningImageFiles();
std::vector<std::wstring> StartupFiles();

// Quarantine: adds a copy of the file; true when the copy is complete.
bool QuarantineFile(qlxs_scanner& scanner, const std::wstring& path, const std::wstring& threat);
bool ListQuarantine(qlxs_scanner& scanner, qlxs_quarantine_log_list& list);
uint32_t RestoreQuarantined(qlxs_scanner& scanner, uint64_t id, const std::wstring& former_path);
uint32_t DeleteQuarantined(qlxs_scanner& scanner, uint64_t id);

// Loads the modules folder; 0 or an error code.
uint32_t LoadModules(qlxs_scanner& scanner);

// Module update over HTTP; 0 (out_flags set) or an error code.
uint32_t UpdateModules(qlxs_scanner& scanner, uint32_t& out_flags);

void CountScan(qlxs_scanner& scanner, uint64_t objects, const std::wstring& threat);
void StartFerry(qlxs_scanner& scanner);
void RequestFerrySend(qlxs_scanner& scanner);
void StopFerry(qlxs_scanner& scanner);

}  // namespace qws::scan
