#include "targets/target_system_win.h"

#include <string>

#include "app/string_table.h"
#include "base/scoped_handle.h"
#include "base/u16.h"

namespace qws {

std::vector<DriveRoot> WindowsTargetSystem::Drives() const {
  std::wstring roots(64, L'\0');
  while (true) {
    const DWORD needed = GetLogicalDriveStringsW(static_cast<DWORD>(roots.size()), roots.data());
    if (needed == 0) return {};
    if (needed < roots.size()) {
      roots.resize(needed);
      break;
    }
    roots.assign(needed + 1, L'\0');
  }
  std::vector<DriveRoot> drives;
  for (size_t start = 0; start < roots.size();) {
    const size_t end = roots.find(L'\0', start);
    const std::wstring root = roots.substr(start, end == std::wstring::npos ? end : end - start);
    if (root.empty()) break;
    drives.push_back({ToU16(root), static_cast<DriveKind>(GetDriveTypeW(root.c_str()))});
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return drives;
}

bool WindowsTargetSystem::IsExistingNonFolder(std::u16string_view path) const {
  // A wildcard would make the search match other objects than the one named.
  if (path.empty() || path.find_first_of(u"*?") != std::u16string_view::npos) return false;
  WIN32_FIND_DATAW data;
  ScopedFindHandle find(FindFirstFileW(ToWide(path).c_str(), &data));
  return find.is_valid() && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

TargetTexts LoadTargetTexts() {
  TargetTexts texts;
  const auto load = [](unsigned id, std::u16string& text) {
    const std::wstring loaded = LoadText(id);
    if (!loaded.empty()) text = ToU16(loaded);
  };
  load(4055, texts.operatingMemory);
  load(4119, texts.autostartLocations);
  load(4054, texts.driveClasses);
  load(4038, texts.currentTargets);
  return texts;
}

TextWidth DeviceContextTextWidth(HDC dc) {
  return [dc](std::u16string_view text) {
    SIZE size{};
    const std::wstring wide = ToWide(text);
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return static_cast<int>(size.cx);
  };
}

}  // namespace qws
