#include "title/controls/RotatePixelMap.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"

namespace {

// A plane of one or three bytes a pixel, rows top to bottom.
struct Plane {
  int32_t width = 0;
  int32_t height = 0;
  int32_t channels = 1;
  std::vector<uint8_t> data;

  Plane() = default;
  Plane(int32_t w, int32_t h, int32_t c)
      : width(w), height(h), channels(c), data(static_cast<size_t>(w) * static_cast<size_t>(h) * c, 0) {}
  uint8_t* At(int32_t x, int32_t y) {
    return data.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * channels;
  }
  const uint8_t* At(int32_t x, int32_t y) const {
    return data.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * channels;
  }
};

// One quarter turn clockwise.
Plane TurnQuarter(const Plane& in) {
  Plane out(in.height, in.width, in.channels);
  for (int32_t y = 0; y < in.height; ++y) {
    for (int32_t x = 0; x < in.width; ++x) {
      std::copy_n(in.At(x, y), in.channels, out.At(in.height - 1 - y, x));
    }
  }
  return out;
}

// Samples `in` along a row (horizontal) or a column at a fractional position
// in 64ths: the pixel at the whole part blended with its next neighbour by
// the fraction; outside the plane counts as 0.
void Sample(const Plane& in, bool horizontal, int32_t fixed, int64_t position64, uint8_t* out) {
  const int64_t whole = position64 >> 6;  // floor
  const int32_t fraction = static_cast<int32_t>(position64 & 63);
  const int32_t limit = horizontal ? in.width : in.height;
  for (int32_t k = 0; k < in.channels; ++k) {
    int32_t a = 0, b = 0;
    if (whole >= 0 && whole < limit) {
      a = horizontal ? in.At(static_cast<int32_t>(whole), fixed)[k] : in.At(fixed, static_cast<int32_t>(whole))[k];
    }
    if (whole + 1 >= 0 && whole + 1 < limit) {
      b = horizontal ? in.At(static_cast<int32_t>(whole + 1), fixed)[k]
                     : in.At(fixed, static_cast<int32_t>(whole + 1))[k];
    }
    out[k] = static_cast<uint8_t>((a * (64 - fraction) + b * fraction + 32) >> 6);
  }
}

int64_t To64ths(double v) { return static_cast<int64_t>(std::llround(v * 64.0)); }

// Horizontal shear: output row y, pixel x takes the input at x + factor * y
// (both about the planes' centres).
Plane ShearRows(const Plane& in, int32_t width, double factor) {
  Plane out(width, in.height, in.channels);
  const double inCentre = in.width / 2.0, outCentre = width / 2.0, rowCentre = in.height / 2.0;
  for (int32_t y = 0; y < out.height; ++y) {
    const double shift = factor * (y + 0.5 - rowCentre);
    for (int32_t x = 0; x < out.width; ++x) {
      const double source = (x + 0.5 - outCentre) + shift + inCentre - 0.5;
      Sample(in, true, y, To64ths(source), out.At(x, y));
    }
  }
  return out;
}

// Vertical shear: output column x, pixel y takes the input at y + factor * x.
Plane ShearColumns(const Plane& in, int32_t height, double factor) {
  Plane out(in.width, height, in.channels);
  const double inCentre = in.height / 2.0, outCentre = height / 2.0, columnCentre = in.width / 2.0;
  for (int32_t x = 0; x < out.width; ++x) {
    const double shift = factor * (x + 0.5 - columnCentre);
    for (int32_t y = 0; y < out.height; ++y) {
      const double source = (y + 0.5 - outCentre) + shift + inCentre - 0.5;
      Sample(in, false, x, To64ths(source), out.At(x, y));
    }
  }
  return out;
}

// The part of a plane of that size around its centre (whole-pixel offset).
Plane CropCentre(const Plane& in, int32_t width, int32_t height) {
  Plane out(width, height, in.channels);
  const int32_t left = (in.width - width) / 2, top = (in.height - height) / 2;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const int32_t sx = x + left, sy = y + top;
      if (sx >= 0 && sy >= 0 && sx < in.width && sy < in.height) std::copy_n(in.At(sx, sy), in.channels, out.At(x, y));
    }
  }
  return out;
}

// Grows `size` to at least `wanted` keeping its parity, so planes of both
// sizes share their pixel grid when centred on each other.
int32_t SameParityAtLeast(int32_t size, double wanted) {
  const auto grow = static_cast<int32_t>(std::ceil(std::max(0.0, wanted - size) / 2.0));
  return size + 2 * grow;
}

// The three shears of a clockwise turn by `radians` (|radians| <= pi/4) into
// a plane of the rotated bounds. Every intermediate plane shares the source's
// pixel grid (whole-pixel offsets between centres), so each shear samples at
// the same sub-pixel phase as a rotation about the picture's centre would.
Plane Rotate(const Plane& in, double radians, int32_t finalWidth, int32_t finalHeight) {
  const double t = std::tan(radians / 2.0);
  const double s = std::sin(radians);
  // Working back from the result: its x shear reads x + t*y, the y shear
  // reads y - s*x, the first x shear reads x + t*y again.
  const int32_t middleWidth = SameParityAtLeast(in.width, finalWidth + std::fabs(t) * finalHeight + 2.0);
  const int32_t middleHeight = SameParityAtLeast(in.height, finalHeight + 2.0);
  Plane first = ShearRows(in, middleWidth, t);
  Plane second = ShearColumns(first, middleHeight, -s);
  return CropCentre(ShearRows(second, middleWidth, t), finalWidth, finalHeight);
}

// Splits a turn into whole quarter turns (0..3, clockwise) and the rest
// within -45..45 degrees, which is returned.
double SplitTurn(double degrees, int32_t& quarters) {
  double rest = std::fmod(degrees, 360.0);
  quarters = 0;
  while (rest > 45.0) {
    rest -= 90.0;
    ++quarters;
  }
  while (rest < -45.0) {
    rest += 90.0;
    --quarters;
  }
  quarters = ((quarters % 4) + 4) % 4;
  return rest;
}

}  // namespace

bool RotatedSize(int32_t width, int32_t height, double degrees, int32_t& outWidth, int32_t& outHeight) {
  if (width <= 0 || height <= 0 || !std::isfinite(degrees)) return false;
  int32_t quarters = 0;
  const double rest = SplitTurn(degrees, quarters);
  const int32_t turnedWidth = (quarters & 1) != 0 ? height : width;
  const int32_t turnedHeight = (quarters & 1) != 0 ? width : height;
  const double radians = rest * std::numbers::pi / 180.0;
  const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
  const double epsilon = 1e-6;
  const auto finalWidth = static_cast<int64_t>(std::ceil(turnedWidth * c + turnedHeight * s - epsilon));
  const auto finalHeight = static_cast<int64_t>(std::ceil(turnedWidth * s + turnedHeight * c - epsilon));
  if (finalWidth <= 0 || finalHeight <= 0 || finalWidth > 32767 || finalHeight > 32767) return false;
  outWidth = static_cast<int32_t>(finalWidth);
  outHeight = static_cast<int32_t>(finalHeight);
  return true;
}

PixelMap* RotatePixelMap(PixelMap* source, double degrees, VColorTable* colorTable) {
  if (source == nullptr || source->GetWidth() <= 0 || source->GetHeight() <= 0 || !std::isfinite(degrees)) {
    return nullptr;
  }
  const bool solid = source->IsSolidColor();
  VColorTable* table = colorTable != nullptr ? colorTable : source->PeekColorTable();
  VColorTable* current = nullptr;
  if (table == nullptr) table = current = GetCurrentColorTable();
  struct Releaser {
    VColorTable* table;
    ~Releaser() {
      if (table != nullptr) table->Release();
    }
  } releaser{current};
  if (table == nullptr && !solid) return nullptr;
  if (table != nullptr && table->GetInverseTable() == nullptr) table->BuildInverseTable();

  int32_t quarters = 0;
  const double rest = SplitTurn(degrees, quarters);

  VAlphaChannel* sourceAlpha = source->PeekAttributes().PeekAlphaChannel();
  PixelMap* alphaPlane = sourceAlpha != nullptr ? sourceAlpha->GetPixelMap() : nullptr;
  const int32_t w = source->GetWidth(), h = source->GetHeight();
  int32_t outWidth = 0, outHeight = 0;
  if (!RotatedSize(w, h, degrees, outWidth, outHeight)) return nullptr;
  Plane colour(solid ? 0 : w, solid ? 0 : h, 3);
  Plane alpha(alphaPlane != nullptr ? w : 0, alphaPlane != nullptr ? h : 0, 1);
  {
    PixelMapLock lock(source);
    PixelMapLock alphaLock(alphaPlane);
    if (!solid && (!lock.IsLocked() || source->GetPixels() == nullptr)) return nullptr;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        if (!solid) {
          VRGBColor c;
          source->GetPixel(VPoint(x, y), c);
          uint8_t* p = colour.At(x, y);
          p[0] = c.red;
          p[1] = c.green;
          p[2] = c.blue;
        }
        if (alphaPlane != nullptr) {
          const uint8_t* level = alphaPlane->GetPixelAddress(VPoint(x, y));
          *alpha.At(x, y) = level != nullptr ? static_cast<uint8_t>(std::min<int>(*level, 63)) : 0;
        }
      }
    }
  }
  for (int32_t q = 0; q < quarters; ++q) {
    if (!solid) colour = TurnQuarter(colour);
    if (alphaPlane != nullptr) alpha = TurnQuarter(alpha);
  }
  const double radians = rest * std::numbers::pi / 180.0;
  if (!solid) colour = Rotate(colour, radians, outWidth, outHeight);
  if (alphaPlane != nullptr) alpha = Rotate(alpha, radians, outWidth, outHeight);

  const VRect bounds(0, 0, outWidth, outHeight);
  PixelMap* result = nullptr;
  if (solid) {
    result = new PixelMap(bounds, source->GetSolidColor(), PixelMap::kStorageMemory);
  } else {
    result = new PixelMap(bounds, 8, table, nullptr, nullptr, PixelMap::kStorageMemory);
    PixelMapLock lock(result);
    if (!result->HasStorage() || result->GetPixels() == nullptr) {
      delete result;
      return nullptr;
    }
    const uint8_t* inverse = table->GetInverseTable();
    for (int32_t y = 0; y < outHeight; ++y) {
      for (int32_t x = 0; x < outWidth; ++x) {
        const uint8_t* p = colour.At(x, y);
        uint8_t index;
        if (inverse != nullptr) {
          index = inverse[((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3)];
        } else {
          index = static_cast<uint8_t>(std::max(table->FindNearestIndex(VRGBColor(p[0], p[1], p[2]), true), 0));
        }
        if (uint8_t* to = result->GetPixelAddress(VPoint(x, y))) *to = index;
      }
    }
  }
  if (alphaPlane != nullptr) {
    auto* channel = new VAlphaChannel(bounds);
    PixelMap* plane = channel->GetPixelMap();
    if (plane != nullptr && plane->GetPixels() != nullptr) {
      for (int32_t y = 0; y < outHeight; ++y) {
        uint8_t* row = plane->GetPixelAddress(VPoint(0, y));
        if (row != nullptr) std::copy_n(alpha.At(0, y), outWidth, row);
      }
      result->SetAlphaChannel(channel);
    }
    channel->Release();
  }
  return result;
}
