#include "tests/detect/fake_computer.h"

#include <gtest/gtest.h>

#include "base/reg_key.h"
#include "base/scoped_handle.h"

namespace qws::test {

namespace {

FILETIME ToFileTime(int64_t seconds) {
  const uint64_t ticks = static_cast<uint64_t>(seconds + 11644473600ll) * 10000000ull;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

RegKey OpenForWriting(HKEY root, REGSAM view, const std::wstring& key) {
  RegKey opened;
  HKEY created = nullptr;
  EXPECT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS | view, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  if (created) RegCloseKey(created);
  EXPECT_EQ(opened.Open(root, key.c_str(), KEY_ALL_ACCESS | view), ERROR_SUCCESS);
  return opened;
}

}  // namespace

FakeComputer::~FakeComputer() {
  ScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  for (const std::wstring& name : services_) {
    ScopedServiceHandle service(OpenServiceW(manager.get(), name.c_str(), DELETE));
    if (service) DeleteService(service.get());
  }
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileW(it->c_str());
  for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryW(it->c_str());
  // Each key made, then its parents as long as they are left empty.
  for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) {
    std::wstring path = it->path;
    const size_t leaf = path.rfind(L'\\');
    RegKey parent;
    if (leaf != std::wstring::npos &&
        parent.Open(it->root, path.substr(0, leaf).c_str(), KEY_ALL_ACCESS | it->view) == ERROR_SUCCESS) {
      RegDeleteTreeW(parent.get(), path.substr(leaf + 1).c_str());
    }
    for (;;) {
      RegKey open;
      if (open.Open(it->root, path.c_str(), KEY_READ | it->view) == ERROR_SUCCESS) {
        DWORD subkeys = 0, values = 0;
        RegQueryInfoKeyW(open.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                         &values, nullptr, nullptr, nullptr, nullptr);
        open.Close();
        if (subkeys || values || RegDeleteKeyExW(it->root, path.c_str(), it->view, 0) != ERROR_SUCCESS) break;
      }
      const size_t slash = path.rfind(L'\\');
      if (slash == std::wstring::npos) break;
      path.resize(slash);
      // Never the well-known keys themselves.
      if (path == L"SOFTWARE" || path == L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall") break;
    }
  }
}

void FakeComputer::CreateKey(HKEY root, REGSAM view, const std::wstring& key) {
  RegKey opened;
  if (opened.Open(root, key.c_str(), KEY_READ | view) != ERROR_SUCCESS) {
    keys_.push_back({root, view, key});
  }
  OpenForWriting(root, view, key);
}

void FakeComputer::SetString(HKEY root, REGSAM view, const std::wstring& key,
                             const std::wstring& name, const std::wstring& value, DWORD type) {
  CreateKey(root, view, key);
  RegKey opened = OpenForWriting(root, view, key);
  // REG_MULTI_SZ needs its second terminator.
  const std::wstring data = value + (type == REG_MULTI_SZ ? std::wstring(1, L'\0') : L"");
  ASSERT_EQ(RegSetValueExW(opened.get(), name.c_str(), 0, type,
                           reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

void FakeComputer::SetDword(HKEY root, REGSAM view, const std::wstring& key,
                            const std::wstring& name, DWORD value) {
  CreateKey(root, view, key);
  RegKey opened = OpenForWriting(root, view, key);
  ASSERT_EQ(RegSetValueExW(opened.get(), name.c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value), sizeof(value)),
            ERROR_SUCCESS);
}

void FakeComputer::SetBinary(HKEY root, REGSAM view, const std::wstring& key,
                             const std::wstring& name, const std::string& bytes) {
  CreateKey(root, view, key);
  RegKey opened = OpenForWriting(root, view, key);
  ASSERT_EQ(opened.WriteBinary(name.c_str(), bytes), ERROR_SUCCESS);
}

void FakeComputer::MakeFolder(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos && slash > 2) MakeFolder(path.substr(0, slash));
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << "cannot make a folder";
  folders_.push_back(path);
}

void FakeComputer::WriteFile(const std::wstring& path, const std::string& bytes, int64_t time) {
  MakeFolder(path.substr(0, path.rfind(L'\\')));
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.is_valid());
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  if (time) {
    const FILETIME when = ToFileTime(time);
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &when));
  }
  files_.push_back(path);
}

void FakeComputer::SetFolderTime(const std::wstring& path, int64_t time) {
  ScopedHandle folder(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(folder.is_valid());
  const FILETIME when = ToFileTime(time);
  ASSERT_TRUE(SetFileTime(folder.get(), nullptr, nullptr, &when));
}

void FakeComputer::CreateService(const std::wstring& name) {
  ScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ASSERT_TRUE(manager.is_valid());
  ScopedServiceHandle service(::CreateServiceW(
      manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
      SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, L"C:\\windows\\system32\\notepad.exe", nullptr,
      nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(service.is_valid()) << "cannot create a service, error " << GetLastError();
  services_.push_back(name);
}

std::wstring ProgramFilesFolder(REGSAM view) {
  RegKey key;
  EXPECT_EQ(key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                     KEY_READ | view),
            ERROR_SUCCESS);
  return key.ReadString(L"ProgramFilesDir", 260).value_or(L"");
}

}  // namespace qws::test
