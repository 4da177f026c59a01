#include "ui/pages/update_page.h"

#include "app/file_utils.h"
#include "app/message_content.h"
#include "app/string_table.h"
#include "engine/update_progress.h"
#include "resources/resource_ids.h"
#include "ui/pages/page_messages.h"

namespace qws {

namespace {

constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kPollMilliseconds = 250;
// What the engine's failure codes become when the worker itself breaks off.
constexpr int32_t kNoUsableModules = -3;

}  // namespace

CUpdateDlg::CUpdateDlg() : CPageDlg(IDD_UPDATE_PAGE), freeSpace(GetFreeDiskSpace) {
  iconId_ = IDR_UPDATE_ICON_PNG;
}

CUpdateDlg::~CUpdateDlg() { AbandonWorker(); }

bool CUpdateDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  SetTitle(LoadText(4056));  // "Initialization..."
  status_.Attach(hwnd(), IDC_UPDATE_STATUS);
  status_.Move({59, 60, 540, 80});
  status_.SetText(LoadText(4057));  // "Downloading virus signature database..."
  progress_.Attach(hwnd(), IDC_UPDATE_PROGRESS);
  progress_.Move({59, 86, 540, 93});
  progress_.SetRange(0, 100);
  progress_.SetColours(0xDCDCDC, 0xD29A2A);
  note_.Attach(hwnd(), IDC_UPDATE_NOTE);
  note_.Move({59, 104, 540, 164});
  note_.SetText(LoadText(4058));  // "... has already been run on this computer in the past. ..."
  note_.Show(false);
  bannerView_.AttachAt(hwnd(), IDC_UPDATE_BANNER, {59, 172, 540, 402});
  stop_.Attach(hwnd(), IDC_UPDATE_STOP);
  stop_.SetColours(kGreyScheme);
  stop_.SetText(LoadText(4059));  // "Stop"
  stop_.Move({465, 415, 540, 450});
  LayOutButtonRow({&stop_}, 540);
  return true;
}

void CUpdateDlg::Refresh() {
  note_.Show(!freshStart_);
  bannerView_.ShowRotator(banner_);
  SetFocus(stop_.hwnd());
  // One update at a time: a refresh while one runs only brings the page up.
  if (worker_.Running() || !bridge_) return;
  worker_.Release();
  progress_.SetPos(0);
  stop_.Enable(true);
  bridge_->progress = 0;
  if (!worker_.Start(WorkerMain, this)) {
    // Without a worker there is no update: the main window hears it as one that failed.
    PostStep(hwnd(), kStepUpdateEnded, 1, -kNoUsableModules);
    return;
  }
  SetTimer(kProgressTimer, kPollMilliseconds);
  timerRunning_ = true;
}

DWORD WINAPI CUpdateDlg::WorkerMain(void* context) {
  auto* page = static_cast<CUpdateDlg*>(context);
  try {
    RunUpdatePageWorker(*page->bridge_, page->workFolder_, page->freshStart_, page->freeSpace);
  } catch (...) {
    page->bridge_->progress = kNoUsableModules;
  }
  return 0;
}

bool CUpdateDlg::OnTimer(UINT_PTR id) {
  if (id != kProgressTimer) return false;
  const UpdateTimerStep step = MapUpdateProgress(bridge_->progress);
  if (!step.ended) {
    progress_.SetPos(step.bar);
    return true;
  }
  if (step.wparam == 0) progress_.SetPos(100);
  // The outcome is known; the main window hears it once the worker has let go of the bridge.
  if (worker_.Running()) return true;
  worker_.Release();
  KillTimer(kProgressTimer);
  timerRunning_ = false;
  stop_.Enable(false);
  PostStep(hwnd(), kStepUpdateEnded, static_cast<WPARAM>(step.wparam), step.lparam);
  return true;
}

bool CUpdateDlg::OnCommand(int controlId, int code) {
  if (controlId == IDC_UPDATE_STOP && code == BN_CLICKED) {
    OnStop();
    return true;
  }
  return false;
}

void CUpdateDlg::OnStop() {
  if (!stop_.IsEnabled()) return;
  stop_.Enable(false);
  AbandonWorker();
  if (timerRunning_) KillTimer(kProgressTimer);
  timerRunning_ = false;
  PostStep(hwnd(), kStepUpdateEnded, 2, 0);
}

void CUpdateDlg::AbandonWorker() {
  if (!worker_.Running()) {
    worker_.Release();
    return;
  }
  // The page worker is held first, so that it cannot start another attempt on the bridge while
  // the attempt's worker is killed and the engine released.
  worker_.Suspend();
  if (bridge_) bridge_->CloseWithWorkerKilled();
  worker_.Terminate();
}

void CUpdateDlg::OnDestroy() {
  AbandonWorker();
  if (timerRunning_) KillTimer(kProgressTimer);
  timerRunning_ = false;
}

}  // namespace qws
