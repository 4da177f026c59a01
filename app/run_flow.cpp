// The run of the main window from the settings page's Scan to the final page: extraction, the
// update, the scan, its results, the cleaning and the result page's choices.
#include "app/main_dialog.h"

#include "app/file_utils.h"
#include "app/last_scan_entry.h"
#include "app/last_scan_time.h"
#include "app/log.h"
#include "app/program_key.h"
#include "app/restart.h"
#include "app/scan_options.h"
#include "app/string_table.h"
#include "base/u16.h"
#include "detect/detect_av.h"
#include "engine/cml_line_scanner.h"
#include "net/banner_rotator.h"
#include "report/scan_report_win.h"
#include "report/submission_client.h"
#include "ui/pages/final_page.h"
#include "ui/pages/message_page.h"
#include "ui/pages/page_messages.h"
#include "ui/pages/quarantine_page.h"
#include "ui/pages/result_page.h"
#include "ui/pages/scan_page.h"
#include "ui/pages/settings_page.h"
#include "ui/pages/threat_list_page.h"
#include "ui/pages/update_page.h"

namespace qws {

namespace {

// Below this the log notes the shortage; the run goes on.
constexpr uint64_t kFreeSpaceNote = 0x9600000;  // 150 MiB
constexpr unsigned kUpdateSpaceMegabytes = 150;
// How long the end of a scan is waited for: 400 ticks of 250 ms.
constexpr UINT kStopWaitMilliseconds = 250;
constexpr int kStopWaitMaxTicks = 400;

}  // namespace

void CQWS_v2Dlg::OnSettingsChosen() {
  if (!settings_ || !update_) return;
  if (banner_ && banner_->BannerCount() > 0) {
    banner_->SetActive(true);
    banner_->ShowCurrent();
  }
  if (GetFreeDiskSpace(workFolder_.path) < kFreeSpaceNote) WriteLog(L"Not enough free space on disk\n");
  if (ExtractScannerLibrary(workFolder_.path.c_str()) != 0) {
    WriteLog(L"ExtractQlxsApi failed\n");
    return;
  }
  update_->SetBanner(banner_.get());
  update_->SetBridge(updateBridge_.get());
  CopyProxyInto(proxySettings_, updateBridge_->settings);
  ShowPage(update_);
  update_->Refresh();
  HidePage(settings_);
}

void CQWS_v2Dlg::OnUpdateEnded(WPARAM outcome, LPARAM reason) {
  if (outcome == 0) {
    StartScan(false);
    return;
  }
  if (outcome == 2) {
    ShowPage(settings_);
    HidePage(update_);
    settings_->FocusScanButton();
    return;
  }
  if (outcome != 1) return;
  MessagePageContent content;
  content.title = LoadText(4062);  // "Cannot update virus signature database"
  content.leftLabel = LoadText(4004);  // "Back"
  switch (reason) {
    case 1:
      content.text = FormatCount(LoadText(4126), kUpdateSpaceMegabytes);
      break;
    case 2:
      content.text = LoadText(4012);
      // The modules of an earlier update can still scan.
      if (g_engineBuild.load() >= 1) content.rightLabel = LoadText(4063);  // "Use older database"
      break;
    case 3:
      content.text = LoadText(4012);
      break;
    default:
      // An unknown reason keeps what the message page showed before.
      content = message_->content();
      break;
  }
  ShowMessage(content, MessageKind::UpdateFailed);
  HidePage(update_);
}

void CQWS_v2Dlg::StartScan(bool hideMessagePage) {
  CmlLineScanner& bridge = *scanBridge_;
  scan_->SetBanner(banner_.get());
  scan_->SetBridge(&bridge);

  const ScanChoices choices = settings_->Choices();
  CopyProxyInto(proxySettings_, bridge.settings);
  bridge.settings.detectUnwanted = choices.detectUnwanted;
  bridge.settings.detectUnsafe = choices.detectUnsafe;
  bridge.settings.detectSuspicious = choices.detectSuspicious;
  bridge.settings.scanArchives = choices.scanArchives;
  bridge.settings.antiStealth = choices.antiStealth;
  bridge.settings.selfExtractingArchives = true;
  bridge.settings.cleanMode = choices.cleanAutomatically ? 4 : 1;
  bridge.settings.targets = settings_->TargetsForScan();
  scanArchives_ = choices.scanArchives;
  cleanAutomatically_ = choices.cleanAutomatically;
  targetId_ = ToWide(MakeTargetId(ToU16(choices.targets)));

  const RegKey programKey = OpenProgramKeyForReading();
  scan_->SetLastScanTime(ReadLastScanTime(programKey.get(), targetId_, scanArchives_));

  ShowPage(scan_);
  scan_->Refresh();
  HidePage(hideMessagePage ? static_cast<CPageDlg*>(message_) : update_);
}

void CQWS_v2Dlg::OnScanEnded(WPARAM outcome) {
  // A scan that the close stopped reports an end of its own: the wait for it already runs,
  // and a stopped scan is no measure of how long the scan takes.
  if (messageKind_ == MessageKind::StoppingScan) return;
  stopWaitTicks_ = 0;
  stopWaitRunning_ = true;
  SetTimer(kStopWaitTimer, kStopWaitMilliseconds);
  scanEndKind_ = static_cast<int>(outcome);
  if (outcome != 0) return;
  const std::wstring entry =
      ToWide(FormatLastScanEntry(ToU16(targetId_), scanArchives_, scan_->ScanDuration()));
  const RegKey programKey = OpenExistingProgramKey();
  StoreLastScanTime(programKey.get(), entry);
}

void CQWS_v2Dlg::OnStopWaitTick() {
  ++stopWaitTicks_;
  // The page's worker is waited for too: it still uses the bridge after the busy flag drops.
  const bool busy = scanBridge_->scanningBusy.load() || (scan_ && scan_->WorkerRunning());
  if (busy && stopWaitTicks_ <= kStopWaitMaxTicks) return;
  KillTimer(kStopWaitTimer);
  stopWaitTicks_ = 0;
  stopWaitRunning_ = false;
  if (messageKind_ == MessageKind::StoppingScan) {
    // The user closed the window during the scan: it closes once the scan has come to rest.
    SetTimer(kCloseAfterScanTimer, kCloseAfterScanMilliseconds);
    return;
  }
  if (banner_) banner_->Stop();
  TakeScanResults();
}

void CQWS_v2Dlg::TakeScanResults() {
  CmlLineScanner& bridge = *scanBridge_;
  ScanSummary summary;
  bridge.CopySummary(summary);

  threatList_->SetSummary(summary);
  threatList_->SetScanBridge(&bridge);
  threatList_->Refresh();
  quarantine_->SetScanBridge(&bridge);
  quarantine_->Refresh();

  ResultFigures figures;
  figures.filesScanned = bridge.filesScanned.load();
  figures.infectedFiles = bridge.threatsFound.load();
  figures.cleanedThreats = bridge.threatsCleaned.load();
  figures.stoppedByUser = scanEndKind_ == 2;
  figures.scanDuration = static_cast<int64_t>(scan_->ScanDuration());
  figures.restartRequired = summary.restartRequired;
  figures.browserReinstallAdvised = summary.browserReinstallAdvised;
  figures.cleanedAutomatically = cleanAutomatically_;
  figures.quarantineEmpty = bridge.quarantineRecords().empty();
  figures.quarantineHasUnrestored = bridge.HasUnrestoredRecord();
  result_->SetFigures(figures);
  result_->Refresh();

  if (cleanAutomatically_ || figures.infectedFiles == 0)
    ShowPage(result_);
  else
    ShowPage(threatList_);
  HidePage(scan_);

  FillReport(summary);
  StartStatistics();
}

void CQWS_v2Dlg::FillReport(const ScanSummary& summary) {
  const ScanSettings& settings = scanBridge_->settings;
  report_.options.stopped = scanEndKind_ == 2;
  report_.options.remove = settings.cleanMode != 1;
  report_.options.unwanted = settings.detectUnwanted;
  report_.options.unsafe = settings.detectUnsafe;
  report_.options.archives = settings.scanArchives;
  report_.options.antistealth = settings.antiStealth;
  report_.options.sfx = settings.selfExtractingArchives;
  report_.options.product = "QWS";
  ScanSummary withProducts = summary;
  if (detector_) withProducts.compatibilityText += detector_->CompatibilityLines();
  report_.AttachSummary(withProducts);
  report_.SetScanDuration(static_cast<int64_t>(scan_->ScanDuration()));
}

DWORD WINAPI CQWS_v2Dlg::StatisticsMain(void* report) {
  std::unique_ptr<ScanReport> own(static_cast<ScanReport*>(report));
  BuildAndSubmitScanReport(*own, [](const std::string& bytes) { return SubmitReport(bytes); });
  return 0;
}

void CQWS_v2Dlg::StartStatistics() {
  // A thread of an earlier scan still sending keeps its own report; this one starts anew.
  auto copy = std::make_unique<ScanReport>(report_);
  statsThread_.reset(CreateThread(nullptr, 0, StatisticsMain, copy.get(), 0, nullptr));
  if (statsThread_) copy.release();
}

void CQWS_v2Dlg::ShowQuarantineState() {
  result_->SetQuarantineState(scanBridge_->quarantineRecords().empty(), scanBridge_->HasUnrestoredRecord());
}

void CQWS_v2Dlg::OnThreatListDone(WPARAM cleaned) {
  if (cleaned == 1) {
    ScanSummary summary;
    scanBridge_->CopySummary(summary);
    result_->SetSummaryFlags(summary.restartRequired, summary.browserReinstallAdvised);
    result_->AddCleanedThreats(threatList_->threatsCleaned());
    quarantine_->Refresh();
    ShowQuarantineState();
    result_->Refresh();
  }
  ShowPage(result_);
  HidePage(threatList_);
}

void CQWS_v2Dlg::OnResultChoice(WPARAM choice) {
  switch (choice) {
    case kChoiceThreatList:
    case kChoiceShowList:
      ShowPage(threatList_);
      break;
    case kChoiceRestartNow:
      // The page stays while Windows restarts, and stays in use when it does not.
      RestartNow();
      return;
    case kChoiceQuarantine:
      quarantine_->Refresh();
      ShowPage(quarantine_);
      break;
    case kChoiceRestartLater:
      RestartLater();
      ShowPage(final_);
      final_->Refresh();
      break;
    default:
      ShowPage(final_);
      final_->Refresh();
      break;
  }
  HidePage(result_);
}

void CQWS_v2Dlg::OnQuarantineBack() {
  quarantine_->Refresh();
  ShowQuarantineState();
  result_->Refresh();
  ShowPage(result_);
  HidePage(quarantine_);
}

void CQWS_v2Dlg::ShowStoppingScan() {
  HidePage(closeConfirm_);
  closeConfirmShown_ = false;
  MessagePageContent content;
  content.title = LoadText(4123);  // "Stopping scan ..."
  content.text = LoadText(4124);   // "This may take a moment"
  ShowMessage(content, MessageKind::StoppingScan);
}

}  // namespace qws
