// The window layer: a window object over an HWND, attached to a dialog template's control by
// number or created at a rectangle, with typed handlers for the messages the controls use.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qws {

// Window class of the custom controls in dialog templates ("QwsControl"); registered once
// before any template that names it is created.
inline constexpr wchar_t kControlClassName[] = L"QwsControl";
void RegisterControlClass();

// Messages of the layer itself, beyond WM_USER+14 that the pages use for their steps.
// A control asks its parent for the bitmap drawn as its background (an HBITMAP, or 0).
inline constexpr UINT kMsgGetBackground = WM_APP + 0x100;
// A parent tells a control to copy its background again at the next paint.
inline constexpr UINT kMsgTakeBackground = WM_APP + 0x101;

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // Takes over the control `controlId` of `dialog` (any window class).
  bool Attach(HWND dialog, int controlId);
  bool Attach(HWND window);
  // Creates a child window of the control class at `rect` (parent client coordinates).
  bool Create(HWND parent, int controlId, const RECT& rect, const std::wstring& text = L"",
              DWORD style = WS_CHILD | WS_VISIBLE);
  void Detach();

  HWND hwnd() const { return hwnd_; }
  HWND parent() const { return GetParent(hwnd_); }
  int controlId() const { return GetDlgCtrlID(hwnd_); }
  RECT ClientRect() const;
  // The window's rectangle in its parent's client coordinates.
  RECT RectInParent() const;
  void Move(const RECT& rect, bool repaint = true);
  void Show(bool show) { ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE); }
  bool IsVisible() const { return IsWindowVisible(hwnd_) != FALSE; }
  void Enable(bool enable) { EnableWindow(hwnd_, enable); }
  bool IsEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
  bool HasFocus() const { return GetFocus() == hwnd_; }
  void SetText(const std::wstring& text) { SetWindowTextW(hwnd_, text.c_str()); }
  std::wstring Text() const;
  void Invalidate() { InvalidateRect(hwnd_, nullptr, FALSE); }
  void SetTimer(UINT_PTR id, UINT milliseconds) { ::SetTimer(hwnd_, id, milliseconds, nullptr); }
  void KillTimer(UINT_PTR id) { ::KillTimer(hwnd_, id); }
  bool PostToParent(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const {
    return PostMessageW(parent(), message, wparam, lparam) != FALSE;
  }
  // WM_COMMAND with this control's number and `code` to the parent.
  void NotifyParent(WORD code) const;

 protected:
  // Dispatches to the typed handlers below; anything unhandled goes to the window's own class.
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT DefaultProc(UINT message, WPARAM wparam, LPARAM lparam);

  // Typed handlers: true when handled (the class's own processing is then skipped).
  virtual bool OnPaint() { return false; }
  virtual bool OnEraseBackground() { return false; }
  virtual bool OnMouseMove(POINT) { return false; }
  virtual bool OnLButtonDown(POINT) { return false; }
  virtual bool OnLButtonUp(POINT) { return false; }
  virtual bool OnMouseHover() { return false; }
  virtual bool OnMouseLeave() { return false; }
  virtual bool OnKeyDown(UINT) { return false; }
  virtual bool OnChar(wchar_t) { return false; }
  virtual std::optional<LRESULT> OnGetDlgCode(const MSG*) { return std::nullopt; }
  virtual void OnFocusChanged(bool) {}
  virtual void OnEnabledChanged() {}
  virtual bool OnTimer(UINT_PTR) { return false; }
  virtual void OnCaptureLost() {}
  virtual void OnDestroy() {}

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR self);
  HWND hwnd_ = nullptr;
};

}  // namespace qws
