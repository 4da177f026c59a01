#include "ui/check_image.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

#include "ui/gdi.h"

namespace qws {

namespace {

struct ThemeTraits {
  using Handle = HTHEME;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { CloseThemeData(h); }
};
using ScopedTheme = GenericScopedHandle<ThemeTraits>;

UINT ClassicState(int state) {
  const int kind = state / 4, look = state % 4;
  UINT flags = DFCS_BUTTONCHECK;
  if (kind == 1) flags |= DFCS_CHECKED;
  if (kind == 2) flags = DFCS_BUTTON3STATE | DFCS_CHECKED;
  if (look == 1) flags |= DFCS_HOT;
  if (look == 2) flags |= DFCS_PUSHED;
  if (look == 3) flags |= DFCS_INACTIVE;
  return flags;
}

}  // namespace

ScopedBitmap MakeCheckImage(HWND window, int state, SIZE size, CheckDrawing drawing) {
  if (state < 0 || state > 11 || size.cx <= 0 || size.cy <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return {};
  BitmapDc dc(bitmap.get());
  RECT whole = {0, 0, size.cx, size.cy};
  FillSolid(dc.dc(), whole, GetSysColor(COLOR_WINDOW));

  ScopedTheme theme(drawing == CheckDrawing::VisualStyle && IsThemeActive()
                        ? OpenThemeData(window, L"BUTTON")
                        : nullptr);
  if (theme) {
    SIZE part{13, 13};
    GetThemePartSize(theme.get(), dc.dc(), BP_CHECKBOX, state + 1, nullptr, TS_TRUE, &part);
    const int w = std::min<int>(part.cx, size.cx), h = std::min<int>(part.cy, size.cy);
    RECT box = {(size.cx - w) / 2, (size.cy - h) / 2, 0, 0};
    box.right = box.left + w;
    box.bottom = box.top + h;
    DrawThemeBackground(theme.get(), dc.dc(), BP_CHECKBOX, state + 1, &box, nullptr);
  } else {
    const int side = std::min<int>({size.cx, size.cy, 13});
    RECT box = {(size.cx - side) / 2, (size.cy - side) / 2, 0, 0};
    box.right = box.left + side;
    box.bottom = box.top + side;
    DrawFrameControl(dc.dc(), &box, DFC_BUTTON, ClassicState(state));
  }
  GdiFlush();
  return bitmap;
}

ScopedBitmap MakeCheckImage(HWND window, int state, SIZE size) {
  return MakeCheckImage(window, state, size, CheckDrawing::VisualStyle);
}

}  // namespace qws
