#include "ui/pages/scan_page.h"

#include "app/message_content.h"
#include "app/string_table.h"
#include "base/u16.h"
#include "engine/scan_progress.h"
#include "resources/resource_ids.h"
#include "targets/target_system_win.h"
#include "ui/gdi.h"
#include "ui/pages/page_messages.h"

namespace qws {

namespace {

constexpr UINT_PTR kProgressTimer = 1;
// After Stop, while the worker still runs: the engine clears the stop request when it opens and
// when a scan begins, so the request is made again until the worker has ended.
constexpr UINT_PTR kStopTimer = 2;
constexpr UINT kPollMilliseconds = 250;
// What the main window hears when the scan could not even begin (as for a scan that broke off).
constexpr int32_t kScanBrokeOff = 61;

constexpr COLORREF kThreatColour = 0x003A43E1;
constexpr COLORREF kBarColour = 0x00D29A2A;
constexpr COLORREF kThreatBarColour = 0x003642E0;
constexpr COLORREF kBarBackground = 0xDCDCDC;

constexpr int kRowsTop = 106, kRowHeight = 22, kLabelLeft = 59, kLabelRight = 214, kValueLeft = 220,
              kValueRight = 540;

uint64_t SystemTimeNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// Changing only what changed keeps the 250 ms refresh from repainting every line.
void ShowText(CStaticText& control, const std::wstring& text) {
  if (control.Text() != text) control.SetText(text);
}

std::wstring DurationText(uint64_t seconds) { return ToWide(FormatScanDuration(seconds)); }

}  // namespace

CScanDlg::CScanDlg() : CPageDlg(IDD_SCAN_PAGE) {
  // The page changes its picture when threats are found, so it draws the icon itself.
  iconId_ = 0;
}

CScanDlg::~CScanDlg() {
  worker_.Suspend();
  worker_.Terminate();
}

bool CScanDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  targetTexts_ = LoadTargetTexts();
  SetTitle(LoadText(4064));  // "Scanning..."
  status_.Attach(hwnd(), IDC_SCAN_STATUS);
  status_.Move({59, 60, 540, 80});
  progress_.Attach(hwnd(), IDC_SCAN_PROGRESS);
  progress_.Move({59, 86, 540, 93});
  progress_.SetRange(0, 100);

  const struct {
    Row& row;
    int labelId, valueId;
    unsigned text;
  } rows[] = {
      {target_, IDC_SCAN_TARGET_LABEL, IDC_SCAN_TARGET_VALUE, 4066},        // "Target:"
      {files_, IDC_SCAN_FILES_LABEL, IDC_SCAN_FILES_VALUE, 4081},           // "Files scanned:"
      {infected_, IDC_SCAN_INFECTED_LABEL, IDC_SCAN_INFECTED_VALUE, 4082},  // "Infected files:"
      {time_, IDC_SCAN_TIME_LABEL, IDC_SCAN_TIME_VALUE, 4084},              // "Total scan time:"
      {lastTime_, IDC_SCAN_LAST_TIME_LABEL, IDC_SCAN_LAST_TIME_VALUE, 4067},  // "Last scan time:"
      {result_, IDC_SCAN_RESULT_LABEL, IDC_SCAN_RESULT_VALUE, 4068},  // "Current scan result:"
  };
  for (const auto& row : rows) {
    row.row.label.Attach(hwnd(), row.labelId);
    row.row.label.SetText(LoadText(row.text));
    row.row.value.Attach(hwnd(), row.valueId);
  }
  // A long path is cut with " ..." rather than wrapped out of its line.
  target_.value.SetEllipsis(true);

  bannerView_.AttachAt(hwnd(), IDC_SCAN_BANNER, {59, 250, 540, 400});
  stop_.Attach(hwnd(), IDC_SCAN_STOP);
  stop_.SetColours(kGreyScheme);
  stop_.SetText(LoadText(4059));  // "Stop"
  stop_.Move({465, 415, 540, 450});
  LayOutButtonRow({&stop_}, 540);

  ShowThreatLook(false);
  PlaceRows();
  return true;
}

void CScanDlg::PlaceRows() {
  lastTime_.label.Show(lastScanTime_.has_value());
  lastTime_.value.Show(lastScanTime_.has_value());
  int top = kRowsTop;
  for (Row* row : {&target_, &files_, &infected_, &time_, &lastTime_, &result_}) {
    if (row == &lastTime_ && !lastScanTime_) continue;
    row->label.Move({kLabelLeft, top, kLabelRight, top + kRowHeight});
    row->value.Move({kValueLeft, top, kValueRight, top + kRowHeight});
    top += kRowHeight;
  }
}

void CScanDlg::ShowThreatLook(bool threats) {
  threatLook_ = threats;
  icon_ = LoadBlendImage(threats ? IDR_THREAT_ICON_PNG : IDR_SCAN_ICON_PNG);
  const COLORREF text = threats ? kThreatColour : RGB(0, 0, 0);
  infected_.value.SetTextColour(text);
  result_.value.SetTextColour(text);
  ShowText(result_.value, LoadText(threats ? 4077 : 4078));  // "Threats found" / "No threats found"
  progress_.SetColours(kBarBackground, threats ? kThreatBarColour : kBarColour);
  RECT iconArea = {19, 10, 59, 50};
  InvalidateRect(hwnd(), &iconArea, FALSE);
}

void CScanDlg::Refresh() {
  bannerView_.ShowRotator(banner_);
  SetFocus(stop_.hwnd());
  // One scan at a time: a refresh while one runs only brings the page up.
  if (worker_.Running() || !bridge_) return;
  worker_.Release();
  KillTimer(kStopTimer);
  ShowThreatLook(false);
  ShowText(status_, LoadText(4065));  // "Computer scan in progress..."
  ShowText(target_.value, L"");
  ShowText(files_.value, L"0");
  ShowText(infected_.value, L"0");
  ShowText(time_.value, DurationText(0));
  if (lastScanTime_) ShowText(lastTime_.value, DurationText(*lastScanTime_ / 10000000));
  PlaceRows();
  progress_.SetPos(0);
  stop_.Enable(true);

  bridge_->progress = 0;
  stopPressed_ = false;
  workerResult_ = 0;
  start_ = SystemTimeNow();
  end_ = 0;
  if (!worker_.Start(WorkerMain, this)) {
    End(1, kScanBrokeOff);
    return;
  }
  SetTimer(kProgressTimer, kPollMilliseconds);
}

DWORD WINAPI CScanDlg::WorkerMain(void* context) {
  auto* page = static_cast<CScanDlg*>(context);
  int32_t result = kScanBrokeOff;
  try {
    result = page->bridge_->OpenScanBridge(page->workFolder_);
    if (result == 0 && !page->stopPressed_) result = page->bridge_->RunScan();
  } catch (...) {
    result = kScanBrokeOff;
  }
  page->workerResult_ = result;
  return 0;
}

bool CScanDlg::OnTimer(UINT_PTR id) {
  if (id == kStopTimer) {
    if (worker_.Running()) {
      bridge_->stopRequested = true;
    } else {
      KillTimer(kStopTimer);
      worker_.Release();
    }
    return true;
  }
  if (id != kProgressTimer) return false;
  std::optional<int32_t> ended;
  if (!worker_.Running()) ended = workerResult_.load();
  const ScanTimerStep step = MapScanProgress(bridge_->progress, ended);
  progress_.SetPos(step.bar);
  ShowCounters();
  if (step.ended) End(static_cast<WPARAM>(step.wparam), step.lparam);
  return true;
}

void CScanDlg::ShowCounters() {
  ShowText(target_.value, ToWide(TargetDisplayName(ToU16(bridge_->CurrentObject()), targetTexts_)));
  ShowText(files_.value, std::to_wstring(bridge_->filesScanned.load()));
  const uint32_t found = bridge_->threatsFound;
  if (found > 0 && !threatLook_) ShowThreatLook(true);
  ShowText(infected_.value, std::to_wstring(found));
  ShowText(time_.value, DurationText(ElapsedSeconds(start_, SystemTimeNow())));
}

void CScanDlg::End(WPARAM wparam, LPARAM lparam) {
  KillTimer(kProgressTimer);
  stop_.Enable(false);
  end_ = SystemTimeNow();
  worker_.Release();
  PostStep(hwnd(), kStepScanEnded, wparam, lparam);
}

uint64_t CScanDlg::ScanDuration() const {
  if (start_ == 0) return 0;
  const uint64_t end = end_ ? end_ : SystemTimeNow();
  return end > start_ ? end - start_ : 0;
}

bool CScanDlg::OnCommand(int controlId, int code) {
  if (controlId == IDC_SCAN_STOP && code == BN_CLICKED) {
    OnStop();
    return true;
  }
  return false;
}

void CScanDlg::OnStop() {
  if (!stop_.IsEnabled()) return;
  stopPressed_ = true;
  if (bridge_) bridge_->stopRequested = true;
  KillTimer(kProgressTimer);
  end_ = SystemTimeNow();
  ShowText(status_, LoadText(4069));  // "Stopping scan"
  // Pressed once is enough: the step is sent once.
  stop_.Enable(false);
  UpdateWindow(hwnd());
  if (worker_.Running()) SetTimer(kStopTimer, kPollMilliseconds);
  PostStep(hwnd(), kStepScanEnded, 2, 0);
}

void CScanDlg::OnDraw(HDC dc) {
  CPageDlg::OnDraw(dc);
  BlendBitmap(dc, icon_.get(), 19, 10);
}

void CScanDlg::OnDestroy() {
  KillTimer(kProgressTimer);
  KillTimer(kStopTimer);
  worker_.Suspend();
  worker_.Terminate();
}

}  // namespace qws
