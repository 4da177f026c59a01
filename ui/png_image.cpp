#include "ui/png_image.h"

#include <cstring>
#include <vector>

#include "base/resource_bytes.h"
#include "ui/alpha.h"
#include "ui/png_decode.h"

namespace qws {

namespace {

struct BitmapInfoWithPalette {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

}  // namespace

ScopedBitmap LoadPngImage(const void* data, size_t size) {
  const std::optional<DecodedImage> image = DecodePng(data, size);
  if (!image) return {};

  BitmapInfoWithPalette info{};
  info.header.biSize = sizeof(info.header);
  info.header.biWidth = image->width;
  info.header.biHeight = -image->height;  // top-down, like the decoded rows
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(image->bytesPerPixel * 8);
  info.header.biCompression = BI_RGB;
  if (image->bytesPerPixel == 1) {
    info.header.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) {
      const BYTE level = static_cast<BYTE>(i);
      info.colours[i] = {level, level, level, 0};
    }
  }
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                       DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return {};

  const size_t rowBytes = static_cast<size_t>(image->width) * image->bytesPerPixel;
  const size_t stride = (rowBytes + 3) & ~size_t{3};
  for (int y = 0; y < image->height; ++y) {
    std::memcpy(static_cast<char*>(bits) + y * stride, image->pixels.data() + y * rowBytes,
                rowBytes);
  }
  GdiFlush();
  return bitmap;
}

ScopedBitmap LoadPngImage(HMODULE module, int rcdataId) {
  const std::string_view bytes = RcdataBytes(module, rcdataId);
  if (bytes.empty()) return {};
  return LoadPngImage(bytes.data(), bytes.size());
}

void PremultiplyAlpha(HBITMAP bitmap) {
  DIBSECTION section{};
  const int got = bitmap ? GetObjectW(bitmap, sizeof(section), &section) : 0;
  if (got == 0 || section.dsBm.bmBitsPixel != 32) return;
  const int width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
  if (got == sizeof(DIBSECTION) && section.dsBm.bmBits) {
    GdiFlush();
    auto* rows = static_cast<uint8_t*>(section.dsBm.bmBits);
    for (int y = 0; y < height; ++y)
      PremultiplyPixels(rows + static_cast<size_t>(y) * section.dsBm.bmWidthBytes, width);
    return;
  }
  // A device-dependent bitmap: through a 32-bit copy of its bits.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  HDC screen = GetDC(nullptr);
  if (GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) == height) {
    PremultiplyPixels(pixels.data(), static_cast<size_t>(width) * height);
    SetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  }
  ReleaseDC(nullptr, screen);
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || GetObjectW(bitmap, sizeof(info), &info) == 0) return {0, 0};
  return {info.bmWidth, std::abs(info.bmHeight)};
}

}  // namespace qws
