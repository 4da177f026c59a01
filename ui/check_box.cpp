#include "ui/check_box.h"

#include "ui/control_maths.h"
#include "ui/gdi.h"
#include "ui/png_image.h"

namespace qws {

namespace {
constexpr int kCell = 12;
}

void CCheckBox::SetImages(int rcdataId) {
  strip_ = LoadBlendImage(rcdataId);
  cellCount_ = BitmapSize(strip_.get()).cx / kCell;
  Invalidate();
}

void CCheckBox::SetWarning(bool warning) {
  warning_ = warning;
  Invalidate();
}

void CCheckBox::SetCheck(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Invalidate();
  if (checked_ && partnerId_ != 0) {
    SendMessageW(GetDlgItem(parent(), partnerId_), BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void CCheckBox::Activate(bool fromKey) {
  if (radio_) {
    if (checked_ && fromKey) return;  // a selected radio ignores the keys
    SetCheck(true);
  } else {
    SetCheck(!checked_);
  }
  NotifyParent(BN_CLICKED);
}

LRESULT CCheckBox::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case BM_SETCHECK:
      SetCheck(wparam == BST_CHECKED);
      return 0;
    case BM_GETCHECK:
      return checked_ ? BST_CHECKED : BST_UNCHECKED;
    default:
      return CTransparentObject::WindowProc(message, wparam, lparam);
  }
}

void CCheckBox::DrawContent(HDC dc) {
  const RECT client = ClientRect();
  if (strip_ && cellCount_ > 0) {
    const int cell = CheckGlyphCell({checked_, hover(), IsEnabled(), warning_}, cellCount_);
    const RECT source = {cell * kCell, 0, cell * kCell + kCell, kCell};
    const int y = (client.bottom - kCell) / 2;
    // The radio strip has no disabled cells: its normal cell is drawn faded.
    const bool faded = !IsEnabled() && cellCount_ < 8;
    BitmapDc image(strip_.get());
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(faded ? 110 : 255), AC_SRC_ALPHA};
    AlphaBlend(dc, 1, y, kCell, kCell, image.dc(), source.left, 0, kCell, kCell, blend);
  }
  const std::wstring text = Text();
  SelectedObject font(dc, Font(0));
  SetTextColor(dc, textColour_);
  RECT area = {17, 0, client.right, client.bottom};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  if (HasFocus()) {
    RECT focus = client;
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace qws
