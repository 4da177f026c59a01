#include "app/main_dialog.h"

#include <shlobj.h>
#include <windowsx.h>

#include "app/log.h"
#include "app/qws_app.h"
#include "app/shell_start.h"
#include "app/string_table.h"
#include "base/u16.h"
#include "resources/resource_ids.h"

namespace qws {

namespace {

constexpr wchar_t kMutexName[] = L"QWS_v2 is running";
constexpr wchar_t kCaption[] = L"Quellix WebSweep";
constexpr int kWindowWidth = 600;
constexpr int kWindowHeight = 560;

// Page area of the window (pages are placed at (1, 60), 598 by 450).
constexpr RECT kPageArea = {1, 60, 599, 510};

}  // namespace

void CQWS_v2Dlg::DoModal() {
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN_DIALOG), nullptr,
                  &CQWS_v2Dlg::DialogProc, reinterpret_cast<LPARAM>(this));
  if (font_) DeleteObject(font_);
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  font_ = nullptr;
  bigIcon_ = smallIcon_ = nullptr;
}

INT_PTR CALLBACK CQWS_v2Dlg::DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CQWS_v2Dlg*>(lparam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
    self->hwnd_ = hwnd;
    self->OnInitDialog();
    return TRUE;
  }
  auto* self = reinterpret_cast<CQWS_v2Dlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self ? self->HandleMessage(message, wparam, lparam) : FALSE;
}

INT_PTR CQWS_v2Dlg::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam));
      return TRUE;
    case WM_CLOSE:
      OnCloseRequest();
      return TRUE;
    case kStepMessageAnswered:
      OnMessageAnswered(static_cast<int>(wparam));
      return TRUE;
    case WM_HELP:
      TheApp().OnHelp();
      return TRUE;
    case kStepTermsAccepted:
      RelaunchSelf(RelaunchMode::Elevate);
      return TRUE;
    case WM_LBUTTONDOWN:
      // The top strip drags the window.
      if (GET_Y_LPARAM(lparam) < 50) {
        ReleaseCapture();
        SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      }
      return TRUE;
    case WM_DESTROY:
      hwnd_ = nullptr;
      return FALSE;
    default:
      (void)lparam;
      return FALSE;
  }
}

void CQWS_v2Dlg::OnInitDialog() {
  SetWindowPos(hwnd_, nullptr, 0, 0, kWindowWidth, kWindowHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowTextW(hwnd_, kCaption);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  bigIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                           IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  font_ = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
  for (int id : {IDC_PAGE_TEXT, IDC_LEFT_BUTTON, IDC_RIGHT_BUTTON, IDC_CLOSE_BUTTON,
                 IDC_MINIMIZE_BUTTON}) {
    SendDlgItemMessageW(hwnd_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  LayOutControls();

  // From here on the diagnostic log is written to the temporary-files folder.
  wchar_t temp[1024] = L"";
  const DWORD tempLength = GetTempPathW(1023, temp);
  SetLogFolder(tempLength > 0 && tempLength < 1023 ? std::wstring(temp) : std::wstring(L"."));

  workFolder_ = DetermineWorkFolder();

  if (resumedAfterRestart) {
    // A resumed run neither takes the mutex nor asks about other instances.
    ShowPage(Page::None);
    return;
  }

  singleInstanceMutex_.reset(CreateMutexW(nullptr, FALSE, kMutexName));
  const bool alreadyRunning = singleInstanceMutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
  if (alreadyRunning && !termsAccepted) {
    MessagePageContent content;
    content.text = L"Another instance of Quellix WebSweep is already running.";
    content.rightLabel = LoadText(4003);  // "Close"
    content.rightColours = kAccentScheme;
    ShowMessage(content, MessageKind::AnotherInstance);
    return;
  }

  LoadProxySettings(proxySettings_);
  ShowPage(termsAccepted ? Page::Settings : Page::Terms);
}

void CQWS_v2Dlg::OnCommand(int id) {
  switch (id) {
    case IDC_CLOSE_BUTTON:
    case IDCANCEL:
      PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      break;
    case IDC_MINIMIZE_BUTTON:
      ShowWindow(hwnd_, SW_MINIMIZE);
      break;
    case IDC_LEFT_BUTTON:
    case IDC_RIGHT_BUTTON: {
      const int button = id == IDC_LEFT_BUTTON ? 1 : 2;
      if (currentPage_ == Page::Terms && !closeConfirmShown_) {
        if (button == 2) PostMessageW(hwnd_, kStepTermsAccepted, 0, 0);
      } else if (closeConfirmShown_ || currentPage_ == Page::Message) {
        PostMessageW(hwnd_, kStepMessageAnswered, button, 0);
      }
      break;
    }
    default:
      break;
  }
}

void CQWS_v2Dlg::OnCloseRequest() {
  if (messageKind_ == MessageKind::AnotherInstance) {
    CloseNow();
    return;
  }
  if (messageKind_ == MessageKind::CloseConfirm || messageKind_ == MessageKind::StoppingScan)
    return;
  savedMessageKind_ = messageKind_;
  messageKind_ = MessageKind::CloseConfirm;
  ShowPage(Page::CloseConfirm);
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
  singleInstanceMutex_.reset();
  EndDialog(hwnd_, 0);
}

void CQWS_v2Dlg::ShowPage(Page page) {
  closeConfirmShown_ = page == Page::CloseConfirm;
  if (!closeConfirmShown_) currentPage_ = page;
  switch (page) {
    case Page::Terms:
      currentPageHasHelp_ = true;
      ShowContent(LoadText(4002), L"", L"", LoadText(4000));  // "Terms of use", "Accept"
      break;
    case Page::Settings:
      currentPageHasHelp_ = true;
      ShowContent(LoadText(4015), L"", L"", L"");  // "Computer scan settings"
      break;
    case Page::CloseConfirm:
      currentPageHasHelp_ = false;
      ShowContent(L"", LoadText(4118), LoadText(4003), LoadText(4122));
      break;
    case Page::Message:
    case Page::None:
      currentPageHasHelp_ = false;
      break;
  }
}

void CQWS_v2Dlg::ShowMessage(const MessagePageContent& content, MessageKind kind) {
  ShowPage(Page::Message);
  ShowContent(content.title, content.text, content.leftLabel, content.rightLabel);
  messageKind_ = kind;
}

void CQWS_v2Dlg::ShowContent(const std::wstring& title, const std::wstring& text,
                             const std::wstring& leftLabel, const std::wstring& rightLabel) {
  std::wstring shown = title;
  if (!title.empty() && !text.empty()) shown += L"\r\n\r\n";
  shown += text;
  SetDlgItemTextW(hwnd_, IDC_PAGE_TEXT, shown.c_str());
  SetDlgItemTextW(hwnd_, IDC_LEFT_BUTTON, leftLabel.c_str());
  SetDlgItemTextW(hwnd_, IDC_RIGHT_BUTTON, rightLabel.c_str());
  ShowWindow(GetDlgItem(hwnd_, IDC_LEFT_BUTTON), leftLabel.empty() ? SW_HIDE : SW_SHOW);
  ShowWindow(GetDlgItem(hwnd_, IDC_RIGHT_BUTTON), rightLabel.empty() ? SW_HIDE : SW_SHOW);
  const int focus = !rightLabel.empty() ? IDC_RIGHT_BUTTON : IDC_LEFT_BUTTON;
  if (!rightLabel.empty() || !leftLabel.empty()) SetFocus(GetDlgItem(hwnd_, focus));
}

void CQWS_v2Dlg::LayOutControls() {
  MoveWindow(GetDlgItem(hwnd_, IDC_CLOSE_BUTTON), 564, 10, 16, 19, FALSE);
  MoveWindow(GetDlgItem(hwnd_, IDC_MINIMIZE_BUTTON), 533, 10, 26, 19, FALSE);
  MoveWindow(GetDlgItem(hwnd_, IDC_PAGE_TEXT), kPageArea.left + 40, kPageArea.top + 40,
             kPageArea.right - kPageArea.left - 80, 200, FALSE);
  MoveWindow(GetDlgItem(hwnd_, IDC_LEFT_BUTTON), 300, kPageArea.bottom - 60, 130, 36, FALSE);
  MoveWindow(GetDlgItem(hwnd_, IDC_RIGHT_BUTTON), 440, kPageArea.bottom - 60, 130, 36, FALSE);
}

}  // namespace qws
