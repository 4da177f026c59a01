// The after-restart page: what the resumed run's scan found and cleaned, and the two choices
// the close-time clean-up reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/scan_summary.h"
#include "report/threat_rows.h"
#include "ui/check_box.h"
#include "ui/image_controls.h"
#include "ui/page_dlg.h"
#include "ui/square_button.h"
#include "ui/static_text.h"

namespace qws {

// Posted to the main window by Finish.
inline constexpr UINT kStepAfterRestartFinished = WM_USER + 14;

class CAfterRestartDlg : public CPageDlg {
 public:
  CAfterRestartDlg();

  // The resumed scan's results: a copy of its summary and the bridge's two counters.
  void SetResults(const ScanSummary& summary, uint32_t threatsFound, uint32_t threatsCleaned);
  void Refresh() override;
  // Puts the keyboard focus on Finish (when the page is shown).
  void TakeFocus();

  // Read by the clean-up on close.
  bool UninstallOnClose() const { return uninstall_.checked(); }
  bool RemoveQuarantineOnClose() const { return removeQuarantine_.checked(); }

  bool AllCleaned() const { return threatsCleaned_ == threatsFound_; }
  const std::vector<ThreatListItem>& rows() const { return rows_; }

 protected:
  INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  void OnDraw(HDC dc) override;

 private:
  void FillList();
  void FitColumns();
  // The text of one cell, asked for by the list while it paints.
  const std::wstring& CellText(size_t row, int column);

  ScanSummary summary_;
  uint32_t threatsFound_ = 0;
  uint32_t threatsCleaned_ = 0;
  std::vector<ThreatListItem> rows_;
  std::vector<std::wstring> cells_;  // three per row: target, threat name, action
  bool columnsMade_ = false;

  ScopedBitmap icon_;
  HWND list_ = nullptr;
  CStaticText text_;
  CStaticBitmap separator_;
  CCheckBox uninstall_;
  CCheckBox removeQuarantine_;
  CSquareButton finish_;
};

}  // namespace qws
