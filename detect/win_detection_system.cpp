#include "detect/win_detection_system.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

#include <vector>

#include "app/directory_listing.h"
#include "app/plain_file.h"
#include "base/u16.h"

namespace qws {

namespace {

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegRoot::Users: return HKEY_USERS;
    case RegRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegRoot::None: break;
  }
  return nullptr;
}

int64_t UnixSeconds(const FILETIME& time) {
  const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000000ull) - 11644473600ll;
}

std::wstring WithoutTrailingBackslash(const std::u16string& path) {
  std::wstring wide = ToWide(path);
  // "C:\" stays a root; "C:\Folder\" loses its backslash.
  if (wide.size() > 3 && wide.back() == L'\\') wide.pop_back();
  return wide;
}

// Service names are compared without regard to case, as the service manager does.
std::wstring LowerCase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::u16string Decimal(uint64_t number) {
  return ToU16(std::to_wstring(number));
}

}  // namespace

int OsCodeFor(DWORD platform, DWORD major, DWORD minor, WORD servicePack, BYTE productType) {
  if (platform == VER_PLATFORM_WIN32_WINDOWS) {
    if (major != 4) return 0;
    return minor == 0 ? 1 : minor == 90 ? 3 : 2;
  }
  if (platform != VER_PLATFORM_WIN32_NT) return 0;
  const bool workstation = productType == VER_NT_WORKSTATION;
  const bool server = productType == VER_NT_SERVER || productType == VER_NT_DOMAIN_CONTROLLER;
  if (!workstation && !server) return 0;
  if (major == 4 && minor == 0) return 4;
  if (major == 5 && minor == 0) return 5;
  if (major == 5 && minor == 1) return servicePack <= 3 ? 6 + servicePack : 0;
  if (major == 5 && minor == 2) return workstation ? 8 : 11;
  if (major == 6 && minor == 0) {
    if (server) return 16;
    return servicePack <= 2 ? 12 + servicePack : 0;
  }
  if (major == 6 && minor >= 1 && minor <= 3) {
    return 17 + 2 * static_cast<int>(minor - 1) + (server ? 1 : 0);
  }
  if (major == 10 && minor == 0) return 23;
  return 0;
}

int WinDetectionSystem::OsCode() {
  if (osCode_ >= 0) return osCode_;
  osCode_ = 0;
  // GetVersionEx reports what the manifest allows; RtlGetVersion reports the truth.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto rtlGetVersion =
      ntdll ? reinterpret_cast<RtlGetVersionFn>(
                  reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtlGetVersion && rtlGetVersion(&info) == 0) {
    osCode_ = OsCodeFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                        info.wServicePackMajor, info.wProductType);
  }
  return osCode_;
}

int WinDetectionSystem::WindowsBits() {
  if (sizeof(void*) == 8) return 64;
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64)) return 0;
  return wow64 ? 64 : 32;
}

REGSAM WinDetectionSystem::ViewFlag(RegView view) {
  if (view == RegView::Bits64) return KEY_WOW64_64KEY;
  // Windows 2000 and older know no views.
  return OsCode() <= 5 ? 0 : KEY_WOW64_32KEY;
}

bool WinDetectionSystem::OpenKey(RegRoot root, const std::u16string& key, RegView view,
                                 RegKey* opened) {
  if (!RootKey(root)) return false;
  const std::wstring path = ToWide(key);
  const std::wstring tag = std::to_wstring(static_cast<int>(root)) +
                           (view == RegView::Bits64 ? L"|64|" : L"|32|");
  const std::wstring lower = tag + LowerCase(path);
  for (size_t end = lower.find(L'\\', tag.size()); ; end = lower.find(L'\\', end + 1)) {
    if (missingKeys_.contains(lower.substr(0, end))) return false;
    if (end == std::wstring::npos) break;
  }
  const LONG status = opened->Open(RootKey(root), path.c_str(), KEY_READ | ViewFlag(view));
  if (status == ERROR_SUCCESS) return true;
  if (status != ERROR_FILE_NOT_FOUND) return false;
  missingKeys_.insert(lower);
  // The vendor's own key ("SOFTWARE\Vendor"): when it is missing, so is everything below it.
  const size_t first = path.find(L'\\');
  const size_t second = first == std::wstring::npos ? first : path.find(L'\\', first + 1);
  if (second != std::wstring::npos) {
    RegKey top;
    if (top.Open(RootKey(root), path.substr(0, second).c_str(), KEY_READ | ViewFlag(view)) ==
        ERROR_FILE_NOT_FOUND) {
      missingKeys_.insert(tag + LowerCase(path.substr(0, second)));
    }
  }
  return false;
}

bool WinDetectionSystem::KeyExists(RegRoot root, const std::u16string& key, RegView view) {
  RegKey opened;
  return OpenKey(root, key, view, &opened);
}

std::optional<std::u16string> WinDetectionSystem::ReadValue(RegRoot root, const std::u16string& key,
                                                            const std::u16string& name,
                                                            RegView view) {
  RegKey opened;
  if (!OpenKey(root, key, view, &opened)) return std::nullopt;
  const std::wstring valueName = ToWide(name);
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(opened.get(), valueName.c_str(), nullptr, &type, nullptr, &bytes) !=
          ERROR_SUCCESS ||
      bytes > (1u << 20)) {
    return std::nullopt;
  }
  // Room for a terminator the stored data may lack.
  std::vector<BYTE> data(bytes + sizeof(wchar_t), 0);
  if (RegQueryValueExW(opened.get(), valueName.c_str(), nullptr, &type, data.data(), &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::u16string text(bytes / sizeof(char16_t), u'\0');
      std::memcpy(text.data(), data.data(), text.size() * sizeof(char16_t));
      text.resize(std::char_traits<char16_t>::length(text.c_str()));
      return text;
    }
    case REG_DWORD: {
      if (bytes < sizeof(DWORD)) return std::nullopt;
      DWORD number;
      std::memcpy(&number, data.data(), sizeof(number));
      return Decimal(number);
    }
    case REG_BINARY: {
      std::u16string text;
      for (DWORD i = 0; i < bytes; ++i) {
        if (i) text.push_back(u' ');
        text += Decimal(data[i]);
      }
      return text;
    }
    default:
      return std::nullopt;
  }
}

std::optional<std::u16string> WinDetectionSystem::FirstSubkey(RegRoot root,
                                                              const std::u16string& key,
                                                              RegView view) {
  RegKey opened;
  if (!OpenKey(root, key, view, &opened)) return std::nullopt;
  wchar_t name[513];
  DWORD chars = 513;
  if (RegEnumKeyExW(opened.get(), 0, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return ToU16(std::wstring_view(name, chars));
}

std::optional<int64_t> WinDetectionSystem::DirectoryTime(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() ||
      !GetFileAttributesExW(WithoutTrailingBackslash(path).c_str(), GetFileExInfoStandard, &data) ||
      !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return std::nullopt;
  }
  return UnixSeconds(data.ftLastWriteTime);
}

std::optional<int64_t> WinDetectionSystem::FileTime(const std::u16string& path) {
  ScopedHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  FILETIME written{};
  if (!file || !GetFileTime(file.get(), nullptr, nullptr, &written)) return std::nullopt;
  return UnixSeconds(written);
}

std::vector<std::u16string> WinDetectionSystem::ListNames(const std::u16string& folder,
                                                          bool directories) {
  std::vector<std::u16string> names;
  DirectoryListing listing(ToWide(folder) + L"*");
  DirectoryEntry entry;
  while (listing.Next(entry)) {
    if (entry.IsDotEntry() || entry.IsFolder() != directories) continue;
    names.push_back(ToU16(entry.name));
  }
  return names;
}

std::optional<std::string> WinDetectionSystem::ReadFileRange(const std::u16string& path,
                                                             uint64_t offset, uint32_t size) {
  PlainFile file;
  if (file.OpenForReading(ToWide(path)) != 0) return std::nullopt;
  const int64_t length = file.Size();
  if (length < 0 || offset > static_cast<uint64_t>(length) ||
      size > static_cast<uint64_t>(length) - offset ||
      file.Seek(static_cast<int64_t>(offset), PlainFile::Origin::Begin) < 0) {
    return std::nullopt;
  }
  std::string bytes(size, '\0');
  uint32_t done = 0;
  while (done < size) {
    const int64_t read = file.Read(bytes.data() + done, size - done);
    if (read <= 0) return std::nullopt;
    done += static_cast<uint32_t>(read);
  }
  return bytes;
}

std::optional<std::string> WinDetectionSystem::ReadFileHead(const std::u16string& path,
                                                            uint32_t maxBytes) {
  PlainFile file;
  if (file.OpenForReading(ToWide(path)) != 0) return std::nullopt;
  std::string bytes;
  char buffer[16384];
  while (bytes.size() < maxBytes) {
    const uint32_t want = static_cast<uint32_t>(std::min<size_t>(sizeof buffer, maxBytes - bytes.size()));
    const int64_t read = file.Read(buffer, want);
    if (read < 0) return std::nullopt;
    if (read == 0) break;
    bytes.append(buffer, static_cast<size_t>(read));
  }
  return bytes;
}

std::optional<ServiceStatusInfo> WinDetectionSystem::QueryService(const std::u16string& name) {
  if (!managerOpened_) {
    manager_.reset(OpenSCManagerW(nullptr, nullptr, GENERIC_READ));
    managerOpened_ = true;
    if (manager_) serviceNames_ = ListServiceNames();
  }
  if (!manager_ || name.empty()) return std::nullopt;
  const std::wstring lower = LowerCase(ToWide(name));
  if (serviceNames_ && !serviceNames_->contains(lower)) return std::nullopt;
  if (auto known = serviceAnswers_.find(lower); known != serviceAnswers_.end()) return known->second;
  auto& answer = serviceAnswers_[lower];
  ScopedServiceHandle service(OpenServiceW(manager_.get(), ToWide(name).c_str(), SERVICE_QUERY_STATUS));
  SERVICE_STATUS status{};
  if (!service || !::QueryServiceStatus(service.get(), &status)) return answer = std::nullopt;
  ServiceStatusInfo info;
  info.serviceType = status.dwServiceType;
  info.currentState = status.dwCurrentState;
  info.controlsAccepted = status.dwControlsAccepted;
  info.win32ExitCode = status.dwWin32ExitCode;
  info.serviceSpecificExitCode = status.dwServiceSpecificExitCode;
  info.checkPoint = status.dwCheckPoint;
  info.waitHint = status.dwWaitHint;
  return answer = info;
}

std::optional<std::set<std::wstring>> WinDetectionSystem::ListServiceNames() {
  std::set<std::wstring> names;
  std::vector<BYTE> buffer;
  DWORD needed = 0, count = 0, resume = 0;
  for (;;) {
    const BOOL ok = EnumServicesStatusExW(manager_.get(), SC_ENUM_PROCESS_INFO,
                                          SERVICE_WIN32 | SERVICE_DRIVER, SERVICE_STATE_ALL,
                                          buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                                          &count, &resume, nullptr);
    if (!ok && GetLastError() != ERROR_MORE_DATA) return std::nullopt;
    const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.insert(LowerCase(entries[i].lpServiceName));
    if (ok) return names;
    if (needed > (16u << 20)) return std::nullopt;
    buffer.resize(buffer.size() + needed);
  }
}

ProcessState WinDetectionSystem::FindProcess(const std::u16string& imageName) {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ProcessState::NotRunning;
  const std::wstring wanted = ToWide(imageName);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    entry.szExeFile[MAX_PATH - 1] = L'\0';
    if (wanted != entry.szExeFile) continue;
    ScopedHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID));
    return process ? ProcessState::Accessible : ProcessState::Inaccessible;
  }
  return ProcessState::NotRunning;
}

int64_t WinDetectionSystem::Now() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return UnixSeconds(now);
}

std::optional<int64_t> WinDetectionSystem::LocalTimeToUtc(int year, int month, int day, int hour,
                                                          int minute, int second) {
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > 31 ||
      hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  SYSTEMTIME utc{};
  FILETIME file{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &file)) {
    return std::nullopt;
  }
  return UnixSeconds(file);
}

}  // namespace qws
