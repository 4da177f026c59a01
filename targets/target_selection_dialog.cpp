#include "targets/target_selection_dialog.h"

#include "base/u16.h"
#include "targets/profile_target_dlg.h"
#include "targets/target_system_win.h"

namespace qws {

std::optional<std::wstring> ChooseScanTargets(HWND owner, const std::wstring& targets) {
  // The settings page names the memory only with anti-stealth, and this entry point is not
  // told that state: the tree always offers the memory, so that the user can add or remove it
  // whatever the option is.
  CProfileTargetDlg dialog(owner, true);
  dialog.SetTargetList(ToWide(ExpandTargets(ToU16(targets), WindowsTargetSystem())));
  if (dialog.Run() != IDOK) return std::nullopt;
  return dialog.targetList();
}

}  // namespace qws
