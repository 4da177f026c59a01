// Prepares a Wine computer for the detection tests for real: registry keys and values in either
// view, folders and files with chosen times, services in the service manager. Everything it
// made is removed again at the end.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qws::test {

class FakeComputer {
 public:
  FakeComputer() = default;
  ~FakeComputer();
  FakeComputer(const FakeComputer&) = delete;
  FakeComputer& operator=(const FakeComputer&) = delete;

  // view: KEY_WOW64_64KEY or KEY_WOW64_32KEY.
  void CreateKey(HKEY root, REGSAM view, const std::wstring& key);
  void SetString(HKEY root, REGSAM view, const std::wstring& key, const std::wstring& name,
                 const std::wstring& value, DWORD type = REG_SZ);
  void SetDword(HKEY root, REGSAM view, const std::wstring& key, const std::wstring& name,
                DWORD value);
  void SetBinary(HKEY root, REGSAM view, const std::wstring& key, const std::wstring& name,
                 const std::string& bytes);

  // A folder (and its parents); removed at the end when this made it.
  void MakeFolder(const std::wstring& path);
  // A file with the given last-write time (seconds since 1970, UTC); 0 leaves the time as is.
  void WriteFile(const std::wstring& path, const std::string& bytes, int64_t time = 0);
  static void SetFolderTime(const std::wstring& path, int64_t time);

  // A demand-start service that is never started.
  void CreateService(const std::wstring& name);

 private:
  struct Key {
    HKEY root;
    REGSAM view;
    std::wstring path;
  };
  std::vector<Key> keys_;
  std::vector<std::wstring> folders_;
  std::vector<std::wstring> files_;
  std::vector<std::wstring> services_;
};

// The 32-bit or 64-bit view's "Program Files" folder.
std::wstring ProgramFilesFolder(REGSAM view);

}  // namespace qws::test
