#include "app/main_dialog.h"

#include <shlobj.h>

#include "app/file_utils.h"
#include "app/log.h"
#include "app/qws_app.h"
#include "app/scan_plan.h"
#include "app/shell_start.h"
#include "app/string_table.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "resources/resource_ids.h"
#include "ui/font_list.h"
#include "ui/gdi.h"
#include "ui/page_dlg.h"
#include "ui/pages/after_restart_page.h"
#include "ui/png_image.h"
#include "ui/square_button.h"
#include "ui/static_text.h"
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

}  // namespace

// The one page of the window until the wizard's pages come: a page title on the frame's title
// line, or a message (title, text and up to two buttons) laid out like the message page.
class CContentPage : public CPageDlg {
 public:
  CContentPage() : CPageDlg(IDD_MESSAGE_PAGE) {}

  void SetContent(const std::wstring& title, const std::wstring& text,
                  const std::wstring& leftLabel, const std::wstring& rightLabel,
                  const ButtonColours& leftColours, const ButtonColours& rightColours) {
    const bool message = !text.empty();
    titleRect_ = message ? RECT{59, 120, 540, 150} : RECT{59, 10, 540, 40};
    SetTitle(title);
    text_.SetText(text);
    text_.Show(message);
    left_.SetText(leftLabel);
    right_.SetText(rightLabel);
    left_.SetColours(leftColours);
    right_.SetColours(rightColours);
    // Measured in the page font: the right button ends at 540, the two 10 pixels apart.
    WindowDc dc(hwnd());
    HFONT font = FontList::Process().Get(kFontNormal);
    const int w1 = TextSize(dc.dc(), font, leftLabel.c_str(), static_cast<int>(leftLabel.size())).cx;
    const int w2 = TextSize(dc.dc(), font, rightLabel.c_str(), static_cast<int>(rightLabel.size())).cx;
    right_.Move({490 - w2, 415, 540, 450});
    left_.Move({430 - w2 - w1, 415, 480 - w2, 450});
    left_.Show(!leftLabel.empty());
    right_.Show(!rightLabel.empty());
    Invalidate();
    if (!rightLabel.empty() || !leftLabel.empty())
      SetFocus(!rightLabel.empty() ? right_.hwnd() : left_.hwnd());
  }

 protected:
  bool OnInitDialog() override {
    CPageDlg::OnInitDialog();
    text_.Attach(hwnd(), IDC_PAGE_TEXT);
    left_.Attach(hwnd(), IDC_LEFT_BUTTON);
    right_.Attach(hwnd(), IDC_RIGHT_BUTTON);
    text_.Move({59, 160, 540, 300});
    return true;
  }

  bool OnCommand(int controlId, int code) override {
    if ((controlId == IDC_LEFT_BUTTON || controlId == IDC_RIGHT_BUTTON) && code == BN_CLICKED) {
      PostMessageW(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), 0);
      return true;
    }
    return false;
  }

 private:
  CStaticText text_;
  CSquareButton left_;
  CSquareButton right_;
};

CQWS_v2Dlg::CQWS_v2Dlg() : CDialog(IDD_MAIN_DIALOG), page_(std::make_unique<CContentPage>()) {}

CQWS_v2Dlg::~CQWS_v2Dlg() = default;

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

std::optional<LRESULT> CQWS_v2Dlg::OnUserMessage(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case kMsgGetBackground:
      return reinterpret_cast<LRESULT>(background_.get());
    case kStepMessageAnswered:
      OnMessageAnswered(static_cast<int>(wparam));
      return 0;
    case kStepTermsAccepted:
      RelaunchSelf(RelaunchMode::Elevate);
      return 0;
    case kStepAfterRestartFinished:
      ShowPage(Page::Final);
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

  page_->CreateModeless(hwnd());
  SetWindowLongPtrW(page_->hwnd(), GWLP_ID, IDC_PAGE);
  SetWindowPos(page_->hwnd(), nullptr, kPageArea.left, kPageArea.top, kPageArea.right - kPageArea.left,
               kPageArea.bottom - kPageArea.top, SWP_NOZORDER | SWP_NOACTIVATE);
  page_->Show(true);
}

bool CQWS_v2Dlg::OnInitDialog() {
  InitLook();

  // From here on the diagnostic log is written to the temporary-files folder.
  wchar_t temp[1024] = L"";
  const DWORD tempLength = GetTempPathW(1023, temp);
  SetLogFolder(tempLength > 0 && tempLength < 1023 ? std::wstring(temp) : std::wstring(L"."));

  workFolder_ = DetermineWorkFolder();

  if (resumedAfterRestart) {
    // A resumed run neither takes the mutex nor asks about other instances.
    ResumedRun();
    return false;  // the page has taken the focus
  }

  singleInstanceMutex_.reset(CreateMutexW(nullptr, FALSE, kMutexName));
  const bool alreadyRunning = singleInstanceMutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
  if (alreadyRunning && !termsAccepted) {
    MessagePageContent content;
    content.text = L"Another instance of Quellix WebSweep is already running.";
    content.rightLabel = LoadText(4003);  // "Close"
    content.rightColours = kAccentScheme;
    ShowMessage(content, MessageKind::AnotherInstance);
    return false;
  }

  LoadProxySettings(proxySettings_);
  ShowPage(termsAccepted ? Page::Settings : Page::Terms);
  return false;  // the page has taken the focus
}

bool CQWS_v2Dlg::OnCommand(int id, int) {
  switch (id) {
    case IDC_CLOSE_BUTTON:
      PostMessageW(hwnd(), WM_CLOSE, 0, 0);
      return true;
    case IDC_MINIMIZE_BUTTON:
      ShowWindow(hwnd(), SW_MINIMIZE);
      return true;
    case IDC_LEFT_BUTTON:
    case IDC_RIGHT_BUTTON: {
      const int button = id == IDC_LEFT_BUTTON ? 1 : 2;
      if (currentPage_ == Page::Terms && !closeConfirmShown_) {
        if (button == 2) Post(kStepTermsAccepted);
      } else if (closeConfirmShown_ || currentPage_ == Page::Message) {
        Post(kStepMessageAnswered, static_cast<WPARAM>(button));
      }
      return true;
    }
    default:
      return false;
  }
}

bool CQWS_v2Dlg::OnClose() {
  if (messageKind_ == MessageKind::AnotherInstance || currentPage_ == Page::Final) {
    CloseNow();
    return true;
  }
  if (messageKind_ == MessageKind::CloseConfirm || messageKind_ == MessageKind::StoppingScan)
    return true;
  savedMessageKind_ = messageKind_;
  messageKind_ = MessageKind::CloseConfirm;
  ShowPage(Page::CloseConfirm);
  return true;
}

void CQWS_v2Dlg::OnMessageAnswered(int button) {
  switch (messageKind_) {
    case MessageKind::AnotherInstance:
      ExitProcess(0);
    case MessageKind::NotAdmin:
      messageKind_ = MessageKind::None;
      ShowPage(Page::Settings);
      break;
    case MessageKind::CloseConfirm:
      if (button == 1) {
        CloseNow();
      } else {
        messageKind_ = savedMessageKind_;
        ShowPage(currentPage_);
      }
      break;
    default:
      messageKind_ = MessageKind::None;
      break;
  }
}

void CQWS_v2Dlg::RelaunchSelf(RelaunchMode mode) {
  const BOOL isAdmin = IsUserAnAdmin();
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool versionKnown = GetVersionExW(&version) != FALSE;
#pragma GCC diagnostic pop
  const bool elevate = RelaunchNeedsElevation(versionKnown, version.dwMajorVersion, isAdmin);
  const auto start =
      PlanRelaunch(mode, ToU16(ModulePath()), ToU16(workFolder_.path), elevate);
  if (!start) {
    ShowPage(Page::Settings);
    return;
  }
  if (StartThroughShell(*start)) ExitProcess(0);

  MessagePageContent content;
  content.title = LoadText(4008);  // "Warning"
  content.text = LoadText(4010);
  content.rightLabel = LoadText(4009);  // "Continue"
  ShowMessage(content, MessageKind::NotAdmin);
}

void CQWS_v2Dlg::CloseNow() {
  if (scanBridge_) scanBridge_->CloseScanBridge();
  // The plan has served its one resumed run.
  if (resumedAfterRestart) DeleteFileInFolder(workFolder_.path, std::wstring(L"\\") + kScanPlanFileName);
  singleInstanceMutex_.reset();
  EndDialog(0);
}

void CQWS_v2Dlg::ShowPage(Page page) {
  closeConfirmShown_ = page == Page::CloseConfirm;
  if (!closeConfirmShown_) currentPage_ = page;
  if (afterRestartPage_) {
    afterRestartPage_->Show(page == Page::AfterRestart);
    page_->Show(page != Page::AfterRestart);
  }
  switch (page) {
    case Page::Terms:
      currentPageHasHelp_ = true;
      // "Terms of use", "Accept"
      page_->SetContent(LoadText(4002), L"", L"", LoadText(4000), kGreyScheme, kAccentScheme);
      break;
    case Page::Settings:
      currentPageHasHelp_ = true;
      // "Computer scan settings"
      page_->SetContent(LoadText(4015), L"", L"", L"", kGreyScheme, kAccentScheme);
      break;
    case Page::CloseConfirm:
      currentPageHasHelp_ = false;
      page_->SetContent(L"", LoadText(4118), LoadText(4003), LoadText(4122), kGreyScheme, kAccentScheme);
      break;
    case Page::AfterRestart:
      currentPageHasHelp_ = true;
      afterRestartPage_->TakeFocus();
      break;
    case Page::Final:
      currentPageHasHelp_ = false;
      // "Thank you for trying Quellix WebSweep"
      page_->SetContent(LoadText(4092), L"", L"", L"", kGreyScheme, kAccentScheme);
      break;
    case Page::Message:
    case Page::None:
      currentPageHasHelp_ = false;
      break;
  }
}

void CQWS_v2Dlg::ShowMessage(const MessagePageContent& content, MessageKind kind) {
  ShowPage(Page::Message);
  page_->SetContent(content.title, content.text, content.leftLabel, content.rightLabel,
                    content.leftColours, content.rightColours);
  messageKind_ = kind;
}

}  // namespace qws
