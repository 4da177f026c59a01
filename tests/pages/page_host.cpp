#include "tests/pages/page_host.h"

#include "resources/resource_ids.h"
#include "ui/font_list.h"
#include "ui/gdi.h"

namespace qws::test {

PageHost::PageHost() : CDialog(IDD_MAIN_DIALOG) {}

PageHost::~PageHost() { Close(); }

bool PageHost::Open(CPageDlg& page) {
  if (!CreateModeless(nullptr)) return false;
  SetWindowPos(hwnd(), HWND_TOPMOST, 40, 40, 600, 560, SWP_SHOWWINDOW);
  if (!page.CreateModeless(hwnd())) return false;
  SetWindowPos(page.hwnd(), nullptr, 1, 60, 598, 450, SWP_NOZORDER);
  page.Show(true);
  page.Refresh();
  SetForegroundWindow(hwnd());
  return true;
}

void PageHost::Close() {
  if (hwnd()) DestroyWindow(hwnd());
}

bool PageHost::OnInitDialog() {
  if (FontList::Process().Get(kFontNormal) == nullptr) AppendMainWindowFonts();
  return true;
}

std::optional<LRESULT> PageHost::OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= WM_USER + 1 && message <= WM_USER + 14) {
    steps.push_back({message, wparam, lparam});
    return 0;
  }
  return std::nullopt;
}

void PageHost::OnDraw(HDC dc) { FillSolid(dc, ClientRect(), RGB(255, 255, 255)); }

}  // namespace qws::test
