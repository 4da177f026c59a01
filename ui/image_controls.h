// Controls that show images: a still image, the page's image button, the main window's
// three-frame button and the information spot with its tool tip.
#pragma once

#include <string>

#include "ui/transparent_object.h"

namespace qws {

// A topmost tool tip window owned by `owner`: no prefix processing, shown also while the window
// is inactive, at most 1000 pixels wide. Null when it cannot be made.
HWND CreateToolTip(HWND owner);

class CStaticBitmap : public CTransparentObject {
 public:
  CStaticBitmap() { SetTrackHover(false); }
  void SetImage(int rcdataId);
  // An image made by the program (premultiplied already when it has alpha).
  void SetBitmap(ScopedBitmap image);
  // A release of the left button posts this message to the parent (0: none).
  void SetMessage(UINT message) { message_ = message; }

 protected:
  void DrawContent(HDC dc) override;
  bool OnLButtonUp(POINT point) override;

 private:
  ScopedBitmap image_;
  UINT message_ = 0;
};

// Normal, hover and pressed images; a click (or Enter, Space) posts its message to the parent.
class CTransparentButton : public CTransparentObject {
 public:
  void SetImages(int normalId, int hoverId, int pressedId = 0);
  void SetMessage(UINT message) { message_ = message; }

 protected:
  void DrawContent(HDC dc) override;
  bool IsClickable() const override { return true; }
  void Activate(bool) override;

 private:
  ScopedBitmap normal_, hover_, pressed_;
  UINT message_ = 0;
};

// One bitmap of three frames side by side: normal, pressed, hover. Clicks reach the parent as
// BN_CLICKED.
class CHoverButton : public CTransparentObject {
 public:
  void SetImage(int rcdataId);
  void SetToolTip(const std::wstring& text);

 protected:
  void DrawContent(HDC dc) override;
  bool IsClickable() const override { return true; }

 private:
  ScopedBitmap strip_;
  HWND tip_ = nullptr;  // destroyed with this window, its owner
  std::wstring tipText_;
};

// The information icon (RCDATA 141) whose window text shows in a tool tip while the pointer
// is over it; the tip goes 500 ms after the pointer left.
class CToolTipSpot : public CTransparentObject {
 public:
  CToolTipSpot();
  HWND toolTip() const { return tip_; }

 protected:
  void DrawContent(HDC dc) override;
  bool OnMouseMove(POINT point, UINT keys) override;
  bool OnMouseLeave() override;
  bool OnTimer(UINT_PTR id) override;
  void OnDestroy() override;

 private:
  void ShowTip();
  void HideTip();

  ScopedBitmap icon_;
  HWND tip_ = nullptr;
  bool tipShown_ = false;
  std::wstring tipText_;
};

}  // namespace qws
