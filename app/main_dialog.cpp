#include "app/main_dialog.h"

#include <shlobj.h>

#include <algorithm>

#include "app/elevation.h"
#include "app/file_utils.h"
#include "app/log.h"
#include "app/qws_app.h"
#include "app/scan_plan.h"
#include "app/shell_start.h"
#include "app/string_table.h"
#include "base/u16.h"
#include "net/small_downloads.h"
#include "resources/resource_ids.h"
#include "targets/target_selection_dialog.h"
#include "ui/font_list.h"
#include "ui/gdi.h"
#include "detect/detect_av.h"
#include "engine/cml_line_scanner.h"
#include "ui/page_dlg.h"
#include "app/close_removals.h"
#include "net/banner_rotator.h"
#include "ui/pages/after_restart_page.h"
#include "ui/pages/final_page.h"
#include "ui/pages/message_page.h"
#include "ui/pages/page_messages.h"
#include "ui/pages/quarantine_page.h"
#include "ui/pages/result_page.h"
#include "ui/pages/scan_page.h"
#include "ui/pages/settings_page.h"
#include "ui/pages/terms_page.h"
#include "ui/pages/threat_list_page.h"
#include "ui/pages/update_page.h"
#include "ui/png_image.h"
#include "ui/window.h"

namespace qws {

namespace {

constexpr wchar_t kMutexName[] = L"QWS_v2 is running";
constexpr wchar_t kCaption[] = L"Quellix WebSweep";
constexpr int kWindowWidth = 600;
constexpr int kWindowHeight = 560;
// Pages are placed at (1, 60), 598 by 450.
constexpr RECT kPageArea = {1, 60, 599, 510};
constexpr COLORREF kFrameActive = 0xBFBCB7;
constexpr COLORREF kFrameInactive = 0xDFDDDB;
constexpr int kDragStripHeight = 50;
constexpr RECT kFinalPageArea = {1, 60, 599, 558};
constexpr UINT_PTR kFocusTimer = 6;
constexpr UINT kFocusDelayMilliseconds = 250;
// How long the close waits for the statistics thread before it leaves it its own report.
constexpr DWORD kStatisticsWaitMilliseconds = 5000;

// A folder holds at least one file (not counting subfolders).
bool HoldsAFile(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!find) return false;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  } while (FindNextFileW(find.get(), &found));
  return false;
}

}  // namespace

CQWS_v2Dlg::CQWS_v2Dlg() : CDialog(IDD_MAIN_DIALOG) {}

CQWS_v2Dlg::~CQWS_v2Dlg() {
  StopWorkAndReleaseEngines();
  if (statsThread_) WaitForSingleObject(statsThread_.get(), kStatisticsWaitMilliseconds);
}

void CQWS_v2Dlg::DoModal() {
  CDialog::DoModal(nullptr);
  FontList::Process().Clear();
}

INT_PTR CQWS_v2Dlg::DialogProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_HELP) {
    TheApp().OnHelp();
    return TRUE;
  }
  return CDialog::DialogProc(message, wparam, lparam);
}

std::optional<LRESULT> CQWS_v2Dlg::OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kMsgGetBackground:
      return reinterpret_cast<LRESULT>(background_.get());
    case kStepShowMessage:
      OnDeclineAsked(reinterpret_cast<const MessagePageContent*>(lparam));
      return 0;
    case kStepMessageAnswered:
      OnMessageAnswered(wparam, lparam);
      return 0;
    case kStepTermsAccepted:
      RelaunchSelf(RelaunchMode::Elevate);
      return 0;
    case kStepNewVersionDone:
      OnNewVersionDownloaded(wparam == 1, static_cast<unsigned>(lparam));
      return 0;
    case kMsgSettingsChosen:
      OnSettingsChosen();
      return 0;
    case kStepUpdateEnded:
      if (update_) OnUpdateEnded(wparam, lparam);
      return 0;
    case kStepScanEnded:
      if (scan_) OnScanEnded(wparam);
      return 0;
    case kStepThreatListDone:
      if (threatList_) OnThreatListDone(wparam);
      return 0;
    case kStepResultChoice:
      if (result_) OnResultChoice(wparam);
      return 0;
    case kStepQuarantineBack:
      if (quarantine_) OnQuarantineBack();
      return 0;
    case kStepAfterRestartFinished:
      if (afterRestart_) {
        ShowPage(final_);
        HidePage(afterRestart_);
        final_->Refresh();
      }
      return 0;
    default:
      return std::nullopt;
  }
}

bool CQWS_v2Dlg::OnLButtonDown(POINT point) {
  if (point.y >= kDragStripHeight) return false;
  ReleaseCapture();
  SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  return true;
}

void CQWS_v2Dlg::OnActivate(bool active) {
  active_ = active;
  Invalidate();
}

void CQWS_v2Dlg::OnDraw(HDC dc) {
  const RECT client = ClientRect();
  FillSolid(dc, client, RGB(255, 255, 255));
  if (!imagesReady_) {
    PremultiplyAlpha(logo_.get());
    PremultiplyAlpha(footer_.get());
    imagesReady_ = true;
  }
  DrawBitmap(dc, background_.get(), 0, 0);
  BlendBitmap(dc, logo_.get(), 20, 18);
  BlendBitmap(dc, footer_.get(), 60, 526);
  ScopedBrush frame(CreateSolidBrush(active_ ? kFrameActive : kFrameInactive));
  FrameRect(dc, &client, frame.get());
}

void CQWS_v2Dlg::InitLook() {
  SetWindowPos(hwnd(), nullptr, 0, 0, kWindowWidth, kWindowHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowTextW(hwnd(), kCaption);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  bigIcon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0)));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

  background_ = LoadPngImage(instance, IDR_BACKGROUND_PNG);
  logo_ = LoadPngImage(instance, IDR_LOGO_PNG);
  footer_ = LoadPngImage(instance, IDR_FOOTER_PNG);
  AppendMainWindowFonts();

  close_.Attach(hwnd(), IDC_CLOSE_BUTTON);
  close_.Move({564, 10, 580, 29});
  close_.SetImage(IDR_CLOSE_BUTTON_PNG);
  close_.SetToolTip(LoadText(4003));  // "Close"
  minimise_.Attach(hwnd(), IDC_MINIMIZE_BUTTON);
  minimise_.Move({533, 10, 559, 29});
  minimise_.SetImage(IDR_MINIMIZE_BUTTON_PNG);

  if (CWndShadow::Initialise(instance)) shadow_.Create(hwnd());

}

void CQWS_v2Dlg::PlacePage(std::unique_ptr<CPageDlg> page, bool hasHelp, const RECT& area) {
  CPageDlg* placed = page.get();
  pages_.push_back(std::move(page));
  if (!placed->CreateModeless(hwnd())) return;
  SetWindowPos(placed->hwnd(), nullptr, area.left, area.top, area.right - area.left,
               area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
  placed->Show(false);
  if (!hasHelp) pagesWithoutHelp_.push_back(placed);
}

bool CQWS_v2Dlg::OnInitDialog() {
  InitLook();

  final_ = AddPage(std::make_unique<CFinalDlg>(), false, kFinalPageArea);

  // From here on the diagnostic log is written to the temporary-files folder.
  wchar_t temp[1024] = L"";
  const DWORD tempLength = GetTempPathW(1023, temp);
  SetLogFolder(tempLength > 0 && tempLength < 1023 ? std::wstring(temp) : std::wstring(L"."));

  workFolder_ = DetermineWorkFolder();

  closeConfirm_ = AddPage(std::make_unique<CMessageDlg>(), false, kPageArea);
  MessagePageContent question;
  question.text = LoadText(4118);        // "Do you want to close Quellix WebSweep?"
  question.leftLabel = LoadText(4003);   // "Close"
  question.rightLabel = LoadText(4122);  // "Keep open"
  question.leftColours = kGreyScheme;
  question.rightColours = kAccentScheme;
  closeConfirm_->SetContent(question);

  if (resumedAfterRestart) {
    // A resumed run neither takes the mutex nor asks about other instances.
    ResumedRun();
    return false;  // the page takes the focus
  }

  message_ = AddPage(std::make_unique<CMessageDlg>(), false, kPageArea);
  singleInstanceMutex_.reset(CreateMutexW(nullptr, FALSE, kMutexName));
  const bool alreadyRunning = singleInstanceMutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
  if (alreadyRunning && !termsAccepted) {
    MessagePageContent content;
    content.text = L"Another instance of Quellix WebSweep is already running.";
    content.rightLabel = LoadText(4003);  // "Close"
    content.rightColours = kAccentScheme;
    message_->SetContent(content);
    ShowPage(message_);
    message_->Refresh();
    messageKind_ = MessageKind::AnotherInstance;
    return false;
  }

  LoadProxySettings(proxySettings_);
  detector_ = std::make_unique<CDetectAVWrapper>();
  settings_ = AddPage(std::make_unique<CSettingsDlg>(proxySettings_, *detector_), true, kPageArea);
  settings_->SetTargetChooser(ChooseScanTargets);

  freshStart_ = !HoldsAFile(workFolder_.path + L"\\Modules");
  updateBridge_ = std::make_unique<CmlLineScanner>();
  scanBridge_ = std::make_unique<CmlLineScanner>();
  update_ = AddPage(std::make_unique<CUpdateDlg>(), true, kPageArea);
  update_->SetWorkFolder(workFolder_.path);
  update_->SetFreshStart(freshStart_);
  scan_ = AddPage(std::make_unique<CScanDlg>(), true, kPageArea);
  scan_->SetWorkFolder(workFolder_.path);
  threatList_ = AddPage(std::make_unique<CThreatListDlg>(), true, kPageArea);
  result_ = AddPage(std::make_unique<CResultDlg>(), true, kPageArea);
  quarantine_ = AddPage(std::make_unique<CQuarantineDlg>(), true, kPageArea);

  banner_ = std::make_unique<BannerRotator>();
  banner_->Start();

  if (termsAccepted) {
    ShowSettings(true);
  } else {
    terms_ = AddPage(std::make_unique<CEulaDlg>(CEulaDlg::Setup{ModulePath(), workFolder_.path,
                                                                DownloadBaseUrl()}),
                     true, kPageArea);
    ShowPage(terms_);
    terms_->Refresh();
  }
  return false;  // the page takes the focus
}

bool CQWS_v2Dlg::OnCommand(int id, int) {
  switch (id) {
    case IDC_CLOSE_BUTTON:
      PostMessageW(hwnd(), WM_CLOSE, 0, 0);
      return true;
    case IDC_MINIMIZE_BUTTON:
      ShowWindow(hwnd(), SW_MINIMIZE);
      return true;
    case IDCANCEL:
      // Escape asks to close like the close button does.
      PostMessageW(hwnd(), WM_CLOSE, 0, 0);
      return true;
    default:
      return false;
  }
}

bool CQWS_v2Dlg::OnTimer(UINT_PTR id) {
  if (id == kStopWaitTimer) {
    OnStopWaitTick();
    return true;
  }
  if (id == kCloseAfterScanTimer) {
    KillTimer(kCloseAfterScanTimer);
    CloseNow();
    return true;
  }
  if (id != kFocusTimer) return false;
  KillTimer(kFocusTimer);
  CPageDlg* page = closeConfirmShown_ ? closeConfirm_ : currentPage_;
  if (!page) return true;
  page->Show(true);
  // A page that placed the focus itself keeps it; otherwise its first control takes it.
  if (!IsChild(page->hwnd(), GetFocus())) {
    HWND first = GetNextDlgTabItem(page->hwnd(), nullptr, FALSE);
    SetFocus(first ? first : page->hwnd());
  }
  return true;
}

CPageDlg* CQWS_v2Dlg::ShowPage(CPageDlg* page) {
  CPageDlg* previous = currentPage_;
  if (!page) return previous;
  if (closeConfirmShown_ && page != closeConfirm_) {
    // A step that ends while the close question is open (an update, a scan) must not put its
    // page over the question: the page becomes current and shows after "Keep open".
    currentPage_ = page;
    return previous;
  }
  closeConfirmShown_ = page == closeConfirm_;
  if (!closeConfirmShown_) currentPage_ = page;
  currentPageHasHelp_ = std::find(pagesWithoutHelp_.begin(), pagesWithoutHelp_.end(), page) ==
                        pagesWithoutHelp_.end();
  page->Show(true);
  SetTimer(kFocusTimer, kFocusDelayMilliseconds);
  return previous;
}

void CQWS_v2Dlg::HidePage(CPageDlg* page) {
  if (page) page->Show(false);
}

void CQWS_v2Dlg::ShowMessage(const MessagePageContent& content, MessageKind kind) {
  message_->SetContent(content);
  CPageDlg* previous = ShowPage(message_);
  if (previous != message_) HidePage(previous);
  message_->Refresh();
  // Under an open close question the answers still belong to the question.
  if (closeConfirmShown_)
    savedMessageKind_ = kind;
  else
    messageKind_ = kind;
}

void CQWS_v2Dlg::ShowSettings(bool refresh) {
  CPageDlg* previous = ShowPage(settings_);
  if (previous != settings_) HidePage(previous);
  if (refresh) settings_->Refresh();
}

void CQWS_v2Dlg::OnDeclineAsked(const MessagePageContent* content) {
  if (!content || !terms_) return;
  ShowMessage(*content, MessageKind::DeclineConfirm);
  HidePage(terms_);
}

bool CQWS_v2Dlg::OnClose() {
  if (messageKind_ == MessageKind::AnotherInstance || currentPage_ == final_) {
    CloseNow();
    return true;
  }
  if (messageKind_ == MessageKind::CloseConfirm || messageKind_ == MessageKind::StoppingScan)
    return true;
  HidePage(currentPage_);
  ShowPage(closeConfirm_);
  closeConfirm_->Refresh();
  savedMessageKind_ = messageKind_;
  messageKind_ = MessageKind::CloseConfirm;
  pendingSelfUpdate_ = false;
  return true;
}

void CQWS_v2Dlg::OnMessageAnswered(WPARAM wparam, LPARAM lparam) {
  const int button = static_cast<int>(wparam);
  switch (messageKind_) {
    case MessageKind::AnotherInstance:
      ExitProcess(0);
    case MessageKind::NewVersionFailed:
      HidePage(message_);
      messageKind_ = MessageKind::None;
      if (button == 1) {
        terms_->Refresh();
        ShowPage(terms_);
      } else {
        RelaunchSelf(RelaunchMode::Elevate);
      }
      break;
    case MessageKind::DeclineConfirm:
      ShowPage(terms_);
      HidePage(message_);
      messageKind_ = MessageKind::None;
      // The terms page ends the process on "Close" and does nothing on "Back".
      PostMessageW(terms_->hwnd(), kStepMessageAnswered, wparam, lparam);
      break;
    case MessageKind::NotAdmin:
      ShowSettings(true);
      messageKind_ = MessageKind::None;
      break;
    case MessageKind::UpdateFailed:
      messageKind_ = MessageKind::None;
      if (button == 2 && g_engineBuild.load() > 0) {
        StartScan(true);
      } else {
        ShowPage(settings_);
        HidePage(message_);
      }
      break;
    case MessageKind::CloseConfirm:
      OnCloseConfirmAnswered(button);
      break;
    default:
      messageKind_ = MessageKind::None;
      break;
  }
}

void CQWS_v2Dlg::OnCloseConfirmAnswered(int button) {
  if (button == 1) {
    if (stopWaitRunning_) {
      // The scan has ended and is coming to rest: the wait already runs.
      ShowStoppingScan();
    } else if (currentPage_ && currentPage_ == scan_) {
      stopWaitTicks_ = 0;
      stopWaitRunning_ = true;
      SetTimer(kStopWaitTimer, 250);
      scanBridge_->stopRequested = true;
      ShowStoppingScan();
    } else {
      CloseNow();
    }
    return;
  }
  if (button != 2) return;
  closeConfirmShown_ = false;
  ShowPage(currentPage_);
  HidePage(closeConfirm_);
  messageKind_ = savedMessageKind_;
  if (pendingSelfUpdate_) RelaunchSelf(RelaunchMode::NewVersion);
}

void CQWS_v2Dlg::OnNewVersionDownloaded(bool downloaded, unsigned megabytesMissing) {
  if (downloaded) {
    if (closeConfirmShown_)
      pendingSelfUpdate_ = true;
    else
      RelaunchSelf(RelaunchMode::NewVersion);
    return;
  }
  MessagePageContent content;
  content.title = LoadText(4011);  // "Cannot download latest version of Quellix WebSweep"
  content.text = megabytesMissing ? FormatCount(LoadText(4126), megabytesMissing) : LoadText(4012);
  content.leftLabel = LoadText(4004);   // "Back"
  content.rightLabel = LoadText(4013);  // "Use current version"
  ShowMessage(content, MessageKind::NewVersionFailed);
  HidePage(terms_);
}

void CQWS_v2Dlg::RelaunchSelf(RelaunchMode mode) {
  const auto start = PlanRelaunch(mode, ToU16(ModulePath()), ToU16(workFolder_.path), ElevationNeeded());
  if (!start) {
    ShowSettings(true);
    return;
  }
  if (StartThroughShell(*start)) ExitProcess(0);

  MessagePageContent content;
  content.title = LoadText(4008);  // "Warning"
  content.text = LoadText(4010);
  content.rightLabel = LoadText(4009);  // "Continue"
  ShowMessage(content, MessageKind::NotAdmin);
}

void CQWS_v2Dlg::StopWorkAndReleaseEngines() {
  if (banner_) banner_->Stop();
  if (update_) update_->AbandonWorker();
  if (updateBridge_) updateBridge_->CloseWithWorkerKilled();
  // A cleaning run ends after its current object before the bridge goes.
  if (threatList_) threatList_->StopCleaning();
  if (scanBridge_) scanBridge_->CloseScanBridge();
}

void CQWS_v2Dlg::CloseNow() {
  if (closing_) return;
  closing_ = true;
  // The boxes are read before anything goes: the pages stay until the dialog ends.
  CloseRemovals removals;
  removals.resumedRun = resumedAfterRestart;
  if (resumedAfterRestart && afterRestart_) {
    removals.uninstall = afterRestart_->UninstallOnClose();
    removals.removeQuarantine = afterRestart_->RemoveQuarantineOnClose();
  } else if (result_) {
    removals.uninstall = result_->UninstallOnClose();
    removals.removeQuarantine = result_->RemoveQuarantineOnClose();
  }
  StopWorkAndReleaseEngines();
  // The loader lets go of the library files a moment after they are unloaded.
  Sleep(1000);
  RemoveOnClose(workFolder_, removals);
  singleInstanceMutex_.reset();
  EndDialog(0);
}

}  // namespace qws
