#include "ui/pages/banner_view.h"

#include <shellapi.h>

#include "ui/gdi.h"
#include "ui/png_image.h"

namespace qws {

namespace {

void OpenInShell(const std::wstring& address) {
  // A shell that cannot open the address leaves the page as it was.
  ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

void CBannerView::AttachAt(HWND page, int controlId, const RECT& rect) {
  CTransparentObject::Attach(page, controlId);
  if (!openAddress) openAddress = OpenInShell;
  Move(rect);
  Show(image() != nullptr);
}

void CBannerView::ShowRotator(BannerRotator* rotator) {
  rotator_ = rotator;
  if (!rotator_) return;
  rotator_->SetControl(hwnd());
  rotator_->ShowCurrent();
}

HBITMAP CBannerView::image() const {
  return reinterpret_cast<HBITMAP>(SendMessageW(hwnd(), STM_GETIMAGE, IMAGE_BITMAP, 0));
}

LRESULT CBannerView::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == STM_SETIMAGE) {
    // The rotator owns the images; the control only shows them.
    const LRESULT previous = DefaultProc(message, wparam, lparam);
    Show(lparam != 0);
    Invalidate();
    return previous;
  }
  return CTransparentObject::WindowProc(message, wparam, lparam);
}

void CBannerView::DrawContent(HDC dc) {
  const HBITMAP banner = image();
  if (!banner) return;
  const SIZE size = BitmapSize(banner);
  const RECT client = ClientRect();
  BlendBitmap(dc, banner, (client.right - size.cx) / 2, (client.bottom - size.cy) / 2);
}

void CBannerView::Activate(bool) {
  if (!rotator_) return;
  const std::wstring destination = rotator_->CurrentDestination();
  if (!destination.empty() && openAddress) openAddress(BannerClickUrl(destination));
}

}  // namespace qws
