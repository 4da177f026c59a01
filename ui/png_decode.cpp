#include "ui/png_decode.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace qws {

namespace {

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->offset) png_error(png, "truncated image");
  std::memcpy(out, reader->data + reader->offset, length);
  reader->offset += length;
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Everything that libpng may leave by longjmp lives outside this function's frame, so that no
// destructor is skipped.
struct DecodeState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  MemoryReader reader{};
  DecodedImage image;
  std::vector<png_bytep> rows;
};

bool Decode(DecodeState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_read_fn(s.png, &s.reader, ReadFromMemory);
  png_set_user_limits(s.png, kMaxPngSide, kMaxPngSide);
  png_set_chunk_malloc_max(s.png, 8u << 20);
  png_read_info(s.png, s.info);

  const png_byte colourType = png_get_color_type(s.png, s.info);
  const bool transparency = png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0;
  png_set_strip_16(s.png);
  png_set_packing(s.png);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
  if (colourType == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(s.png);
  if (transparency) png_set_tRNS_to_alpha(s.png);
  // Grey with alpha has no bitmap form of its own: it becomes BGRA.
  if ((colourType & PNG_COLOR_MASK_COLOR) == 0 &&
      ((colourType & PNG_COLOR_MASK_ALPHA) != 0 || transparency)) {
    png_set_gray_to_rgb(s.png);
  }
  png_set_bgr(s.png);
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);

  const png_uint_32 width = png_get_image_width(s.png, s.info);
  const png_uint_32 height = png_get_image_height(s.png, s.info);
  const int channels = png_get_channels(s.png, s.info);
  if (width == 0 || height == 0 || (channels != 1 && channels != 3 && channels != 4)) return false;
  const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(channels);
  if (png_get_rowbytes(s.png, s.info) != rowBytes) return false;
  if (rowBytes * height > kMaxPngPixelBytes) return false;

  s.image.width = static_cast<int>(width);
  s.image.height = static_cast<int>(height);
  s.image.bytesPerPixel = channels;
  s.image.pixels.assign(rowBytes * height, '\0');
  s.rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    s.rows[y] = reinterpret_cast<png_bytep>(s.image.pixels.data() + y * rowBytes);
  png_read_image(s.png, s.rows.data());
  png_read_end(s.png, nullptr);
  return true;
}

}  // namespace

std::optional<DecodedImage> DecodePng(const void* data, size_t size) {
  if (data == nullptr || size < 9) return std::nullopt;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (png_sig_cmp(bytes, 0, 8) != 0) return std::nullopt;

  DecodeState state;
  state.reader = {bytes, size, 0};
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  if (!state.png) return std::nullopt;
  state.info = png_create_info_struct(state.png);
  const bool decoded = state.info && Decode(state);
  png_destroy_read_struct(&state.png, &state.info, nullptr);
  if (!decoded) return std::nullopt;
  return std::move(state.image);
}

}  // namespace qws
