#include "net/proxy_dialog.h"

#include <algorithm>
#include <array>

#include "app/string_table.h"
#include "base/u16.h"
#include "net/proxy_dialog_checks.h"
#include "resources/resource_ids.h"
#include "ui/gdi.h"

namespace qws {

namespace {

constexpr wchar_t kMessageTitle[] = L"Quellix WebSweep";
// What the settings store reads back of a text value: a longer one would be written but lost.
constexpr WPARAM kMaxFieldChars = 259;

constexpr std::array<int, 5> kLabels = {IDC_PROXY_ADDRESS_LABEL, IDC_PROXY_PORT_LABEL,
                                        IDC_PROXY_USERNAME_LABEL, IDC_PROXY_PASSWORD_LABEL,
                                        IDC_PROXY_CONFIRM_LABEL};
// Everything right of the labels, which moves with their width.
constexpr std::array<int, 7> kMovedWithLabels = {IDC_PROXY_ADDRESS, IDC_PROXY_PORT,
                                                 IDC_PROXY_USERNAME, IDC_PROXY_PASSWORD,
                                                 IDC_PROXY_CONFIRM, IDOK, IDCANCEL};

RECT RectInDialog(HWND dialog, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

CProxyDialog::CProxyDialog(ProxySettings& settings) : CDialog(IDD_PROXY_DIALOG), settings_(settings) {}

bool CProxyDialog::OnInitDialog() {
  filling_ = true;
  ShowWindow(Item(IDC_PROXY_CONFIRM_LABEL), SW_HIDE);
  ShowWindow(Item(IDC_PROXY_CONFIRM), SW_HIDE);
  SetDlgItemTextW(hwnd(), IDC_PROXY_CONFIRM, L"");
  SetWindowTextW(hwnd(), LoadText(4043).c_str());
  const std::pair<int, unsigned> texts[] = {
      {IDC_PROXY_ADDRESS_LABEL, 4044}, {IDC_PROXY_PORT_LABEL, 4045}, {IDC_PROXY_USERNAME_LABEL, 4046},
      {IDC_PROXY_PASSWORD_LABEL, 4047}, {IDC_PROXY_CONFIRM_LABEL, 4048}, {IDOK, 4049}, {IDCANCEL, 4050}};
  for (const auto& [id, text] : texts) SetDlgItemTextW(hwnd(), id, LoadText(text).c_str());
  for (int id : {IDC_PROXY_ADDRESS, IDC_PROXY_PORT, IDC_PROXY_USERNAME})
    SendMessageW(Item(id), EM_LIMITTEXT, kMaxFieldChars, 0);
  SetDlgItemTextW(hwnd(), IDC_PROXY_ADDRESS, settings_.address.c_str());
  SetDlgItemTextW(hwnd(), IDC_PROXY_PORT, settings_.port.c_str());
  SetDlgItemTextW(hwnd(), IDC_PROXY_USERNAME, settings_.userName.c_str());
  SetDlgItemTextW(hwnd(), IDC_PROXY_PASSWORD, settings_.password.c_str());
  filling_ = false;
  FitLabels();
  SetFocus(Item(IDC_PROXY_ADDRESS));
  return false;  // the focus is set
}

bool CProxyDialog::OnCommand(int controlId, int code) {
  switch (controlId) {
    case IDOK:
      Accept();
      return true;
    case IDCANCEL:
      EndDialog(IDCANCEL);
      return true;
    case IDC_PROXY_PASSWORD:
      if (code == EN_CHANGE && !filling_) ShowConfirmation();
      return false;
    default:
      return false;
  }
}

void CProxyDialog::ShowConfirmation() {
  if (confirmationShown_) return;
  confirmationShown_ = true;
  ShowWindow(Item(IDC_PROXY_CONFIRM_LABEL), SW_SHOW);
  ShowWindow(Item(IDC_PROXY_CONFIRM), SW_SHOW);
  FitLabels();
}

void CProxyDialog::FitLabels() {
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  WindowDc dc(hwnd());
  int needed = 0;
  int present = 0;
  for (int id : kLabels) {
    HWND label = Item(id);
    const RECT place = RectInDialog(hwnd(), label);
    present = std::max(present, static_cast<int>(place.right - place.left));
    if (id == IDC_PROXY_CONFIRM_LABEL && !confirmationShown_) continue;
    const std::wstring text = FieldText(id);
    needed = std::max(needed, static_cast<int>(TextSize(dc.dc(), font, text.c_str(), static_cast<int>(text.size())).cx) + 2);
  }
  const int difference = needed - present;
  if (difference == 0) return;
  for (int id : kLabels) {
    const RECT place = RectInDialog(hwnd(), Item(id));
    MoveWindow(Item(id), place.left, place.top, needed, place.bottom - place.top, FALSE);
  }
  for (int id : kMovedWithLabels) {
    const RECT place = RectInDialog(hwnd(), Item(id));
    MoveWindow(Item(id), place.left + difference, place.top, place.right - place.left,
               place.bottom - place.top, FALSE);
  }
  RECT window{};
  GetWindowRect(hwnd(), &window);
  SetWindowPos(hwnd(), nullptr, 0, 0, window.right - window.left + difference, window.bottom - window.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CProxyDialog::Accept() {
  const std::wstring password = FieldText(IDC_PROXY_PASSWORD);
  const std::wstring port = FieldText(IDC_PROXY_PORT);
  const ProxyDialogVerdict verdict =
      CheckProxyDialog(confirmationShown_, ToU16(password), ToU16(FieldText(IDC_PROXY_CONFIRM)), ToU16(port));
  if (!verdict.accepted) {
    MessageBoxW(hwnd(), LoadText(verdict.message).c_str(), kMessageTitle, MB_OK | MB_ICONERROR);
    if (verdict.clearPasswords) {
      SetDlgItemTextW(hwnd(), IDC_PROXY_PASSWORD, L"");
      SetDlgItemTextW(hwnd(), IDC_PROXY_CONFIRM, L"");
    }
    if (verdict.focus == ProxyDialogVerdict::Focus::Password) FocusField(IDC_PROXY_PASSWORD);
    if (verdict.focus == ProxyDialogVerdict::Focus::Port) FocusField(IDC_PROXY_PORT);
    return;
  }
  settings_.password = password;
  settings_.address = FieldText(IDC_PROXY_ADDRESS);
  settings_.port = port;
  settings_.userName = FieldText(IDC_PROXY_USERNAME);
  EndDialog(IDOK);
}

std::wstring CProxyDialog::FieldText(int controlId) const {
  HWND field = Item(controlId);
  const int length = GetWindowTextLengthW(field);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(field, text.data(), length + 1)));
  return text;
}

void CProxyDialog::FocusField(int controlId) {
  SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(controlId)), TRUE);
}

bool ShowProxyDialog(ProxySettings& settings, HWND owner) {
  CProxyDialog dialog(settings);
  return dialog.DoModal(owner) == IDOK;
}

}  // namespace qws
