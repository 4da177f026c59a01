// The scan page: runs the scan on a worker thread over the scan bridge, shows the target, the
// counters and the times, takes on the threat look once something is found, and tells the main
// window how the scan ended; Stop asks the scan to end after the current object.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/cml_line_scanner.h"
#include "targets/target_list.h"
#include "ui/page_dlg.h"
#include "ui/pages/banner_view.h"
#include "ui/pages/page_worker.h"
#include "ui/simple_controls.h"
#include "ui/square_button.h"
#include "ui/static_text.h"

namespace qws {

class CScanDlg : public CPageDlg {
 public:
  CScanDlg();
  ~CScanDlg() override;

  // The work folder below which the worker opens the scan bridge.
  void SetWorkFolder(const std::wstring& folder) { workFolder_ = folder; }
  // Handed over when the scan starts, before the refresh.
  void SetBanner(BannerRotator* banner) { banner_ = banner; }
  void SetBridge(CmlLineScanner* bridge) { bridge_ = bridge; }
  // The remembered duration of the last scan of these targets (100 ns units); none hides the line.
  void SetLastScanTime(std::optional<uint64_t> duration) { lastScanTime_ = duration; }
  // Starts the scan, which ends with kStepScanEnded to the main window.
  void Refresh() override;

  // From the start to the end of the scan (or to now while it runs), in 100 ns units: what the
  // main window stores as the last scan time and shows as the total.
  uint64_t ScanDuration() const;
  // The worker still uses the bridge: the main window waits for it before it takes the results.
  bool WorkerRunning() const { return worker_.Running(); }
  bool threatLook() const { return threatLook_; }
  int progressShown() const { return progress_.pos(); }
  CBannerView& banner() { return bannerView_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  bool OnTimer(UINT_PTR id) override;
  void OnDraw(HDC dc) override;
  void OnDestroy() override;

 private:
  static DWORD WINAPI WorkerMain(void* page);
  void ShowCounters();
  void ShowThreatLook(bool threats);
  void PlaceRows();
  void OnStop();
  void End(WPARAM wparam, LPARAM lparam);

  std::wstring workFolder_;
  BannerRotator* banner_ = nullptr;
  CmlLineScanner* bridge_ = nullptr;
  std::optional<uint64_t> lastScanTime_;
  TargetTexts targetTexts_;
  PageWorker worker_;
  // Written by the worker before it ends, read once it has.
  std::atomic<int32_t> workerResult_{0};
  // Stop was pressed: the worker does not begin a scan it has not begun yet.
  std::atomic<bool> stopPressed_{false};
  uint64_t start_ = 0;
  uint64_t end_ = 0;
  bool threatLook_ = false;

  ScopedBitmap icon_;
  CStaticText status_;
  CProgressBar progress_;
  struct Row {
    CStaticText label, value;
  };
  Row target_, files_, infected_, time_, lastTime_, result_;
  CBannerView bannerView_;
  CSquareButton stop_;
};

}  // namespace qws
