#include "ui/list_tool_tip.h"

#include <commctrl.h>

#include "ui/image_controls.h"

namespace qws {

namespace {

TOOLINFOW ListTool(HWND list, std::wstring& text) {
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = list;
  info.uId = reinterpret_cast<UINT_PTR>(list);
  info.lpszText = text.data();
  return info;
}

}  // namespace

bool CListToolTip::Watch(HWND list, RowText rowText) {
  if (!Attach(list)) return false;
  rowText_ = std::move(rowText);
  tip_ = CreateToolTip(list);
  if (!tip_) return false;
  TOOLINFOW info = ListTool(list, text_);
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  return true;
}

bool CListToolTip::OnMouseMove(POINT point, UINT) {
  LVHITTESTINFO hit{};
  hit.pt = point;
  const int row = ListView_HitTest(hwnd(), &hit);
  SetTipText(row >= 0 && rowText_ ? rowText_(row) : std::wstring());
  return false;  // the list follows the pointer as well
}

void CListToolTip::SetTipText(const std::wstring& text) {
  // Replacing the text restarts the tip; an unchanged row keeps it steady.
  if (text == text_ || !tip_) return;
  text_ = text;
  TOOLINFOW info = ListTool(hwnd(), text_);
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CListToolTip::OnDestroy() {
  if (tip_) DestroyWindow(tip_);
  tip_ = nullptr;
}

}  // namespace qws
