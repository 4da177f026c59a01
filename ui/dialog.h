// Dialogs from resource templates: modal top-level windows and modeless child pages. The object
// is found through the pointer handed over at WM_INITDIALOG; handlers are typed members.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qws {

class CDialog {
 public:
  explicit CDialog(int templateId) : templateId_(templateId) {}
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Runs the dialog with its own message loop; returns the value given to EndDialog.
  INT_PTR DoModal(HWND owner = nullptr);
  // Creates the dialog as a hidden child page of `parent` (the template's style decides).
  bool CreateModeless(HWND parent);
  void EndDialog(INT_PTR result);

  HWND hwnd() const { return hwnd_; }
  HWND Item(int controlId) const { return GetDlgItem(hwnd_, controlId); }
  void Show(bool show) { ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE); }
  bool IsVisible() const { return IsWindowVisible(hwnd_) != FALSE; }
  void Invalidate() { InvalidateRect(hwnd_, nullptr, FALSE); }
  void SetTimer(UINT_PTR id, UINT milliseconds) { ::SetTimer(hwnd_, id, milliseconds, nullptr); }
  void KillTimer(UINT_PTR id) { ::KillTimer(hwnd_, id); }
  bool Post(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const {
    return PostMessageW(hwnd_, message, wparam, lparam) != FALSE;
  }
  RECT ClientRect() const;

 protected:
  // Dispatches to the typed handlers; returns what the dialog procedure returns (FALSE: the
  // dialog manager's default processing follows).
  virtual INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam);

  virtual bool OnInitDialog() { return true; }
  virtual bool OnCommand(int /*controlId*/, int /*code*/) { return false; }
  // Paints on an off-screen surface of the client size that is then copied to the screen.
  virtual bool HasOwnPainting() const { return false; }
  virtual void OnDraw(HDC) {}
  virtual bool OnTimer(UINT_PTR) { return false; }
  virtual bool OnLButtonDown(POINT) { return false; }
  virtual void OnActivate(bool /*active*/) {}
  virtual bool OnClose() { return false; }
  // Step messages and other WM_USER / WM_APP messages.
  virtual std::optional<LRESULT> OnUserMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }
  virtual void OnDestroy() {}

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Gives a result to the dialog manager for messages whose result is not the return value.
  INT_PTR Result(LRESULT value);

  int templateId_;
  HWND hwnd_ = nullptr;
};

}  // namespace qws
