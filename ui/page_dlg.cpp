#include "ui/page_dlg.h"

#include <shellapi.h>

#include "app/help_url.h"
#include "base/u16.h"
#include "resources/resource_ids.h"
#include "ui/font_list.h"
#include "ui/gdi.h"
#include "ui/png_image.h"
#include "ui/window.h"

namespace qws {

bool CPageDlg::OnInitDialog() {
  HMODULE module = GetModuleHandleW(nullptr);
  background_ = LoadPngImage(module, backgroundId_);
  if (alternateBackgroundId_) alternateBackground_ = LoadPngImage(module, alternateBackgroundId_);
  if (iconId_) icon_ = LoadPngImage(module, iconId_);
  current_ = background_.get();
  titleFont_ = CreateUiFont(26, FW_NORMAL);
  help_.Create(hwnd(), kHelpButtonId, {540, 10, 570, 40}, L"Help", WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  help_.SetImages(IDR_HELP_BUTTON_PNG, IDR_HELP_BUTTON_HOVER_PNG);
  help_.SetMessage(kMsgHelpClicked);
  return true;
}

void CPageDlg::SetTitle(const std::wstring& title) {
  title_ = title;
  // The window text carries the title too, so that it can be read like any other text.
  SetWindowTextW(hwnd(), title.c_str());
  InvalidateRect(hwnd(), &titleRect_, FALSE);
}

void CPageDlg::SetTitleColour(COLORREF colour) {
  titleColour_ = colour;
  InvalidateRect(hwnd(), &titleRect_, FALSE);
}

void CPageDlg::UseAlternateBackground(bool alternate) {
  HBITMAP wanted = alternate && alternateBackground_ ? alternateBackground_.get() : background_.get();
  if (wanted == current_) return;
  current_ = wanted;
  RetakeChildBackgrounds();
  Invalidate();
}

void CPageDlg::RetakeChildBackgrounds() {
  for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageW(child, kMsgTakeBackground, 0, 0);
}

void CPageDlg::OnDraw(HDC dc) {
  const RECT client = ClientRect();
  FillSolid(dc, client, RGB(255, 255, 255));
  DrawBitmap(dc, current_, 0, 0);
  if (firstPaint_) {
    // The icon is loaded again on the first paint and made ready for blending then.
    if (iconId_) icon_ = LoadPngImage(GetModuleHandleW(nullptr), iconId_);
    PremultiplyAlpha(icon_.get());
    firstPaint_ = false;
  }
  BlendBitmap(dc, icon_.get(), 19, 10);
  if (!title_.empty()) {
    SelectedObject font(dc, titleFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, titleColour_);
    RECT area = titleRect_;
    DrawTextW(dc, title_.c_str(), static_cast<int>(title_.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  }
}

std::optional<LRESULT> CPageDlg::OnUserMessage(UINT message, WPARAM, LPARAM) {
  if (message == kMsgGetBackground) return reinterpret_cast<LRESULT>(current_);
  if (message == kMsgHelpClicked) {
    ShellExecuteW(nullptr, L"open", ToWide(HelpPageUrl()).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return 0;
  }
  return std::nullopt;
}

}  // namespace qws
