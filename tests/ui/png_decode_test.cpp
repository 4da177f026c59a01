// PNG decoding to rows, on images written here with libpng in each colour type, and on damage.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "ui/alpha.h"
#include "ui/png_decode.h"

namespace qws {
namespace {

struct PngSpec {
  int width, height, colourType, bitDepth;
  bool interlaced = false;
  std::vector<png_color> palette = {};
  std::vector<png_byte> paletteAlpha = {};
};

void Append(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

// Encodes rows given as packed bytes of the spec's format.
std::string EncodePng(const PngSpec& spec, const std::vector<std::string>& rows) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, Append, nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colourType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty())
    png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
  if (!spec.paletteAlpha.empty())
    png_set_tRNS(png, info, spec.paletteAlpha.data(), static_cast<int>(spec.paletteAlpha.size()),
                 nullptr);
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass)
    for (const std::string& row : rows)
      png_write_row(png, reinterpret_cast<png_const_bytep>(row.data()));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

struct DecodeCase {
  const char* name;
  PngSpec spec;
  std::vector<std::string> rows;
  int bytesPerPixel;
  std::string pixels;  // expected, rows concatenated
};

TEST(DecodePng, EveryColourTypeBecomesGreyBgrOrBgra) {
  const std::vector<DecodeCase> cases = {
      {"grey 8", {2, 1, PNG_COLOR_TYPE_GRAY, 8}, {Bytes({0x10, 0xF0})}, 1, Bytes({0x10, 0xF0})},
      {"grey 1 bit", {3, 1, PNG_COLOR_TYPE_GRAY, 1}, {Bytes({0xA0})}, 1, Bytes({255, 0, 255})},
      {"rgb", {2, 1, PNG_COLOR_TYPE_RGB, 8}, {Bytes({1, 2, 3, 4, 5, 6})}, 3,
       Bytes({3, 2, 1, 6, 5, 4})},
      {"rgba", {1, 2, PNG_COLOR_TYPE_RGBA, 8}, {Bytes({1, 2, 3, 128}), Bytes({9, 8, 7, 0})}, 4,
       Bytes({3, 2, 1, 128, 7, 8, 9, 0})},
      {"rgba 16 bit", {1, 1, PNG_COLOR_TYPE_RGBA, 16}, {Bytes({0x12, 0, 0x34, 0, 0x56, 0, 0xFF, 0xFF})},
       4, Bytes({0x56, 0x34, 0x12, 0xFF})},
      {"grey alpha", {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8}, {Bytes({0x40, 0x80})}, 4,
       Bytes({0x40, 0x40, 0x40, 0x80})},
      {"palette with transparency",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {{10, 20, 30}, {40, 50, 60}}, {0x33}},
       {Bytes({0, 1})}, 4, Bytes({30, 20, 10, 0x33, 60, 50, 40, 0xFF})},
      {"palette 4 bit opaque", {2, 1, PNG_COLOR_TYPE_PALETTE, 4, false, {{10, 20, 30}, {40, 50, 60}}},
       {Bytes({0x10})}, 3, Bytes({60, 50, 40, 30, 20, 10})},
      {"interlaced", {3, 3, PNG_COLOR_TYPE_GRAY, 8, true},
       {Bytes({1, 2, 3}), Bytes({4, 5, 6}), Bytes({7, 8, 9})}, 1, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9})},
  };
  for (const DecodeCase& c : cases) {
    const std::string png = EncodePng(c.spec, c.rows);
    ASSERT_FALSE(png.empty()) << c.name;
    const auto image = DecodePng(png.data(), png.size());
    ASSERT_TRUE(image) << c.name;
    EXPECT_EQ(image->width, c.spec.width) << c.name;
    EXPECT_EQ(image->height, c.spec.height) << c.name;
    EXPECT_EQ(image->bytesPerPixel, c.bytesPerPixel) << c.name;
    EXPECT_EQ(image->pixels, c.pixels) << c.name;
  }
}

TEST(DecodePng, DamagedOrForeignBytesGiveNoImage) {
  std::vector<std::string> rows(16, std::string(16 * 4, '\x7f'));
  const std::string good = EncodePng({16, 16, PNG_COLOR_TYPE_RGBA, 8}, rows);
  ASSERT_TRUE(DecodePng(good.data(), good.size()));

  EXPECT_FALSE(DecodePng(nullptr, 100));
  EXPECT_FALSE(DecodePng(good.data(), 8)) << "fewer than 9 bytes";
  EXPECT_FALSE(DecodePng("GIF89a........", 14));
  for (size_t cut : {size_t{9}, size_t{33}, good.size() / 2, good.size() - 13})
    EXPECT_FALSE(DecodePng(good.data(), cut)) << "cut at " << cut;

  std::string badCrc = good;
  badCrc[29] ^= 0x55;  // inside the IHDR chunk's CRC
  EXPECT_FALSE(DecodePng(badCrc.data(), badCrc.size()));
}

TEST(DecodePng, RefusesImagesBeyondTheLimits) {
  // An IHDR that claims 100000 by 100000 pixels, with a correct CRC: refused before any
  // allocation of that size.
  std::vector<std::string> rows(1, std::string(4, '\0'));
  std::string png = EncodePng({1, 1, PNG_COLOR_TYPE_RGBA, 8}, rows);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<char>(v >> (24 - 8 * i));
  };
  put32(16, 100000);
  put32(20, 100000);
  put32(29, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)));
  EXPECT_FALSE(DecodePng(png.data(), png.size()));

  std::vector<std::string> wide(1, std::string((kMaxPngSide + 1), '\0'));
  const std::string tooWide = EncodePng({kMaxPngSide + 1, 1, PNG_COLOR_TYPE_GRAY, 8}, wide);
  EXPECT_FALSE(DecodePng(tooWide.data(), tooWide.size()));
}

TEST(PremultiplyPixels, ScalesColourByAlphaWithIntegerDivision) {
  std::string pixels = Bytes({255, 255, 255, 128,  // alpha 128 and blue 255 become blue 128
                              200, 100, 7, 0,      // transparent: black
                              12, 34, 56, 255,     // opaque: unchanged
                              255, 1, 254, 1});
  PremultiplyPixels(reinterpret_cast<uint8_t*>(pixels.data()), 4);
  EXPECT_EQ(pixels, Bytes({128, 128, 128, 128, 0, 0, 0, 0, 12, 34, 56, 255, 1, 0, 0, 1}));
}

}  // namespace
}  // namespace qws
