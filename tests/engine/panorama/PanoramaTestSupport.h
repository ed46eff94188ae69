// Shared pieces of the panorama tests: maps made from RGB pixels at 15, 16
// and 32 bits, frames rendered into RGB, PSNR, PPM reading and the synthetic
// panorama ImageMagick draws.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "engine/panorama/PanoramaRenderer.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace panotest {

inline constexpr double kPi = std::numbers::pi;
inline constexpr float kTwoPiF = 2 * std::numbers::pi_v<float>;

struct Rgb {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // R, G, B per pixel, rows top down
  const uint8_t* At(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
};

// A binary PPM (P6, maximum 255); empty on anything else.
inline Rgb ReadPpm(const std::string& path) {
  Rgb rgb;
  const std::string bytes = testsupport::ReadBytes(path);
  std::istringstream in(bytes);
  std::string magic;
  int maximum = 0;
  in >> magic >> rgb.width >> rgb.height >> maximum;
  if (magic != "P6" || maximum != 255 || rgb.width <= 0 || rgb.height <= 0) return Rgb();
  in.get();
  const size_t offset = static_cast<size_t>(in.tellg());
  const size_t size = static_cast<size_t>(rgb.width) * rgb.height * 3;
  if (bytes.size() < offset + size) return Rgb();
  rgb.pixels.assign(bytes.begin() + static_cast<ptrdiff_t>(offset), bytes.begin() + static_cast<ptrdiff_t>(offset + size));
  return rgb;
}

inline uint16_t Pack565(const uint8_t* c) {
  return static_cast<uint16_t>(((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3));
}
inline uint16_t Pack555(const uint8_t* c) {
  return static_cast<uint16_t>(((c[0] >> 3) << 10) | ((c[1] >> 3) << 5) | (c[2] >> 3));
}
// Bytes blue, green, red, unused (the 32-bit layout of the engine's maps).
inline uint32_t Pack32(const uint8_t* c) { return uint32_t{c[2]} | (uint32_t{c[1]} << 8) | (uint32_t{c[0]} << 16); }

// A map of the picture (its rows the composed rows, one spare row repeating
// the last) at a depth.
struct Map {
  std::vector<uint8_t> bytes;
  PanoramaRaster raster;
};

inline Map MakeMap(const Rgb& picture, int depth) {
  Map m;
  const int bpp = depth == 32 ? 4 : 2;
  m.bytes.assign(static_cast<size_t>(picture.width) * bpp * (picture.height + 1), 0);
  for (int y = 0; y <= picture.height; ++y) {
    const int sy = y < picture.height ? y : picture.height - 1;
    for (int x = 0; x < picture.width; ++x) {
      uint8_t* at = &m.bytes[(static_cast<size_t>(y) * picture.width + x) * bpp];
      const uint8_t* c = picture.At(x, sy);
      if (depth == 32) {
        const uint32_t v = Pack32(c);
        std::memcpy(at, &v, 4);
      } else {
        const uint16_t v = depth == 15 ? Pack555(c) : Pack565(c);
        std::memcpy(at, &v, 2);
      }
    }
  }
  m.raster.pixels = m.bytes.data();
  m.raster.rowBytes = picture.width * bpp;
  m.raster.width = picture.width;
  m.raster.height = picture.height + 1;
  m.raster.depth = depth;
  return m;
}

// A frame buffer and its raster.
struct Frame {
  int width = 0;
  int height = 0;
  int depth = 16;
  std::vector<uint8_t> bytes;
  PanoramaRaster raster;
  Frame(int w, int h, int d) : width(w), height(h), depth(d) {
    const int bpp = d == 32 ? 4 : 2;
    bytes.assign(static_cast<size_t>(w) * h * bpp, 0xA5);
    raster.pixels = bytes.data();
    raster.rowBytes = w * bpp;
    raster.width = w;
    raster.height = h;
    raster.depth = d;
  }
  uint32_t Pixel(int x, int y) const {
    if (depth == 32) {
      uint32_t v;
      std::memcpy(&v, &bytes[(static_cast<size_t>(y) * width + x) * 4], 4);
      return v;
    }
    uint16_t v;
    std::memcpy(&v, &bytes[(static_cast<size_t>(y) * width + x) * 2], 2);
    return v;
  }
  // The frame as 8-bit RGB (5- and 6-bit components widened by repeating their top bits).
  Rgb ToRgb() const {
    Rgb rgb;
    rgb.width = width;
    rgb.height = height;
    rgb.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t v = Pixel(x, y);
        uint8_t* o = &rgb.pixels[(static_cast<size_t>(y) * width + x) * 3];
        if (depth == 32) {
          o[0] = static_cast<uint8_t>(v >> 16);
          o[1] = static_cast<uint8_t>(v >> 8);
          o[2] = static_cast<uint8_t>(v);
        } else if (depth == 16) {
          const uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
          o[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
          o[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
          o[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        } else {
          const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
          o[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
          o[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
          o[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        }
      }
    }
    return rgb;
  }
};

inline double Psnr(const Rgb& a, const Rgb& b) {
  if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return 0.0;
  double sum = 0.0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = static_cast<double>(a.pixels[i]) - static_cast<double>(b.pixels[i]);
    sum += d * d;
  }
  const double mse = sum / static_cast<double>(a.pixels.size());
  return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// The synthetic panorama: a horizontal colour gradient multiplied by a
// checkerboard, meridians marked by coloured stripes every quarter turn, a
// disc and a triangle off the horizon, bands at both poles. Written as PPM and
// 24-bit BMP; false when ImageMagick fails.
inline bool DrawSyntheticPanorama(const std::string& convert, const std::string& ppm, const std::string& bmp,
                                  int width = 2048, int height = 1024) {
  std::ostringstream c;
  const int q = width / 4;
  c << "'" << convert << "' -size " << height << "x" << width << " gradient:yellow-blue -rotate 90 "
    << "\\( -size " << width << "x" << height << " tile:pattern:checkerboard -level 0,100% \\) "
    << "-compose multiply -composite -compose over "
    << "-fill red -draw 'rectangle 0,0 7," << height - 1 << "' "
    << "-fill lime -draw 'rectangle " << q << ",0 " << q + 7 << "," << height - 1 << "' "
    << "-fill magenta -draw 'rectangle " << 2 * q << ",0 " << 2 * q + 7 << "," << height - 1 << "' "
    << "-fill cyan -draw 'rectangle " << 3 * q << ",0 " << 3 * q + 7 << "," << height - 1 << "' "
    << "-fill orange -draw 'circle " << width * 3 / 20 << "," << height * 2 / 5 << " " << width * 3 / 20 << ","
    << height * 2 / 5 + height / 16 << "' "
    << "-fill white -draw 'polygon " << width * 6 / 10 << "," << height * 6 / 10 << " " << width * 13 / 20 << ","
    << height * 7 / 10 << " " << width * 11 / 20 << "," << height * 7 / 10 << "' "
    << "-fill black -draw 'rectangle 0,0 " << width - 1 << "," << height / 32 << "' "
    << "-fill green -draw 'rectangle 0," << height - 1 - height / 32 << " " << width - 1 << "," << height - 1 << "' "
    << "-depth 8 -write 'ppm:" << ppm << "' -type truecolor 'BMP3:" << bmp << "'";
  return std::system(c.str().c_str()) == 0;
}

}  // namespace panotest
