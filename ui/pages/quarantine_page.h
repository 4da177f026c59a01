// The quarantine page: the files the scan bridge's library holds, with the restore of the
// ticked ones to their former places.
#pragma once

#include <windows.h>

#include <string>

#include "ui/check_box.h"
#include "ui/list_tool_tip.h"
#include "ui/page_dlg.h"
#include "ui/square_button.h"

namespace qws {

class CmlLineScanner;

class CQuarantineDlg : public CPageDlg {
 public:
  CQuarantineDlg();

  // Handed over by the main window when the scan has ended.
  void SetScanBridge(CmlLineScanner* bridge) { bridge_ = bridge; }
  // Reads the quarantine again and lists its records, none ticked.
  void Refresh() override;

  int RowCount() const;
  bool RowChecked(int row) const;
  // Checked when every row is, in its warning look when only some are.
  const CCheckBox& selectAll() const { return selectAll_; }
  // The "Action" cell: empty, "restored" or "failed".
  std::wstring ActionText(int row) const;

 protected:
  INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;

 private:
  void MakeColumns();
  void UpdateSelectAll();
  void SetAllChecks(bool checked);
  void RestoreTicked();
  std::wstring CellText(int row, int column) const;

  CmlLineScanner* bridge_ = nullptr;
  bool columnsMade_ = false;
  bool settingChecks_ = false;
  int fileColumnWidth_ = 0;

  HWND list_ = nullptr;
  CListToolTip tip_;
  CCheckBox selectAll_;
  CSquareButton restore_;
  CSquareButton back_;
};

}  // namespace qws
