// "${Memory}" and "${Startup}": the files behind running processes and behind autostart entries.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <set>

#include "base/scoped_handle.h"
#include "scanlib/win/library_state.h"

namespace qws::scan {
namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

void AddUnique(std::vector<std::wstring>& files, std::set<std::wstring>& seen, const std::wstring& path) {
  if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  if (seen.insert(Lower(path)).second) files.push_back(path);
}

// The program file named by a command line: the quoted part, or the longest prefix that names
// an existing file (unquoted paths with spaces).
std::wstring ProgramOfCommand(const std::wstring& raw) {
  wchar_t expanded[MAX_PATH * 2];
  std::wstring command = raw;
  if (ExpandEnvironmentStringsW(raw.c_str(), expanded, MAX_PATH * 2) > 0) command = expanded;
  while (!command.empty() && command.front() == L' ') command.erase(0, 1);
  if (command.empty()) return {};
  if (command.front() == L'"') {
    const size_t close = command.find(L'"', 1);
    return command.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
  }
  std::vector<size_t> ends{command.size()};
  for (size_t at = command.find(L' '); at != std::wstring::npos; at = command.find(L' ', at + 1)) ends.push_back(at);
  std::sort(ends.rbegin(), ends.rend());
  for (size_t end : ends) {
    const std::wstring candidate = command.substr(0, end);
    const DWORD attributes = GetFileAttributesW(candidate.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return candidate;
  }
  return command.substr(0, command.find(L' '));
}

}  // namespace

std::vector<std::wstring> RunningImageFiles() {
  std::vector<std::wstring> files;
  std::set<std::wstring> seen;
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.is_valid()) return files;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!process.is_valid()) continue;
    wchar_t path[MAX_PATH * 2];
    DWORD length = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(process.get(), 0, path, &length)) AddUnique(files, seen, path);
  }
  return files;
}

std::vector<std::wstring> StartupFiles() {
  std::vector<std::wstring> files;
  std::set<std::wstring> seen;
  const wchar_t* keys[] = {L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                           L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"};
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      for (const wchar_t* key : keys) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(root, key, 0, KEY_READ | view, &opened) != ERROR_SUCCESS) continue;
        for (DWORD index = 0;; ++index) {
          wchar_t name[256];
          DWORD name_length = 256, type = 0;
          std::wstring value(2048, L'\0');
          DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
          const LONG status = RegEnumValueW(opened, index, name, &name_length, nullptr, &type,
                                            reinterpret_cast<BYTE*>(value.data()), &bytes);
          if (status == ERROR_NO_MORE_ITEMS) break;
          if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
          value.resize(std::min<size_t>(bytes / sizeof(wchar_t), value.size()));
          value = value.c_str();  // up to the first terminator, whatever the stored length
          AddUnique(files, seen, ProgramOfCommand(value));
        }
        RegCloseKey(opened);
      }
    }
  }
  for (int folder : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) {
    wchar_t path[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) continue;
    WIN32_FIND_DATAW found;
    const std::wstring base = std::wstring(path) + L"\\";
    ScopedFindHandle find(FindFirstFileW((base + L"*").c_str(), &found));
    if (!find.is_valid()) continue;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) AddUnique(files, seen, base + found.cFileName);
    } while (FindNextFileW(find.get(), &found));
  }
  return files;
}

}  // namespace qws::scan
