#include "ui/simple_controls.h"

#include <cmath>

#include "ui/control_maths.h"
#include "ui/font_list.h"
#include "ui/gdi.h"

namespace qws {

void CButtonLink::DrawContent(HDC dc) {
  const RECT client = ClientRect();
  const std::wstring text = Text();
  SelectedObject font(dc, Font(hover() && IsEnabled() ? kFontUnderlined : kFontNormal));
  SetTextColor(dc, IsEnabled() ? textColour_ : GetSysColor(COLOR_GRAYTEXT));
  RECT area = client;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  if (HasFocus()) {
    RECT focus = client;
    DrawFocusRect(dc, &focus);
  }
}

void CProgressBar::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = maximum;
  Invalidate();
}

void CProgressBar::SetPos(int position) {
  if (position == position_) return;
  position_ = position;
  Invalidate();
}

void CProgressBar::SetColours(COLORREF background, COLORREF fill) {
  background_ = background;
  fill_ = fill;
  Invalidate();
}

void CProgressBar::DrawContent(HDC dc) {
  const RECT client = ClientRect();
  FillSolid(dc, client, background_);
  const int filled = ProgressFillWidth(position_, minimum_, maximum_, client.right);
  if (filled > 0) FillSolid(dc, {0, 0, filled, client.bottom}, fill_);
}

void CStaticTriangle::SetTurn(int turn) {
  turn_ = turn;
  Invalidate();
}

void CStaticTriangle::SetColour(COLORREF colour) {
  colour_ = colour;
  Invalidate();
}

void CStaticTriangle::DrawContent(HDC dc) {
  const RECT client = ClientRect();
  const auto vertices = TriangleVertices(client.right / 2.0, client.bottom / 2.0, turn_);
  POINT points[3];
  for (int i = 0; i < 3; ++i)
    points[i] = {static_cast<LONG>(std::lround(vertices[i].x)), static_cast<LONG>(std::lround(vertices[i].y))};
  ScopedBrush brush(CreateSolidBrush(colour_));
  ScopedPen pen(CreatePen(PS_SOLID, 1, colour_));
  SelectedObject selectBrush(dc, brush.get());
  SelectedObject selectPen(dc, pen.get());
  Polygon(dc, points, 3);
}

}  // namespace qws
