// PNG images as DIB sections of their depth, from memory and from the resources, and their
// conversion to premultiplied alpha.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/ui/png_fixture.h"
#include "ui/png_image.h"

namespace qws {
namespace {

DIBSECTION Section(HBITMAP bitmap) {
  DIBSECTION section{};
  GetObjectW(bitmap, sizeof(section), &section);
  return section;
}

const uint8_t* Pixel(const DIBSECTION& s, int x, int y) {
  return static_cast<const uint8_t*>(s.dsBm.bmBits) + static_cast<size_t>(y) * s.dsBm.bmWidthBytes +
         x * (s.dsBm.bmBitsPixel / 8);
}

TEST(LoadPngImage, MakesTopDownSectionsOfTheImagesDepth) {
  struct Case {
    test::PngSpec spec;
    std::string row;
    int bits;
  };
  const Case cases[] = {
      {{3, 2, PNG_COLOR_TYPE_GRAY, 8}, std::string("\x10\x80\xF0", 3), 8},
      {{3, 2, PNG_COLOR_TYPE_RGB, 8}, std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9), 24},
      {{3, 2, PNG_COLOR_TYPE_RGBA, 8}, std::string("\xFF\x00\x00\x80\x00\xFF\x00\xFF\x00\x00\xFF\x00", 12), 32},
  };
  for (const Case& c : cases) {
    // Two rows: the given one on top, zeros below, so that the order shows.
    const std::string png = test::EncodePng(c.spec, {c.row, std::string(c.row.size(), '\0')});
    ScopedBitmap bitmap = LoadPngImage(png.data(), png.size());
    ASSERT_TRUE(bitmap) << c.bits;
    const DIBSECTION s = Section(bitmap.get());
    EXPECT_EQ(s.dsBm.bmBitsPixel, c.bits);
    EXPECT_EQ(s.dsBm.bmWidth, 3);
    EXPECT_EQ(BitmapSize(bitmap.get()).cy, 2);
    if (c.bits == 8) {
      EXPECT_EQ(*Pixel(s, 1, 0), 0x80);
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, bitmap.get());
      RGBQUAD palette[256]{};
      EXPECT_EQ(GetDIBColorTable(dc, 0, 256, palette), 256u);
      EXPECT_EQ(palette[0x80].rgbRed, 0x80);
      EXPECT_EQ(palette[0x80].rgbBlue, 0x80);
      SelectObject(dc, old);
      DeleteDC(dc);
    } else if (c.bits == 24) {
      EXPECT_EQ(Pixel(s, 0, 0)[0], 3) << "blue first";
      EXPECT_EQ(Pixel(s, 0, 0)[2], 1);
      EXPECT_EQ(Pixel(s, 0, 1)[2], 0);
    } else {
      // Straight alpha until premultiplied: red 255 at alpha 128 becomes red 128.
      EXPECT_EQ(Pixel(s, 0, 0)[2], 255);
      PremultiplyAlpha(bitmap.get());
      EXPECT_EQ(Pixel(s, 0, 0)[2], 128);
      EXPECT_EQ(Pixel(s, 0, 0)[3], 128);
      EXPECT_EQ(Pixel(s, 1, 0)[1], 255) << "opaque green stays";
      EXPECT_EQ(Pixel(s, 2, 0)[0], 0) << "transparent blue becomes black";
    }
  }
  EXPECT_FALSE(LoadPngImage("\x89PNG\r\n\x1a\n", 8));
  EXPECT_FALSE(LoadPngImage("not an image at all", 19));
}

TEST(LoadPngImage, ReadsTheResourcesAndLeavesOtherDepthsAlone) {
  ScopedBitmap strip = LoadPngImage(GetModuleHandleW(nullptr), IDR_CHECK_BOX_STRIP_PNG);
  ASSERT_TRUE(strip);
  EXPECT_EQ(BitmapSize(strip.get()).cx, 96) << "eight cells of 12 pixels";
  EXPECT_EQ(BitmapSize(strip.get()).cy, 12);
  EXPECT_EQ(BitmapSize(LoadPngImage(GetModuleHandleW(nullptr), IDR_RADIO_STRIP_PNG).get()).cx, 72);
  PremultiplyAlpha(strip.get());
  const DIBSECTION s = Section(strip.get());
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 96; ++x)
      for (int c = 0; c < 3; ++c) ASSERT_LE(Pixel(s, x, y)[c], Pixel(s, x, y)[3]) << x << "," << y;
  EXPECT_FALSE(LoadPngImage(GetModuleHandleW(nullptr), 4999));

  const std::string rgb = test::EncodePng({1, 1, PNG_COLOR_TYPE_RGB, 8}, {std::string("\x10\x20\x30", 3)});
  ScopedBitmap opaque = LoadPngImage(rgb.data(), rgb.size());
  PremultiplyAlpha(opaque.get());
  EXPECT_EQ(Pixel(Section(opaque.get()), 0, 0)[0], 0x30) << "24-bit images are left as they are";
  PremultiplyAlpha(nullptr);
}

// The pages, controls and the main window draw each image at its own size in a place of fixed
// size: the rendered artwork must fit its place exactly. Images drawn over others keep their
// alpha channel; backgrounds (copied as they are) and the hairline are opaque.
TEST(LoadPngImage, EveryImageOfTheProgramHasTheSizeOfItsPlace) {
  struct Place {
    int id, width, height;
    bool opaque;
  };
  const Place places[] = {
      {IDR_BACKGROUND_PNG, 600, 560, true},         {IDR_CLOSE_BUTTON_PNG, 3 * 16, 19, false},
      {IDR_MINIMIZE_BUTTON_PNG, 3 * 26, 19, false}, {IDR_LOGO_PNG, 210, 30, false},
      {IDR_FOOTER_PNG, 480, 20, false},             {IDR_PAGE_BACKGROUND_PNG, 598, 450, true},
      {IDR_TERMS_ICON_PNG, 30, 30, false},          {IDR_SETTINGS_ICON_PNG, 30, 30, false},
      {IDR_SHIELD_PNG, 16, 16, false},              {IDR_CHECK_BOX_STRIP_PNG, 8 * 12, 12, false},
      {IDR_RADIO_STRIP_PNG, 6 * 12, 12, false},     {IDR_INFO_ICON_PNG, 16, 16, false},
      {IDR_SEPARATOR_PNG, 540, 1, true},            {IDR_THREAT_ICON_PNG, 30, 30, false},
      {IDR_CLEAN_ICON_PNG, 30, 30, false},          {IDR_HELP_BUTTON_PNG, 30, 30, false},
      {IDR_HELP_BUTTON_HOVER_PNG, 30, 30, false},   {IDR_SETTINGS_BACKGROUND_PNG, 598, 450, true},
      {IDR_FINAL_BACKGROUND_PNG, 598, 498, true},  {IDR_UPDATE_ICON_PNG, 30, 30, false},
      {IDR_SCAN_ICON_PNG, 30, 30, false},           {IDR_QUARANTINE_ICON_PNG, 30, 30, false},
  };
  for (const Place& place : places) {
    ScopedBitmap image = LoadPngImage(GetModuleHandleW(nullptr), place.id);
    ASSERT_TRUE(image) << place.id;
    const DIBSECTION s = Section(image.get());
    EXPECT_EQ(s.dsBm.bmWidth, place.width) << place.id;
    EXPECT_EQ(BitmapSize(image.get()).cy, place.height) << place.id;
    if (!place.opaque) {
      EXPECT_EQ(s.dsBm.bmBitsPixel, 32) << place.id;
      continue;
    }
    if (s.dsBm.bmBitsPixel != 32) continue;
    int translucent = 0;
    for (int y = 0; y < place.height; ++y)
      for (int x = 0; x < place.width; ++x) translucent += Pixel(s, x, y)[3] != 255;
    EXPECT_EQ(translucent, 0) << place.id;
  }
  // The icon resources hold the small sizes that windows and trees ask for.
  for (int id : {IDI_APPLICATION_ICON, IDI_MEMORY_ICON, IDI_AUTOSTART_ICON}) {
    for (int size : {16, 32}) {
      ScopedIcon icon(static_cast<HICON>(
          LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
      ASSERT_TRUE(icon) << id << " at " << size;
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon.get(), &info));
      ScopedBitmap colour(info.hbmColor), mask(info.hbmMask);
      EXPECT_EQ(BitmapSize(colour.get()).cx, size) << id;
    }
  }
}

}  // namespace
}  // namespace qws
