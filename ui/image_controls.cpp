#include "ui/image_controls.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "ui/gdi.h"
#include "ui/png_image.h"

namespace qws {

namespace {

constexpr UINT_PTR kHideTipTimer = 1;
constexpr UINT kHideTipDelay = 500;

TOOLINFOW ToolInfo(HWND owner, std::wstring& text, UINT flags) {
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND | flags;
  info.hwnd = owner;
  info.uId = reinterpret_cast<UINT_PTR>(owner);
  info.lpszText = text.data();
  return info;
}

}  // namespace

HWND CreateToolTip(HWND owner) {
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tip) {
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 1000);
  }
  return tip;
}

void CStaticBitmap::SetImage(int rcdataId) {
  image_ = LoadBlendImage(rcdataId);
  Invalidate();
}

void CStaticBitmap::SetBitmap(ScopedBitmap image) {
  image_ = std::move(image);
  Invalidate();
}

void CStaticBitmap::DrawContent(HDC dc) { BlendBitmap(dc, image_.get(), 0, 0); }

bool CStaticBitmap::OnLButtonUp(POINT) {
  if (message_ != 0) PostToParent(message_);
  return true;
}

void CTransparentButton::SetImages(int normalId, int hoverId, int pressedId) {
  normal_ = LoadBlendImage(normalId);
  hover_ = hoverId ? LoadBlendImage(hoverId) : ScopedBitmap();
  pressed_ = pressedId ? LoadBlendImage(pressedId) : ScopedBitmap();
  Invalidate();
}

void CTransparentButton::DrawContent(HDC dc) {
  if (pressed()) {
    HBITMAP image = pressed_ ? pressed_.get() : hover_ ? hover_.get() : normal_.get();
    BlendBitmap(dc, image, 1, 1);
  } else if (hover() && hover_) {
    BlendBitmap(dc, hover_.get(), 0, 0);
  } else {
    BlendBitmap(dc, normal_.get(), 0, 0);
  }
  if (HasFocus()) {
    RECT focus = ClientRect();
    DrawFocusRect(dc, &focus);
  }
}

void CTransparentButton::Activate(bool) {
  if (message_ != 0) PostToParent(message_);
}

void CHoverButton::SetImage(int rcdataId) {
  strip_ = LoadBlendImage(rcdataId);
  Invalidate();
}

void CHoverButton::SetToolTip(const std::wstring& text) {
  tipText_ = text;
  if (!tip_) tip_ = CreateToolTip(hwnd());
  if (!tip_) return;
  TOOLINFOW info = ToolInfo(hwnd(), tipText_, TTF_SUBCLASS);
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void CHoverButton::DrawContent(HDC dc) {
  const SIZE size = BitmapSize(strip_.get());
  const int frame = size.cx / 3;
  const int index = pressed() ? 1 : hover() ? 2 : 0;
  BlendBitmapPart(dc, strip_.get(), 0, 0, {index * frame, 0, (index + 1) * frame, size.cy});
  if (HasFocus()) {
    RECT focus = ClientRect();
    DrawFocusRect(dc, &focus);
  }
}

CToolTipSpot::CToolTipSpot() : icon_(LoadBlendImage(IDR_INFO_ICON_PNG)) {}

void CToolTipSpot::DrawContent(HDC dc) {
  const RECT client = ClientRect();
  const SIZE size = BitmapSize(icon_.get());
  BlendBitmap(dc, icon_.get(), (client.right - size.cx) / 2, (client.bottom - size.cy) / 2);
}

bool CToolTipSpot::OnMouseMove(POINT point, UINT keys) {
  CTransparentObject::OnMouseMove(point, keys);
  KillTimer(kHideTipTimer);
  if (!tipShown_) ShowTip();
  return true;
}

bool CToolTipSpot::OnMouseLeave() {
  CTransparentObject::OnMouseLeave();
  SetTimer(kHideTipTimer, kHideTipDelay);
  return true;
}

bool CToolTipSpot::OnTimer(UINT_PTR id) {
  if (id != kHideTipTimer) return false;
  KillTimer(kHideTipTimer);
  HideTip();
  return true;
}

void CToolTipSpot::ShowTip() {
  if (!tip_) {
    tip_ = CreateToolTip(hwnd());
    if (!tip_) return;
    tipText_ = Text();
    TOOLINFOW info = ToolInfo(hwnd(), tipText_, TTF_TRACK | TTF_ABSOLUTE);
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
  RECT place{};
  GetWindowRect(hwnd(), &place);
  TOOLINFOW info = ToolInfo(hwnd(), tipText_, 0);
  SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(place.left, place.bottom + 2));
  SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
  tipShown_ = true;
}

void CToolTipSpot::HideTip() {
  if (!tip_ || !tipShown_) return;
  TOOLINFOW info = ToolInfo(hwnd(), tipText_, 0);
  SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
  tipShown_ = false;
}

void CToolTipSpot::OnDestroy() {
  if (tip_) DestroyWindow(tip_);
  tip_ = nullptr;
}

}  // namespace qws
