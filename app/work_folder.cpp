#include "app/work_folder.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <utility>

#include "app/file_utils.h"
#include "base/resource_bytes.h"
#include "base/scoped_handle.h"
#include "resources/resource_ids.h"

namespace qws {

namespace {

constexpr size_t kMaxFolderChars = 1023;

enum class ExtractResult { NotFound, Skipped, Written, WriteFailed };

ExtractResult WriteResource(HMODULE module, int id, const std::wstring& path) {
  const std::string_view resource = RcdataBytes(module, id);
  if (resource.empty()) return ExtractResult::NotFound;
  const DWORD size = static_cast<DWORD>(resource.size());
  const void* bytes = resource.data();
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  // Held by a running library: that copy stays in use.
  if (!file) return ExtractResult::Skipped;
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes, size, &written, nullptr) || written != size)
    return ExtractResult::WriteFailed;
  return ExtractResult::Written;
}

}  // namespace

std::wstring ModulePath() {
  wchar_t path[1024] = L"";
  const DWORD length = GetModuleFileNameW(nullptr, path, 1024);
  if (length == 0 || length >= 1024) return {};
  return path;
}

WorkFolder LocateWorkFolder() {
  WorkFolder result;
  wchar_t appData[MAX_PATH] = L"";
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                 appData))) {
    result.path = std::wstring(appData) + kWorkFolderSuffix;
    if (result.path.size() > kMaxFolderChars) result.path.resize(kMaxFolderChars);
    result.isAppData = true;
    return result;
  }
  const std::wstring module = ModulePath();
  const size_t slash = module.find_last_of(L'\\');
  if (slash != std::wstring::npos) result.path = module.substr(0, std::min(slash, kMaxFolderChars));
  return result;
}

WorkFolder DetermineWorkFolder() {
  WorkFolder result = LocateWorkFolder();
  if (result.isAppData) {
    CreateDirectoryPath(result.path);
    SetCurrentDirectoryW(result.path.c_str());
  }
  return result;
}

int ExtractScannerLibrary(const wchar_t* folder, HMODULE module) {
  if (!folder) return -1;
  if (!module) module = GetModuleHandleW(nullptr);
  const std::wstring base = std::wstring(folder) + L"\\";
  // A file cut short (a full disk) would load as a broken library later: that is a failure.
  for (const auto& [id, name] : {std::pair{IDR_SCANLIB_ANTISTEALTH, kAntiStealthLibraryName},
                                 std::pair{IDR_SCANLIB_PLAIN, kPlainLibraryName}}) {
    const ExtractResult result = WriteResource(module, id, base + name);
    if (result == ExtractResult::NotFound || result == ExtractResult::WriteFailed) return -1;
  }
  return 0;
}

}  // namespace qws
