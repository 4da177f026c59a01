// The engine update page: brings the engine's modules up to date on a worker thread, shows how
// far it has come and tells the main window how it ended; Stop abandons the update.
#pragma once

#include <atomic>
#include <string>

#include "engine/cml_line_scanner.h"
#include "engine/update_page_worker.h"
#include "ui/page_dlg.h"
#include "ui/pages/banner_view.h"
#include "ui/pages/page_worker.h"
#include "ui/simple_controls.h"
#include "ui/square_button.h"
#include "ui/static_text.h"

namespace qws {

class CUpdateDlg : public CPageDlg {
 public:
  CUpdateDlg();
  ~CUpdateDlg() override;

  // Handed over when the main window creates the page.
  void SetWorkFolder(const std::wstring& folder) { workFolder_ = folder; }
  // True when no modules of an earlier run were found.
  void SetFreshStart(bool freshStart) { freshStart_ = freshStart; }
  // Handed over when the update starts, before the refresh.
  void SetBanner(BannerRotator* banner) { banner_ = banner; }
  void SetBridge(CmlLineScanner* bridge) { bridge_ = bridge; }
  // Starts the update, which ends with kStepUpdateEnded to the main window.
  void Refresh() override;

  bool WorkerRunning() const { return worker_.Running(); }
  // Leaves a running worker: holds it, kills the update's own worker, releases the engine.
  void AbandonWorker();
  int progressShown() const { return progress_.pos(); }
  CBannerView& banner() { return bannerView_; }

  // Where the free space of the work folder's volume comes from (a test makes it small).
  FreeSpaceQuery freeSpace;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  bool OnTimer(UINT_PTR id) override;
  void OnDestroy() override;

 private:
  static DWORD WINAPI WorkerMain(void* page);
  void OnStop();

  std::wstring workFolder_;
  bool freshStart_ = true;
  BannerRotator* banner_ = nullptr;
  CmlLineScanner* bridge_ = nullptr;
  PageWorker worker_;
  bool timerRunning_ = false;

  CStaticText status_;
  CProgressBar progress_;
  CStaticText note_;
  CBannerView bannerView_;
  CSquareButton stop_;
};

}  // namespace qws
