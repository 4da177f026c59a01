// The result page: the run's counts and duration, its state's title and buttons, the links to
// the threat list and the quarantine, and the two choices the close-time clean-up reads.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/scoped_handle.h"
#include "ui/check_box.h"
#include "ui/image_controls.h"
#include "ui/page_dlg.h"
#include "ui/result_page_logic.h"
#include "ui/simple_controls.h"
#include "ui/square_button.h"
#include "ui/static_text.h"

namespace qws {

class CResultDlg : public CPageDlg {
 public:
  CResultDlg();

  // Filled by the main window when the scan has ended, before Refresh.
  void SetFigures(const ResultFigures& figures) { figures_ = figures; }
  // After a cleaning run: the summary's flags again and the threats the threat list cleaned.
  void SetSummaryFlags(bool restartRequired, bool browserReinstallAdvised);
  void AddCleanedThreats(uint32_t cleaned) { figures_.cleanedThreats += cleaned; }
  // After the quarantine may have changed.
  void SetQuarantineState(bool empty, bool holdsUnrestored);
  // Chooses the state from the figures and shows it.
  void Refresh() override;

  const ResultFigures& figures() const { return figures_; }
  int state() const { return look_.state; }
  // Read by the clean-up on close.
  bool UninstallOnClose() const { return uninstall_.checked(); }
  bool RemoveQuarantineOnClose() const { return removeQuarantine_.checked(); }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  void OnDraw(HDC dc) override;

 private:
  void ShowValues();
  void ShowButtons();

  ResultFigures figures_;
  ResultLook look_;
  ScopedBitmap icon_;

  CStaticText filesLabel_, filesValue_;
  CStaticText infectedLabel_, infectedValue_;
  CStaticText cleanedLabel_, cleanedValue_;
  CStaticText timeLabel_, timeValue_;
  CStaticText statusLabel_, statusValue_;
  CButtonLink showList_;
  CButtonLink quarantine_;
  CStaticBitmap separator_;
  CCheckBox uninstall_;
  CCheckBox removeQuarantine_;
  CStaticText restartNotice_;
  CStaticText browserNotice_;
  CSquareButton buttons_[3];
};

}  // namespace qws
