// PNG images as device-independent bitmaps, and their conversion to premultiplied alpha.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/scoped_handle.h"

namespace qws {

// A top-down DIB section of the image's depth: 8 bits with a grey palette, 24, or 32 with
// straight alpha. Empty when the bytes are not a PNG image. Safe on any thread.
ScopedBitmap LoadPngImage(const void* data, size_t size);
// The PNG kept as an RCDATA resource of `module` under `rcdataId`.
ScopedBitmap LoadPngImage(HMODULE module, int rcdataId);

// 32-bit bitmaps only; others are left as they are. Call once, before the first AlphaBlend.
void PremultiplyAlpha(HBITMAP bitmap);

// Width and height of a bitmap; {0, 0} for none.
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace qws
