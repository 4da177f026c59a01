// PNG images written with libpng for the tests of the decoder and the bitmap loader.
#pragma once

#include <png.h>

#include <string>
#include <vector>

namespace qws::test {

struct PngSpec {
  int width, height, colourType, bitDepth;
  bool interlaced = false;
  std::vector<png_color> palette = {};
  std::vector<png_byte> paletteAlpha = {};
};

inline void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

// Encodes rows given as packed bytes in the colour type and depth that `spec` describes.
inline std::string EncodePng(const PngSpec& spec, const std::vector<std::string>& rows) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendPngBytes, nullptr);
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

}  // namespace qws::test
