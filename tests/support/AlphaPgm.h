// Test support: alpha channels as 8-bit grey PGM files for ImageMagick, the
// files it writes back, and the PSNR of two such pictures laid over each
// other at their best whole-pixel offset (a loose oracle for rotated text).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"

namespace testsupport {

// A level 0..63 as the byte ImageMagick keeps exactly (63 becomes 255).
inline int AlphaByte(int level) { return (level << 2) | (level >> 4); }

// The levels of a map's alpha channel as an 8-bit PGM (levels 0..63 widened
// one to one); false when the map has no alpha channel.
inline bool WriteAlphaPgm(PixelMap& map, const std::string& path) {
  VAlphaChannel* alpha = map.GetAlphaChannel();
  if (alpha == nullptr) return false;
  std::ofstream out(path, std::ios::binary);
  out << "P5\n" << alpha->GetWidth() << " " << alpha->GetHeight() << "\n255\n";
  for (int32_t y = 0; y < alpha->GetHeight(); ++y) {
    for (int32_t x = 0; x < alpha->GetWidth(); ++x) out.put(static_cast<char>(AlphaByte(alpha->GetValueAt(x, y))));
  }
  alpha->Release();
  return static_cast<bool>(out);
}

struct Grey {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  int At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height ? pixels[static_cast<size_t>(y * width + x)] : 0;
  }
};

// An 8-bit binary PGM as ImageMagick writes it; empty when it is not one.
inline Grey ReadPgm(const std::string& path) {
  Grey g;
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> g.width >> g.height >> maxval;
  in.get();
  if (magic != "P5" || maxval != 255 || g.width <= 0 || g.height <= 0) return Grey();
  g.pixels.resize(static_cast<size_t>(g.width * g.height));
  in.read(reinterpret_cast<char*>(g.pixels.data()), static_cast<std::streamsize>(g.pixels.size()));
  return g;
}

// PSNR of two trimmed pictures laid over each other at the whole-pixel
// offset (within 2) that fits best: the trim boxes of the two may differ by
// a faint edge pixel.
inline double RegisteredPsnr(const Grey& a, const Grey& b) {
  double best = 0.0;
  const int width = std::max(a.width, b.width), height = std::max(a.height, b.height);
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      double squares = 0.0;
      for (int y = std::min(0, dy); y < height + std::max(0, dy); ++y) {
        for (int x = std::min(0, dx); x < width + std::max(0, dx); ++x) {
          const double d = a.At(x, y) - b.At(x - dx, y - dy);
          squares += d * d;
        }
      }
      const double mse = squares / (static_cast<double>(width) * height);
      best = std::max(best, mse == 0.0 ? 100.0 : 10.0 * std::log10(255.0 * 255.0 / mse));
    }
  }
  return best;
}

}  // namespace testsupport
