// Base of the controls drawn over the page background: each paint starts from a copy of the
// parent's background under the control, then the control draws its content on top, off screen.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "base/scoped_handle.h"
#include "ui/window.h"

namespace qws {

class CTransparentObject : public CWnd {
 public:
  // Copy the parent's background again at the next paint (after the page changed it).
  void SetTakeBackground();
  void SetTrackHover(bool track) { trackHover_ = track; }
  void SetTextColour(COLORREF colour);
  // Font `index` of the control (0 normal, 1 underlined, 2 bold, 3 italic); without one the
  // process-wide list's font of that index is used.
  void SetFont(int index, HFONT font);
  // Stores the text and makes the control as wide as the text in font 0 + indent + 2.
  void SetTextFitted(const std::wstring& text);
  bool hover() const { return hover_; }
  bool pressed() const { return pressed_; }

 protected:
  virtual void DrawContent(HDC dc) = 0;
  // Controls that act on a click (press and release on the control) and on Enter or Space.
  virtual bool IsClickable() const { return false; }
  // The click or key: by default the owner-drawn button's report to the page.
  virtual void Activate(bool /*fromKey*/) { NotifyParent(BN_CLICKED); }

  HFONT Font(int index) const;
  int textIndent_ = 0;
  COLORREF textColour_ = 0;

  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnPaint() override;
  bool OnEraseBackground() override { return true; }
  bool OnMouseMove(POINT point, UINT keys) override;
  bool OnMouseHover() override;
  bool OnMouseLeave() override;
  bool OnLButtonDown(POINT point) override;
  bool OnLButtonUp(POINT point) override;
  bool OnKeyDown(UINT key) override;
  bool OnChar(wchar_t c) override;
  std::optional<LRESULT> OnGetDlgCode(const MSG* message) override;
  void OnFocusChanged(bool) override { Invalidate(); }
  void OnEnabledChanged() override { Invalidate(); }
  void OnCaptureLost() override;
  // Keys that activate the control (Enter and Space when clickable).
  virtual bool WantsKey(UINT key) const;
  void SetHover(bool hover);

 private:
  void CopyBackground(HDC reference, int width, int height);

  ScopedBitmap background_;
  bool takeBackground_ = true;
  bool hover_ = false;
  bool pressed_ = false;
  bool trackHover_ = true;
  bool tracking_ = false;
  std::array<HFONT, 4> fonts_{};
};

// An image of the resources, ready for alpha blending (premultiplied once).
ScopedBitmap LoadBlendImage(int rcdataId);

}  // namespace qws
