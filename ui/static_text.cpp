#include "ui/static_text.h"

#include "base/u16.h"
#include "ui/gdi.h"
#include "ui/text_layout.h"

namespace qws {

namespace {

class GdiMeasure : public TextMeasure {
 public:
  GdiMeasure(HDC dc, const std::array<HFONT, 4>& fonts) : dc_(dc), fonts_(fonts) {}
  int Width(std::u16string_view text, int font) const override {
    const std::wstring wide = ToWide(text);
    return TextSize(dc_, fonts_[font], wide.c_str(), static_cast<int>(wide.size())).cx;
  }
  int LineHeight() const override { return TextSize(dc_, fonts_[0], L"A", 1).cy; }

 private:
  HDC dc_;
  const std::array<HFONT, 4>& fonts_;
};

}  // namespace

void CStaticText::SetText(const std::wstring& text) {
  runs_ = ParseMarkup(ToU16(text));
  linksKnown_ = false;
  linkRects_.clear();
  hoveredLink_ = pressedLink_ = -1;
  CWnd::SetText(text);
  Invalidate();
}

void CStaticText::DrawContent(HDC dc) {
  const RECT client = ClientRect();
  const UINT rtl = rightToLeft_ ? DT_RTLREADING : 0;
  if (runs_.empty()) {
    const std::wstring text = Text();
    SelectedObject font(dc, Font(0));
    SetTextColor(dc, textColour_);
    RECT area = client;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_WORDBREAK | DT_NOPREFIX | rtl);
    return;
  }
  const std::array<HFONT, 4> fonts = {Font(0), Font(1), Font(2), Font(3)};
  const GdiMeasure measure(dc, fonts);
  const auto pieces = LayOutRuns(runs_, client.right, ellipsis_, hoveredLink_, measure);
  const int lineHeight = measure.LineHeight();
  const bool recordLinks = !linksKnown_;
  for (const PlacedPiece& piece : pieces) {
    const TextRun& run = runs_[piece.run];
    const bool link = (run.flags & kRunLink) != 0;
    SetTextColor(dc, link ? linkColour_ : (run.flags & kRunHighlight) ? highlightColour_ : textColour_);
    SelectedObject font(dc, fonts[piece.font]);
    const std::wstring text = ToWide(piece.text);
    RECT place = {piece.x, piece.y, piece.x + piece.width, piece.y + lineHeight};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &place,
              DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | rtl);
    if (!link) continue;
    if (recordLinks) linkRects_.push_back({place, static_cast<int>(piece.run)});
    if (HasFocus()) DrawFocusRect(dc, &place);
  }
  linksKnown_ = true;
}

int CStaticText::LinkAt(POINT point) const {
  for (const auto& [rect, run] : linkRects_)
    if (PtInRect(&rect, point)) return run;
  return -1;
}

bool CStaticText::OnMouseMove(POINT point, UINT keys) {
  CTransparentObject::OnMouseMove(point, keys);
  const int link = LinkAt(point);
  const bool captured = GetCapture() == hwnd();
  if (link != -1 && !captured) {
    SetCapture(hwnd());
  } else if (link == -1 && captured && (keys & MK_LBUTTON) == 0) {
    ReleaseCapture();
  }
  if (link != hoveredLink_) {
    hoveredLink_ = link;
    Invalidate();
  }
  return true;
}

bool CStaticText::OnLButtonDown(POINT point) {
  SetCapture(hwnd());
  if (takeFocusOnClick_) SetFocus(hwnd());
  pressedLink_ = LinkAt(point);
  return true;
}

bool CStaticText::OnLButtonUp(POINT point) {
  const int link = LinkAt(point);
  if (link == -1 && GetCapture() == hwnd()) ReleaseCapture();
  const int pressed = pressedLink_;
  pressedLink_ = -1;
  if (link != -1 && link == pressed) NotifyParent(kLinkActivated);
  return true;
}

void CStaticText::OnCaptureLost() {
  if (hoveredLink_ != -1) {
    hoveredLink_ = -1;
    Invalidate();
  }
}

}  // namespace qws
