#include "targets/target_tree_system_win.h"

#include <shellapi.h>

#include "app/directory_listing.h"
#include "base/scoped_handle.h"
#include "base/u16.h"
#include "targets/target_text_case.h"

namespace qws {

std::vector<DriveRoot> WindowsTargetTreeSystem::Drives() const {
  return drives_ ? *drives_ : system_.Drives();
}

bool WindowsTargetTreeSystem::IsExistingNonFolder(std::u16string_view path) const {
  return system_.IsExistingNonFolder(path);
}

DriveKind WindowsTargetTreeSystem::DriveKindOf(std::u16string_view root) const {
  if (drives_) {
    for (const DriveRoot& drive : *drives_) {
      if (EqualsIgnoringCase(drive.root, root)) return drive.kind;
    }
    return DriveKind::NoRootDir;
  }
  return static_cast<DriveKind>(GetDriveTypeW(ToWide(root).c_str()));
}

std::optional<std::vector<FolderEntry>> WindowsTargetTreeSystem::ListFolder(
    std::u16string_view folder) const {
  DirectoryListing listing(ToWide(folder) + L"*.*");
  if (listing.OpenError() != ERROR_SUCCESS) return std::nullopt;
  std::vector<FolderEntry> entries;
  DirectoryEntry entry;
  while (listing.Next(entry)) {
    if (entry.IsDotEntry()) continue;
    entries.push_back({ToU16(entry.name), entry.IsFolder()});
  }
  return entries;
}

int WindowsTargetTreeSystem::AddIcon(HICON icon) {
  if (!images_ || !icon) return 0;
  const int index = ImageList_AddIcon(images_, icon);
  return index < 0 ? 0 : index;
}

int WindowsTargetTreeSystem::ShellIcon(std::u16string_view path, UINT extraFlags,
                                       DWORD attributes) {
  const std::wstring wide = ToWide(path);
  SHFILEINFOW info{};
  // Many files share one picture: each distinct system icon is added once.
  if (SHGetFileInfoW(wide.c_str(), attributes, &info, sizeof(info),
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extraFlags)) {
    const auto known = bySystemIndex_.find(info.iIcon);
    if (known != bySystemIndex_.end()) return known->second;
  } else {
    info.iIcon = -1;
  }
  SHFILEINFOW withIcon{};
  if (!SHGetFileInfoW(wide.c_str(), attributes, &withIcon, sizeof(withIcon),
                      SHGFI_ICON | SHGFI_SMALLICON | extraFlags)) {
    return 0;
  }
  ScopedIcon icon(withIcon.hIcon);
  const int index = AddIcon(icon.get());
  if (info.iIcon >= 0) bySystemIndex_[info.iIcon] = index;
  return index;
}

int WindowsTargetTreeSystem::PathIcon(std::u16string_view path) { return ShellIcon(path, 0, 0); }

int WindowsTargetTreeSystem::NetworkNameIcon(std::u16string_view name) {
  // By attributes only: the name is never looked up on the network.
  return ShellIcon(name, SHGFI_USEFILEATTRIBUTES, FILE_ATTRIBUTE_NORMAL);
}

}  // namespace qws
