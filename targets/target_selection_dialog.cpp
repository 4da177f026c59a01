#include "targets/target_selection_dialog.h"

#include "base/u16.h"
#include "targets/profile_target_dlg.h"
#include "targets/target_system_win.h"

namespace qws {

std::optional<std::wstring> ChooseScanTargets(HWND owner, const std::wstring& targets, bool antiStealth) {
  CProfileTargetDlg dialog(owner, antiStealth);
  // Expanding an expanded list changes nothing; a list still holding drive tokens is expanded.
  dialog.SetTargetList(ToWide(ExpandTargets(ToU16(targets), WindowsTargetSystem())));
  if (dialog.Run() != IDOK) return std::nullopt;
  return dialog.targetList();
}

}  // namespace qws
