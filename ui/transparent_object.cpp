#include "ui/transparent_object.h"

#include <commctrl.h>

#include "ui/font_list.h"
#include "ui/gdi.h"
#include "ui/png_image.h"

namespace qws {

ScopedBitmap LoadBlendImage(int rcdataId) {
  ScopedBitmap image = LoadPngImage(GetModuleHandleW(nullptr), rcdataId);
  PremultiplyAlpha(image.get());
  return image;
}

void CTransparentObject::SetTakeBackground() {
  takeBackground_ = true;
  Invalidate();
}

void CTransparentObject::SetTextColour(COLORREF colour) {
  textColour_ = colour;
  Invalidate();
}

void CTransparentObject::SetFont(int index, HFONT font) {
  if (index >= 0 && index < 4) fonts_[index] = font;
}

HFONT CTransparentObject::Font(int index) const {
  if (index < 0 || index >= 4) return nullptr;
  return fonts_[index] ? fonts_[index] : FontList::Process().Get(static_cast<size_t>(index));
}

void CTransparentObject::SetTextFitted(const std::wstring& text) {
  SetText(text);
  WindowDc dc(hwnd());
  const SIZE size = TextSize(dc.dc(), Font(0), text.c_str(), static_cast<int>(text.size()));
  RECT rect = RectInParent();
  rect.right = rect.left + size.cx + textIndent_ + 2;
  Move(rect);
}

void CTransparentObject::CopyBackground(HDC reference, int width, int height) {
  background_.reset(CreateCompatibleBitmap(reference, width, height));
  BitmapDc target(background_.get());
  FillSolid(target.dc(), {0, 0, width, height}, GetSysColor(COLOR_WINDOW));
  auto source = reinterpret_cast<HBITMAP>(SendMessageW(parent(), kMsgGetBackground, 0, 0));
  if (source) {
    const RECT place = RectInParent();
    BitmapDc from(source);
    BitBlt(target.dc(), 0, 0, width, height, from.dc(), place.left, place.top, SRCCOPY);
  }
}

bool CTransparentObject::OnPaint() {
  PaintScope paint(hwnd());
  const RECT client = ClientRect();
  if (client.right <= 0 || client.bottom <= 0) return true;
  if (takeBackground_ || !background_) CopyBackground(paint.dc(), client.right, client.bottom);
  OffscreenSurface surface(paint.dc(), client.right, client.bottom);
  DrawBitmap(surface.dc(), background_.get(), 0, 0);
  SetBkMode(surface.dc(), TRANSPARENT);
  DrawContent(surface.dc());
  takeBackground_ = false;
  BitBlt(paint.dc(), 0, 0, client.right, client.bottom, surface.dc(), 0, 0, SRCCOPY);
  return true;
}

LRESULT CTransparentObject::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kMsgTakeBackground:
      SetTakeBackground();
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;  // also for template statics, which are otherwise transparent to the mouse
    case WM_SETTEXT: {
      const LRESULT result = DefaultProc(message, wparam, lparam);
      Invalidate();
      return result;
    }
    default:
      return CWnd::WindowProc(message, wparam, lparam);
  }
}

void CTransparentObject::SetHover(bool hover) {
  if (hover == hover_) return;
  hover_ = hover;
  Invalidate();
}

bool CTransparentObject::OnMouseMove(POINT point, UINT) {
  if (!trackHover_) return false;
  if (!tracking_) {
    TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, hwnd(), 1};
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
  const RECT client = ClientRect();
  SetHover(PtInRect(&client, point) != FALSE);
  return false;
}

bool CTransparentObject::OnMouseHover() {
  if (trackHover_) SetHover(true);
  return true;
}

bool CTransparentObject::OnMouseLeave() {
  tracking_ = false;
  // While the button is held on the control it keeps the mouse; only its release decides.
  if (pressed_ && GetCapture() == hwnd()) return true;
  if (pressed_) {
    pressed_ = false;
    Invalidate();
  }
  SetHover(false);
  return true;
}

bool CTransparentObject::OnLButtonDown(POINT) {
  if (!IsClickable() || !IsEnabled()) return false;
  pressed_ = true;
  SetCapture(hwnd());
  if (GetWindowLongW(hwnd(), GWL_STYLE) & WS_TABSTOP) SetFocus(hwnd());
  Invalidate();
  return true;
}

bool CTransparentObject::OnLButtonUp(POINT point) {
  if (!IsClickable()) return false;
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (GetCapture() == hwnd()) ReleaseCapture();
  Invalidate();
  const RECT client = ClientRect();
  if (wasPressed && PtInRect(&client, point) && IsEnabled()) Activate(false);
  return true;
}

void CTransparentObject::OnCaptureLost() {
  if (pressed_) {
    pressed_ = false;
    Invalidate();
  }
}

bool CTransparentObject::WantsKey(UINT key) const {
  return IsClickable() && (key == VK_RETURN || key == VK_SPACE);
}

bool CTransparentObject::OnKeyDown(UINT key) {
  if (!WantsKey(key) || !IsEnabled()) return false;
  Activate(true);
  return true;
}

bool CTransparentObject::OnChar(wchar_t c) {
  // The characters of the keys taken above would only beep.
  return (c == L'\r' && WantsKey(VK_RETURN)) || (c == L' ' && WantsKey(VK_SPACE));
}

std::optional<LRESULT> CTransparentObject::OnGetDlgCode(const MSG* message) {
  if (message && message->message == WM_KEYDOWN && WantsKey(static_cast<UINT>(message->wParam)))
    return DLGC_WANTMESSAGE;
  return std::nullopt;
}

}  // namespace qws
