#include "ui/pages/terms_page.h"

#include <algorithm>
#include <system_error>

#include "app/elevation.h"
#include "app/file_utils.h"
#include "app/free_space.h"
#include "app/string_table.h"
#include "base/resource_bytes.h"
#include "base/u16.h"
#include "net/small_downloads.h"
#include "resources/resource_ids.h"
#include "ui/font_list.h"
#include "ui/pages/page_messages.h"

namespace qws {

namespace {

constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT_PTR kDownloadTimer = 2;
constexpr UINT kPollMilliseconds = 250;
constexpr uint64_t kFullBarBytes = 7000000;

// The carried licence text, with the line ends an edit control shows.
std::wstring TermsOfUseText() {
  const std::string_view utf8 = RcdataBytes(GetModuleHandleW(nullptr), IDR_TERMS_TEXT);
  const std::u16string text = Utf8ToU16(utf8);
  std::wstring shown;
  shown.reserve(text.size() + text.size() / 16);
  for (char16_t c : text) {
    if (c == u'\r') continue;
    if (c == u'\n') shown += L'\r';
    shown += static_cast<wchar_t>(c);
  }
  return shown;
}

// A worker that ended while the page still waits for it.
void Collect(std::thread& worker) {
  if (worker.joinable()) worker.join();
}

// At the page's end a worker may still wait for the network: it owns its state, so it is let go.
void LetGo(std::thread& worker) {
  if (worker.joinable()) worker.detach();
}

}  // namespace

int NewVersionProgress(uint64_t bytes) {
  return static_cast<int>(std::min<uint64_t>(bytes, kFullBarBytes) * 100 / kFullBarBytes);
}

CEulaDlg::CEulaDlg(Setup setup) : CPageDlg(IDD_TERMS_PAGE), setup_(std::move(setup)) {
  iconId_ = IDR_TERMS_ICON_PNG;
}

CEulaDlg::~CEulaDlg() {
  LetGo(checkThread_);
  LetGo(downloadThread_);
}

bool CEulaDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  SetTitle(LoadText(4002));  // "Terms of use"
  text_.Attach(hwnd(), IDC_TERMS_TEXT);
  text_.Move({60, 60, 540, 360});
  SendMessageW(text_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(FontList::Process().Get(kFontNormal)), FALSE);
  text_.SetText(TermsOfUseText());

  newVersion_.Attach(hwnd(), IDC_TERMS_NEW_VERSION);
  newVersion_.SetImages(IDR_CHECK_BOX_STRIP_PNG);
  newVersion_.Move({60, 377, 540, 397});
  newVersion_.SetText(LoadText(4014));  // "Download latest version of Quellix WebSweep"
  newVersion_.Show(false);

  progress_.Attach(hwnd(), IDC_TERMS_PROGRESS);
  progress_.Move({60, 401, 540, 408});
  progress_.SetRange(0, 100);
  progress_.SetColours(0xDCDCDC, 0xD29A2A);
  progress_.Show(false);

  decline_.Attach(hwnd(), IDC_TERMS_DECLINE);
  decline_.SetColours(kGreyScheme);
  decline_.SetText(LoadText(4001));  // "Decline"
  decline_.Move({465, 415, 540, 450});
  accept_.Attach(hwnd(), IDC_TERMS_ACCEPT);
  accept_.SetColours(kAccentScheme);
  accept_.SetText(LoadText(4000));  // "Accept"
  accept_.Move({365, 415, 455, 450});
  if (ElevationNeeded()) accept_.SetImage(IDR_SHIELD_PNG);
  LayOutButtonRow({&decline_, &accept_}, 540);

  check_ = std::make_shared<WorkerState>();
  check_->state = kDownloadRunning;
  try {
    checkThread_ = std::thread([state = check_, url = setup_.downloadBaseUrl] {
      CheckForNewVersion(state->state, url);
    });
    SetTimer(kCheckTimer, kPollMilliseconds);
  } catch (const std::system_error&) {
    // Without the check the box simply stays hidden.
    check_.reset();
  }
  return true;
}

void CEulaDlg::Refresh() {
  SetButtonsEnabled(true);
  SetFocus(accept_.hwnd());
}

void CEulaDlg::SetButtonsEnabled(bool enabled) {
  accept_.Enable(enabled);
  decline_.Enable(enabled);
  newVersion_.Enable(enabled);
}

bool CEulaDlg::OnTimer(UINT_PTR id) {
  if (id == kCheckTimer) {
    if (!check_ || check_->state == kDownloadRunning) return true;
    KillTimer(kCheckTimer);
    Collect(checkThread_);
    if (check_->state == kDownloadDone) {
      newVersionAvailable_ = true;
      newVersion_.Show(true);
    }
    check_.reset();
    return true;
  }
  if (id == kDownloadTimer) {
    if (!download_) return true;
    progress_.SetPos(NewVersionProgress(download_->bytes));
    if (download_->state == kDownloadRunning) return true;
    progress_.SetPos(100);
    progress_.Show(false);
    KillTimer(kDownloadTimer);
    Collect(downloadThread_);
    accept_.Enable(true);
    decline_.Enable(true);
    const bool downloaded = download_->state == kDownloadDone;
    download_.reset();
    PostStep(hwnd(), kStepNewVersionDone, downloaded ? 1 : 0, 0);
    return true;
  }
  return false;
}

bool CEulaDlg::OnCommand(int controlId, int code) {
  if (code != BN_CLICKED) return false;
  switch (controlId) {
    case IDC_TERMS_ACCEPT:
      OnAccept();
      return true;
    case IDC_TERMS_DECLINE:
      OnDecline();
      return true;
    default:
      return false;
  }
}

void CEulaDlg::OnAccept() {
  if (!newVersionAvailable_ || !newVersion_.checked()) {
    PostStep(hwnd(), kStepTermsAccepted);
    return;
  }
  if (!EnoughSpaceForDownload(GetFreeDiskSpace(setup_.workFolder))) {
    PostStep(hwnd(), kStepNewVersionDone, 0, kDownloadFreeSpaceMegabytes);
    return;
  }
  download_ = std::make_shared<WorkerState>();
  download_->state = kDownloadRunning;
  try {
    downloadThread_ = std::thread([state = download_, setup = setup_] {
      DownloadNewVersion(setup.programPath, setup.workFolder, state->state, state->bytes,
                         setup.downloadBaseUrl);
    });
  } catch (const std::system_error&) {
    download_.reset();
    PostStep(hwnd(), kStepNewVersionDone, 0, 0);
    return;
  }
  progress_.SetPos(0);
  progress_.Show(true);
  SetButtonsEnabled(false);
  SetTimer(kDownloadTimer, kPollMilliseconds);
}

void CEulaDlg::OnDecline() {
  declineQuestion_ = {};
  declineQuestion_.title = LoadText(4005);  // "Decline?"
  declineQuestion_.text = LoadText(4006);
  declineQuestion_.leftLabel = LoadText(4004);   // "Back"
  declineQuestion_.rightLabel = LoadText(4003);  // "Close"
  declineQuestion_.leftColours = kAccentScheme;
  declineQuestion_.rightColours = kGreyScheme;
  PostStep(hwnd(), kStepShowMessage, 0, reinterpret_cast<LPARAM>(&declineQuestion_));
}

std::optional<LRESULT> CEulaDlg::OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kStepMessageAnswered) {
    if (wparam == 2) ExitProcess(0);
    return 0;
  }
  return CPageDlg::OnUserMessage(message, wparam, lparam);
}

void CEulaDlg::OnDestroy() {
  KillTimer(kCheckTimer);
  KillTimer(kDownloadTimer);
}

}  // namespace qws
