// YCbCr planes and their conversion to pixels.
#include "engine/mpeg/VYCbCrPicture.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VYCbCrColorTable.h"
#include "engine/mpeg/PlaneRecycler.h"
#include "engine/mpeg/VideoKernels.h"

VYCbCrPicture::VYCbCrPicture(int32_t mbWidth, int32_t mbHeight, int32_t chromaFormat,
                             VYCbCrColorTable* colorTable) {
  AllocatePlanes(mbWidth, mbHeight, chromaFormat);
  SetColorTable(colorTable);
}

VYCbCrPicture::~VYCbCrPicture() {
  if (colorTable_) colorTable_->Release();
  PlaneRecycler& recycler = PlaneRecycler::Get();
  recycler.Give(y_);
  recycler.Give(cb_);
  recycler.Give(cr_);
}

namespace {

// Sizes the plane and fills it with `value`, on kept storage when its own is too small.
void AssignPlane(std::vector<uint8_t>& plane, size_t size, uint8_t value) {
  if (plane.capacity() < size) {
    PlaneRecycler& recycler = PlaneRecycler::Get();
    recycler.Give(plane);
    plane = recycler.Take(size);
  }
  plane.assign(size, value);
}

}  // namespace

void VYCbCrPicture::AllocatePlanes(int32_t mbWidth, int32_t mbHeight, int32_t chromaFormat) {
  mbWidth_ = std::max(mbWidth, 0);
  mbHeight_ = std::max(mbHeight, 0);
  chromaFormat_ = chromaFormat;
  chromaFactor_ = (chromaFormat == 1 || chromaFormat == 2) ? chromaFormat : 0;
  const size_t luma = size_t(16) * mbWidth_ * 16 * mbHeight_;
  AssignPlane(y_, luma + 4, 0);
  const size_t chroma = size_t(64) * chromaFactor_ * mbWidth_ * mbHeight_;
  AssignPlane(cb_, chroma + 4, 128);
  AssignPlane(cr_, chroma + 4, 128);
}

void VYCbCrPicture::SetColorTable(VYCbCrColorTable* colorTable) {
  VYCbCrColorTable* fresh = colorTable;
  if (fresh)
    fresh->AddReference();
  else
    fresh = new VYCbCrColorTable(5, static_cast<VColorTable*>(nullptr));
  if (colorTable_) colorTable_->Release();
  colorTable_ = fresh;
}

namespace {

struct Writer {
  int32_t depth;
  int32_t format;
  const uint16_t* table16;  // 15- or 16-bit table
  const int32_t* clip;
  const int32_t* luma;
  const int32_t* crToRed;
  const int32_t* cbToBlue;
  const int32_t* cbToGreen;
  const int32_t* crToGreen;

  void Put(uint8_t* p, int32_t y, int32_t cb, int32_t cr, int32_t cbDithered, int32_t crDithered) const {
    if (depth == 15 || depth == 16) {
      const uint16_t v = table16[((cbDithered >> 3) << 11) | ((crDithered >> 3) << 6) | (y >> 2)];
      if (HasLittleEndianWords(format)) {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
      } else {
        p[0] = static_cast<uint8_t>(v >> 8);
        p[1] = static_cast<uint8_t>(v);
      }
      return;
    }
    const int32_t l = luma[y];
    const auto r = static_cast<uint8_t>(clip[(l + crToRed[cr]) >> 16]);
    const auto g = static_cast<uint8_t>(clip[(l - cbToGreen[cb] - crToGreen[cr]) >> 16]);
    const auto b = static_cast<uint8_t>(clip[(l + cbToBlue[cb]) >> 16]);
    if (depth == 24) {
      if (format == kFormatRGB24) {
        p[0] = r, p[1] = g, p[2] = b;
      } else {
        p[0] = b, p[1] = g, p[2] = r;
      }
      return;
    }
    switch (format) {
      case kFormatRGBX32: p[0] = r, p[1] = g, p[2] = b, p[3] = 0; break;
      case kFormatXRGB32: p[0] = 0, p[1] = r, p[2] = g, p[3] = b; break;
      case kFormatXBGR32: p[0] = 0, p[1] = b, p[2] = g, p[3] = r; break;
      default: p[0] = b, p[1] = g, p[2] = r, p[3] = 0; break;
    }
  }
};

// Chroma dither of the 15- and 16-bit output, by chroma column and row modulo 4.
constexpr int32_t kDither[4][4] = {{-8, 0, -6, 2}, {4, -4, 6, -2}, {-5, 3, -7, 1}, {7, -1, 5, -3}};

// Byte offsets of red, green, blue and the unused byte in a 32-bit pixel.
void Offsets32(int32_t format, int32_t offsets[4]) {
  const int32_t rgbx[4] = {0, 1, 2, 3}, xrgb[4] = {1, 2, 3, 0}, xbgr[4] = {3, 2, 1, 0}, bgrx[4] = {2, 1, 0, 3};
  const int32_t* o = format == kFormatRGBX32   ? rgbx
                     : format == kFormatXRGB32 ? xrgb
                     : format == kFormatXBGR32 ? xbgr
                                               : bgrx;
  std::copy(o, o + 4, offsets);
}

// One line at 24 or 32 bits through the colour table's component tables.
void ConvertLineRGB(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine, int32_t width,
                    const Writer& w) {
  const int32_t bytes = w.depth / 8;
  int32_t rOffset = 2, gOffset = 1, bOffset = 0, xOffset = 3;
  if (w.depth == 24) {
    if (w.format == kFormatRGB24) rOffset = 0, bOffset = 2;
  } else if (w.format == kFormatRGBX32) {
    rOffset = 0, gOffset = 1, bOffset = 2, xOffset = 3;
  } else if (w.format == kFormatXRGB32) {
    xOffset = 0, rOffset = 1, gOffset = 2, bOffset = 3;
  } else if (w.format == kFormatXBGR32) {
    xOffset = 0, bOffset = 1, gOffset = 2, rOffset = 3;
  }
  const int32_t* clip = w.clip;
  const int32_t* luma = w.luma;
  int32_t red = 0, green = 0, blue = 0;
  for (int32_t x = 0; x < width; ++x, out += bytes) {
    if (!(x & 1)) {
      const int32_t cb = cbLine[x >> 1], cr = crLine[x >> 1];
      red = w.crToRed[cr];
      green = w.cbToGreen[cb] + w.crToGreen[cr];
      blue = w.cbToBlue[cb];
    }
    const int32_t l = luma[yLine[x]];
    out[rOffset] = static_cast<uint8_t>(clip[(l + red) >> 16]);
    out[gOffset] = static_cast<uint8_t>(clip[(l - green) >> 16]);
    out[bOffset] = static_cast<uint8_t>(clip[(l + blue) >> 16]);
    if (bytes == 4) out[xOffset] = 0;
  }
}

}  // namespace

bool VYCbCrPicture::ConvertToPixels(const PixelBuffer& destination, int32_t left, int32_t top, int32_t width,
                                    int32_t height) const {
  return Convert(destination, left, top, width, height, -1);
}

bool VYCbCrPicture::ConvertFieldToPixels(const PixelBuffer& destination, int32_t left, int32_t top, int32_t width,
                                         int32_t height, int32_t parity) const {
  return Convert(destination, left, top, width, height, parity & 1);
}

namespace {

// The mean of two converted pixels, each colour component rounded up.
void MeanPixel(uint8_t* out, const uint8_t* a, const uint8_t* b, int32_t depth, int32_t format) {
  if (depth == 8) {
    *out = *a;  // palette indices cannot be averaged (8-bit lines are made from luma)
    return;
  }
  if (depth == 24 || depth == 32) {
    for (int i = 0; i < depth / 8; ++i) out[i] = static_cast<uint8_t>((a[i] + b[i] + 1) >> 1);
    return;
  }
  const bool little = HasLittleEndianWords(format);
  const auto read = [little](const uint8_t* p) { return little ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1]; };
  const int32_t wa = read(a), wb = read(b);
  const int32_t greenBits = depth == 15 ? 5 : 6;
  const int32_t shifts[3] = {0, 5, 5 + greenBits};
  const int32_t masks[3] = {31, (1 << greenBits) - 1, 31};
  int32_t v = 0;
  for (int c = 0; c < 3; ++c) {
    const int32_t ca = (wa >> shifts[c]) & masks[c], cb = (wb >> shifts[c]) & masks[c];
    v |= ((ca + cb + 1) >> 1) << shifts[c];
  }
  if (little) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
  } else {
    out[0] = static_cast<uint8_t>(v >> 8);
    out[1] = static_cast<uint8_t>(v);
  }
}

}  // namespace

bool VYCbCrPicture::Convert(const PixelBuffer& destination, int32_t left, int32_t top, int32_t width, int32_t height,
                            int32_t parity) const {
  if (!colorTable_ || !destination.pixels || chromaFactor_ == 0) return false;
  const int32_t depth = destination.depth;
  Writer w{depth, destination.pixelFormat, nullptr, colorTable_->GetClip(), colorTable_->GetLuma(),
           colorTable_->GetCrToRedTable(), colorTable_->GetCbToBlueTable(), colorTable_->GetCbToGreenTable(),
           colorTable_->GetCrToGreenTable()};
  const uint8_t* table8 = nullptr;
  bool byFormula = false, rgbByFormula = false;
  VPixel16Formula formula;
  if (depth == 8) {
    table8 = colorTable_->Get8BitTable();
    if (!table8) table8 = colorTable_->Build8BitTable();
    if (!table8) return false;
  } else if (depth == 15 || depth == 16) {
    // The vector form computes the table's cells itself; otherwise the table.
    byFormula = HasVectorFormulaConversion() && w.clip && w.luma && w.crToRed && w.cbToBlue && w.cbToGreen &&
                w.crToGreen;
    if (byFormula) {
      formula = Pixel16FormulaOf(*colorTable_, depth);
    } else {
      w.table16 = depth == 15 ? colorTable_->Get15BitTable() : colorTable_->Get16BitTable();
      if (!w.table16) w.table16 = depth == 15 ? colorTable_->Build15BitTable() : colorTable_->Build16BitTable();
      if (!w.table16) return false;
    }
  } else if (depth == 24 || depth == 32) {
    if (!w.clip || !w.luma || !w.crToRed || !w.cbToBlue || !w.cbToGreen || !w.crToGreen) return false;
    // The vector form computes the component tables' values itself.
    rgbByFormula = depth == 32 && HasVectorFormulaConversion();
    if (rgbByFormula) formula = Pixel16FormulaOf(*colorTable_, 16);
  } else {
    return false;
  }
  // The area: cut to the picture (read from its origin) and to the buffer.
  if (left < 0 || top < 0) return false;
  width = std::min({width, GetLumaWidth(), destination.width - left});
  height = std::min({height, GetLumaHeight(), destination.height - top});
  if (width <= 0 || height <= 0) return true;
  const int32_t bytes = BytesPerPixel(depth);
  const int32_t lumaStride = GetLumaWidth();
  const int32_t chromaStride = GetChromaWidth();
  const auto rowAddress = [&](int32_t row) {
    const int32_t mapRow = destination.bottomUp ? destination.height - 1 - (top + row) : top + row;
    return destination.pixels + int64_t{mapRow} * destination.rowBytes + int64_t{left} * bytes;
  };
  // The chroma line of a picture line: frame-based, or within the line's field.
  const auto chromaRowOf = [&](int32_t row) {
    if (chromaFactor_ == 2) return row;
    if (parity < 0) return row >> 1;
    return ((row >> 2) << 1) | (row & 1);
  };
  int32_t offsets32[4];
  Offsets32(destination.pixelFormat, offsets32);
  const auto convertLine = [&](int32_t row, const uint8_t* yLine, int32_t chromaFrom) {
    uint8_t* out = rowAddress(row);
    const int32_t chromaRow = chromaRowOf(chromaFrom);
    const uint8_t* cbLine = cb_.data() + int64_t{chromaRow} * chromaStride;
    const uint8_t* crLine = cr_.data() + int64_t{chromaRow} * chromaStride;
    if (depth == 15 || depth == 16) {
      const int32_t* dither = kDither[chromaRow & 3];
      const int32_t halves[4] = {dither[0] / 2, dither[1] / 2, dither[2] / 2, dither[3] / 2};
      if (byFormula)
        ConvertLineTo16BitsByFormula(out, yLine, cbLine, crLine, width, halves, formula,
                                     HasLittleEndianWords(w.format));
      else
        ConvertLineTo16Bits(out, yLine, cbLine, crLine, width, halves, w.table16, HasLittleEndianWords(w.format));
      return;
    }
    if (rgbByFormula) {
      ConvertLineTo32BitsByFormula(out, yLine, cbLine, crLine, width, formula, offsets32);
      return;
    }
    if (depth == 24 || depth == 32) {
      ConvertLineRGB(out, yLine, cbLine, crLine, width, w);
      return;
    }
    for (int32_t x = 0; x < width; ++x, out += bytes) {
      const int32_t cb = cbLine[x >> 1];
      const int32_t cr = crLine[x >> 1];
      if (depth == 8) {
        const int32_t d = 4 * kDither[row & 3][x & 3];
        const int32_t y6 = std::clamp((yLine[x] + d / 2) >> 2, 0, 63);
        const int32_t cb5 = std::clamp((cb + d) >> 3, 0, 31);
        const int32_t cr5 = std::clamp((cr + d) >> 3, 0, 31);
        *out = table8[(cb5 << 11) | (cr5 << 6) | y6];
        continue;
      }
      int32_t cbd = cb, crd = cr;
      if (depth == 15 || depth == 16) {
        const int32_t d = kDither[chromaRow & 3][(x >> 1) & 3] / 2;
        cbd = std::clamp(cb + d, 0, 255);
        crd = std::clamp(cr + d, 0, 255);
      }
      w.Put(out, yLine[x], cb, cr, cbd, crd);
    }
  };
  if (parity < 0) {
    int32_t row = 0;
    if (byFormula && chromaFactor_ == 1 && height >= 2) {
      // Line pairs of 4:2:0 share their chroma line and dither: one pass for both.
      int32_t halves[4][4];
      for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c) halves[r][c] = kDither[r][c] / 2;
      const int32_t pairs = height / 2;
      ConvertLinePairsTo16BitsByFormula(rowAddress(0), rowAddress(1) - rowAddress(0), y_.data(), lumaStride,
                                        cb_.data(), cr_.data(), chromaStride, width, pairs, halves, formula,
                                        HasLittleEndianWords(w.format));
      row = 2 * pairs;
    }
    for (; row < height; ++row) convertLine(row, y_.data() + int64_t{row} * lumaStride, row);
    return true;
  }
  for (int32_t row = parity; row < height; row += 2) convertLine(row, y_.data() + int64_t{row} * lumaStride, row);
  std::vector<uint8_t> meanLuma(static_cast<size_t>(width));
  for (int32_t row = 1 - parity; row < height; row += 2) {
    const bool hasAbove = row > 0, hasBelow = row + 1 < height;
    if (!hasAbove && !hasBelow) {
      // An area of one line outside the field shown first: no converted line
      // to take it from, so the line is converted itself.
      convertLine(row, y_.data() + int64_t{row} * lumaStride, row);
      continue;
    }
    if (depth == 8) {
      // The luma of the line between, converted with the chroma of its neighbour's field.
      const uint8_t* above = y_.data() + int64_t{hasAbove ? row - 1 : row + 1} * lumaStride;
      const uint8_t* below = y_.data() + int64_t{hasBelow ? row + 1 : row - 1} * lumaStride;
      for (int32_t x = 0; x < width; ++x)
        meanLuma[static_cast<size_t>(x)] = static_cast<uint8_t>((above[x] + below[x]) >> 1);
      convertLine(row, meanLuma.data(), hasAbove ? row - 1 : row + 1);
      continue;
    }
    uint8_t* out = rowAddress(row);
    const uint8_t* above = rowAddress(hasAbove ? row - 1 : row + 1);
    const uint8_t* below = rowAddress(hasBelow ? row + 1 : row - 1);
    for (int32_t x = 0; x < width; ++x)
      MeanPixel(out + x * bytes, above + x * bytes, below + x * bytes, depth, destination.pixelFormat);
  }
  return true;
}

bool VYCbCrPicture::ConvertToPicture(PixelMap& map, const VRect& rectangle) const {
  if (!map.Lock()) return false;
  const PixelBuffer buffer = map.GetBuffer();
  const VRect& bounds = map.GetBounds();
  const bool done = ConvertToPixels(buffer, rectangle.left - bounds.left, rectangle.top - bounds.top,
                                    rectangle.GetWidth(), rectangle.GetHeight());
  map.Unlock();
  return done;
}
