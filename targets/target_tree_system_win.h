// The computer as the target tree sees it on Windows: drives, folder listings and the shell's
// small icons, added to the tree's image list once per distinct icon.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <optional>
#include <vector>

#include "targets/target_system_win.h"
#include "targets/target_tree.h"

namespace qws {

class WindowsTargetTreeSystem : public TargetTreeSystem {
 public:
  // `drives`: when given, the drives the tree shows and their kinds (tests choose them);
  // folders are always listed from the real file system.
  explicit WindowsTargetTreeSystem(std::optional<std::vector<DriveRoot>> drives = std::nullopt)
      : drives_(std::move(drives)) {}
  void SetImageList(HIMAGELIST images) { images_ = images; }

  std::vector<DriveRoot> Drives() const override;
  bool IsExistingNonFolder(std::u16string_view path) const override;
  DriveKind DriveKindOf(std::u16string_view root) const override;
  std::optional<std::vector<FolderEntry>> ListFolder(std::u16string_view folder) const override;
  int PathIcon(std::u16string_view path) override;
  int NetworkNameIcon(std::u16string_view name) override;

  // Adds an icon to the image list (the caller keeps the icon); its index or 0.
  int AddIcon(HICON icon);

 private:
  int ShellIcon(std::u16string_view path, UINT extraFlags, DWORD attributes);

  std::optional<std::vector<DriveRoot>> drives_;
  WindowsTargetSystem system_;
  HIMAGELIST images_ = nullptr;
  std::map<int, int> bySystemIndex_;  // system image list index -> ours
};

}  // namespace qws
