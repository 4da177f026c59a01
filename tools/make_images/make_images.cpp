// Draws the program's icon and the window artwork, and writes them as PNG and ICO files.
// Usage: make_images <output folder>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgba {
  uint8_t r, g, b, a;
};

struct Image {
  int width, height;
  std::vector<Rgba> pixels;
  Image(int w, int h, Rgba fill = {0, 0, 0, 0}) : width(w), height(h), pixels(w * h, fill) {}
  Rgba& at(int x, int y) { return pixels[y * width + x]; }
};

Rgba Mix(Rgba a, Rgba b, double t) {
  auto lerp = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
  return {lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b), lerp(a.a, b.a)};
}

// Blends `colour` over the pixel with the given coverage (0..1).
void Blend(Image& image, int x, int y, Rgba colour, double coverage) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height || coverage <= 0) return;
  Rgba& p = image.at(x, y);
  const double sa = colour.a / 255.0 * std::min(coverage, 1.0);
  const double da = p.a / 255.0;
  const double oa = sa + da * (1 - sa);
  if (oa <= 0) return;
  auto channel = [&](uint8_t s, uint8_t d) {
    return static_cast<uint8_t>(std::lround((s * sa + d * da * (1 - sa)) / oa));
  };
  p = {channel(colour.r, p.r), channel(colour.g, p.g), channel(colour.b, p.b),
       static_cast<uint8_t>(std::lround(oa * 255))};
}

// Signed distance-like test for a shield whose box is (x0, y0, size): flat top, round bottom point.
bool InShield(double x, double y, double size) {
  const double u = x / size - 0.5, v = y / size;
  if (v < 0.06 || v > 0.96) return false;
  const double halfWidth = v < 0.5 ? 0.42 : 0.42 * std::sqrt(std::max(0.0, 1 - std::pow((v - 0.5) / 0.46, 2)));
  return std::fabs(u) <= halfWidth;
}

// 4x4 supersampled coverage of a predicate.
template <class F>
void Fill(Image& image, int x0, int y0, int w, int h, Rgba colour, F inside) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      Blend(image, x0 + x, y0 + y, colour, hits / 16.0);
    }
}

bool NearSegment(double x, double y, double ax, double ay, double bx, double by, double r) {
  const double dx = bx - ax, dy = by - ay;
  const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  const double px = ax + t * dx - x, py = ay + t * dy - y;
  return px * px + py * py <= r * r;
}

void DrawShield(Image& image, int x0, int y0, int size) {
  const Rgba blue = {0x2E, 0x8D, 0xBD, 255}, dark = {0x18, 0x6C, 0x96, 255};
  Fill(image, x0, y0, size, size, dark, [&](double x, double y) { return InShield(x, y, size); });
  Fill(image, x0, y0, size, size, blue, [&](double x, double y) {
    const double inset = size * 0.08;
    return InShield((x - inset) * size / (size - 2 * inset), (y - inset) * size / (size - 2 * inset), size);
  });
  const double s = size;
  Fill(image, x0, y0, size, size, {255, 255, 255, 255}, [&](double x, double y) {
    return NearSegment(x, y, s * 0.30, s * 0.50, s * 0.45, s * 0.66, s * 0.07) ||
           NearSegment(x, y, s * 0.45, s * 0.66, s * 0.72, s * 0.34, s * 0.07);
  });
}

bool WritePng(const std::string& path, const Image& image) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, reinterpret_cast<png_const_bytep>(&image.pixels[y * image.width]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// An icon file of 32-bit DIB entries, each with its AND mask.
bool WriteIco(const std::string& path, const std::vector<Image>& images) {
  std::vector<std::vector<uint8_t>> entries;
  for (const Image& image : images) {
    std::vector<uint8_t> dib;
    Put32(dib, 40);
    Put32(dib, image.width);
    Put32(dib, image.height * 2);
    Put16(dib, 1);
    Put16(dib, 32);
    for (int i = 0; i < 6; ++i) Put32(dib, 0);
    for (int y = image.height - 1; y >= 0; --y)
      for (int x = 0; x < image.width; ++x) {
        const Rgba& p = image.pixels[y * image.width + x];
        dib.insert(dib.end(), {p.b, p.g, p.r, p.a});
      }
    const int maskStride = ((image.width + 31) / 32) * 4;
    for (int y = image.height - 1; y >= 0; --y) {
      std::vector<uint8_t> row(maskStride, 0);
      for (int x = 0; x < image.width; ++x)
        if (image.pixels[y * image.width + x].a == 0) row[x / 8] |= 0x80 >> (x % 8);
      dib.insert(dib.end(), row.begin(), row.end());
    }
    entries.push_back(std::move(dib));
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(images.size()));
  unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<uint8_t>(images[i].width));
    out.push_back(static_cast<uint8_t>(images[i].height));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<unsigned>(entries[i].size()));
    Put32(out, offset);
    offset += static_cast<unsigned>(entries[i].size());
  }
  for (const auto& entry : entries) out.insert(out.end(), entry.begin(), entry.end());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;

  std::vector<Image> icons;
  for (int size : {16, 32, 48}) {
    Image icon(size, size);
    DrawShield(icon, 0, 0, size);
    icons.push_back(std::move(icon));
  }
  ok &= WriteIco(dir + "/app.ico", icons);

  Image background(600, 560);
  for (int y = 0; y < 560; ++y)
    for (int x = 0; x < 600; ++x)
      background.at(x, y) = y < 60 ? Mix({0xF7, 0xF6, 0xF4, 255}, {0xEC, 0xEA, 0xE6, 255}, y / 60.0)
                                   : Rgba{0xFF, 0xFF, 0xFF, 255};
  ok &= WritePng(dir + "/images/background.png", background);

  Image logo(40, 40);
  DrawShield(logo, 2, 2, 36);
  ok &= WritePng(dir + "/images/logo.png", logo);

  Image footer(480, 20);
  Fill(footer, 0, 9, 480, 2, {0xBF, 0xBC, 0xB7, 255}, [](double, double) { return true; });
  ok &= WritePng(dir + "/images/footer.png", footer);

  const Rgba grey = {0x6A, 0x6A, 0x6A, 255};
  Image close(16, 19);
  Fill(close, 0, 0, 16, 19, grey, [](double x, double y) {
    return NearSegment(x, y, 3, 5, 13, 15, 1.2) || NearSegment(x, y, 13, 5, 3, 15, 1.2);
  });
  ok &= WritePng(dir + "/images/close.png", close);

  Image minimise(26, 19);
  Fill(minimise, 0, 0, 26, 19, grey, [](double x, double y) { return NearSegment(x, y, 8, 14, 18, 14, 1.2); });
  ok &= WritePng(dir + "/images/minimise.png", minimise);

  for (int hover = 0; hover < 2; ++hover) {
    Image help(30, 30);
    const Rgba ring = hover ? Rgba{0x2E, 0x8D, 0xBD, 255} : grey;
    Fill(help, 0, 0, 30, 30, ring, [](double x, double y) {
      const double d = std::hypot(x - 15, y - 15);
      return d <= 13 && d >= 11;
    });
    Fill(help, 0, 0, 30, 30, ring, [](double x, double y) {
      const double d = std::hypot(x - 15, y - 12);
      const bool arc = d <= 5.2 && d >= 3.0 && !(x < 15 && y > 12);
      return arc || NearSegment(x, y, 15, 16, 15, 18, 1.1) || std::hypot(x - 15, y - 22) <= 1.4;
    });
    ok &= WritePng(dir + (hover ? "/images/help_hover.png" : "/images/help.png"), help);
  }

  if (!ok) std::fprintf(stderr, "make_images: could not write every file\n");
  return ok ? 0 : 1;
}
