#include "ui/dialog.h"

#include <windowsx.h>

#include "ui/gdi.h"
#include "ui/window.h"

namespace qws {

CDialog::~CDialog() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
  }
}

INT_PTR CDialog::DoModal(HWND owner) {
  RegisterControlClass();
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                         &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::CreateModeless(HWND parent) {
  RegisterControlClass();
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                            &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) { ::EndDialog(hwnd_, result); }

RECT CDialog::ClientRect() const {
  RECT rect{};
  GetClientRect(hwnd_, &rect);
  return rect;
}

INT_PTR CDialog::Result(LRESULT value) {
  SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, value);
  return TRUE;
}

INT_PTR CDialog::DialogProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (OnCommand(LOWORD(wparam), HIWORD(wparam))) return TRUE;
      if (LOWORD(wparam) == IDCANCEL && OnClose()) return TRUE;
      return FALSE;
    case WM_CLOSE:
      return OnClose() ? TRUE : FALSE;
    case WM_ERASEBKGND:
      if (HasOwnPainting()) return Result(1);
      return FALSE;
    case WM_PAINT:
      if (!HasOwnPainting()) return FALSE;
      {
        PaintScope paint(hwnd_);
        const RECT client = ClientRect();
        OffscreenSurface surface(paint.dc(), client.right, client.bottom);
        OnDraw(surface.dc());
        BitBlt(paint.dc(), 0, 0, client.right, client.bottom, surface.dc(), 0, 0, SRCCOPY);
      }
      return TRUE;
    case WM_TIMER:
      return OnTimer(wparam) ? TRUE : FALSE;
    case WM_LBUTTONDOWN:
      return OnLButtonDown({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) ? TRUE : FALSE;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return FALSE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      if (message >= WM_USER && message <= 0xBFFF) {
        if (auto result = OnUserMessage(message, wparam, lparam)) return Result(*result);
      }
      return FALSE;
  }
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CDialog*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    self->hwnd_ = window;
    return self->OnInitDialog() ? TRUE : FALSE;
  }
  auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    return FALSE;
  }
  return self->DialogProc(message, wparam, lparam);
}

}  // namespace qws
