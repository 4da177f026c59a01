// Small owners for device-context work: painting, window DCs, selections, off-screen buffers.
#pragma once

#include <windows.h>

#include "base/scoped_handle.h"

namespace qws {

// BeginPaint / EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

// GetDC / ReleaseDC; the screen's DC for a null window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back. A null object selects nothing.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory DC with a bitmap of its own selected, compatible with `reference`.
class OffscreenSurface {
 public:
  OffscreenSurface(HDC reference, int width, int height)
      : dc_(CreateCompatibleDC(reference)),
        bitmap_(CreateCompatibleBitmap(reference, width > 0 ? width : 1, height > 0 ? height : 1)),
        selection_(dc_.get(), bitmap_.get()) {}
  HDC dc() const { return dc_.get(); }
  HBITMAP bitmap() const { return bitmap_.get(); }

 private:
  ScopedMemoryDc dc_;
  ScopedBitmap bitmap_;
  SelectedObject selection_;
};

// A memory DC showing an existing bitmap (for copying and blending from it).
class BitmapDc {
 public:
  explicit BitmapDc(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)), selection_(dc_.get(), bitmap) {}
  HDC dc() const { return dc_.get(); }

 private:
  ScopedMemoryDc dc_;
  SelectedObject selection_;
};

void FillSolid(HDC dc, const RECT& rect, COLORREF colour);
// Copies a bitmap in its own size to (x, y).
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y);
// Blends a premultiplied 32-bit bitmap (or part of it) at (x, y) with its per-pixel alpha.
void BlendBitmap(HDC dc, HBITMAP bitmap, int x, int y);
void BlendBitmapPart(HDC dc, HBITMAP bitmap, int x, int y, const RECT& source);
SIZE TextSize(HDC dc, HFONT font, const wchar_t* text, int length);

}  // namespace qws
