#include "ui/window.h"

#include <commctrl.h>
#include <windowsx.h>

namespace qws {

namespace {

constexpr UINT_PTR kSubclassId = 0x51575331;  // one subclass per window object

}  // namespace

void RegisterControlClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kControlClassName;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  (void)registered;
}

CWnd::~CWnd() { Detach(); }

bool CWnd::Attach(HWND dialog, int controlId) { return Attach(GetDlgItem(dialog, controlId)); }

bool CWnd::Attach(HWND window) {
  if (!window || hwnd_) return false;
  if (!SetWindowSubclass(window, &CWnd::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  hwnd_ = window;
  return true;
}

bool CWnd::Create(HWND parent, int controlId, const RECT& rect, const std::wstring& text,
                  DWORD style) {
  RegisterControlClass();
  HWND window = CreateWindowExW(0, kControlClassName, text.c_str(), style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                GetModuleHandleW(nullptr), nullptr);
  return window && Attach(window);
}

void CWnd::Detach() {
  if (!hwnd_) return;
  RemoveWindowSubclass(hwnd_, &CWnd::SubclassProc, kSubclassId);
  hwnd_ = nullptr;
}

RECT CWnd::ClientRect() const {
  RECT rect{};
  GetClientRect(hwnd_, &rect);
  return rect;
}

RECT CWnd::RectInParent() const {
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  MapWindowPoints(nullptr, parent(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void CWnd::Move(const RECT& rect, bool repaint) {
  MoveWindow(hwnd_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}

std::wstring CWnd::Text() const {
  const int length = GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), length + 1)));
  return text;
}

void CWnd::NotifyParent(WORD code) const {
  SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(controlId(), code), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT CWnd::DefaultProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefSubclassProc(hwnd_, message, wparam, lparam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  const POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  switch (message) {
    case WM_PAINT:
      if (OnPaint()) return 0;
      break;
    case WM_ERASEBKGND:
      if (OnEraseBackground()) return 1;
      break;
    case WM_MOUSEMOVE:
      if (OnMouseMove(point)) return 0;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (OnLButtonDown(point)) return 0;
      break;
    case WM_LBUTTONUP:
      if (OnLButtonUp(point)) return 0;
      break;
    case WM_MOUSEHOVER:
      if (OnMouseHover()) return 0;
      break;
    case WM_MOUSELEAVE:
      if (OnMouseLeave()) return 0;
      break;
    case WM_KEYDOWN:
      if (OnKeyDown(static_cast<UINT>(wparam))) return 0;
      break;
    case WM_CHAR:
      if (OnChar(static_cast<wchar_t>(wparam))) return 0;
      break;
    case WM_GETDLGCODE:
      if (auto code = OnGetDlgCode(reinterpret_cast<const MSG*>(lparam))) return *code;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = DefaultProc(message, wparam, lparam);
      OnFocusChanged(message == WM_SETFOCUS);
      return result;
    }
    case WM_ENABLE: {
      const LRESULT result = DefaultProc(message, wparam, lparam);
      OnEnabledChanged();
      return result;
    }
    case WM_TIMER:
      if (OnTimer(wparam)) return 0;
      break;
    case WM_CAPTURECHANGED:
      OnCaptureLost();
      break;
    default:
      break;
  }
  return DefaultProc(message, wparam, lparam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<CWnd*>(data);
  if (message == WM_NCDESTROY) {
    // The window goes; the object stays and forgets it.
    self->OnDestroy();
    RemoveWindowSubclass(window, &CWnd::SubclassProc, kSubclassId);
    self->hwnd_ = nullptr;
    return DefSubclassProc(window, message, wparam, lparam);
  }
  return self->WindowProc(message, wparam, lparam);
}

}  // namespace qws
