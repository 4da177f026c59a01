// The 44 exported functions. No exception leaves them; failures set the thread's last error.
#include <windows.h>

#include <new>

#include "base/scoped_handle.h"
#include "base/u16.h"
#include "scanlib/win/library_state.h"
#include "scanlib/win/module_folder.h"

namespace qws::scan {
namespace {

thread_local uint32_t t_last_error = 0;

constexpr uint32_t kSetupVersion = 1;
constexpr uint32_t kInfoEntries = 3;

std::wstring Text(const qlxs_char* text, size_t units) {
  size_t length = 0;
  while (length < units && text[length]) ++length;
  return std::wstring(text, length);
}

// Runs the body; an exception becomes a failure with the given code.
template <class F, class R>
R Guard(R on_failure, F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    SetLastError32(QLXS_E_OUT_OF_MEMORY);
  } catch (...) {
    SetLastError32(QLXS_E_INVALID_ARGUMENT);
  }
  return on_failure;
}

int32_t Fail(uint32_t code) {
  SetLastError32(code);
  return -1;
}

void WriteState(const qlxs_scanner& scanner) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t time = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  WriteWholeFile(scanner.base_folder + L"\\qlxs_api.stg",
                 "build=" + std::to_string(scanner.build) + "\nupdated=" + std::to_string(time) + "\n");
}

qlxs_scan_result* NewResult() {
  auto* result = new qlxs_scan_result{};
  result->size = sizeof(qlxs_scan_result);
  return result;
}

void Account(qlxs_scan_result& result, const ObjectOutcome& outcome) {
  ++result.objects_scanned;
  if (outcome.unreadable) ++result.errors;
  if (outcome.infected) {
    ++result.threats_found;
    result.infected = 1;
  }
  if (outcome.cleaned) ++result.threats_cleaned;
  result.cleaned = result.threats_found > 0 && result.threats_cleaned == result.threats_found;
  if (outcome.restart) result.flags |= QLXS_RESULT_RESTART_REQUIRED;
}

bool Ready(const qlxs_scan_setup* setup) { return setup && setup->compiled && setup->engine; }

// The folder walk of qlxs_scan_directory: files first counted, then scanned, so that the
// percentage is real; links to folders are never followed.
class FolderScan {
 public:
  FolderScan(qlxs_scan_setup& setup, const qlxs_scan_mode& mode, const qlxs_scan_dir_callbacks& callbacks,
             qlxs_scan_result& result)
      : setup_(setup), mode_(mode), callbacks_(callbacks), result_(result) {}

  void Run(const std::wstring& folder) {
    Walk(folder, 0, true);
    Walk(folder, 0, false);
    if (!stopped_ && callbacks_.progress) callbacks_.progress(100, callbacks_.context);
  }

 private:
  void Walk(const std::wstring& folder, uint32_t depth, bool counting) {
    if (stopped_) return;
    if (!counting && callbacks_.notify) callbacks_.notify(QLXS_NOTIFY_FOLDER, folder.c_str(), callbacks_.context);
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found;
    ScopedFindHandle find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find.is_valid()) return;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) folders.push_back(folder + name + L"\\");
      } else if (counting) {
        ++total_;
      } else {
        ScanFile(folder + name);
        if (stopped_) return;
      }
    } while (FindNextFileW(find.get(), &found));
    find.reset();
    if (depth >= std::min<uint32_t>(callbacks_.max_depth, 4096)) return;
    for (const std::wstring& inner : folders) Walk(inner, depth + 1, counting);
  }

  void ScanFile(const std::wstring& path) {
    if (callbacks_.stop && callbacks_.stop(callbacks_.context)) {
      stopped_ = true;
      return;
    }
    if (callbacks_.notify) callbacks_.notify(QLXS_NOTIFY_FILE, path.c_str(), callbacks_.context);
    qlxs_scan_log_list log;
    const ObjectOutcome outcome = ScanObject(setup_, mode_, path, log);
    log.Seal();
    Account(result_, outcome);
    ++done_;
    if (callbacks_.log) {
      const int32_t event = outcome.infected && !outcome.cleaned ? QLXS_EVENT_INFECTED : QLXS_EVENT_CLEAN;
      callbacks_.log(&log, callbacks_.context, event, outcome.action);
    }
    if (callbacks_.progress)
      callbacks_.progress(static_cast<int32_t>(total_ ? std::min<uint64_t>(done_ * 100 / total_, 100) : 100), callbacks_.context);
  }

  qlxs_scan_setup& setup_;
  const qlxs_scan_mode& mode_;
  const qlxs_scan_dir_callbacks& callbacks_;
  qlxs_scan_result& result_;
  uint64_t total_ = 0, done_ = 0;
  bool stopped_ = false;
};

}  // namespace

void SetLastError32(uint32_t code) { t_last_error = code; }

uint32_t LoadModules(qlxs_scanner& scanner) {
  StoredModules stored;
  SignatureSet signatures;
  if (uint32_t error = ReadModuleFolder(scanner.modules_folder, stored, &signatures)) return error;
  scanner.engine = std::make_shared<const Engine>(std::move(signatures));
  scanner.build = stored.manifest.build;
  return 0;
}

}  // namespace qws::scan

using namespace qws::scan;

extern const wchar_t kLibraryVersion[];  // of the variant: win/variant.cpp
extern const bool kAntiStealth;

extern "C" {

QLXS_EXPORT int32_t QLXS_CALL qlxs_scanner_update(qlxs_scanner* scanner, int32_t, uint32_t* out_flags) {
  return Guard(-1, [&]() -> int32_t {
    if (!scanner) return Fail(QLXS_E_INVALID_ARGUMENT);
    uint32_t flags = 0;
    const uint32_t error = UpdateModules(*scanner, flags);
    if (out_flags) *out_flags |= flags;
    if (error) return Fail(error);
    StoredModules stored;
    if (ReadModuleFolder(scanner->modules_folder, stored, nullptr) == 0) scanner->build = stored.manifest.build;
    WriteState(*scanner);
    SetLastError32(0);
    return 0;
  });
}

QLXS_EXPORT void QLXS_CALL qlxs_scanner_set_update_callbacks(qlxs_scanner* scanner, qlxs_update_event_callback event,
                                                             qlxs_update_amount_callback amount,
                                                             qlxs_update_module_callback module) {
  if (!scanner) return SetLastError32(QLXS_E_INVALID_ARGUMENT);
  scanner->update_event = event;
  scanner->update_amount = amount;
  scanner->update_module = module;
}

QLXS_EXPORT uint32_t QLXS_CALL qlxs_get_last_error(void) { return t_last_error; }

QLXS_EXPORT const qlxs_char* QLXS_CALL qlxs_get_api_version_string(void) { return kLibraryVersion; }

QLXS_EXPORT qlxs_scan_setup* QLXS_CALL qlxs_scan_setup_create(qlxs_scanner* scanner) {
  return Guard(static_cast<qlxs_scan_setup*>(nullptr), [&]() -> qlxs_scan_setup* {
    if (!scanner) {
      SetLastError32(QLXS_E_INVALID_ARGUMENT);
      return nullptr;
    }
    auto* setup = new qlxs_scan_setup;
    setup->scanner = scanner;
    setup->switches.archives = true;
    return setup;
  });
}

QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_clean_mode(qlxs_scan_setup* setup, int32_t clean_mode) {
  if (setup) setup->clean_mode = clean_mode;
}

QLXS_EXPORT qlxs_scanner* QLXS_CALL qlxs_scanner_create(const qlxs_global_setup* setup, uint32_t version) {
  return Guard(static_cast<qlxs_scanner*>(nullptr), [&]() -> qlxs_scanner* {
    if (!setup) {
      SetLastError32(QLXS_E_INVALID_ARGUMENT);
      return nullptr;
    }
    if (version != QLXS_SCANNER_VERSION) {
      SetLastError32(QLXS_E_BAD_SCANNER_VERSION);
      return nullptr;
    }
    auto scanner = std::make_unique<qlxs_scanner>();
    scanner->setup = *setup;
    scanner->modules_folder = Text(setup->modules_folder, QLXS_FOLDER_CHARS);
    scanner->base_folder = Text(setup->base_folder, QLXS_FOLDER_CHARS);
    scanner->quarantine_folder = Text(setup->quarantine_folder, QLXS_FOLDER_CHARS);
    scanner->ferry_folder = Text(setup->ferry_cache_folder, QLXS_FOLDER_CHARS);
    scanner->update_url = Text(setup->update_url, QLXS_URL_CHARS);
    for (std::wstring* folder : {&scanner->modules_folder, &scanner->quarantine_folder, &scanner->ferry_folder})
      if (!folder->empty() && folder->back() != L'\\') *folder += L'\\';
    if (scanner->modules_folder.empty() || scanner->quarantine_folder.empty()) {
      SetLastError32(QLXS_E_INVALID_ARGUMENT);
      return nullptr;
    }
    return scanner.release();
  });
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_scanner_reload(qlxs_scanner* scanner) {
  return Guard(-1, [&]() -> int32_t {
    if (!scanner) return Fail(QLXS_E_INVALID_ARGUMENT);
    if (uint32_t error = LoadModules(*scanner)) return Fail(error);  // the earlier engine stays
    return 0;
  });
}

QLXS_EXPORT uint32_t QLXS_CALL qlxs_scanner_info_list_count(void) { return kInfoEntries; }

QLXS_EXPORT int32_t QLXS_CALL qlxs_scanner_info_list_item(qlxs_scanner* scanner, uint32_t index, qlxs_scanner_info* info) {
  if (!scanner || !info || index >= kInfoEntries) return Fail(QLXS_E_INVALID_ARGUMENT);
  *info = {};
  info->index = index;
  std::wstring name, value;
  if (index == QLXS_INFO_LIBRARY) {
    name = L"library";
    value = kLibraryVersion;
  } else if (index == QLXS_INFO_ENGINE) {
    name = L"signatures";
    value = std::to_wstring(scanner->engine ? scanner->engine->signature_count() : 0);
  } else {
    name = L"modules";
    info->build = scanner->engine ? scanner->build : 0;
    value = std::to_wstring(info->build);
  }
  wcsncpy(info->name, name.c_str(), 127);
  wcsncpy(info->value, value.c_str(), 147);
  return 0;
}

QLXS_EXPORT qlxs_global_setup* QLXS_CALL qlxs_global_setup_create(void) {
  auto* setup = new (std::nothrow) qlxs_global_setup{};
  if (!setup) {
    SetLastError32(QLXS_E_OUT_OF_MEMORY);
    return nullptr;
  }
  setup->size = sizeof(qlxs_global_setup);
  setup->version = kSetupVersion;
  return setup;
}

QLXS_EXPORT qlxs_scan_mode* QLXS_CALL qlxs_scan_mode_create(void) {
  auto* mode = new (std::nothrow) qlxs_scan_mode{};
  if (!mode) return nullptr;
  mode->size = sizeof(qlxs_scan_mode);
  mode->targets = QLXS_TARGETS_FILES;
  mode->log_clean = 1;
  return mode;
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_scan(const qlxs_char* object, const qlxs_char*, qlxs_scan_setup* setup,
                                        const qlxs_scan_mode* mode, qlxs_scan_result** result_out,
                                        qlxs_scan_log_list** log_out) {
  if (result_out) *result_out = nullptr;
  if (log_out) *log_out = nullptr;
  return Guard(-1, [&]() -> int32_t {
    if (mode && mode->targets == QLXS_TARGETS_MEMORY && !kAntiStealth) return Fail(QLXS_E_NOT_SUPPORTED);
    if (!setup || !mode || !object) return Fail(QLXS_E_INVALID_ARGUMENT);
    if (!Ready(setup)) return Fail(QLXS_E_SETUP_NOT_COMPILED);
    auto log = std::make_unique<qlxs_scan_log_list>();
    std::unique_ptr<qlxs_scan_result> result(NewResult());
    std::vector<std::wstring> objects;
    if (mode->targets == QLXS_TARGETS_MEMORY) objects = RunningImageFiles();
    else if (mode->targets == QLXS_TARGETS_STARTUP) objects = StartupFiles();
    else objects.push_back(object);
    for (const std::wstring& path : objects) Account(*result, ScanObject(*setup, *mode, path, *log));
    log->Seal();
    if (result_out) *result_out = result.release();
    if (log_out) *log_out = log.release();
    return 0;
  });
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_scan_directory(const qlxs_char* folder, const qlxs_scan_dir_callbacks* callbacks,
                                                  qlxs_scan_setup* setup, const qlxs_scan_mode* mode,
                                                  qlxs_scan_result** result_out, void** reserved) {
  if (result_out) *result_out = nullptr;
  if (reserved) *reserved = nullptr;
  return Guard(0, [&]() -> int32_t {
    if (!kAntiStealth) {
      SetLastError32(QLXS_E_NOT_SUPPORTED);
      return 0;
    }
    if (!folder || !callbacks || !setup || !mode) {
      SetLastError32(QLXS_E_INVALID_ARGUMENT);
      return 0;
    }
    if (!Ready(setup)) {
      SetLastError32(QLXS_E_SETUP_NOT_COMPILED);
      return 0;
    }
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    std::unique_ptr<qlxs_scan_result> result(NewResult());
    FolderScan(*setup, *mode, *callbacks, *result).Run(path);
    if (result_out) *result_out = result.release();
    return 1;
  });
}

QLXS_EXPORT const qlxs_scan_log_item* QLXS_CALL qlxs_scan_log_list_item(const qlxs_scan_log_list* log, uint32_t index) {
  return log && index < log->items.size() ? &log->items[index] : nullptr;
}

QLXS_EXPORT uint32_t QLXS_CALL qlxs_scan_log_list_count(const qlxs_scan_log_list* log) {
  return log ? static_cast<uint32_t>(log->items.size()) : 0;
}

QLXS_EXPORT void QLXS_CALL qlxs_scan_log_list_destroy(qlxs_scan_log_list* log) { delete log; }

QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_default(qlxs_scan_setup* setup, uint32_t) {
  if (!setup) return;
  setup->switches = {};
  setup->switches.archives = true;
  setup->clean_mode = QLXS_CLEAN_MODE_REPORT;
  setup->compiled = false;
}

QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_compile(qlxs_scan_setup* setup) {
  if (!setup) return;
  setup->engine = setup->scanner->engine;
  setup->compiled = true;
  if (!setup->engine) SetLastError32(QLXS_E_NO_MODULES);
}

// Self-extracting archives are always examined (they are ZIP data after a program) and there is
// no resident protection in an on-demand scanner: both switches are accepted and kept as they are.
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_sfx(qlxs_scan_setup*, int32_t) {}
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_rtp(qlxs_scan_setup*, int32_t) {}

QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_archives(qlxs_scan_setup* setup, int32_t on) {
  if (setup) setup->switches.archives = on != 0;
}
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_app_unwanted(qlxs_scan_setup* setup, int32_t on) {
  if (setup) setup->switches.unwanted = on != 0;
}
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_app_unsafe(qlxs_scan_setup* setup, int32_t on) {
  if (setup) setup->switches.unsafe = on != 0;
}
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_app_suspicious(qlxs_scan_setup* setup, int32_t on) {
  if (setup) setup->switches.suspicious = on != 0;
}

QLXS_EXPORT void QLXS_CALL qlxs_scanner_destroy(qlxs_scanner* scanner) {
  if (!scanner) return;
  StopFerry(*scanner);
  delete scanner;
}

QLXS_EXPORT void QLXS_CALL qlxs_global_setup_destroy(qlxs_global_setup* setup) { delete setup; }
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_destroy(qlxs_scan_setup* setup) { delete setup; }
QLXS_EXPORT void QLXS_CALL qlxs_scan_mode_destroy(qlxs_scan_mode* mode) { delete mode; }

QLXS_EXPORT int32_t QLXS_CALL qlxs_quarantine_log_evaluate(qlxs_scanner* scanner, qlxs_quarantine_log_list** list) {
  if (list) *list = nullptr;
  return Guard(-1, [&]() -> int32_t {
    if (!scanner || !list) return Fail(QLXS_E_INVALID_ARGUMENT);
    auto result = std::make_unique<qlxs_quarantine_log_list>();
    ListQuarantine(*scanner, *result);
    *list = result.release();
    return 0;
  });
}

QLXS_EXPORT void QLXS_CALL qlxs_quarantine_log_list_destroy(qlxs_quarantine_log_list* list) { delete list; }

QLXS_EXPORT uint32_t QLXS_CALL qlxs_quarantine_log_list_count(const qlxs_quarantine_log_list* list) {
  return list ? static_cast<uint32_t>(list->items.size()) : 0;
}

QLXS_EXPORT const qlxs_quarantine_item* QLXS_CALL qlxs_quarantine_log_list_item(const qlxs_quarantine_log_list* list,
                                                                                uint32_t index) {
  return list && index < list->items.size() ? &list->items[index] : nullptr;
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_quarantine_restore(qlxs_scanner* scanner, uint32_t id_low, uint32_t id_high,
                                                      const qlxs_char* former_path) {
  return Guard(-1, [&]() -> int32_t {
    if (!scanner) return Fail(QLXS_E_INVALID_ARGUMENT);
    const uint64_t id = static_cast<uint64_t>(id_high) << 32 | id_low;
    if (uint32_t error = RestoreQuarantined(*scanner, id, former_path ? former_path : L"")) return Fail(error);
    return 0;
  });
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_quarantine_delete(qlxs_scanner* scanner, uint32_t id_low, uint32_t id_high) {
  return Guard(-1, [&]() -> int32_t {
    if (!scanner) return Fail(QLXS_E_INVALID_ARGUMENT);
    if (uint32_t error = DeleteQuarantined(*scanner, static_cast<uint64_t>(id_high) << 32 | id_low)) return Fail(error);
    return 0;
  });
}

QLXS_EXPORT void QLXS_CALL qlxs_scan_result_destroy(qlxs_scan_result* result) { delete result; }

QLXS_EXPORT qlxs_ferry_setup QLXS_CALL qlxs_ferry_setup_create(void) {
  qlxs_ferry_setup setup{};
  setup.size = sizeof(setup);
  setup.cache_limit_bytes = 64 * 1024;
  setup.send_delay_seconds = 300;
  return setup;
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_create(qlxs_scanner* scanner) {
  if (!scanner) return Fail(QLXS_E_INVALID_ARGUMENT);
  scanner->ferry.created = true;
  scanner->ferry.setup = qlxs_ferry_setup_create();
  CreateDirectoryW(scanner->ferry_folder.c_str(), nullptr);
  return 0;
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_setup_set(qlxs_scanner* scanner, const qlxs_ferry_setup* setup) {
  if (!scanner || !setup || !scanner->ferry.created) return Fail(QLXS_E_INVALID_ARGUMENT);
  {
    std::lock_guard lock(scanner->ferry.mutex);
    scanner->ferry.setup = *setup;
  }
  scanner->ferry.wake.notify_all();
  return 0;
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_start_send_thread(qlxs_scanner* scanner) {
  return Guard(-1, [&]() -> int32_t {
    if (!scanner || !scanner->ferry.created) return Fail(QLXS_E_INVALID_ARGUMENT);
    StartFerry(*scanner);
    return 0;
  });
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_add_object(qlxs_scanner* scanner, const qlxs_char* name, uint32_t count) {
  if (!scanner || !name) return Fail(QLXS_E_INVALID_ARGUMENT);
  for (uint32_t i = 0; i < std::min<uint32_t>(count, 1000); ++i) CountScan(*scanner, 0, name);
  return 0;
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_send(qlxs_scanner* scanner) {
  if (!scanner) return Fail(QLXS_E_INVALID_ARGUMENT);
  return Guard(-1, [&]() -> int32_t {
    RequestFerrySend(*scanner);
    return 0;
  });
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_destroy(qlxs_scanner* scanner) {
  if (!scanner) return Fail(QLXS_E_INVALID_ARGUMENT);
  return Guard(-1, [&]() -> int32_t {
    StopFerry(*scanner);
    scanner->ferry.created = false;
    return 0;
  });
}

QLXS_EXPORT int32_t QLXS_CALL qlxs_set_language(uint32_t) { return 0; }

}  // extern "C"
