#include "engine/image/VJPEGImageReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/core/Memory.h"
#include "engine/core/VFile.h"
#include "engine/core/ByteFields.h"
#include "engine/image/JpegKernels.h"
#include "engine/graphics/Ditherers.h"
#include "engine/graphics/PixelMap.h"
#include "engine/image/VCodeTable.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VYCbCrColorTable.h"

namespace {

// Natural (row-major) position of the k-th coefficient in zig-zag order.
constexpr uint8_t kZigZag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The position of the k-th coefficient in zig-zag order in the inverse DCT's
// storage, a column after another: row r, column c at 8 c + r.
constexpr std::array<uint8_t, 64> MakeZigZagColumns() {
  std::array<uint8_t, 64> columns{};
  for (int32_t k = 0; k < 64; ++k) columns[k] = static_cast<uint8_t>((kZigZag[k] % 8) * 8 + kZigZag[k] / 8);
  return columns;
}
constexpr std::array<uint8_t, 64> kZigZagColumns = MakeZigZagColumns();

// The 4 x 4 dither of the 15- and 16-bit output, indexed (row mod 4) x 4 + (n mod 4).
constexpr int32_t kDither[16] = {-8, 0, -6, 2, 4, -4, 6, -2, -5, 3, -7, 1, 7, -1, 5, -3};

// One output row as the sinks receive it: the samples of the row (Y, and Cb
// and Cr centred on 0), and work space of the row's width.
struct OutputRow {
  uint8_t* pixels;       // the row's first pixel in the map
  int32_t y;             // the row of the picture
  int32_t width;
  bool twoByTwo;         // 2x2 sampling (the dither column is x mod 8)
  bool rgb;              // the three planes hold R, G, B (luma, cb and cr are then red, green, blue)
  const float* luma;
  // The chroma: a sample per pixel, or in 2x2 pictures (`half`) the rows of
  // the chroma plane, a sample per two pixels.
  const float* cb;
  const float* cr;
  // 2x2 rows below the first: the chroma row of the output row above,
  // averaged with cb and cr from the second pixel on (see JpegChromaRow);
  // else null.
  const float* cbBefore;
  const float* crBefore;
  bool half;
  float* averagedCb;  // room for the averaged chroma of a row
  float* averagedCr;
  uint8_t* red;
  uint8_t* green;
  uint8_t* blue;
};

// The dither column n of pixel x: in 2x2 output the pixel's column in its
// 8-pixel half of the MCU; in 1x1 output the pixels of its 8-pixel block
// still to be written, this one included.
inline int32_t DitherColumn(const OutputRow& row, int32_t x) {
  if (row.twoByTwo) return x & 7;
  const int32_t start = x & ~7;
  const int32_t run = row.width - start < 8 ? row.width - start : 8;
  return run - (x - start);
}

inline float Limit(float v, float low, float high) {
  v = v < low ? low : v;
  return v > high ? high : v;
}

// R = Y + 1.403 Cr, G = Y - 0.344 Cb - 0.714 Cr, B = Y + 1.773 Cb, each
// truncated towards zero and clamped to 0..255 (clamping first gives the
// same integers and keeps the conversion in range). The samples are first
// limited to their range (0..255, chroma -128..127), as the JPEG standard
// asks of a decoder's output.
JpegChromaRow Chroma(const OutputRow& row) { return {row.cb, row.cr, row.cbBefore, row.crBefore, row.half}; }

// The row with its chroma averaged into plain rows of its own (which the
// outputs may change), for the outputs that read the samples themselves.
// Rows of 2x2 pictures hold the chroma history, which is not to be changed.
OutputRow WithAveragedChroma(const OutputRow& row) {
  if (!row.averagedCb || !row.half) return row;
  OutputRow out = row;
  out.averagedCb[0] = row.cb[0];
  out.averagedCr[0] = row.cr[0];
  for (int32_t x = 1; x < row.width; ++x) {
    const float cb = row.cb[x >> 1], cr = row.cr[x >> 1];
    out.averagedCb[x] = row.cbBefore ? 0.5f * (cb + row.cbBefore[(x - 1) >> 1]) : cb;
    out.averagedCr[x] = row.crBefore ? 0.5f * (cr + row.crBefore[(x - 1) >> 1]) : cr;
  }
  out.cb = out.averagedCb;
  out.cr = out.averagedCr;
  out.cbBefore = out.crBefore = nullptr;
  out.half = false;
  return out;
}

void ConvertToRGB(const OutputRow& source) {
  if (source.rgb) {
    const OutputRow row = WithAveragedChroma(source);
    // Samples already in R, G, B: rounded and clamped.
    const float* planes[3] = {row.luma, row.cb, row.cr};
    uint8_t* outs[3] = {row.red, row.green, row.blue};
    for (int32_t c = 0; c < 3; ++c) {
      for (int32_t x = 0; x < row.width; ++x) outs[c][x] = static_cast<uint8_t>(Limit(planes[c][x] + 0.5f, 0.0f, 255.0f));
    }
    return;
  }
  JpegYCbCrToRGB(source.luma, Chroma(source), source.red, source.green, source.blue, source.width);
}

// 24 bits: blue, green, red (format 6), or red, green, blue (format 5).
struct Sink24 {
  bool rgbOrder;
  void Write(const OutputRow& row) const {
    if (row.rgb) {
      ConvertToRGB(row);
      JpegInterleave24(rgbOrder ? row.red : row.blue, row.green, rgbOrder ? row.blue : row.red, row.pixels,
                       row.width);
      return;
    }
    JpegYCbCrToPixels24(row.luma, Chroma(row), row.pixels, row.width, rgbOrder);
  }
};
// 32 bits: the byte positions of red, green and blue (the fourth byte 0).
struct Sink32 {
  int32_t ri, gi, bi, xi;
  void Write(const OutputRow& row) const {
    ConvertToRGB(row);
    uint8_t* p = row.pixels;
    for (int32_t x = 0; x < row.width; ++x, p += 4) {
      p[ri] = row.red[x];
      p[gi] = row.green[x];
      p[bi] = row.blue[x];
      p[xi] = 0;
    }
  }
};
// 15 and 16 bits through the 4x4 ordered dither; big-endian words for
// formats 3 and 4. The dither value of each pixel of a row depends only on
// the row mod 4: `dither` holds the four rows' values.
struct Sink16 {
  const int16_t* dither;  // 4 x width values
  bool sixBitGreen;
  bool bigEndian;
  void Write(const OutputRow& row) const {
    ConvertToRGB(row);
    JpegDitherRow16(row.red, row.green, row.blue, dither + (row.y & 3) * row.width, row.pixels, row.width,
                    sixBitGreen, bigEndian);
  }
};

// Turns a row of R, G, B samples into Y, Cb, Cr (chroma centred on 0) in
// place, for the outputs that work on luminance and chroma.
void RGBToYCbCr(const OutputRow& row) {
  auto* ys = const_cast<float*>(row.luma);
  auto* cbs = const_cast<float*>(row.cb);
  auto* crs = const_cast<float*>(row.cr);
  for (int32_t x = 0; x < row.width; ++x) {
    const float r = Limit(ys[x], 0.0f, 255.0f), g = Limit(cbs[x], 0.0f, 255.0f), b = Limit(crs[x], 0.0f, 255.0f);
    ys[x] = 0.299f * r + 0.587f * g + 0.114f * b + 0.5f;
    cbs[x] = -0.168736f * r - 0.331264f * g + 0.5f * b;
    crs[x] = 0.5f * r - 0.418688f * g - 0.081312f * b;
  }
}

// 8-bit grey maps take the luminance.
struct SinkGrey {
  void Write(const OutputRow& source) const {
    const OutputRow row = WithAveragedChroma(source);
    if (row.rgb) RGBToYCbCr(row);
    for (int32_t x = 0; x < row.width; ++x) row.pixels[x] = static_cast<uint8_t>(Limit(row.luma[x], 0.0f, 255.0f));
  }
};
// 8-bit palette maps: error diffusion in Y, Cb, Cr onto the YCbCr table's
// palette indexes. The table works in the video range of its colour matrix
// (Y 16..235, chroma 16..240), so the file's full-range samples are brought
// into that range first.
struct Sink8 {
  VYCbCrErrorDiffusionDitherer* ditherer;
  const uint8_t* table8;
  const uint8_t* palette;
  void Write(const OutputRow& source) const {
    const OutputRow row = WithAveragedChroma(source);
    if (row.rgb) RGBToYCbCr(row);
    VErrorDiffusionDitherer& dy = ditherer->GetY();
    VErrorDiffusionDitherer& dcb = ditherer->GetCb();
    VErrorDiffusionDitherer& dcr = ditherer->GetCr();
    dy.SetRow(row.y);
    dcb.SetRow(row.y);
    dcr.SetRow(row.y);
    for (int32_t x = 0; x < row.width; ++x) {
      const auto y = static_cast<int32_t>(Limit(row.luma[x], 0.0f, 255.0f));
      const auto cb = static_cast<int32_t>(Limit(row.cb[x] + 128.0f, 0.0f, 255.0f));
      const auto cr = static_cast<int32_t>(Limit(row.cr[x] + 128.0f, 0.0f, 255.0f));
      const int32_t yp = 16 + (y * 219 + 127) / 255 + dy.Advance();
      const int32_t cbp = 16 + (cb * 224 + 127) / 255 + dcb.Advance();
      const int32_t crp = 16 + (cr * 224 + 127) / 255 + dcr.Advance();
      const int32_t y6 = dy.GetClip64()[yp >> 2];
      const int32_t cb5 = dcb.GetClip32()[cbp >> 3];
      const int32_t cr5 = dcr.GetClip32()[crp >> 3];
      const uint8_t index = table8[(cb5 << 11) | (cr5 << 6) | y6];
      const uint8_t* e = palette + index * 3;
      dy.DiffuseError(yp - e[0]);
      dcb.DiffuseError(cbp - e[1]);
      dcr.DiffuseError(crp - e[2]);
      row.pixels[x] = index;
    }
  }
};

// The rows of a pixel map as the decoding writes them.
struct MapRows {
  PixelMap& map;
  uint8_t* Address(int32_t y) const { return map.GetPixelAddress(VPoint(0, y)); }
};

// Rows of R, G, B bytes handed out in bands: each band's room is asked for
// when its first row comes, the band before being complete by then. Rows the
// decoding does not reach are filled with zeros by Finish.
class BandRows {
 public:
  BandRows(int32_t width, int32_t height, int32_t bandRows, const VJPEGImageReader::RgbRowRoom& room)
      : rowBytes_(static_cast<size_t>(width) * 3), height_(height), bandRows_(bandRows), room_(room) {}

  uint8_t* Address(int32_t y) {
    if (stopped_ || y < next_ || y >= height_) return nullptr;
    // Rows passed over (none in order decoding) stay zero.
    for (; next_ < y; ++next_) {
      uint8_t* skipped = Row(next_);
      if (!skipped) return nullptr;
      std::memset(skipped, 0, rowBytes_);
    }
    ++next_;
    return Row(y);
  }
  // Zeros for the rows not written; false when a band's room was refused.
  bool Finish() {
    for (; next_ < height_ && !stopped_; ++next_) {
      if (uint8_t* row = Row(next_)) std::memset(row, 0, rowBytes_);
    }
    return !stopped_;
  }

 private:
  uint8_t* Row(int32_t y) {
    if (y >= bandEnd_) {
      const int32_t count = std::min(bandRows_, height_ - y);
      band_ = room_(count);
      if (!band_) {
        stopped_ = true;
        return nullptr;
      }
      bandStart_ = y;
      bandEnd_ = y + count;
    }
    return band_ + static_cast<size_t>(y - bandStart_) * rowBytes_;
  }

  size_t rowBytes_;
  int32_t height_;
  int32_t bandRows_;
  const VJPEGImageReader::RgbRowRoom& room_;
  uint8_t* band_ = nullptr;
  int32_t bandStart_ = 0;
  int32_t bandEnd_ = 0;
  int32_t next_ = 0;
  bool stopped_ = false;
};

}  // namespace

// ---------------------------------------------------------------------------
// Decoding of the entropy-coded data of one scan.

class VJPEGDecoding {
 public:
  explicit VJPEGDecoding(VJPEGImageReader& reader) : r_(reader) {}
  ~VJPEGDecoding() {
    for (float*& plane : planes_) FreeMemory(plane);
    for (float* row : {lastCb_, lastCr_}) FreeMemory(row);
    for (float* row : {lastG_, lastB_, heldLuma_}) FreeMemory(row);
    for (void* row : {static_cast<void*>(rowCb_), static_cast<void*>(rowCr_),
                      static_cast<void*>(zeroRow_),
                      static_cast<void*>(red_), static_cast<void*>(green_), static_cast<void*>(blue_)}) {
      FreeMemory(row);
    }
  }
  VJPEGDecoding(const VJPEGDecoding&) = delete;
  VJPEGDecoding& operator=(const VJPEGDecoding&) = delete;

  // Sets up the geometry and buffers; false when memory is short.
  bool Prepare(int32_t outWidth, int32_t outHeight);
  // Decodes the scan, writing each output row where target.Address(y) says
  // (rows come in order from the top; null skips the row).
  template <class Rows, class Sink>
  void Run(Rows& target, Sink& sink);

 private:
  enum class Event { kNone, kRestarted, kStopped };

  // The bit reader: `acc` holds `bits` real bits left-aligned, zeros after
  // them. At a marker or the end of the buffer no more bits arrive.
  void Fill() {
    while (bits_ <= 56 && !atMarker_) {
      if (end_ - p_ >= 8) {
        uint64_t v = 0;
        for (int32_t i = 0; i < 8; ++i) v = (v << 8) | p_[i];
        const uint64_t inverted = ~v;
        if (((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) == 0) {
          const int32_t count = (64 - bits_) >> 3;
          const int32_t shift = 64 - 8 * count;
          acc_ |= ((v >> shift) << shift) >> bits_;
          bits_ += 8 * count;
          p_ += count;
          continue;
        }
      }
      if (p_ >= end_) {
        atMarker_ = true;
        return;
      }
      const uint8_t b = *p_;
      if (b == 0xFF) {
        if (end_ - p_ < 2) {
          atMarker_ = true;
          return;
        }
        const uint8_t next = p_[1];
        if (next == 0xFF) {  // fill byte before a marker
          ++p_;
          continue;
        }
        if (next != 0x00) {
          atMarker_ = true;
          return;
        }
        p_ += 2;
      } else {
        ++p_;
      }
      acc_ |= static_cast<uint64_t>(b) << (56 - bits_);
      bits_ += 8;
    }
  }

  // The marker (or end) that stopped the bits was reached: a restart marker
  // resets the predictors and decoding resumes after it; anything else ends
  // the data.
  Event AtMarker() {
    acc_ = 0;
    bits_ = 0;
    if (end_ - p_ >= 2 && p_[0] == 0xFF && p_[1] >= 0xD0 && p_[1] <= 0xD7) {
      p_ += 2;
      atMarker_ = false;
      for (int32_t& pred : predictor_) pred = 0;
      return Event::kRestarted;
    }
    p_ = end_;
    atMarker_ = true;
    return Event::kStopped;
  }
  // A code that is in no table: the data up to the next marker are dropped.
  Event Resynchronise() {
    while (!atMarker_) {
      if (end_ - p_ < 2) {
        p_ = end_;
        break;
      }
      if (p_[0] == 0xFF && p_[1] != 0x00 && p_[1] != 0xFF) break;
      ++p_;
    }
    return AtMarker();
  }

  // Decodes a symbol; kNone with the symbol in `out`, else the event. Codes
  // of up to kFastBits bits are resolved by one look-up in `fast`.
  Event DecodeSymbol(const VCodeTable& table, const uint16_t* fast, int32_t& out) {
    if (bits_ < 16) Fill();
    if (const uint32_t f = fast[acc_ >> (64 - kFastBits)]) {
      const int32_t length = static_cast<int32_t>(f >> 8);
      if (length > bits_) return AtMarker();
      acc_ <<= length;
      bits_ -= length;
      out = static_cast<int32_t>(f & 255);
      return Event::kNone;
    }
    const VCodeEntry* e = table.Lookup(static_cast<uint32_t>(acc_ >> 32));
    if (!e) return atMarker_ && bits_ < 16 ? AtMarker() : Resynchronise();
    if (e->length > bits_) return AtMarker();
    acc_ <<= e->length;
    bits_ -= e->length;
    out = e->value;
    return Event::kNone;
  }
  // Receive and extend of s bits (1..16).
  Event Receive(int32_t s, int32_t& out) {
    if (bits_ < s) {
      Fill();
      if (bits_ < s) return AtMarker();
    }
    auto v = static_cast<int32_t>(acc_ >> (64 - s));
    acc_ <<= s;
    bits_ -= s;
    if (v < (1 << (s - 1))) v += 1 - (1 << s);
    out = v;
    return Event::kNone;
  }

  // Decodes the block of component position c into `out`; false when the
  // data ended.
  bool DecodeBlock(int32_t c, float* out, int32_t stride);
  // One AC step the short look-up does not cover, at coefficient k: false
  // when the block ends (end of block, or `event` set).
  bool DecodeLongAc(const VCodeTable& ac, const uint16_t* acFast, int16_t* coef, int32_t& k, bool& acPresent,
                    Event& event);
  template <class Rows, class Sink>
  void Emit1x1(Rows& target, int32_t y0, int32_t rows, Sink& sink);
  template <class Rows, class Sink>
  void Emit2x2(Rows& target, int32_t y0, int32_t rows, Sink& sink);
  // 2x2 pictures coded as R, G, B: G and B widened as libjpeg widens
  // subsampled components. `final`: no MCU row follows this one.
  template <class Rows, class Sink>
  void EmitRgb2x2(Rows& target, int32_t y0, int32_t rows, bool final, Sink& sink);
  // One output row of G or B from the chroma row nearest to it and the one
  // above or below it (`far`).
  void WidenRow(const float* nearest, const float* far, float* out) const;

  // Look-up of the codes of up to kFastBits bits of each decoding table (same
  // index): code length x 256 + symbol, 0 for longer codes and none.
  static constexpr int32_t kFastBits = 9;
  uint16_t fast_[4][1 << kFastBits] = {};
  // For the AC tables: prefixes that hold a whole code and the value bits
  // after it: total length x 256 + run (0 when not), and the value; or the
  // whole end-of-block code: its length x 256 + kEndOfBlock.
  static constexpr uint32_t kEndOfBlock = 0x80;
  uint16_t acShort_[2][1 << kFastBits] = {};
  int16_t acShortValue_[2][1 << kFastBits] = {};

  // The coefficients of the block being decoded as the data give them
  // (values of at most 15 bits), a column after another; the inverse DCT
  // multiplies them by the quantisation values. All 0 between blocks: a
  // block clears what it set, only the DC term when it had nothing else.
  alignas(16) int16_t coef_[64] = {};
  void ClearCoefficients(bool all) {
    if (!all) {
      coef_[0] = 0;
      return;
    }
#if defined(__SSE2__)
    // Vector stores: a string store is slow to start for so few bytes.
    for (int32_t i = 0; i < 64; i += 8) _mm_store_si128(reinterpret_cast<__m128i*>(coef_ + i), _mm_setzero_si128());
#else
    std::memset(coef_, 0, sizeof coef_);
#endif
  }
  // The quantisation table of each component position, a column after
  // another as the inverse DCT takes it.
  int32_t quantColumns_[3][64] = {};

  VJPEGImageReader& r_;
  const uint8_t* p_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t acc_ = 0;
  int32_t bits_ = 0;
  bool atMarker_ = false;
  int32_t predictor_[3] = {};

  int32_t outWidth_ = 0;
  int32_t outHeight_ = 0;
  int32_t mcuWidth_ = 8;
  int32_t mcuHeight_ = 8;
  int32_t mcusPerRow_ = 0;
  int32_t mcuRows_ = 0;
  // The samples of one MCU row, component by component: rows of
  // stride_ floats (every block of the row side by side), 8 x V rows.
  float* planes_[3] = {};
  int32_t stride_[3] = {};
  float* zeroRow_ = nullptr;  // chroma of pictures without it
  // 2x2 pictures: the last Cb and Cr rows of the MCU row before, which the
  // first output row of an MCU row averages with.
  float* lastCb_ = nullptr;
  float* lastCr_ = nullptr;
  // 2x2 R, G, B pictures: the last G and B rows of the MCU row before, and
  // the R of the output row held back until the next MCU row brings the G
  // and B row below it (heldRow_, else -1).
  float* lastG_ = nullptr;
  float* lastB_ = nullptr;
  float* heldLuma_ = nullptr;
  int32_t heldRow_ = -1;
  // Room for one output row: averaged chroma, then red, green and blue.
  float* rowCb_ = nullptr;
  float* rowCr_ = nullptr;
  uint8_t* red_ = nullptr;
  uint8_t* green_ = nullptr;
  uint8_t* blue_ = nullptr;
};

bool VJPEGDecoding::Prepare(int32_t outWidth, int32_t outHeight) {
  outWidth_ = outWidth;
  outHeight_ = outHeight;
  mcuWidth_ = 8 * r_.sampleH_[0];
  mcuHeight_ = 8 * r_.sampleV_[0];
  mcusPerRow_ = (r_.width_ + mcuWidth_ - 1) / mcuWidth_;
  mcuRows_ = (r_.height_ + mcuHeight_ - 1) / mcuHeight_;
  for (int32_t c = 0; c < r_.componentCount_; ++c) {
    for (int32_t i = 0; i < 64; ++i) quantColumns_[c][(i % 8) * 8 + i / 8] = r_.quant_[r_.quantTable_[c]][i];
    stride_[c] = mcusPerRow_ * r_.sampleH_[c] * 8;
    const int64_t bytes = int64_t{mcusPerRow_} * r_.sampleH_[c] * r_.sampleV_[c] * 64 * 4;
    if (bytes > 0x7FFFFFFF) return false;
    planes_[c] = static_cast<float*>(AllocateMemory(static_cast<int32_t>(bytes)));
    if (!planes_[c]) return false;
  }
  if (mcuWidth_ == 16 && r_.componentCount_ > 1) {
    for (float** row : {&lastCb_, &lastCr_}) {
      *row = static_cast<float*>(AllocateMemory((mcusPerRow_ * 8 + 8) * 4));
      if (!*row) return false;
    }
  }
  if (mcuWidth_ == 16 && r_.rgb_) {
    for (float** row : {&lastG_, &lastB_, &heldLuma_}) {
      *row = static_cast<float*>(AllocateMemory((mcusPerRow_ * 16 + 8) * 4));
      if (!*row) return false;
    }
  }
  // Rows are padded to whole MCUs.
  const int32_t rowBytes = (mcusPerRow_ * mcuWidth_ + 8) * 4;
  rowCb_ = static_cast<float*>(AllocateMemory(rowBytes));
  rowCr_ = static_cast<float*>(AllocateMemory(rowBytes));
  red_ = static_cast<uint8_t*>(AllocateMemory(rowBytes));
  green_ = static_cast<uint8_t*>(AllocateMemory(rowBytes));
  blue_ = static_cast<uint8_t*>(AllocateMemory(rowBytes));
  zeroRow_ = static_cast<float*>(AllocateMemory(rowBytes));
  if (!rowCb_ || !rowCr_ || !red_ || !green_ || !blue_ || !zeroRow_) return false;
  std::memset(zeroRow_, 0, static_cast<size_t>(rowBytes));
  for (int32_t t = 0; t < 4; ++t) {
    const VCodeTable* table = r_.codeTables_[t];
    if (!table) continue;
    for (uint32_t prefix = 0; prefix < (1u << kFastBits); ++prefix) {
      const VCodeEntry* e = table->Lookup(prefix << (32 - kFastBits));
      if (e && e->length <= kFastBits) fast_[t][prefix] = static_cast<uint16_t>(e->length << 8 | e->value);
    }
  }
  for (int32_t t = 0; t < 2; ++t) {
    for (uint32_t prefix = 0; prefix < (1u << kFastBits); ++prefix) {
      const uint32_t f = fast_[2 + t][prefix];
      const int32_t length = static_cast<int32_t>(f >> 8), run = static_cast<int32_t>(f >> 4 & 15),
                    size = static_cast<int32_t>(f & 15);
      if (f != 0 && (f & 255) == 0) {  // symbol 0: end of block
        acShort_[t][prefix] = static_cast<uint16_t>(length << 8 | kEndOfBlock);
        continue;
      }
      if (f == 0 || size == 0 || length + size > kFastBits) continue;
      auto v = static_cast<int32_t>(prefix >> (kFastBits - length - size)) & ((1 << size) - 1);
      if (v < (1 << (size - 1))) v += 1 - (1 << size);
      acShort_[t][prefix] = static_cast<uint16_t>((length + size) << 8 | run);
      acShortValue_[t][prefix] = static_cast<int16_t>(v);
    }
  }
  p_ = r_.buffer_ + r_.entropyStart_;
  end_ = r_.buffer_ + r_.bufferLength_;
  return true;
}

bool VJPEGDecoding::DecodeLongAc(const VCodeTable& ac, const uint16_t* acFast, int16_t* coef, int32_t& k,
                                 bool& acPresent, Event& event) {
  int32_t rs = 0;
  if ((event = DecodeSymbol(ac, acFast, rs)) != Event::kNone) return false;
  if (rs == 0) return false;
  if (rs == 0xF0) {
    k += 16;
    return true;
  }
  k += rs >> 4;
  int32_t v = 0;
  const int32_t size = rs & 15;
  if (size > 0 && (event = Receive(size, v)) != Event::kNone) return false;
  if (k < 64) {
    coef[kZigZagColumns[k]] = static_cast<int16_t>(v);
    acPresent = true;
  }
  ++k;
  return true;
}

bool VJPEGDecoding::DecodeBlock(int32_t c, float* out, int32_t stride) {
  const VCodeTable& dc = *r_.codeTables_[r_.dcTable_[c]];
  const VCodeTable& ac = *r_.codeTables_[2 + r_.acTable_[c]];
  const uint16_t* dcFast = fast_[r_.dcTable_[c]];
  const uint16_t* acFast = fast_[2 + r_.acTable_[c]];
  const uint16_t* acShort = acShort_[r_.acTable_[c]];
  const int16_t* acShortValue = acShortValue_[r_.acTable_[c]];
  const int32_t* q = quantColumns_[c];
  int16_t* coef = coef_;
  for (bool again = false;; again = true) {
    // A block started again after a marker may have left values.
    if (again) ClearCoefficients(true);
    Event event = Event::kNone;
    int32_t s = 0;
    if ((event = DecodeSymbol(dc, dcFast, s)) != Event::kNone) {
      if (event == Event::kRestarted) continue;
      return false;
    }
    int32_t diff = 0;
    if (s > 0 && (event = Receive(s, diff)) != Event::kNone) {
      if (event == Event::kRestarted) continue;
      return false;
    }
    // The predictor keeps 16 bits, as the data's differences do.
    predictor_[c] = static_cast<int16_t>(predictor_[c] + diff);
    coef[0] = static_cast<int16_t>(predictor_[c]);
    bool acPresent = false;
    int32_t k = 1;
    // The bit buffer in locals for the common steps (the members are
    // brought up to date around every other call).
    uint64_t acc = acc_;
    int32_t bits = bits_;
    while (k < 64) {
      if (bits < 16) {
        acc_ = acc, bits_ = bits;
        Fill();
        acc = acc_, bits = bits_;
      }
      // A short code with its short value: both taken in one step.
      const uint32_t prefix = static_cast<uint32_t>(acc >> (64 - kFastBits));
      if (const uint32_t info = acShort[prefix]; info != 0 && static_cast<int32_t>(info >> 8) <= bits) {
        const int32_t length = static_cast<int32_t>(info >> 8);
        acc <<= length;
        bits -= length;
        if ((info & kEndOfBlock) != 0) break;
        k += static_cast<int32_t>(info & 15);
        if (k < 64) {
          coef[kZigZagColumns[k]] = acShortValue[prefix];
          acPresent = true;
        }
        ++k;
        continue;
      }
      acc_ = acc, bits_ = bits;
      const bool more = DecodeLongAc(ac, acFast, coef, k, acPresent, event);
      acc = acc_, bits = bits_;
      if (!more) break;
    }
    acc_ = acc, bits_ = bits;
    if (event == Event::kRestarted) continue;
    if (event == Event::kStopped) return false;
    // Luminance (and R, G, B) samples are centred on 128, chroma on 0.
    const float bias = c == 0 || r_.rgb_ ? 128.0f : 0.0f;
    if (!acPresent) {
      // Only the DC term: every sample is DC / 8 (what the full transform gives).
      const float v = static_cast<float>(coef[0] * q[0]) * 0.125f + bias;
      for (int32_t r = 0; r < 8; ++r) std::fill(out + r * stride, out + r * stride + 8, v);
    } else {
      JpegInverseDct(coef, q, out, stride, bias);
    }
    ClearCoefficients(acPresent);
    return true;
  }
}

template <class Rows, class Sink>
void VJPEGDecoding::Emit1x1(Rows& target, int32_t y0, int32_t rows, Sink& sink) {
  OutputRow out{nullptr, 0, outWidth_, false, r_.rgb_, nullptr, nullptr, nullptr, nullptr, nullptr, false, nullptr, nullptr,
                red_, green_, blue_};
  for (int32_t ry = 0; ry < rows; ++ry) {
    out.y = y0 + ry;
    out.pixels = target.Address(out.y);
    if (!out.pixels) return;
    // The planes' rows are the output rows (grey pictures: chroma 0).
    out.luma = planes_[0] + ry * stride_[0];
    out.cb = planes_[1] ? planes_[1] + ry * stride_[1] : zeroRow_;
    out.cr = planes_[2] ? planes_[2] + ry * stride_[2] : zeroRow_;
    sink.Write(out);
  }
}

template <class Rows, class Sink>
void VJPEGDecoding::Emit2x2(Rows& target, int32_t y0, int32_t rows, Sink& sink) {
  OutputRow out{nullptr, 0, outWidth_, true, r_.rgb_, nullptr, nullptr, nullptr, nullptr, nullptr, true, rowCb_, rowCr_,
                red_, green_, blue_};
  const float* cbPlane = planes_[1];
  const float* crPlane = planes_[2] ? planes_[2] : zeroRow_;
  const int32_t crStride = planes_[2] ? stride_[2] : 0;
  for (int32_t ry = 0; ry < rows; ++ry) {
    const int32_t y = y0 + ry;
    out.y = y;
    out.pixels = target.Address(y);
    if (!out.pixels) return;
    // Each pixel's nearest chroma is in the chroma row of its row pair; the
    // sinks average it, from the second pixel on, with the nearest chroma of
    // the row above at the column before (the first row takes it as it is).
    out.luma = planes_[0] + ry * stride_[0];
    out.cb = cbPlane + (ry >> 1) * stride_[1];
    out.cr = crPlane + (ry >> 1) * crStride;
    if (y == 0) {
      out.cbBefore = out.crBefore = nullptr;
    } else if (ry == 0) {
      out.cbBefore = lastCb_;
      out.crBefore = lastCr_;
    } else {
      out.cbBefore = cbPlane + ((ry - 1) >> 1) * stride_[1];
      out.crBefore = crPlane + ((ry - 1) >> 1) * crStride;
    }
    sink.Write(out);
  }
  // The next MCU row's first output row averages with the last chroma row.
  std::memcpy(lastCb_, cbPlane + 7 * stride_[1], static_cast<size_t>(stride_[1]) * sizeof(float));
  std::memcpy(lastCr_, crPlane + 7 * crStride, static_cast<size_t>(stride_[1]) * sizeof(float));
}

// libjpeg's smooth upsampling of a component sampled at half the width and
// height: the nearest sample weighs 9/16, the next ones across and down 3/16
// each, the diagonal one 1/16, on samples rounded to 8 bits, with the
// picture's last real row and column repeated past its edges (and its first
// ones before them). Components of at most two samples a row are repeated
// instead, as libjpeg repeats them. The result is libjpeg's to the unit.
void VJPEGDecoding::WidenRow(const float* nearest, const float* far, float* out) const {
  const int32_t last = (r_.width_ + 1) / 2 - 1;
  auto sample = [](const float* row, int32_t j) {
    return static_cast<int32_t>(Limit(row[j] + 0.5f, 0.0f, 255.0f));
  };
  if (last < 2) {
    for (int32_t x = 0; x < outWidth_; ++x) out[x] = static_cast<float>(sample(nearest, x >> 1));
    return;
  }
  auto column = [&](int32_t j) {
    j = std::clamp(j, 0, last);
    return 3 * sample(nearest, j) + sample(far, j);
  };
  for (int32_t x = 0; x < outWidth_; ++x) {
    const int32_t j = x >> 1;
    const int32_t here = column(j);
    out[x] = static_cast<float>((x & 1) != 0 ? (3 * here + column(j + 1) + 7) >> 4 : (3 * here + column(j - 1) + 8) >> 4);
  }
}

template <class Rows, class Sink>
void VJPEGDecoding::EmitRgb2x2(Rows& target, int32_t y0, int32_t rows, bool final, Sink& sink) {
  const int32_t lastChroma = (r_.height_ + 1) / 2 - 1;
  const int32_t base = y0 / 2;  // the chroma row of the planes' first row
  auto chromaRow = [&](int32_t plane, int32_t i) -> const float* {
    if (i < base) return plane == 1 ? lastG_ : lastB_;
    return planes_[plane] + (i - base) * stride_[plane];
  };
  auto emit = [&](int32_t y, const float* luma, int32_t far) {
    OutputRow out{nullptr, y, outWidth_, true, true, luma, rowCb_, rowCr_, nullptr, nullptr, false, nullptr, nullptr,
                  red_, green_, blue_};
    out.pixels = target.Address(y);
    if (!out.pixels) return;
    WidenRow(chromaRow(1, y / 2), chromaRow(1, far), rowCb_);
    WidenRow(chromaRow(2, y / 2), chromaRow(2, far), rowCr_);
    sink.Write(out);
  };
  if (heldRow_ >= 0) {
    emit(heldRow_, heldLuma_, std::min(heldRow_ / 2 + 1, lastChroma));
    heldRow_ = -1;
  }
  for (int32_t ry = 0; ry < rows; ++ry) {
    const int32_t y = y0 + ry;
    const float* luma = planes_[0] + ry * stride_[0];
    int32_t far = std::clamp((y & 1) != 0 ? y / 2 + 1 : y / 2 - 1, 0, lastChroma);
    if (far > base + 7) {
      if (!final) {
        // The row below is in the next MCU row.
        std::memcpy(heldLuma_, luma, static_cast<size_t>(outWidth_) * sizeof(float));
        heldRow_ = y;
        continue;
      }
      far = y / 2;  // data that ended early: nothing below
    }
    emit(y, luma, far);
  }
  std::memcpy(lastG_, planes_[1] + 7 * stride_[1], static_cast<size_t>(stride_[1]) * sizeof(float));
  std::memcpy(lastB_, planes_[2] + 7 * stride_[2], static_cast<size_t>(stride_[2]) * sizeof(float));
}

template <class Rows, class Sink>
void VJPEGDecoding::Run(Rows& target, Sink& sink) {
  const bool twoByTwo = mcuWidth_ == 16;
  for (int32_t mr = 0; mr < mcuRows_; ++mr) {
    bool ended = false;
    for (int32_t m = 0; m < mcusPerRow_ && !ended; ++m) {
      for (int32_t c = 0; c < r_.componentCount_ && !ended; ++c) {
        const int32_t h = r_.sampleH_[c], v = r_.sampleV_[c];
        for (int32_t by = 0; by < v && !ended; ++by) {
          for (int32_t bx = 0; bx < h; ++bx) {
            float* out = planes_[c] + by * 8 * stride_[c] + (m * h + bx) * 8;
            if (!DecodeBlock(c, out, stride_[c])) {
              ended = true;
              break;
            }
          }
        }
      }
      if (ended) {
        // The blocks the data no longer reach come out flat grey.
        for (int32_t c = 0; c < r_.componentCount_; ++c) {
          const float value = c == 0 || r_.rgb_ ? 128.0f : 0.0f;
          for (int32_t row = 0; row < 8 * r_.sampleV_[c]; ++row) {
            float* first = planes_[c] + row * stride_[c];
            std::fill(first + m * r_.sampleH_[c] * 8, first + stride_[c], value);
          }
        }
      }
    }
    const int32_t y0 = mr * mcuHeight_;
    if (twoByTwo && r_.rgb_) {
      // Also past the output's last row, which may wait for this MCU row.
      const int32_t rows = y0 < outHeight_ ? std::min(mcuHeight_, outHeight_ - y0) : 0;
      EmitRgb2x2(target, y0, rows, ended || mr + 1 == mcuRows_, sink);
    } else if (y0 < outHeight_) {
      const int32_t rows = std::min(mcuHeight_, outHeight_ - y0);
      if (twoByTwo) {
        Emit2x2(target, y0, rows, sink);
      } else {
        Emit1x1(target, y0, rows, sink);
      }
    }
    if (ended) {
      r_.truncated_ = true;
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// VJPEGImageReader

VJPEGImageReader::VJPEGImageReader(VFile* file) : VImageReader(file) {}

VJPEGImageReader::~VJPEGImageReader() { FreeBuffers(); }

void VJPEGImageReader::FreeBuffers() {
  FreeMemory(buffer_);
  buffer_ = nullptr;
  bufferLength_ = 0;
  for (VCodeTable*& table : codeTables_) {
    delete table;
    table = nullptr;
  }
}

int32_t VJPEGImageReader::ReadHeader() {
  FreeBuffers();
  headerOk_ = false;
  frameSeen_ = false;
  sawJfif_ = sawAdobe_ = rgb_ = false;
  adobeTransform_ = 1;
  componentCount_ = 0;
  width_ = height_ = 0;
  for (bool& defined : quantDefined_) defined = false;
  if (!file_) return -1;

  const int64_t length = file_->GetLength();
  if (length < 0 || length >= 0x7FFFFFFF) {
    SetFailureReason("file too large");
    return -1;
  }
  buffer_ = static_cast<uint8_t*>(AllocateMemory(static_cast<int32_t>(length + 1)));
  if (!buffer_) {
    SetFailureReason("out of memory");
    return -1;
  }
  file_->Seek(0, true);
  const int32_t got = length > 0 ? file_->Read(buffer_, static_cast<int32_t>(length)) : 0;
  file_->Seek(0, true);
  bufferLength_ = got > 0 ? got : 0;
  buffer_[bufferLength_] = 0;
  if (bufferLength_ < 2 || buffer_[0] != 0xFF || buffer_[1] != 0xD8) {
    SetFailureReason("not a JPEG file");
    return -1;
  }

  // Every segment is taken whole from the buffer, whatever its length (the
  // largest, application data such as EXIF or XMP, are skipped), so that
  // the scan never walks the bytes inside a segment.
  int64_t pos = 2;
  bool stop = false;
  while (!stop && pos + 2 <= bufferLength_) {
    const uint8_t first = buffer_[pos];
    const uint8_t marker = buffer_[pos + 1];
    if (first != 0xFF) {
      pos += 2;  // not a marker: passed over as a pair
      continue;
    }
    if (marker == 0xFF) {
      ++pos;  // a fill byte: the marker starts one byte later
      continue;
    }
    pos += 2;
    // Markers without a segment.
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    if (marker == 0xD9) break;
    if (pos + 2 > bufferLength_) break;
    const int32_t payload = bytefields::LoadBE16(buffer_ + pos) - 2;
    pos += 2;
    if (payload < 0) {
    SetFailureReason("damaged data");
    return -1;
  }
    if (pos + payload > bufferLength_) break;
    if (!ParseSegment(marker, buffer_ + pos, payload, stop)) {
      SetFailureReason("damaged data");
      return -1;
    }
    pos += payload;
  }
  if (!headerOk_) {
    SetFailureReason(frameSeen_ ? "damaged data" : "no picture in the file");
    return -1;
  }
  entropyStart_ = pos;
  return 0;
}

// Records the reason and answers false (the callers' result is then -1).
bool VJPEGImageReader::Refuse(const char* reason) {
  SetFailureReason(reason);
  return false;
}

// The JFIF (APP0) and Adobe (APP14) markers tell the colour space of a
// three-component frame, as libjpeg reads them.
void VJPEGImageReader::ParseApplicationData(uint8_t marker, const uint8_t* data, int32_t length) {
  if (marker == 0xE0 && length >= 5 && std::memcmp(data, "JFIF\0", 5) == 0) sawJfif_ = true;
  if (marker == 0xEE && length >= 12 && std::memcmp(data, "Adobe", 5) == 0) {
    sawAdobe_ = true;
    adobeTransform_ = data[11];
  }
}

bool VJPEGImageReader::ParseSegment(uint8_t marker, const uint8_t* data, int32_t length, bool& stop) {
  switch (marker) {
    case 0xC0:
      return ParseFrame(data, length);
    case 0xC4:
      return ParseHuffmanTables(data, length);
    case 0xDB:
      return ParseQuantisationTables(data, length);
    case 0xDA:
      stop = true;
      return ParseScan(data, length);
    case 0xC1:
      return Refuse("extended JPEG");
    case 0xC2:
    case 0xC6:
    case 0xCA:
    case 0xCE:
      return Refuse("progressive JPEG");
    case 0xC3:
    case 0xC7:
    case 0xCB:
    case 0xCF:
      return Refuse("lossless JPEG");
    case 0xC5:
      return Refuse("hierarchical JPEG");
    case 0xC9:
    case 0xCD:
      return Refuse("arithmetic-coded JPEG");
    default:
      // Application data, comments, restart intervals and the rest.
      ParseApplicationData(marker, data, length);
      return true;
  }
}

bool VJPEGImageReader::ParseFrame(const uint8_t* data, int32_t length) {
  if (frameSeen_ || length < 6) return false;
  frameSeen_ = true;
  precision_ = data[0];
  const int32_t height = bytefields::LoadBE16(data + 1);
  const int32_t width = bytefields::LoadBE16(data + 3);
  const int32_t count = data[5];
  if (precision_ != 8) return Refuse("12-bit JPEG");
  if (count == 4) return Refuse("CMYK JPEG");
  if (count < 1 || count > 3) return Refuse("unsupported component count");
  if (width < 1 || height < 1 || length < 6 + 3 * count) return false;
  // Before anything is allocated for it.
  if (int64_t{width} * height > kMaxImagePixels) return Refuse("size over the limit");
  for (int32_t c = 0; c < count; ++c) {
    const uint8_t* p = data + 6 + 3 * c;
    componentId_[c] = p[0];
    for (int32_t o = 0; o < c; ++o) {
      if (componentId_[o] == p[0]) return false;
    }
    sampleH_[c] = p[1] >> 4;
    sampleV_[c] = p[1] & 15;
    quantTable_[c] = p[2];
    if (sampleH_[c] < 1 || sampleH_[c] > 4 || sampleV_[c] < 1 || sampleV_[c] > 4 || quantTable_[c] > 3) return false;
  }
  // A single-component scan is not interleaved: its units are single blocks
  // whatever the factors say.
  if (count == 1) sampleH_[0] = sampleV_[0] = 1;
  // Luminance 1x1 or 2x2; chroma 1x1.
  if (sampleH_[0] != sampleV_[0] || sampleH_[0] > 2) return Refuse("unsupported subsampling");
  for (int32_t c = 1; c < count; ++c) {
    if (sampleH_[c] != 1 || sampleV_[c] != 1) return Refuse("unsupported subsampling");
  }
  componentCount_ = count;
  width_ = width;
  height_ = height;
  return true;
}

bool VJPEGImageReader::ParseHuffmanTables(const uint8_t* data, int32_t length) {
  int32_t pos = 0;
  while (pos < length) {
    if (length - pos < 17) return false;
    const int32_t tableClass = data[pos] >> 4;
    const int32_t number = data[pos] & 15;
    if (tableClass > 1 || number > 1) return false;
    const uint8_t* counts = data + pos + 1;
    int32_t total = 0;
    for (int32_t i = 0; i < 16; ++i) total += counts[i];
    pos += 17;
    if (total > 256 || length - pos < total) return false;
    const uint8_t* symbols = data + pos;
    pos += total;

    // Canonical codes: within each length, consecutive values in table
    // order; the next length continues from the doubled code.
    auto table = std::make_unique<VCodeTable>();
    uint32_t code = 0;
    int32_t k = 0;
    for (int32_t len = 1; len <= 16; ++len) {
      for (int32_t i = 0; i < counts[len - 1]; ++i) {
        if (code >= (1u << len)) return false;  // more codes than the length holds
        const uint8_t symbol = symbols[k++];
        if (tableClass == 0 && symbol > 15) return false;
        if (!table->AddCode(code, len, symbol)) return false;
        ++code;
      }
      code <<= 1;
    }
    // A table defined again replaces the earlier one.
    VCodeTable*& slot = codeTables_[tableClass * 2 + number];
    delete slot;
    slot = table.release();
  }
  return true;
}

bool VJPEGImageReader::ParseQuantisationTables(const uint8_t* data, int32_t length) {
  int32_t pos = 0;
  while (pos < length) {
    const int32_t precision = data[pos] >> 4;
    const int32_t number = data[pos] & 15;
    if (number > 3) return false;
    if (precision == 0) {
      if (length - pos < 65) return false;
      for (int32_t k = 0; k < 64; ++k) quant_[number][kZigZag[k]] = data[pos + 1 + k];
      quantDefined_[number] = true;
      pos += 65;
    } else {
      // 16-bit values belong to 12-bit frames: passed over, not stored.
      if (length - pos < 129) return false;
      pos += 129;
    }
  }
  return true;
}

bool VJPEGImageReader::ParseScan(const uint8_t* data, int32_t length) {
  if (!frameSeen_ || componentCount_ < 1 || length < 1) return false;
  const int32_t count = data[0];
  // One interleaved scan of every component in frame order, then the
  // spectral selection 0..63 and no successive approximation.
  if (count != componentCount_ || length < 1 + 2 * count + 3) return false;
  for (int32_t c = 0; c < count; ++c) {
    const uint8_t* p = data + 1 + 2 * c;
    if (p[0] != componentId_[c]) return false;
    dcTable_[c] = p[1] >> 4;
    acTable_[c] = p[1] & 15;
    if (dcTable_[c] > 1 || acTable_[c] > 1) return false;
    if (!codeTables_[dcTable_[c]] || !codeTables_[2 + acTable_[c]] || !quantDefined_[quantTable_[c]]) return false;
  }
  const uint8_t* tail = data + 1 + 2 * count;
  if (tail[0] != 0 || tail[1] != 63 || tail[2] != 0) return false;
  // Three components hold R, G and B (not Y, Cb, Cr) under an Adobe marker
  // with transform 0, or, without a JFIF or Adobe marker, when they are named
  // 'R', 'G', 'B'.
  if (componentCount_ == 3 && !sawJfif_) {
    rgb_ = sawAdobe_ ? adobeTransform_ == 0
                     : componentId_[0] == 'R' && componentId_[1] == 'G' && componentId_[2] == 'B';
  }
  headerOk_ = true;
  return true;
}

int32_t VJPEGImageReader::ReadImage(PixelMap& target, int32_t, int32_t, int32_t) {
  truncated_ = false;
  if (!headerOk_ || !buffer_) return -1;
  const int32_t outWidth = std::min(width_, target.GetWidth());
  const int32_t outHeight = std::min(height_, target.GetHeight());
  if (outWidth < 1 || outHeight < 1) return -1;
  PixelMapLock lock(&target);
  if (!target.GetPixels()) return -1;
  MapRows rows{target};

  VJPEGDecoding decoding(*this);
  if (!decoding.Prepare(outWidth, outHeight)) return -1;
  const bool twoByTwo = sampleH_[0] == 2;
  const uint16_t format = target.GetPixelFormat();
  switch (target.GetDepth()) {
    case 32: {
      Sink32 sink{2, 1, 0, 3};  // format 8 and others: blue, green, red, 0
      if (format == kFormatRGBX32) sink = {0, 1, 2, 3};
      if (format == kFormatXRGB32) sink = {1, 2, 3, 0};
      if (format == kFormatXBGR32) sink = {3, 2, 1, 0};
      decoding.Run(rows, sink);
      return 0;
    }
    case 24: {
      Sink24 sink{format == kFormatRGB24};
      decoding.Run(rows, sink);
      return 0;
    }
    case 15:
    case 16: {
      // d = D[(row mod 4) x 4 + (n mod 4)], n the dither column of the pixel.
      std::unique_ptr<int16_t[]> dither(new (std::nothrow) int16_t[4 * static_cast<size_t>(outWidth)]);
      if (!dither) return -1;
      OutputRow shape{};
      shape.width = outWidth;
      shape.twoByTwo = twoByTwo;
      for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < outWidth; ++x) {
          dither[static_cast<size_t>(y) * outWidth + x] = static_cast<int16_t>(kDither[y * 4 + (DitherColumn(shape, x) & 3)]);
        }
      }
      Sink16 sink{dither.get(), target.GetDepth() == 16, format == kFormat555 || format == kFormat565};
      decoding.Run(rows, sink);
      return 0;
    }
    case 8: {
      if (format == kFormatGrey8) {
        SinkGrey sink;
        decoding.Run(rows, sink);
        return 0;
      }
      VColorTable* colors = target.GetColorTable();
      if (!colors) return -1;
      colors->BuildInverseTable();
      ColorTableData data = colors->GetColorTableData(false);
      int32_t result = -1;
      if (data.nearestIndex) {
        auto* table = new VYCbCrColorTable(5, &data);
        {
          VYCbCrErrorDiffusionDitherer ditherer(outWidth, table);
          if (ditherer.IsValid() && ditherer.GetYCbCrPalette()) {
            Sink8 sink{&ditherer, ditherer.Get8BitTable(), ditherer.GetYCbCrPalette()};
            decoding.Run(rows, sink);
            result = 0;
          }
        }
        table->Release();
      }
      colors->Release();
      return result;
    }
    default:
      return -1;
  }
}

int32_t VJPEGImageReader::ReadRgbRows(int32_t bandRows, const RgbRowRoom& room) {
  truncated_ = false;
  if (!headerOk_ || !buffer_ || width_ < 1 || height_ < 1 || bandRows < 1) return -1;
  VJPEGDecoding decoding(*this);
  if (!decoding.Prepare(width_, height_)) return -1;
  BandRows rows(width_, height_, bandRows, room);
  Sink24 sink{true};
  decoding.Run(rows, sink);
  return rows.Finish() ? 0 : -1;
}

// ---------------------------------------------------------------------------
// Registration

VImageReader* CreateJPEGImageReader(VFile* file) { return new VJPEGImageReader(file); }

void RegisterJPEGImageReader() { SetJPEGImageReaderFactory(&CreateJPEGImageReader); }
