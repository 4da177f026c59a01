// The program's one top-level window: owns the run and shows one page at a time.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/message_content.h"
#include "app/proxy_settings.h"
#include "app/relaunch_plan.h"
#include "app/work_folder.h"
#include "base/scoped_handle.h"
#include "report/scan_report.h"
#include "ui/dialog.h"
#include "ui/image_controls.h"
#include "ui/wnd_shadow.h"

namespace qws {

class CPageDlg;
class CEulaDlg;
class CMessageDlg;
class CFinalDlg;
class CAfterRestartDlg;
class CSettingsDlg;
class CUpdateDlg;
class CScanDlg;
class CThreatListDlg;
class CResultDlg;
class CQuarantineDlg;
class CDetectAVWrapper;
class CmlLineScanner;
class BannerRotator;

class CQWS_v2Dlg : public CDialog {
 public:
  CQWS_v2Dlg();
  ~CQWS_v2Dlg() override;

  // Runs the dialog modally; returns when it has ended.
  void DoModal();

  void RelaunchSelf(RelaunchMode mode);
  void CloseNow();

  // Whether the page on screen offers help (F1).
  bool CurrentPageHasHelp() const { return currentPageHasHelp_; }

  bool termsAccepted = false;
  bool resumedAfterRestart = false;

 protected:
  INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  bool OnClose() override;
  bool OnTimer(UINT_PTR id) override;
  bool HasOwnPainting() const override { return true; }
  void OnDraw(HDC dc) override;
  bool OnLButtonDown(POINT point) override;
  void OnActivate(bool active) override;
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  static constexpr UINT_PTR kStopWaitTimer = 7;
  // After a scan stopped for closing has come to rest.
  static constexpr UINT_PTR kCloseAfterScanTimer = 8;
  static constexpr UINT kCloseAfterScanMilliseconds = 2000;

  void InitLook();
  // The opening of a run started with "RESETSTART": scans and cleans the objects of the scan
  // plan before the window shows, then shows the after-restart page. Ends the process at once
  // when there is no plan or the engine cannot be opened.
  void ResumedRun();
  // Creates the page hidden at `area`; pages without help are skipped by F1.
  template <typename Page>
  Page* AddPage(std::unique_ptr<Page> page, bool hasHelp, const RECT& area) {
    Page* added = page.get();
    PlacePage(std::move(page), hasHelp, area);
    return added;
  }
  void PlacePage(std::unique_ptr<CPageDlg> page, bool hasHelp, const RECT& area);

  // Makes `page` the visible page and returns the page that was current; the caller hides the
  // page it leaves.
  CPageDlg* ShowPage(CPageDlg* page);
  void HidePage(CPageDlg* page);
  void ShowMessage(const MessagePageContent& content, MessageKind kind);

  void OnDeclineAsked(const MessagePageContent* content);
  void OnMessageAnswered(WPARAM button, LPARAM lparam);
  void OnCloseConfirmAnswered(int button);
  void OnNewVersionDownloaded(bool downloaded, unsigned megabytesMissing);
  void ShowSettings(bool refresh);

  // The run: settings chosen, update, scan, results, cleaning, the result page's choices.
  void OnSettingsChosen();
  void OnUpdateEnded(WPARAM outcome, LPARAM reason);
  void StartScan(bool hideMessagePage);
  void OnScanEnded(WPARAM outcome);
  void OnStopWaitTick();
  void TakeScanResults();
  void FillReport(const ScanSummary& summary);
  void StartStatistics();
  static DWORD WINAPI StatisticsMain(void* report);
  void ShowQuarantineState();
  void OnThreatListDone(WPARAM cleaned);
  void OnResultChoice(WPARAM choice);
  void OnQuarantineBack();
  void ShowStoppingScan();
  // Stops the threads that use the engines and releases both bridges; nothing may be deleted
  // from the work folder before, because the library files are in use until then.
  void StopWorkAndReleaseEngines();

  ScopedHandle singleInstanceMutex_;
  CPageDlg* currentPage_ = nullptr;
  bool closeConfirmShown_ = false;
  bool currentPageHasHelp_ = false;
  bool pendingSelfUpdate_ = false;
  MessageKind messageKind_ = MessageKind::None;
  MessageKind savedMessageKind_ = MessageKind::None;
  ProxySettings proxySettings_;
  WorkFolder workFolder_;

  // The look: background, logo, footer, the frame by activation, the window buttons, shadow.
  ScopedIcon bigIcon_;
  ScopedIcon smallIcon_;
  ScopedBitmap background_;
  ScopedBitmap logo_;
  ScopedBitmap footer_;
  bool imagesReady_ = false;
  bool active_ = false;
  CHoverButton close_;
  CHoverButton minimise_;
  CWndShadow shadow_;

  // Used by the settings page and the report: it outlives the pages.
  std::unique_ptr<CDetectAVWrapper> detector_;
  // Every page is created once and lives as long as the window.
  std::vector<std::unique_ptr<CPageDlg>> pages_;
  std::vector<const CPageDlg*> pagesWithoutHelp_;
  CFinalDlg* final_ = nullptr;
  CMessageDlg* closeConfirm_ = nullptr;
  CMessageDlg* message_ = nullptr;
  CSettingsDlg* settings_ = nullptr;
  CEulaDlg* terms_ = nullptr;
  CAfterRestartDlg* afterRestart_ = nullptr;
  CUpdateDlg* update_ = nullptr;
  CScanDlg* scan_ = nullptr;
  CThreatListDlg* threatList_ = nullptr;
  CResultDlg* result_ = nullptr;
  CQuarantineDlg* quarantine_ = nullptr;

  std::unique_ptr<CmlLineScanner> updateBridge_;
  std::unique_ptr<CmlLineScanner> scanBridge_;
  // Started when the window opens; the update and scan pages show its images.
  std::unique_ptr<BannerRotator> banner_;
  // The last run's report; the statistics thread works on a copy of its own.
  ScanReport report_;
  ScopedHandle statsThread_;

  // No modules of an earlier run were found when the window opened.
  bool freshStart_ = true;
  // What the settings page said when the scan started.
  bool scanArchives_ = false;
  bool cleanAutomatically_ = false;
  std::wstring targetId_;
  // 0 finished, 1 failed, 2 stopped by the user.
  int scanEndKind_ = 0;
  int stopWaitTicks_ = 0;
  bool stopWaitRunning_ = false;
  bool closing_ = false;
};

}  // namespace qws
