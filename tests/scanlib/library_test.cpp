// The scanning library through its exported functions only, loaded by file name as the engine
// bridge loads it: scans, cleaning, quarantine, folder scans, updates against qws-server.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "base/scoped_handle.h"
#include "scanlib/include/qlxs_api.h"
#include "tests/scanlib/test_samples.h"
#include "tests/support/win_test_support.h"

namespace qws::test {
namespace {

#define QLXS_EXPORTS(X)                                                                           \
  X(qlxs_scanner_update) X(qlxs_scanner_set_update_callbacks) X(qlxs_get_last_error)               \
  X(qlxs_get_api_version_string) X(qlxs_scan_setup_create) X(qlxs_scan_setup_set_clean_mode)       \
  X(qlxs_scanner_create) X(qlxs_scanner_reload) X(qlxs_scanner_info_list_count)                    \
  X(qlxs_scanner_info_list_item) X(qlxs_global_setup_create) X(qlxs_scan_mode_create) X(qlxs_scan) \
  X(qlxs_scan_directory) X(qlxs_scan_log_list_item) X(qlxs_scan_log_list_count)                    \
  X(qlxs_scan_log_list_destroy) X(qlxs_scan_setup_set_default) X(qlxs_scan_setup_compile)          \
  X(qlxs_scan_setup_set_sfx) X(qlxs_scan_setup_set_rtp) X(qlxs_scan_setup_set_archives)            \
  X(qlxs_scan_setup_set_app_unwanted) X(qlxs_scan_setup_set_app_unsafe)                            \
  X(qlxs_scan_setup_set_app_suspicious) X(qlxs_scanner_destroy) X(qlxs_global_setup_destroy)       \
  X(qlxs_scan_setup_destroy) X(qlxs_scan_mode_destroy) X(qlxs_quarantine_log_evaluate)             \
  X(qlxs_quarantine_log_list_destroy) X(qlxs_quarantine_log_list_count)                            \
  X(qlxs_quarantine_log_list_item) X(qlxs_quarantine_restore) X(qlxs_quarantine_delete)            \
  X(qlxs_scan_result_destroy) X(qlxs_ferry_setup_create) X(qlxs_ferry_create)                      \
  X(qlxs_ferry_setup_set) X(qlxs_ferry_start_send_thread) X(qlxs_ferry_add_object)                 \
  X(qlxs_ferry_send) X(qlxs_ferry_destroy) X(qlxs_set_language)

// The library loaded from the build folder, every export bound by name.
struct Library {
  ScopedModule module;
#define QLXS_FIELD(name) decltype(&::name) name = nullptr;
  QLXS_EXPORTS(QLXS_FIELD)
#undef QLXS_FIELD
  int bound = 0;

  explicit Library(const wchar_t* file) : module(LoadLibraryW((BinFolder() + L"\\" + file).c_str())) {
    if (!module) return;
#define QLXS_BIND(name)                                                                       \
  name = reinterpret_cast<decltype(name)>(reinterpret_cast<void*>(GetProcAddress(module.get(), #name))); \
  bound += name != nullptr;
    QLXS_EXPORTS(QLXS_BIND)
#undef QLXS_BIND
  }
};

Library& Lib() {
  static Library library(L"qlxs_apiW_a.dll");
  return library;
}

std::wstring UnixToWine(const std::string& path) {
  std::wstring out = L"Z:";
  for (char c : path) out.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return out;
}

void CopyFolder(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW((from + L"\\*").c_str(), &found));
  ASSERT_TRUE(find.is_valid()) << "no module set in " << std::string(from.begin(), from.end());
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ASSERT_TRUE(CopyFileW((from + L"\\" + found.cFileName).c_str(), (to + L"\\" + found.cFileName).c_str(), FALSE));
    }
  } while (FindNextFileW(find.get(), &found));
}

std::wstring HostModules(const char* set) { return UnixToWine(std::string(QWS_HOST_BUILD_DIR "/modules/") + set); }

void Put(wchar_t* field, size_t units, const std::wstring& text) { wcsncpy(field, text.c_str(), units - 1); }

struct LogItem {
  std::wstring object, result, action, extra;
};

std::vector<LogItem> Items(const qlxs_scan_log_list* log) {
  std::vector<LogItem> items;
  for (uint32_t i = 0; i < Lib().qlxs_scan_log_list_count(log); ++i) {
    const qlxs_scan_log_item* item = Lib().qlxs_scan_log_list_item(log, i);
    items.push_back({item->object, item->result, item->action, item->extra});
  }
  return items;
}

// A scanner on a fresh base folder; with a module set copied into its modules folder.
class Scanner {
 public:
  explicit Scanner(const char* modules = "dev", const std::wstring& update_url = L"") {
    auto& lib = Lib();
    setup_ = lib.qlxs_global_setup_create();
    Put(setup_->base_folder, QLXS_FOLDER_CHARS, base_.path());
    Put(setup_->modules_folder, QLXS_FOLDER_CHARS, base_.path() + L"\\Modules\\");
    Put(setup_->quarantine_folder, QLXS_FOLDER_CHARS, base_.path() + L"\\Quarantine\\");
    Put(setup_->ferry_cache_folder, QLXS_FOLDER_CHARS, base_.path() + L"\\Ferry_Cache\\");
    Put(setup_->update_url, QLXS_URL_CHARS, update_url);
    if (modules) CopyFolder(HostModules(modules), base_.path() + L"\\Modules");
    scanner_ = lib.qlxs_scanner_create(setup_, QLXS_SCANNER_VERSION);
  }
  ~Scanner() {
    auto& lib = Lib();
    if (setup_for_scan_) lib.qlxs_scan_setup_destroy(setup_for_scan_);
    lib.qlxs_ferry_send(scanner_);
    lib.qlxs_ferry_destroy(scanner_);
    lib.qlxs_scanner_destroy(scanner_);
    lib.qlxs_global_setup_destroy(setup_);
  }
  qlxs_scanner* get() const { return scanner_; }
  const std::wstring& base() const { return base_.path(); }
  std::wstring operator/(const std::wstring& name) const { return base_ / name; }

  uint32_t Build() {
    qlxs_scanner_info info{};
    return Lib().qlxs_scanner_info_list_item(scanner_, QLXS_INFO_MODULES, &info) == 0 ? info.build : 0xFFFFFFFF;
  }

  qlxs_scan_setup* Setup(bool unwanted = false, bool archives = true) {
    auto& lib = Lib();
    if (setup_for_scan_) lib.qlxs_scan_setup_destroy(setup_for_scan_);
    setup_for_scan_ = lib.qlxs_scan_setup_create(scanner_);
    lib.qlxs_scan_setup_set_default(setup_for_scan_, QLXS_SETUP_DEFAULT);
    lib.qlxs_scan_setup_set_app_unwanted(setup_for_scan_, unwanted);
    lib.qlxs_scan_setup_set_app_unsafe(setup_for_scan_, 0);
    lib.qlxs_scan_setup_set_archives(setup_for_scan_, archives);
    lib.qlxs_scan_setup_set_rtp(setup_for_scan_, 1);
    lib.qlxs_scan_setup_set_sfx(setup_for_scan_, 1);
    lib.qlxs_scan_setup_set_app_suspicious(setup_for_scan_, 0);
    lib.qlxs_scan_setup_set_clean_mode(setup_for_scan_, QLXS_CLEAN_MODE_CLEAN);
    lib.qlxs_scan_setup_compile(setup_for_scan_);
    return setup_for_scan_;
  }

  struct Outcome {
    int32_t infected = 0, cleaned = 0;
    uint32_t flags = 0;
    std::vector<LogItem> items;
  };
  // One object in log-only (clean = false) or clean mode.
  Outcome Scan(const std::wstring& path, bool clean, qlxs_scan_setup* setup = nullptr) {
    auto& lib = Lib();
    qlxs_scan_mode* mode = lib.qlxs_scan_mode_create();
    mode->clean = clean;
    mode->log_clean = !clean;
    qlxs_scan_result* result = nullptr;
    qlxs_scan_log_list* log = nullptr;
    lib.qlxs_scan(path.c_str(), path.c_str(), setup ? setup : Setup(), mode, &result, &log);
    Outcome outcome;
    if (result) outcome = {result->infected, result->cleaned, result->flags, {}};
    outcome.items = Items(log);
    lib.qlxs_scan_result_destroy(result);
    lib.qlxs_scan_log_list_destroy(log);
    lib.qlxs_scan_mode_destroy(mode);
    return outcome;
  }

 private:
  TempFolder base_;
  qlxs_global_setup* setup_ = nullptr;
  qlxs_scanner* scanner_ = nullptr;
  qlxs_scan_setup* setup_for_scan_ = nullptr;
};

TEST(Library, ExportsAllFunctionsAndLoadsTheModules) {
  for (const wchar_t* file : {L"qlxs_apiW.dll", L"qlxs_apiW_a.dll"}) {
    Library library(file);
    EXPECT_EQ(library.bound, 44) << "in " << std::string(file, file + wcslen(file));
  }
  {
    // The plain variant has neither the memory scan nor the library's folder walk.
    Library plain(L"qlxs_apiW.dll");
    qlxs_scan_mode* memory = plain.qlxs_scan_mode_create();
    memory->targets = QLXS_TARGETS_MEMORY;
    qlxs_scan_result* result = nullptr;
    qlxs_scan_log_list* log = nullptr;
    EXPECT_EQ(plain.qlxs_scan(L"", L"", nullptr, memory, &result, &log), -1);
    EXPECT_EQ(plain.qlxs_get_last_error(), QLXS_E_NOT_SUPPORTED);
    qlxs_scan_dir_callbacks callbacks{5, 0x7FFFFFFF, nullptr, nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(plain.qlxs_scan_directory(L"C:\\", &callbacks, nullptr, memory, &result, nullptr), 0);
    EXPECT_EQ(plain.qlxs_get_last_error(), QLXS_E_NOT_SUPPORTED);
    plain.qlxs_scan_mode_destroy(memory);
  }
  Scanner scanner;
  ASSERT_NE(scanner.get(), nullptr);
  EXPECT_EQ(Lib().qlxs_scanner_reload(scanner.get()), 0);
  EXPECT_EQ(scanner.Build(), 22990u);
  EXPECT_NE(std::wstring(Lib().qlxs_get_api_version_string()).find(L"antistealth"), std::wstring::npos);

  Scanner empty(nullptr);
  EXPECT_EQ(Lib().qlxs_scanner_reload(empty.get()), -1);
  EXPECT_EQ(Lib().qlxs_get_last_error(), QLXS_E_NO_MODULES);
  EXPECT_EQ(empty.Build(), 0u);
}

TEST(Library, EicarInLogOnlyModeThenCleanedQuarantinedAndRestored) {
  Scanner scanner;
  ASSERT_EQ(Lib().qlxs_scanner_reload(scanner.get()), 0);
  const std::wstring file = scanner / L"eicar.com";
  WriteFileBytes(file, Eicar());

  Scanner::Outcome found = scanner.Scan(file, false);
  EXPECT_EQ(found.infected, 1);
  EXPECT_EQ(found.cleaned, 0);
  ASSERT_EQ(found.items.size(), 1u);
  EXPECT_EQ(found.items[0].object, file);
  EXPECT_EQ(found.items[0].result, L"Eicar-Test-Signature");
  EXPECT_TRUE(FileExists(file));

  WriteFileBytes(scanner / L"clean.txt", "nothing to see");
  Scanner::Outcome clean = scanner.Scan(scanner / L"clean.txt", false);
  EXPECT_EQ(clean.infected, 0);
  ASSERT_EQ(clean.items.size(), 1u);
  EXPECT_EQ(clean.items[0].result.substr(0, 5), L"is OK");

  Scanner::Outcome cleaned = scanner.Scan(file, true);
  EXPECT_EQ(cleaned.infected, 1);
  EXPECT_EQ(cleaned.cleaned, 1);
  ASSERT_FALSE(cleaned.items.empty());
  EXPECT_EQ(cleaned.items[0].action, L"cleaned by deleting");
  EXPECT_FALSE(FileExists(file));

  auto& lib = Lib();
  qlxs_quarantine_log_list* list = nullptr;
  ASSERT_EQ(lib.qlxs_quarantine_log_evaluate(scanner.get(), &list), 0);
  ASSERT_EQ(lib.qlxs_quarantine_log_list_count(list), 1u);
  const qlxs_quarantine_item* item = lib.qlxs_quarantine_log_list_item(list, 0);
  EXPECT_EQ(std::wstring(item->former_path), file);
  EXPECT_EQ(std::wstring(item->threat_name), L"Eicar-Test-Signature");
  const uint32_t low = item->id_low, high = item->id_high;
  lib.qlxs_quarantine_log_list_destroy(list);
  // The quarantine holds no readable copy of the threat.
  EXPECT_EQ(scanner.Scan(scanner / L"Quarantine", false).infected, 0);

  // A different file at the former path is never overwritten, and the item stays.
  WriteFileBytes(file, "a new file with the same name");
  EXPECT_EQ(lib.qlxs_quarantine_restore(scanner.get(), low, high, file.c_str()), -1);
  EXPECT_EQ(lib.qlxs_get_last_error(), QLXS_E_QUARANTINE_OCCUPIED);
  EXPECT_EQ(ReadFileBytes(file), "a new file with the same name");
  ASSERT_TRUE(DeleteFileW(file.c_str()));

  ASSERT_EQ(lib.qlxs_quarantine_restore(scanner.get(), low, high, file.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(file), Eicar());
  EXPECT_EQ(lib.qlxs_quarantine_delete(scanner.get(), low, high), 0);
  ASSERT_EQ(lib.qlxs_quarantine_log_evaluate(scanner.get(), &list), 0);
  EXPECT_EQ(lib.qlxs_quarantine_log_list_count(list), 0u);
  lib.qlxs_quarantine_log_list_destroy(list);
  EXPECT_EQ(lib.qlxs_quarantine_restore(scanner.get(), low, high, file.c_str()), -1);
  EXPECT_EQ(lib.qlxs_get_last_error(), QLXS_E_QUARANTINE_NOT_FOUND);
}

TEST(Library, DamagedQuarantineItemsAreSkipped) {
  Scanner scanner;
  ASSERT_EQ(Lib().qlxs_scanner_reload(scanner.get()), 0);
  for (const wchar_t* name : {L"a.com", L"b.com"}) {
    WriteFileBytes(scanner / name, Eicar());
    ASSERT_EQ(scanner.Scan(scanner / name, true).cleaned, 1);
  }
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW((scanner / L"Quarantine\\*.qit").c_str(), &found));
  ASSERT_TRUE(find.is_valid());
  const std::wstring damaged = scanner / (L"Quarantine\\" + std::wstring(found.cFileName));
  std::string bytes = ReadFileBytes(damaged);
  WriteFileBytes(damaged, bytes.substr(0, bytes.size() - 1));
  WriteFileBytes(scanner / L"Quarantine\\junk.qit", "not an item");
  qlxs_quarantine_log_list* list = nullptr;
  ASSERT_EQ(Lib().qlxs_quarantine_log_evaluate(scanner.get(), &list), 0);
  EXPECT_EQ(Lib().qlxs_quarantine_log_list_count(list), 1u);
  Lib().qlxs_quarantine_log_list_destroy(list);
}

TEST(Library, UnwantedOnlyWhenSwitchedOnAndArchivesNamedByMember) {
  Scanner scanner;
  ASSERT_EQ(Lib().qlxs_scanner_reload(scanner.get()), 0);
  const std::wstring pua = scanner / L"toolbar.exe";
  WriteFileBytes(pua, UnwantedSample());
  EXPECT_EQ(scanner.Scan(pua, false, scanner.Setup(false)).infected, 0);
  Scanner::Outcome on = scanner.Scan(pua, false, scanner.Setup(true));
  EXPECT_EQ(on.infected, 1);
  ASSERT_FALSE(on.items.empty());
  EXPECT_EQ(on.items[0].result, L"PUA.Qws.TestSample-Unwanted");

  const std::wstring zip = scanner / L"outer.zip";
  WriteFileBytes(zip, MakeZip({{"notes.txt", "hi"}, {"inner.zip", MakeZip({{"eicar.com", Eicar()}}, true)}}, true));
  EXPECT_EQ(scanner.Scan(zip, false, scanner.Setup(false, false)).infected, 0);
  Scanner::Outcome nested = scanner.Scan(zip, false);
  EXPECT_EQ(nested.infected, 1);
  ASSERT_EQ(nested.items.size(), 2u);
  EXPECT_EQ(nested.items[0].object, zip);
  EXPECT_EQ(nested.items[1].object, zip + L" \u00BB inner.zip \u00BB eicar.com");
  EXPECT_EQ(nested.items[1].result, L"Eicar-Test-Signature");
  // Cleaning a threat inside an archive removes the archive.
  EXPECT_EQ(scanner.Scan(zip, true).cleaned, 1);
  EXPECT_FALSE(FileExists(zip));

  const std::wstring bomb = scanner / L"bomb.zip";
  WriteFileBytes(bomb, MakeZip({{"zeros.bin", std::string(16 << 20, '\0')}}, true));
  Scanner::Outcome stopped = scanner.Scan(bomb, false);
  EXPECT_EQ(stopped.infected, 0);
  ASSERT_FALSE(stopped.items.empty());
  EXPECT_NE(stopped.items[0].extra.find(L"compression ratio limit"), std::wstring::npos);
}

struct FolderEvents {
  std::vector<std::wstring> notified;
  std::vector<int32_t> progress;
  std::vector<std::pair<int32_t, std::wstring>> logged;  // event, object
  int stop_queries = 0;
  int stop_after = -1;  // files before the stop query says stop
};

void QLXS_CALL OnNotify(int32_t kind, const qlxs_char* text, void* context) {
  if (kind == QLXS_NOTIFY_FILE) static_cast<FolderEvents*>(context)->notified.push_back(text);
}
void QLXS_CALL OnProgress(int32_t percent, void* context) { static_cast<FolderEvents*>(context)->progress.push_back(percent); }
int32_t QLXS_CALL OnStop(void* context) {
  auto* events = static_cast<FolderEvents*>(context);
  ++events->stop_queries;
  return events->stop_after >= 0 && static_cast<int>(events->logged.size()) >= events->stop_after;
}
int32_t QLXS_CALL OnLog(const qlxs_scan_log_list* log, void* context, int32_t event, int32_t) {
  const auto items = Items(log);
  static_cast<FolderEvents*>(context)->logged.emplace_back(event, items.empty() ? L"" : items[0].object);
  return 1;
}

TEST(Library, FolderScansCallEveryCallbackAndStopWhenAsked) {
  Scanner scanner;
  ASSERT_EQ(Lib().qlxs_scanner_reload(scanner.get()), 0);
  const std::wstring folder = scanner / L"tree";
  CreateDirectoryW(folder.c_str(), nullptr);
  CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
  WriteFileBytes(folder + L"\\a.txt", "clean");
  WriteFileBytes(folder + L"\\b.txt", "clean too");
  WriteFileBytes(folder + L"\\sub\\eicar.com", Eicar());

  for (int stop_after : {-1, 1}) {
    FolderEvents events;
    events.stop_after = stop_after;
    qlxs_scan_dir_callbacks callbacks{5, 0x7FFFFFFF, OnNotify, OnProgress, OnStop, OnLog, &events};
    qlxs_scan_mode* mode = Lib().qlxs_scan_mode_create();
    mode->clean = 0;
    qlxs_scan_result* result = nullptr;
    void* other = nullptr;
    EXPECT_NE(Lib().qlxs_scan_directory(folder.c_str(), &callbacks, scanner.Setup(), mode, &result, &other), 0);
    Lib().qlxs_scan_mode_destroy(mode);
    ASSERT_NE(result, nullptr);
    if (stop_after < 0) {
      EXPECT_EQ(events.notified.size(), 3u);
      ASSERT_EQ(events.logged.size(), 3u);
      EXPECT_EQ(events.logged[2].first, QLXS_EVENT_INFECTED);
      EXPECT_EQ(events.logged[2].second, folder + L"\\sub\\eicar.com");
      EXPECT_EQ(events.logged[0].first, QLXS_EVENT_CLEAN);
      ASSERT_FALSE(events.progress.empty());
      EXPECT_EQ(events.progress.back(), 100);
      EXPECT_TRUE(std::is_sorted(events.progress.begin(), events.progress.end()));
      EXPECT_EQ(result->infected, 1);
      EXPECT_GE(events.stop_queries, 3);
    } else {
      EXPECT_EQ(events.logged.size(), 1u);
      EXPECT_EQ(result->infected, 0);
    }
    Lib().qlxs_scan_result_destroy(result);
  }
}

TEST(Library, SpecialObjects) {
  Scanner scanner;
  ASSERT_EQ(Lib().qlxs_scanner_reload(scanner.get()), 0);
  Scanner::Outcome boot = scanner.Scan(L"C:\\${Boot}", false);
  ASSERT_EQ(boot.items.size(), 1u);
  EXPECT_EQ(boot.items[0].object, L"C:\\${Boot}");
  EXPECT_EQ(boot.infected, 0);

  auto& lib = Lib();
  qlxs_scan_mode* memory = lib.qlxs_scan_mode_create();
  memory->targets = QLXS_TARGETS_MEMORY;
  qlxs_scan_result* result = nullptr;
  qlxs_scan_log_list* log = nullptr;
  ASSERT_EQ(lib.qlxs_scan(L"", L"", scanner.Setup(), memory, &result, &log), 0);
  // This test program is running, so its own image file is among the objects.
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  bool seen = false;
  for (const LogItem& item : Items(log)) seen = seen || _wcsicmp(item.object.c_str(), self) == 0;
  EXPECT_TRUE(seen);
  lib.qlxs_scan_result_destroy(result);
  lib.qlxs_scan_log_list_destroy(log);
  lib.qlxs_scan_mode_destroy(memory);
}

// ---- Updates against qws-server -------------------------------------------------------

std::wstring ServerUrl(const std::wstring& prefix = L"") {
  const char* port_file = getenv("QWS_TEST_SERVER_PORT_FILE");
  if (!port_file) return L"";
  const std::string port = ReadFileBytes(UnixToWine(port_file));
  return L"http://127.0.0.1:" + std::to_wstring(atoi(port.c_str())) + prefix + L"/download/engineqws3/";
}

std::vector<std::pair<int32_t, uint32_t>> g_progress;  // kind (or -kind for amounts), value
void QLXS_CALL OnUpdateEvent(uint32_t value, int32_t kind) { g_progress.emplace_back(kind, value); }
void QLXS_CALL OnUpdateAmount(uint32_t kind, uint32_t amount) {
  g_progress.emplace_back(-static_cast<int32_t>(kind), amount);
}
void QLXS_CALL OnUpdateModule(uint32_t) {}

int32_t RunUpdate(Scanner& scanner, uint32_t& flags) {
  Lib().qlxs_scanner_set_update_callbacks(scanner.get(), OnUpdateEvent, OnUpdateAmount, OnUpdateModule);
  g_progress.clear();
  flags = 0;
  return Lib().qlxs_scanner_update(scanner.get(), 1, &flags);
}

class LibraryUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ServerUrl().empty()) GTEST_SKIP() << "needs the qws_server fixture";
  }
};

TEST_F(LibraryUpdate, FirstStoresModulesSecondIsCurrentWithProgressInOrder) {
  Scanner scanner(nullptr, ServerUrl());
  uint32_t flags = 0;
  ASSERT_EQ(RunUpdate(scanner, flags), 0) << std::hex << Lib().qlxs_get_last_error();
  EXPECT_EQ(flags & QLXS_UPDATE_STORED_NEW_MODULES, 1u);
  EXPECT_TRUE(FileExists(scanner / L"Modules\\manifest.txt"));
  ASSERT_EQ(Lib().qlxs_scanner_reload(scanner.get()), 0);
  EXPECT_EQ(scanner.Build(), 22990u);

  // kind 1 with a total, its amounts adding up, a second pass the same way, kind 2, steps.
  std::vector<int32_t> kinds;
  uint64_t total = 0, done = 0;
  for (const auto& [kind, value] : g_progress) {
    if (kinds.empty() || kinds.back() != kind) kinds.push_back(kind);
    if (kind == QLXS_UPDATE_KIND_DOWNLOAD) {
      EXPECT_EQ(done, total);
      total = value;
      done = 0;
    }
    if (kind == -QLXS_UPDATE_KIND_DOWNLOAD) done += value;
  }
  EXPECT_EQ(done, total);
  EXPECT_GT(total, 0u);
  EXPECT_EQ(kinds, (std::vector<int32_t>{1, -1, 1, -1, 2, -2}));

  WriteFileBytes(scanner / L"eicar.com", Eicar());
  EXPECT_EQ(scanner.Scan(scanner / L"eicar.com", false).infected, 1);

  EXPECT_EQ(RunUpdate(scanner, flags), -1);
  EXPECT_EQ(Lib().qlxs_get_last_error(), QLXS_E_UP_TO_DATE);
  EXPECT_EQ(flags, 0u);
}

TEST_F(LibraryUpdate, UnreachableServerGivesAConnectionCode) {
  for (const std::wstring& url : {std::wstring(L"http://127.0.0.1:1/download/engineqws3/"), ServerUrl(L"/fault/unreachable")}) {
    Scanner scanner(nullptr, url);
    uint32_t flags = 0;
    EXPECT_EQ(RunUpdate(scanner, flags), -1);
    const uint32_t code = Lib().qlxs_get_last_error();
    const bool connection = (code >= 0x9203 && code <= 0x9205) || (code >= 0xA001 && code <= 0xA003) ||
                            (code >= 0xA010 && code <= 0xA012) || (code >= 0xA101 && code <= 0xA105) || code == 0xB103;
    EXPECT_TRUE(connection) << std::hex << code;
    EXPECT_EQ(flags, 0u);
  }
}

TEST_F(LibraryUpdate, RefusedDownloadsKeepTheEarlierModules) {
  struct Case {
    const wchar_t* fault;
    uint32_t code;
  };
  for (const Case& c : {Case{L"badsig", QLXS_E_MANIFEST_SIGNATURE}, Case{L"baddigest", QLXS_E_MODULE_DIGEST},
                        Case{L"truncated", 0}}) {
    Scanner scanner("stale", ServerUrl(std::wstring(L"/fault/") + c.fault));
    uint32_t flags = 0;
    EXPECT_EQ(RunUpdate(scanner, flags), -1) << c.fault;
    if (c.code) {
      EXPECT_EQ(Lib().qlxs_get_last_error(), c.code) << c.fault;
    }
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(Lib().qlxs_scanner_reload(scanner.get()), 0) << c.fault;
    EXPECT_EQ(scanner.Build(), 22900u) << c.fault;
  }
  // An older set than the stored one is refused as well.
  Scanner current("dev", ServerUrl(L"/fault/stale"));
  uint32_t flags = 0;
  EXPECT_EQ(RunUpdate(current, flags), -1);
  EXPECT_EQ(Lib().qlxs_get_last_error(), QLXS_E_MANIFEST_OLDER);
}

TEST_F(LibraryUpdate, DamagedStoredModulesGive9105) {
  Scanner scanner("dev", ServerUrl());
  const std::wstring module = scanner / L"Modules\\eicar.ndb";
  std::string bytes = ReadFileBytes(module);
  bytes[bytes.size() / 2] ^= 1;
  WriteFileBytes(module, bytes);
  EXPECT_EQ(Lib().qlxs_scanner_reload(scanner.get()), -1);
  EXPECT_EQ(Lib().qlxs_get_last_error(), QLXS_E_MODULES_DAMAGED);
  uint32_t flags = 0;
  EXPECT_EQ(RunUpdate(scanner, flags), -1);
  EXPECT_EQ(Lib().qlxs_get_last_error(), QLXS_E_MODULES_DAMAGED);
}

}  // namespace
}  // namespace qws::test
