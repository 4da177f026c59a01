// A scanning library for the bridge's tests: the same exports, with behaviour set by the test
// (qlxs_script_set) and every call written to a call log (qlxs_script_calls).
#define QLXS_BUILDING_LIBRARY
#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "scanlib/include/qlxs_api.h"

namespace {

std::mutex g_lock;
std::map<std::string, long long> g_script;
std::string g_calls;
thread_local uint32_t g_lastError = 0;
qlxs_update_event_callback g_event = nullptr;
qlxs_update_amount_callback g_amount = nullptr;
int g_updateCall = 0;
int g_reloadCall = 0;
qlxs_global_setup g_lastSetup;

long long Get(const std::string& key, long long fallback = 0) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = g_script.find(key);
  return it == g_script.end() ? fallback : it->second;
}

void Called(const char* name) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_calls += name;
  g_calls += ';';
}

struct Object {
  int kind;
};

struct QuarantineFixture {
  std::wstring path, threat;
  qlxs_quarantine_item item{};
  int restoreResult = 0;
};
std::vector<QuarantineFixture> g_quarantine;

}  // namespace

extern "C" {

__declspec(dllexport) void qlxs_script_set(const char* key, long long value) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_script[key] = value;
}
__declspec(dllexport) void qlxs_script_reset() {
  std::lock_guard<std::mutex> lock(g_lock);
  g_script.clear();
  g_calls.clear();
  g_quarantine.clear();
  g_updateCall = g_reloadCall = 0;
}
__declspec(dllexport) const char* qlxs_script_calls() { return g_calls.c_str(); }
// An item of the scripted quarantine; a null path stands for an item the list cannot deliver.
__declspec(dllexport) void qlxs_script_add_quarantine(uint32_t id, const wchar_t* path, const wchar_t* threat,
                                                       int restoreResult) {
  QuarantineFixture fixture;
  fixture.path = path ? path : L"";
  fixture.threat = threat ? threat : L"";
  fixture.item.id_low = id;
  fixture.item.id_high = path ? 0 : 0xFFFFFFFFu;
  fixture.restoreResult = restoreResult;
  g_quarantine.push_back(std::move(fixture));
}
__declspec(dllexport) const qlxs_global_setup* qlxs_script_last_setup() { return &g_lastSetup; }

int32_t QLXS_CALL qlxs_scanner_update(qlxs_scanner*, int32_t, uint32_t* outFlags) {
  Called("update");
  const std::string n = std::to_string(g_updateCall++);
  if (const long long pause = Get("update_sleep_ms." + n, 0); pause > 0) Sleep(static_cast<DWORD>(pause));
  // Progress: one pass of "total" bytes in "chunks" pieces, then the finishing steps.
  if (const long long total = Get("progress_total." + n, -1); total >= 0) {
    if (g_event) g_event(static_cast<uint32_t>(total), 1);
    const long long chunks = Get("progress_chunks." + n, 0);
    for (long long i = 0; i < chunks && g_amount; ++i) g_amount(0, static_cast<uint32_t>(total / chunks));
    if (Get("progress_finish." + n, 1)) {
      if (g_event) g_event(0, 2);
      for (int i = 0; i < 6 && g_amount; ++i) g_amount(0, 1);
    }
  }
  if (const long long pause = Get("update_sleep_after_progress_ms." + n, 0); pause > 0)
    Sleep(static_cast<DWORD>(pause));
  if (outFlags) *outFlags = static_cast<uint32_t>(Get("update_flags." + n, 0));
  g_lastError = static_cast<uint32_t>(Get("update_error." + n, 0));
  return static_cast<int32_t>(Get("update_result." + n, 0));
}
void QLXS_CALL qlxs_scanner_set_update_callbacks(qlxs_scanner*, qlxs_update_event_callback event,
                                                 qlxs_update_amount_callback amount,
                                                 qlxs_update_module_callback) {
  Called("set_update_callbacks");
  g_event = event;
  g_amount = amount;
}
uint32_t QLXS_CALL qlxs_get_last_error(void) { return g_lastError; }
const qlxs_char* QLXS_CALL qlxs_get_api_version_string(void) {
  Called("version");
  return L"scripted 1.0";
}
qlxs_scan_setup* QLXS_CALL qlxs_scan_setup_create(qlxs_scanner*) {
  Called("scan_setup_create");
  return reinterpret_cast<qlxs_scan_setup*>(new Object{5});
}
void QLXS_CALL qlxs_scan_setup_set_clean_mode(qlxs_scan_setup*, int32_t) { Called("set_clean_mode"); }
qlxs_scanner* QLXS_CALL qlxs_scanner_create(const qlxs_global_setup* setup, uint32_t version) {
  Called("scanner_create");
  if (setup) g_lastSetup = *setup;
  if (Get("scanner_create_fails") || version != QLXS_SCANNER_VERSION) {
    g_lastError = 0x9106;
    return nullptr;
  }
  return reinterpret_cast<qlxs_scanner*>(new Object{7});
}
int32_t QLXS_CALL qlxs_scanner_reload(qlxs_scanner*) {
  Called("reload");
  return static_cast<int32_t>(Get("reload_result." + std::to_string(g_reloadCall++), 0));
}
#ifndef SCRIPTED_WITHOUT_INFO
uint32_t QLXS_CALL qlxs_scanner_info_list_count(void) {
  Called("info_count");
  return 3;
}
int32_t QLXS_CALL qlxs_scanner_info_list_item(qlxs_scanner*, uint32_t index, qlxs_scanner_info* info) {
  Called("info_item");
  if (index != 2 || !info) return -1;
  info->build = static_cast<uint32_t>(Get("build", 23000));
  return 0;
}
#endif
qlxs_global_setup* QLXS_CALL qlxs_global_setup_create(void) {
  Called("global_setup_create");
  return Get("global_setup_fails") ? nullptr : new qlxs_global_setup{};
}
qlxs_scan_mode* QLXS_CALL qlxs_scan_mode_create(void) {
  Called("scan_mode_create");
  return new qlxs_scan_mode{};
}
int32_t QLXS_CALL qlxs_scan(const qlxs_char*, const qlxs_char*, qlxs_scan_setup*, const qlxs_scan_mode*,
                            qlxs_scan_result**, qlxs_scan_log_list**) {
  Called("scan");
  return 0;
}
int32_t QLXS_CALL qlxs_scan_directory(const qlxs_char*, const qlxs_scan_dir_callbacks*, qlxs_scan_setup*,
                                      const qlxs_scan_mode*, qlxs_scan_result**, void**) {
  Called("scan_directory");
  return 0;
}
const qlxs_scan_log_item* QLXS_CALL qlxs_scan_log_list_item(const qlxs_scan_log_list*, uint32_t) { return nullptr; }
uint32_t QLXS_CALL qlxs_scan_log_list_count(const qlxs_scan_log_list*) { return 0; }
void QLXS_CALL qlxs_scan_log_list_destroy(qlxs_scan_log_list*) {}
void QLXS_CALL qlxs_scan_setup_set_default(qlxs_scan_setup*, uint32_t) {}
void QLXS_CALL qlxs_scan_setup_compile(qlxs_scan_setup*) {}
void QLXS_CALL qlxs_scan_setup_set_sfx(qlxs_scan_setup*, int32_t) {}
void QLXS_CALL qlxs_scan_setup_set_rtp(qlxs_scan_setup*, int32_t) {}
void QLXS_CALL qlxs_scan_setup_set_archives(qlxs_scan_setup*, int32_t) {}
void QLXS_CALL qlxs_scan_setup_set_app_unwanted(qlxs_scan_setup*, int32_t) {}
void QLXS_CALL qlxs_scan_setup_set_app_unsafe(qlxs_scan_setup*, int32_t) {}
void QLXS_CALL qlxs_scan_setup_set_app_suspicious(qlxs_scan_setup*, int32_t) {}
void QLXS_CALL qlxs_scanner_destroy(qlxs_scanner* scanner) {
  Called("scanner_destroy");
  delete reinterpret_cast<Object*>(scanner);
}
void QLXS_CALL qlxs_global_setup_destroy(qlxs_global_setup* setup) {
  Called("global_setup_destroy");
  delete setup;
}
void QLXS_CALL qlxs_scan_setup_destroy(qlxs_scan_setup* setup) {
  Called("scan_setup_destroy");
  delete reinterpret_cast<Object*>(setup);
}
void QLXS_CALL qlxs_scan_mode_destroy(qlxs_scan_mode* mode) {
  Called("scan_mode_destroy");
  delete mode;
}
int32_t QLXS_CALL qlxs_quarantine_log_evaluate(qlxs_scanner*, qlxs_quarantine_log_list** list) {
  Called("quarantine_evaluate");
  if (Get("quarantine_fails")) return -1;
  for (QuarantineFixture& fixture : g_quarantine) {
    fixture.item.former_path = fixture.path.c_str();
    fixture.item.threat_name = fixture.threat.c_str();
  }
  *list = reinterpret_cast<qlxs_quarantine_log_list*>(new Object{9});
  return 0;
}
void QLXS_CALL qlxs_quarantine_log_list_destroy(qlxs_quarantine_log_list* list) {
  Called("quarantine_destroy");
  delete reinterpret_cast<Object*>(list);
}
uint32_t QLXS_CALL qlxs_quarantine_log_list_count(const qlxs_quarantine_log_list*) {
  return static_cast<uint32_t>(g_quarantine.size());
}
const qlxs_quarantine_item* QLXS_CALL qlxs_quarantine_log_list_item(const qlxs_quarantine_log_list*, uint32_t index) {
  if (index >= g_quarantine.size() || g_quarantine[index].item.id_high == 0xFFFFFFFFu) return nullptr;
  return &g_quarantine[index].item;
}
int32_t QLXS_CALL qlxs_quarantine_restore(qlxs_scanner*, uint32_t low, uint32_t, const qlxs_char* path) {
  for (const QuarantineFixture& fixture : g_quarantine)
    if (fixture.item.id_low == low && fixture.path == path) {
      Called(("restore " + std::to_string(low)).c_str());
      return fixture.restoreResult;
    }
  return -1;
}
int32_t QLXS_CALL qlxs_quarantine_delete(qlxs_scanner*, uint32_t low, uint32_t) {
  Called(("delete " + std::to_string(low)).c_str());
  return 0;
}
void QLXS_CALL qlxs_scan_result_destroy(qlxs_scan_result*) {}
qlxs_ferry_setup QLXS_CALL qlxs_ferry_setup_create(void) {
  Called("ferry_setup_create");
  qlxs_ferry_setup setup{};
  setup.size = sizeof(setup);
  setup.send_delay_seconds = 77;
  return setup;
}
int32_t QLXS_CALL qlxs_ferry_create(qlxs_scanner*) {
  Called("ferry_create");
  return static_cast<int32_t>(Get("ferry_create_result", 0));
}
int32_t QLXS_CALL qlxs_ferry_setup_set(qlxs_scanner*, const qlxs_ferry_setup* setup) {
  Called(setup && setup->send_delay_seconds == 0 && setup->size == sizeof(*setup) ? "ferry_setup_set"
                                                                                 : "ferry_setup_set(bad)");
  return static_cast<int32_t>(Get("ferry_setup_set_result", 0));
}
int32_t QLXS_CALL qlxs_ferry_start_send_thread(qlxs_scanner*) {
  Called("ferry_start");
  return 0;
}
#ifndef SCRIPTED_WITHOUT_REQUIRED_EXPORT
int32_t QLXS_CALL qlxs_ferry_add_object(qlxs_scanner*, const qlxs_char*, uint32_t) { return 0; }
#endif
int32_t QLXS_CALL qlxs_ferry_send(qlxs_scanner*) {
  Called("ferry_send");
  return 0;
}
int32_t QLXS_CALL qlxs_ferry_destroy(qlxs_scanner*) {
  Called("ferry_destroy");
  return 0;
}
int32_t QLXS_CALL qlxs_set_language(uint32_t language) {
  Called(language == 1033 ? "set_language(1033)" : "set_language");
  return 0;
}

}  // extern "C"
