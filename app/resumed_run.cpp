// The opening of a resumed run: the scan plan written before the restart is scanned and cleaned
// on the main thread, and the after-restart page shows the outcome.
#include "app/main_dialog.h"

#include "app/scan_options.h"
#include "app/scan_plan_win.h"
#include "engine/cml_line_scanner.h"
#include "resources/resource_ids.h"
#include "ui/pages/after_restart_page.h"

namespace qws {

namespace {

constexpr RECT kPageArea = {1, 60, 599, 510};

}  // namespace

void CQWS_v2Dlg::ResumedRun() {
  std::wstring targets;
  if (ReadScanPlan(targets) != 0) ExitProcess(0);

  LoadProxySettings(proxySettings_);
  scanBridge_ = std::make_unique<CmlLineScanner>();
  CmlLineScanner& bridge = *scanBridge_;
  CopyProxyInto(proxySettings_, bridge.settings);
  // Everything the library can find, cleaned at once; the self-extracting option stays as it is.
  bridge.settings.detectUnwanted = true;
  bridge.settings.detectUnsafe = true;
  bridge.settings.scanArchives = true;
  bridge.settings.detectSuspicious = true;
  bridge.settings.antiStealth = true;
  bridge.settings.cleanMode = 4;
  bridge.settings.targets = targets;

  // The library files of the run before the restart are used as they are.
  if (bridge.OpenScanBridge(workFolder_.path) != 0) ExitProcess(0);
  if (bridge.RunScan() != 0) ExitProcess(0);

  afterRestart_ = AddPage(std::make_unique<CAfterRestartDlg>(), true, kPageArea);
  ScanSummary summary;
  bridge.CopySummary(summary);
  afterRestart_->SetResults(summary, bridge.threatsFound, bridge.threatsCleaned);
  afterRestart_->Refresh();
  ShowPage(afterRestart_);
  afterRestart_->TakeFocus();
}

}  // namespace qws
