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

// Palette of the pages (the accent blue of the button schemes, the title grey, the states).
constexpr Rgba kAccent = {0x44, 0xA7, 0xD8, 255};
constexpr Rgba kAccentDark = {0x18, 0x6C, 0x96, 255};
constexpr Rgba kTitle = {0x41, 0x4E, 0x56, 255};
constexpr Rgba kThreat = {0xE0, 0x42, 0x39, 255};
constexpr Rgba kClean = {0x77, 0xBB, 0x1A, 255};
constexpr Rgba kWhite = {255, 255, 255, 255};
constexpr Rgba kFrameGrey = {0x8C, 0x8C, 0x8C, 255};
constexpr Rgba kDisabledGrey = {0xC8, 0xC8, 0xC8, 255};

bool InRoundedBox(double x, double y, double x0, double y0, double x1, double y1, double r) {
  const double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
  return std::hypot(x - cx, y - cy) <= r && x >= x0 && x <= x1 && y >= y0 && y <= y1;
}

// A page background: white with a faint cool band at the top and a hairline at the bottom.
Image PageBackground(int width, int height, int bandTop = -1, int bandBottom = -1) {
  Image image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Rgba p = y < 48 ? Mix({0xF4, 0xF7, 0xFA, 255}, kWhite, y / 48.0) : kWhite;
      if (y >= bandTop && y < bandBottom) {
        // The highlighted band behind the radios, fading out at both ends.
        const double edge = std::min({1.0, (x - 40) / 30.0, (width - 20 - x) / 30.0});
        p = Mix(p, {0xFF, 0xF1, 0xC9, 255}, std::max(0.0, edge));
      }
      image.at(x, y) = p;
    }
  return image;
}

// A round badge of a colour with a white mark drawn by `mark`.
template <class F>
Image Badge(int size, Rgba colour, F mark) {
  Image image(size, size);
  const double c = size / 2.0;
  Fill(image, 0, 0, size, size, colour, [&](double x, double y) { return std::hypot(x - c, y - c) <= c - 0.5; });
  Fill(image, 0, 0, size, size, kWhite, [&](double x, double y) { return mark(x / size, y / size); });
  return image;
}

// One 12 by 12 cell of the check box or radio strip.
void DrawGlyphCell(Image& strip, int cell, bool radio, bool checked, Rgba frame, Rgba fill, Rgba mark) {
  const int x0 = cell * 12;
  Fill(strip, x0, 0, 12, 12, frame, [&](double x, double y) {
    return radio ? std::hypot(x - 6, y - 6) <= 5.9 : InRoundedBox(x, y, 0.2, 0.2, 11.8, 11.8, 1.6);
  });
  Fill(strip, x0, 0, 12, 12, fill, [&](double x, double y) {
    return radio ? std::hypot(x - 6, y - 6) <= 4.8 : InRoundedBox(x, y, 1.3, 1.3, 10.7, 10.7, 1.0);
  });
  if (!checked) return;
  Fill(strip, x0, 0, 12, 12, mark, [&](double x, double y) {
    if (radio) return std::hypot(x - 6, y - 6) <= 2.6;
    return NearSegment(x, y, 2.8, 6.2, 5.0, 8.6, 1.0) || NearSegment(x, y, 5.0, 8.6, 9.4, 3.4, 1.0);
  });
}

// Three frames side by side (normal, pressed, hover) of a window button glyph.
template <class F>
Image ButtonFrames(int width, int height, F glyph) {
  Image image(width * 3, height);
  const Rgba colours[3] = {{0x6A, 0x6A, 0x6A, 255}, {0x2E, 0x2E, 0x2E, 255}, kAccentDark};
  for (int frame = 0; frame < 3; ++frame) {
    if (frame == 2)
      Fill(image, frame * width, 0, width, height, {0x44, 0xA7, 0xD8, 40},
           [&](double x, double y) { return InRoundedBox(x, y, 0, 0, width, height, 3); });
    Fill(image, frame * width, 0, width, height, colours[frame],
         [&](double x, double y) { return glyph(x, y); });
  }
  return image;
}

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
      background.at(x, y) = y < 60 ? Mix({0xF7, 0xF8, 0xFA, 255}, {0xEA, 0xEE, 0xF2, 255}, y / 60.0)
                                   : Rgba{0xFF, 0xFF, 0xFF, 255};
  ok &= WritePng(dir + "/images/background.png", background);

  // The logo: the shield and a word mark of blocks standing for the name's two parts.
  Image logo(170, 28);
  DrawShield(logo, 0, 0, 28);
  Fill(logo, 0, 0, 170, 28, kTitle, [](double x, double y) { return InRoundedBox(x, y, 36, 9, 98, 19, 2); });
  Fill(logo, 0, 0, 170, 28, kAccent, [](double x, double y) { return InRoundedBox(x, y, 104, 9, 168, 19, 2); });
  ok &= WritePng(dir + "/images/logo.png", logo);

  Image footer(480, 20);
  Fill(footer, 0, 9, 480, 1, {0xDF, 0xDD, 0xDB, 255}, [](double, double) { return true; });
  Fill(footer, 0, 0, 480, 20, {0xBF, 0xBC, 0xB7, 255}, [](double x, double y) {
    return std::hypot(x - 240, y - 15) <= 2.2 || std::hypot(x - 230, y - 15) <= 1.6 || std::hypot(x - 250, y - 15) <= 1.6;
  });
  ok &= WritePng(dir + "/images/footer.png", footer);

  ok &= WritePng(dir + "/images/close.png", ButtonFrames(16, 19, [](double x, double y) {
    return NearSegment(x, y, 4, 6, 12, 14, 1.1) || NearSegment(x, y, 12, 6, 4, 14, 1.1);
  }));
  ok &= WritePng(dir + "/images/minimise.png", ButtonFrames(26, 19, [](double x, double y) {
    return NearSegment(x, y, 8, 13, 18, 13, 1.1);
  }));

  ok &= WritePng(dir + "/images/page_background.png", PageBackground(598, 450));
  ok &= WritePng(dir + "/images/settings_background.png", PageBackground(598, 450, 94, 146));
  ok &= WritePng(dir + "/images/final_background.png", PageBackground(598, 498));

  // Page icons, 30 by 30: terms (a page of lines), settings (sliders), threat, clean.
  ok &= WritePng(dir + "/images/terms_icon.png", Badge(30, kAccent, [](double x, double y) {
    const bool sheet = InRoundedBox(x, y, 0.30, 0.22, 0.70, 0.78, 0.04) &&
                       !InRoundedBox(x, y, 0.35, 0.27, 0.65, 0.73, 0.02);
    const bool lines = x > 0.40 && x < 0.60 &&
                       (std::fabs(y - 0.38) < 0.025 || std::fabs(y - 0.50) < 0.025 || std::fabs(y - 0.62) < 0.025);
    return sheet || lines;
  }));
  ok &= WritePng(dir + "/images/settings_icon.png", Badge(30, kAccent, [](double x, double y) {
    const double rows[3] = {0.33, 0.50, 0.67}, knobs[3] = {0.40, 0.60, 0.46};
    for (int i = 0; i < 3; ++i)
      if (NearSegment(x, y, 0.28, rows[i], 0.72, rows[i], 0.022) || std::hypot(x - knobs[i], y - rows[i]) < 0.065)
        return true;
    return false;
  }));
  ok &= WritePng(dir + "/images/threat_icon.png", Badge(30, kThreat, [](double x, double y) {
    return NearSegment(x, y, 0.5, 0.26, 0.5, 0.58, 0.065) || std::hypot(x - 0.5, y - 0.73) < 0.07;
  }));
  ok &= WritePng(dir + "/images/clean_icon.png", Badge(30, kClean, [](double x, double y) {
    return NearSegment(x, y, 0.28, 0.52, 0.44, 0.68, 0.06) || NearSegment(x, y, 0.44, 0.68, 0.73, 0.35, 0.06);
  }));
  ok &= WritePng(dir + "/images/info.png", Badge(16, kAccent, [](double x, double y) {
    return NearSegment(x, y, 0.5, 0.45, 0.5, 0.76, 0.08) || std::hypot(x - 0.5, y - 0.27) < 0.09;
  }));

  // The elevation shield on a button: white outline on the accent face.
  Image shield(16, 16);
  Fill(shield, 0, 0, 16, 16, kWhite, [](double x, double y) { return InShield(x, y, 16); });
  Fill(shield, 0, 0, 16, 16, {0xF2, 0xB8, 0x2E, 255}, [](double x, double y) {
    return InShield((x - 1.5) * 16 / 13, (y - 1.5) * 16 / 13, 16) && x < 8;
  });
  Fill(shield, 0, 0, 16, 16, {0x2E, 0x6C, 0xBD, 255}, [](double x, double y) {
    return InShield((x - 1.5) * 16 / 13, (y - 1.5) * 16 / 13, 16) && x >= 8;
  });
  ok &= WritePng(dir + "/images/shield.png", shield);

  // Check box strip, eight cells: unchecked, checked, both hovered, warning, warning hovered,
  // disabled unchecked and checked. Radio strip, six cells: the first six of the same.
  const Rgba warnFill = {0xFF, 0xEE, 0xEC, 255};
  for (int radio = 0; radio < 2; ++radio) {
    const int cells = radio ? 6 : 8;
    Image strip(cells * 12, 12);
    DrawGlyphCell(strip, 0, radio, false, kFrameGrey, kWhite, kAccentDark);
    DrawGlyphCell(strip, 1, radio, true, kFrameGrey, kWhite, kAccentDark);
    DrawGlyphCell(strip, 2, radio, false, kAccent, {0xEE, 0xF6, 0xFB, 255}, kAccentDark);
    DrawGlyphCell(strip, 3, radio, true, kAccent, {0xEE, 0xF6, 0xFB, 255}, kAccentDark);
    DrawGlyphCell(strip, 4, radio, false, kThreat, warnFill, kThreat);
    DrawGlyphCell(strip, 5, radio, false, kThreat, {0xFF, 0xDD, 0xD9, 255}, kThreat);
    if (!radio) {
      DrawGlyphCell(strip, 6, false, false, kDisabledGrey, {0xF4, 0xF4, 0xF4, 255}, kDisabledGrey);
      DrawGlyphCell(strip, 7, false, true, kDisabledGrey, {0xF4, 0xF4, 0xF4, 255}, kDisabledGrey);
    }
    ok &= WritePng(dir + (radio ? "/images/radio_strip.png" : "/images/check_box_strip.png"), strip);
  }

  Image separator(540, 1);
  for (int x = 0; x < 540; ++x) {
    const double fade = std::min(1.0, (540 - x) / 120.0);
    separator.at(x, 0) = {0xD6, 0xD9, 0xDC, static_cast<uint8_t>(std::lround(255 * fade))};
  }
  ok &= WritePng(dir + "/images/separator.png", separator);

  for (int hover = 0; hover < 2; ++hover) {
    Image help(30, 30);
    const Rgba ring = hover ? kAccent : Rgba{0x9A, 0xA3, 0xAA, 255};
    Fill(help, 0, 0, 30, 30, ring, [](double x, double y) {
      const double d = std::hypot(x - 15, y - 15);
      return d <= 12 && d >= 10.4;
    });
    Fill(help, 0, 0, 30, 30, ring, [](double x, double y) {
      const double d = std::hypot(x - 15, y - 12.5);
      const bool arc = d <= 4.6 && d >= 3.0 && !(x < 15 && y > 12.5);
      return arc || NearSegment(x, y, 15, 16.5, 15, 18, 0.9) || std::hypot(x - 15, y - 21) <= 1.2;
    });
    ok &= WritePng(dir + (hover ? "/images/help_hover.png" : "/images/help.png"), help);
  }

  // Tree icons of the target selection: operating memory (a chip) and autostart (a play mark).
  for (int kind = 0; kind < 2; ++kind) {
    std::vector<Image> sizes;
    for (int size : {16, 32}) {
      Image icon(size, size);
      const double s = size;
      if (kind == 0) {
        Fill(icon, 0, 0, size, size, kAccentDark, [&](double x, double y) {
          const bool body = InRoundedBox(x, y, s * 0.22, s * 0.22, s * 0.78, s * 0.78, s * 0.06);
          const bool pin = (std::fmod(x / s * 10, 2.0) < 0.9) && x > s * 0.28 && x < s * 0.74 &&
                           (y < s * 0.22 || y > s * 0.78) && y > s * 0.06 && y < s * 0.94;
          return body || pin;
        });
        Fill(icon, 0, 0, size, size, kAccent, [&](double x, double y) {
          return InRoundedBox(x, y, s * 0.34, s * 0.34, s * 0.66, s * 0.66, s * 0.03);
        });
      } else {
        Fill(icon, 0, 0, size, size, kClean, [&](double x, double y) { return std::hypot(x - s / 2, y - s / 2) <= s * 0.46; });
        Fill(icon, 0, 0, size, size, kWhite, [&](double x, double y) {
          const double u = x / s, v = y / s;
          return u > 0.38 && u < 0.72 && std::fabs(v - 0.5) < (0.72 - u) * 0.75;
        });
      }
      sizes.push_back(std::move(icon));
    }
    ok &= WriteIco(dir + (kind == 0 ? "/images/memory.ico" : "/images/autostart.ico"), sizes);
  }

  if (!ok) std::fprintf(stderr, "make_images: could not write every file\n");
  return ok ? 0 : 1;
}
