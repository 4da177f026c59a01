#include "ui/square_button.h"

#include <vector>

#include "app/message_content.h"
#include "ui/control_maths.h"
#include "ui/font_list.h"
#include "ui/gdi.h"
#include "ui/png_image.h"

namespace qws {

HFONT SquareButtonFont() {
  static const ScopedFont font = CreateUiFont(18, FW_NORMAL);
  return font.get();
}

CSquareButton::CSquareButton() : colours_(kAccentScheme) {}

void CSquareButton::SetColours(const std::array<uint32_t, 8>& colours) {
  colours_ = colours;
  Invalidate();
}

void CSquareButton::SetImage(int rcdataId) {
  image_ = LoadBlendImage(rcdataId);
  Invalidate();
}

int CSquareButton::FittedWidth() const {
  const std::wstring text = Text();
  WindowDc dc(hwnd());
  const int textWidth = TextSize(dc.dc(), SquareButtonFont(), text.c_str(), static_cast<int>(text.size())).cx;
  return FittedButtonWidth(textWidth, image_ ? BitmapSize(image_.get()).cx : 0);
}

void CSquareButton::Fit(bool keepRightEdge) {
  RECT rect = RectInParent();
  const int width = FittedWidth();
  if (keepRightEdge) {
    rect.left = rect.right - width;
  } else {
    rect.right = rect.left + width;
  }
  Move(rect);
}

void CSquareButton::DrawContent(HDC dc) {
  const RECT client = ClientRect();
  const int state = !IsEnabled() ? 3 : pressed() ? 2 : hover() ? 1 : 0;
  const int shift = pressed() ? 1 : 0;
  FillSolid(dc, {2, 2, client.right, client.bottom}, colours_[4 + state]);
  RECT face = {shift, shift, client.right - 2 + shift, client.bottom - 2 + shift};
  FillSolid(dc, face, colours_[state]);
  int textLeft = face.left;
  if (image_) {
    BlendBitmap(dc, image_.get(), 8 + shift, 8 + shift);
    textLeft += BitmapSize(image_.get()).cx + 1;
  }
  const std::wstring text = Text();
  SelectedObject font(dc, SquareButtonFont());
  SetTextColor(dc, RGB(255, 255, 255));
  RECT area = {textLeft, face.top, face.right, face.bottom};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  if (HasFocus()) {
    RECT focus = face;
    InflateRect(&focus, -3, -3);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    DrawFocusRect(dc, &focus);
  }
}

void LayOutButtonRow(std::initializer_list<CSquareButton*> buttons, int right) {
  std::vector<int> widths;
  for (CSquareButton* button : buttons) widths.push_back(button->FittedWidth());
  const auto spans = ButtonRowFromRight(widths, right);
  size_t i = 0;
  for (CSquareButton* button : buttons) {
    RECT rect = button->RectInParent();
    rect.left = spans[i].left;
    rect.right = spans[i].right;
    button->Move(rect);
    ++i;
  }
}

}  // namespace qws
