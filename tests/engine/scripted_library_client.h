// Drives a scripted scanning library from a test: its script, its call log, the log file.
#pragma once

#include <windows.h>

#include <regex>
#include <string>

#include "app/log.h"
#include "base/scoped_handle.h"
#include "scanlib/include/qlxs_api.h"
#include "tests/support/win_test_support.h"

namespace qws {

using ScriptSet = void (*)(const char*, long long);
using ScriptCalls = const char* (*)();
using ScriptSetup = const qlxs_global_setup* (*)();

// A work folder holding one scripted library under the anti-stealth variant's name.
class ScriptedLibrary {
 public:
  // Installed under the anti-stealth variant's name unless another is given.
  explicit ScriptedLibrary(const wchar_t* variant = L"scripted_full.dll",
                           const wchar_t* installedName = L"qlxs_apiW_a.dll") {
    path_ = folder_ / installedName;
    EXPECT_TRUE(CopyFileW((test::BinFolder() + L"\\" + variant).c_str(), path_.c_str(), FALSE));
    // Held by the test too, so that its script and call log outlive the bridge's unload.
    module_.reset(LoadLibraryW(path_.c_str()));
    EXPECT_TRUE(module_.is_valid());
    set_ = Function<ScriptSet>("qlxs_script_set");
    calls_ = Function<ScriptCalls>("qlxs_script_calls");
    setup_ = Function<ScriptSetup>("qlxs_script_last_setup");
    Function<void (*)()>("qlxs_script_reset")();
    SetLogFolder(folder_.path());
  }
  ~ScriptedLibrary() { SetLogFolder(L"."); }

  void Set(const char* key, long long value) { set_(key, value); }
  std::string Calls() const { return calls_(); }
  const qlxs_global_setup& LastSetup() const { return *setup_(); }
  const std::wstring& folder() const { return folder_.path(); }
  // The log without its timestamps.
  std::string Log() const {
    return std::regex_replace(test::ReadFileBytes(folder_ / L"log.txt"),
                              std::regex("(^|\n)[0-9]{2}:[0-9]{2}:[0-9]{2} "), "$1");
  }
  bool Loaded() const { return GetModuleHandleW(path_.c_str()) != nullptr; }

 private:
  template <class F>
  F Function(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
  }

  test::TempFolder folder_;
  std::wstring path_;
  ScopedModule module_;
  ScriptSet set_ = nullptr;
  ScriptCalls calls_ = nullptr;
  ScriptSetup setup_ = nullptr;
};

// How often `part` occurs in `text` (call logs, log files).
inline size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace qws
