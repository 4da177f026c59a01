#include "ui/gdi.h"

#include "ui/png_image.h"

namespace qws {

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  const COLORREF old = SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
  if (!bitmap) return;
  const SIZE size = BitmapSize(bitmap);
  BitmapDc source(bitmap);
  BitBlt(dc, x, y, size.cx, size.cy, source.dc(), 0, 0, SRCCOPY);
}

void BlendBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
  const SIZE size = BitmapSize(bitmap);
  BlendBitmapPart(dc, bitmap, x, y, {0, 0, size.cx, size.cy});
}

void BlendBitmapPart(HDC dc, HBITMAP bitmap, int x, int y, const RECT& source) {
  if (!bitmap || source.right <= source.left || source.bottom <= source.top) return;
  BitmapDc image(bitmap);
  const int width = source.right - source.left, height = source.bottom - source.top;
  BITMAP info{};
  GetObjectW(bitmap, sizeof(info), &info);
  if (info.bmBitsPixel == 32) {
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, width, height, image.dc(), source.left, source.top, width, height, blend);
  } else {
    BitBlt(dc, x, y, width, height, image.dc(), source.left, source.top, SRCCOPY);
  }
}

SIZE TextSize(HDC dc, HFONT font, const wchar_t* text, int length) {
  SelectedObject selection(dc, font);
  SIZE size{0, 0};
  if (length > 0) GetTextExtentPoint32W(dc, text, length, &size);
  return size;
}

}  // namespace qws
