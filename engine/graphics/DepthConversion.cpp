#include "engine/graphics/DepthConversion.h"

#include <cstring>
#include <memory>
#include <type_traits>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/Ditherers.h"
#include "engine/graphics/PixelAccess.h"
#include "engine/graphics/PixelFormats.h"

namespace {

int32_t gEightBitConversionMethod = kConvertErrorDiffusion;
int32_t gHighColorConversionMethod = kConvertOrdered;

struct Rgb {
  int32_t r, g, b;
};

using namespace pixelaccess;

// --- Source readers ---------------------------------------------------------
// Color: the colour widened to 8 bits (bucket midpoints); DitherColor: the
// colour a ditherer starts from; NearestKey: the nearest-index key without
// dithering; Raw/PackKey: the stored value and a key colour packed alike.

struct Src8 {
  static constexpr int kBytes = 1;
  const VRGBColor* colors;
  Rgb Color(const uint8_t* p) const {
    const VRGBColor& c = colors[*p];
    return {c.red, c.green, c.blue};
  }
  Rgb DitherColor(const uint8_t* p) const { return Color(p); }
  uint32_t NearestKey(const uint8_t* p) const { return NearestIndexKey(colors[*p]); }
  uint32_t Raw(const uint8_t* p) const { return *p; }
};

struct Src15 {
  static constexpr int kBytes = 2;
  Rgb Color(const uint8_t* p) const {
    const uint32_t w = Load16(p);
    return {static_cast<int32_t>(((w >> 10) & 31) << 3 | 4), static_cast<int32_t>(((w >> 5) & 31) << 3 | 4),
            static_cast<int32_t>((w & 31) << 3 | 4)};
  }
  Rgb DitherColor(const uint8_t* p) const {
    Rgb c = Color(p);
    c.b = (c.b & ~7) | 2;
    return c;
  }
  uint32_t NearestKey(const uint8_t* p) const {
    const uint32_t w = Load16(p);
    return (((w >> 10) & 31) << 11) | (((w >> 5) & 31) << 6) | (w & 31);
  }
  uint32_t Raw(const uint8_t* p) const { return Load16(p) & 0x7FFF; }
  uint32_t PackKey(const VRGBColor& c) const { return PackColor555(c); }
};

struct Src16 {
  static constexpr int kBytes = 2;
  Rgb Color(const uint8_t* p) const {
    const uint32_t w = Load16(p);
    return {static_cast<int32_t>(((w >> 11) & 31) << 3 | 4), static_cast<int32_t>(((w >> 5) & 63) << 2 | 2),
            static_cast<int32_t>((w & 31) << 3 | 4)};
  }
  Rgb DitherColor(const uint8_t* p) const {
    Rgb c = Color(p);
    c.b = (c.b & ~7) | 2;
    return c;
  }
  uint32_t NearestKey(const uint8_t* p) const { return Load16(p); }
  uint32_t Raw(const uint8_t* p) const { return Load16(p); }
  uint32_t PackKey(const VRGBColor& c) const { return NearestIndexKey(c); }
};

struct Src24 {
  static constexpr int kBytes = 3;
  bool rgb;  // kFormatRGB24: red, green, blue in memory; otherwise blue, green, red
  Rgb Color(const uint8_t* p) const { return rgb ? Rgb{p[0], p[1], p[2]} : Rgb{p[2], p[1], p[0]}; }
  Rgb DitherColor(const uint8_t* p) const { return Color(p); }
  uint32_t NearestKey(const uint8_t* p) const {
    const Rgb c = Color(p);
    return NearestIndexKey(static_cast<uint32_t>(c.r), static_cast<uint32_t>(c.g), static_cast<uint32_t>(c.b));
  }
  uint32_t Raw(const uint8_t* p) const { return Load24(p); }
  uint32_t PackKey(const VRGBColor& c) const {
    return rgb ? (c.red | (uint32_t{c.green} << 8) | (uint32_t{c.blue} << 16))
               : (c.blue | (uint32_t{c.green} << 8) | (uint32_t{c.red} << 16));
  }
};

struct Src32 {
  static constexpr int kBytes = 4;
  PixelShifts32 sh;
  int32_t format;
  Rgb Color(const uint8_t* p) const {
    const uint32_t w = Load32(p);
    return {static_cast<int32_t>((w >> sh.red) & 0xFF), static_cast<int32_t>((w >> sh.green) & 0xFF),
            static_cast<int32_t>((w >> sh.blue) & 0xFF)};
  }
  Rgb DitherColor(const uint8_t* p) const { return Color(p); }
  uint32_t NearestKey(const uint8_t* p) const {
    const Rgb c = Color(p);
    return NearestIndexKey(static_cast<uint32_t>(c.r), static_cast<uint32_t>(c.g), static_cast<uint32_t>(c.b));
  }
  uint32_t Raw(const uint8_t* p) const { return Load32(p) & sh.colorMask; }
  uint32_t PackKey(const VRGBColor& c) const {
    return (uint32_t{c.red} << sh.red) | (uint32_t{c.green} << sh.green) | (uint32_t{c.blue} << sh.blue);
  }
};

// --- Destination writers ----------------------------------------------------
// Pack: truncation to the target precision; FlipBlue: the lowest blue bit
// flipped; Same: equal as colours.

struct Dst15 {
  static constexpr int kBytes = 2;
  uint32_t Pack(const Rgb& c) const {
    return (static_cast<uint32_t>(c.r >> 3) << 10) | (static_cast<uint32_t>(c.g >> 3) << 5) |
           static_cast<uint32_t>(c.b >> 3);
  }
  void Store(uint8_t* p, uint32_t v) const { Store16(p, v); }
  uint32_t FlipBlue(uint32_t v) const { return v ^ 1u; }
  bool Same(uint32_t a, uint32_t b) const { return a == b; }
};

struct Dst16 {
  static constexpr int kBytes = 2;
  uint32_t Pack(const Rgb& c) const {
    return (static_cast<uint32_t>(c.r >> 3) << 11) | (static_cast<uint32_t>(c.g >> 2) << 5) |
           static_cast<uint32_t>(c.b >> 3);
  }
  void Store(uint8_t* p, uint32_t v) const { Store16(p, v); }
  uint32_t FlipBlue(uint32_t v) const { return v ^ 1u; }
  bool Same(uint32_t a, uint32_t b) const { return a == b; }
};

struct Dst24 {
  static constexpr int kBytes = 3;
  bool rgb;
  uint32_t Pack(const Rgb& c) const {
    return rgb ? (static_cast<uint32_t>(c.r) | static_cast<uint32_t>(c.g) << 8 | static_cast<uint32_t>(c.b) << 16)
               : (static_cast<uint32_t>(c.b) | static_cast<uint32_t>(c.g) << 8 | static_cast<uint32_t>(c.r) << 16);
  }
  void Store(uint8_t* p, uint32_t v) const { Store24(p, v); }
  uint32_t FlipBlue(uint32_t v) const { return v ^ (rgb ? 0x10000u : 1u); }
  bool Same(uint32_t a, uint32_t b) const { return a == b; }
};

struct Dst32 {
  static constexpr int kBytes = 4;
  PixelShifts32 sh;
  uint32_t Pack(const Rgb& c) const {
    return (static_cast<uint32_t>(c.r) << sh.red) | (static_cast<uint32_t>(c.g) << sh.green) |
           (static_cast<uint32_t>(c.b) << sh.blue);
  }
  void Store(uint8_t* p, uint32_t v) const { Store32(p, v); }
  uint32_t FlipBlue(uint32_t v) const { return v ^ (1u << sh.blue); }
  bool Same(uint32_t a, uint32_t b) const { return (a & sh.colorMask) == (b & sh.colorMask); }
};

Rgb ToRgb(const VRGBColor& c) { return {c.red, c.green, c.blue}; }

// Key colour handling of a conversion into 15, 16, 24 or 32 bits.
struct DeepKey {
  bool active = false;
  uint32_t sourceKey = 0;  // the key as stored in the source
  uint32_t targetKey = 0;  // the key colour packed for the target
  bool flip = false;       // look-alikes get their lowest blue bit flipped
};

template <class S, class D>
DeepKey PrepareDeepKey(const S& src, const D& dst, const ColorTableData* sourceTable, TransferAttributes* attributes,
                       bool narrowing) {
  DeepKey k;
  if (!attributes) return k;
  if constexpr (S::kBytes == 1) {
    if ((attributes->flags & kTransferKeyIndex) && sourceTable && sourceTable->colors) {
      const VRGBColor c = sourceTable->colors[attributes->keyIndex];
      k.active = true;
      k.sourceKey = attributes->keyIndex;
      k.targetKey = dst.Pack(ToRgb(c));
      k.flip = true;
      attributes->keyColor = c;
      attributes->flags = (attributes->flags & ~uint32_t{kTransferKeyIndex}) | kTransferKeyColor;
    }
  } else {
    if (attributes->flags & kTransferKeyColor) {
      k.active = true;
      k.sourceKey = src.PackKey(attributes->keyColor);
      k.targetKey = dst.Pack(ToRgb(attributes->keyColor));
      k.flip = narrowing;
    }
  }
  return k;
}

template <class S, class D>
inline uint32_t ApplyDeepKey(const DeepKey& k, const S& src, const D& dst, const uint8_t* sp, uint32_t v) {
  if (!k.active) return v;
  if (src.Raw(sp) == k.sourceKey) return k.targetKey;
  if (k.flip && dst.Same(v, k.targetKey)) return dst.FlipBlue(v);
  return v;
}

bool ValidFrame(const uint8_t* s, const uint8_t* d, int32_t w, int32_t h) { return s && d && w > 0 && h > 0; }

// Widening or plain repacking: every pixel's colour packed for the target.
template <class S, class D, class Map>
void ConvertDirect(const S& src, const D& dst, const uint8_t* s, int32_t ss, uint8_t* d, int32_t ds, int32_t w,
                   int32_t h, const DeepKey& key, Map map) {
  for (int32_t y = 0; y < h; ++y, s += ss, d += ds) {
    const uint8_t* sp = s;
    uint8_t* dp = d;
    for (int32_t x = 0; x < w; ++x, sp += S::kBytes, dp += D::kBytes) {
      dst.Store(dp, ApplyDeepKey(key, src, dst, sp, map(sp)));
    }
  }
}

template <class S, class D>
void ConvertWiden(const S& src, const D& dst, const ColorTableData* sourceTable, const uint8_t* s, int32_t ss,
                  uint8_t* d, int32_t ds, int32_t w, int32_t h, TransferAttributes* attributes, bool narrowing) {
  const DeepKey key = PrepareDeepKey(src, dst, sourceTable, attributes, narrowing);
  ConvertDirect(src, dst, s, ss, d, ds, w, h, key, [&](const uint8_t* p) { return dst.Pack(src.Color(p)); });
}

// 24 or 32 bits to 15 or 16 bits by HighColorConversionMethod.
template <class S, class D>
void ConvertHighColor(const S& src, const D& dst, const uint8_t* s, int32_t ss, uint8_t* d, int32_t ds, int32_t w,
                      int32_t h, TransferAttributes* attributes) {
  constexpr bool kSixBitGreen = std::is_same_v<D, Dst16>;
  const DeepKey key = PrepareDeepKey(src, dst, nullptr, attributes, true);
  int32_t method = gHighColorConversionMethod;
  std::unique_ptr<VErrorDiffusionDitherer> ed[3];
  std::unique_ptr<VOrderedDitherer> ordered;
  std::unique_ptr<VRandomDitherer> random;
  if (method == kConvertErrorDiffusion) {
    for (auto& e : ed) e = std::make_unique<VErrorDiffusionDitherer>(w);
    if (!ed[0]->IsValid() || !ed[1]->IsValid() || !ed[2]->IsValid()) method = kConvertNearest;
  } else if (method == kConvertOrdered) {
    ordered = std::make_unique<VOrderedDitherer>();
    if (!ordered->IsValid()) method = kConvertNearest;
  } else if (method == kConvertRandom) {
    random = std::make_unique<VRandomDitherer>();
    if (!random->IsValid()) method = kConvertNearest;
  } else {
    method = kConvertNearest;
  }
  for (int32_t y = 0; y < h; ++y, s += ss, d += ds) {
    const int32_t rowsLeft = h - y;
    if (method == kConvertErrorDiffusion) {
      for (auto& e : ed) e->SetRow(rowsLeft);
    }
    const uint8_t* sp = s;
    uint8_t* dp = d;
    for (int32_t x = 0; x < w; ++x, sp += S::kBytes, dp += D::kBytes) {
      Rgb c = src.Color(sp);
      uint32_t v;
      switch (method) {
        case kConvertErrorDiffusion: {
          const uint32_t r5 = static_cast<uint32_t>(ed[0]->QuantizeAndDiffuse5(c.r));
          const uint32_t g = static_cast<uint32_t>(kSixBitGreen ? ed[1]->QuantizeAndDiffuse6(c.g)
                                                                : ed[1]->QuantizeAndDiffuse5(c.g));
          const uint32_t b5 = static_cast<uint32_t>(ed[2]->QuantizeAndDiffuse5(c.b));
          v = kSixBitGreen ? (r5 << 11 | g << 5 | b5) : (r5 << 10 | g << 5 | b5);
          break;
        }
        case kConvertOrdered: {
          const int32_t m = OrderedDitherValue(x, rowsLeft);
          v = kSixBitGreen ? ordered->Dither16(c.r, c.g, c.b, m) : ordered->Dither15(c.r, c.g, c.b, m);
          break;
        }
        case kConvertRandom:
          v = kSixBitGreen ? random->Dither16(c.r, c.g, c.b) : random->Dither15(c.r, c.g, c.b);
          break;
        default: v = dst.Pack(c); break;
      }
      dst.Store(dp, ApplyDeepKey(key, src, dst, sp, v));
    }
  }
}

// Any depth to a palette by EightBitConversionMethod.
template <class S>
void ConvertTo8(const S& src, const ColorTableData* sourceTable, const uint8_t* s, int32_t ss, uint8_t* d, int32_t ds,
                const ColorTableData* destinationTable, int32_t w, int32_t h, TransferAttributes* attributes,
                bool rightToLeft) {
  if (!destinationTable || !destinationTable->colors || !destinationTable->nearestIndex) return;
  const uint8_t* nearest = destinationTable->nearestIndex;

  bool keyActive = false;
  uint32_t sourceKey = 0;
  int32_t kPrime = 0, kSecond = 0;
  if (attributes) {
    VRGBColor c;
    if constexpr (S::kBytes == 1) {
      if ((attributes->flags & kTransferKeyIndex) && sourceTable && sourceTable->colors) {
        keyActive = true;
        sourceKey = attributes->keyIndex;
        c = sourceTable->colors[attributes->keyIndex];
      }
    } else {
      if (attributes->flags & kTransferKeyColor) {
        keyActive = true;
        sourceKey = src.PackKey(attributes->keyColor);
        c = attributes->keyColor;
      }
    }
    if (keyActive) {
      kPrime = FindNearestColorIndex(*destinationTable, c);
      kSecond = FindNearestIndexRunnerUp(*destinationTable, c, kPrime);
      if (kSecond < 0) kSecond = kPrime;
      attributes->keyIndex = static_cast<uint8_t>(kPrime);
      attributes->flags = (attributes->flags & ~uint32_t{kTransferKeyColor}) | kTransferKeyIndex;
    }
  }

  int32_t method = gEightBitConversionMethod;
  std::unique_ptr<VRGBErrorDiffusionDitherer> ed;
  std::unique_ptr<VRGBOrderedDitherer> ordered;
  std::unique_ptr<VRGBRandomDitherer> random;
  if (method == kConvertErrorDiffusion) {
    ed = std::make_unique<VRGBErrorDiffusionDitherer>(w, destinationTable);
    if (!ed->IsValid()) method = kConvertNearest;
  } else if (method == kConvertOrdered) {
    ordered = std::make_unique<VRGBOrderedDitherer>(destinationTable);
    if (!ordered->IsValid()) method = kConvertNearest;
  } else if (method == kConvertRandom) {
    random = std::make_unique<VRGBRandomDitherer>(destinationTable);
    if (!random->IsValid()) method = kConvertNearest;
  } else {
    method = kConvertNearest;
  }

  for (int32_t y = 0; y < h; ++y, s += ss, d += ds) {
    const int32_t rowsLeft = h - y;
    if (ed && ed->GetCurrentRow() != rowsLeft) ed->SetRow(rowsLeft);
    for (int32_t i = 0; i < w; ++i) {
      const int32_t x = rightToLeft ? w - 1 - i : i;
      const uint8_t* sp = s + static_cast<intptr_t>(x) * S::kBytes;
      uint8_t index;
      switch (method) {
        case kConvertErrorDiffusion: {
          const Rgb c = src.DitherColor(sp);
          index = ed->Dither(c.r, c.g, c.b);
          break;
        }
        case kConvertOrdered: {
          const Rgb c = src.DitherColor(sp);
          index = ordered->Dither(c.r, c.g, c.b, x, rowsLeft);
          break;
        }
        case kConvertRandom: {
          const Rgb c = src.DitherColor(sp);
          index = random->Dither(c.r, c.g, c.b);
          break;
        }
        default: index = nearest[src.NearestKey(sp)]; break;
      }
      if (keyActive) {
        if (src.Raw(sp) == sourceKey) {
          index = static_cast<uint8_t>(kPrime);
        } else if (index == kPrime) {
          index = static_cast<uint8_t>(kSecond);
        }
      }
      d[x] = index;
    }
  }
}

// Moves the three colour bytes between two byte layouts of 24 or 32 bits.
template <class S, class D>
void ConvertBytes(const S& src, const D& dst, const uint8_t* s, int32_t ss, uint8_t* d, int32_t ds, int32_t w,
                  int32_t h) {
  for (int32_t y = 0; y < h; ++y, s += ss, d += ds) {
    const uint8_t* sp = s;
    uint8_t* dp = d;
    for (int32_t x = 0; x < w; ++x, sp += S::kBytes, dp += D::kBytes) dst.Store(dp, dst.Pack(src.Color(sp)));
  }
}

bool HasColors(const ColorTableData* t) { return t && t->colors; }
Src24 MakeSrc24(uint16_t format) { return Src24{format == kFormatRGB24}; }
Src32 MakeSrc32(uint16_t format) { return Src32{GetPixelShifts32(format), format}; }
Dst24 MakeDst24(uint16_t format) { return Dst24{format == kFormatRGB24}; }
Dst32 MakeDst32(uint16_t format) { return Dst32{GetPixelShifts32(format)}; }

// The destination row step of 15- and 16-bit targets from 8 bits counts whole 16-bit words.
int32_t WordStep(int32_t step) { return (step / 2) * 2; }

}  // namespace

int32_t GetEightBitConversionMethod() { return gEightBitConversionMethod; }
int32_t SetEightBitConversionMethod(int32_t method) {
  const int32_t old = gEightBitConversionMethod;
  gEightBitConversionMethod = method;
  return old;
}
int32_t GetHighColorConversionMethod() { return gHighColorConversionMethod; }
int32_t SetHighColorConversionMethod(int32_t method) {
  const int32_t old = gHighColorConversionMethod;
  gHighColorConversionMethod = method;
  return old;
}

#define CONVERTER(name)                                                                                           \
  void name(const uint8_t* s, int32_t ss, [[maybe_unused]] uint16_t sf, [[maybe_unused]] const ColorTableData* st, \
            uint8_t* d, int32_t ds, [[maybe_unused]] uint16_t df, [[maybe_unused]] const ColorTableData* dt,      \
            int32_t w, int32_t h, [[maybe_unused]] TransferAttributes* at)

CONVERTER(Convert8To8) {
  if (!ValidFrame(s, d, w, h) || !HasColors(st) || !HasColors(dt)) return;
  if (ColorTableBeginsWith(*dt, *st)) {
    // The destination palette holds the source's colours at the same indexes:
    // the indexes are copied unchanged (and an index key stays valid).
    for (int32_t y = 0; y < h; ++y, s += ss, d += ds) std::memmove(d, s, static_cast<size_t>(w));
    return;
  }
  ConvertTo8(Src8{st->colors}, st, s, ss, d, ds, dt, w, h, at, true);
}

CONVERTER(Convert8To15) {
  if (!ValidFrame(s, d, w, h) || !HasColors(st)) return;
  ConvertWiden(Src8{st->colors}, Dst15{}, st, s, ss, d, WordStep(ds), w, h, at, false);
}
CONVERTER(Convert8To16) {
  if (!ValidFrame(s, d, w, h) || !HasColors(st)) return;
  ConvertWiden(Src8{st->colors}, Dst16{}, st, s, ss, d, WordStep(ds), w, h, at, false);
}
CONVERTER(Convert8To24) {
  if (!ValidFrame(s, d, w, h) || !HasColors(st)) return;
  ConvertWiden(Src8{st->colors}, MakeDst24(df), st, s, ss, d, ds, w, h, at, false);
}
CONVERTER(Convert8To32) {
  if (!ValidFrame(s, d, w, h) || !HasColors(st)) return;
  ConvertWiden(Src8{st->colors}, MakeDst32(df), st, s, ss, d, ds, w, h, at, false);
}

CONVERTER(Convert15To8) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertTo8(Src15{}, st, s, ss, d, ds, dt, w, h, at, true);
}
CONVERTER(Convert15To16) {
  if (!ValidFrame(s, d, w, h)) return;
  const Src15 src;
  const Dst16 dst;
  const DeepKey key = PrepareDeepKey(src, dst, st, at, false);
  ConvertDirect(src, dst, s, ss, d, ds, w, h, key, [](const uint8_t* p) {
    const uint32_t v = Load16(p);
    return ((v & 0x7C00u) << 1) | ((v & 0x3E0u) << 1) | (v & 0x1Fu);
  });
}
CONVERTER(Convert15To24) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertWiden(Src15{}, MakeDst24(df), st, s, ss, d, ds, w, h, at, false);
}
CONVERTER(Convert15To32) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertWiden(Src15{}, MakeDst32(df), st, s, ss, d, ds, w, h, at, false);
}

CONVERTER(Convert16To8) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertTo8(Src16{}, st, s, ss, d, ds, dt, w, h, at, true);
}
CONVERTER(Convert16To15) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertWiden(Src16{}, Dst15{}, st, s, ss, d, ds, w, h, at, true);
}
CONVERTER(Convert16To24) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertWiden(Src16{}, MakeDst24(df), st, s, ss, d, ds, w, h, at, false);
}
CONVERTER(Convert16To32) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertWiden(Src16{}, MakeDst32(df), st, s, ss, d, ds, w, h, at, false);
}

CONVERTER(Convert24To8) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertTo8(MakeSrc24(sf), st, s, ss, d, ds, dt, w, h, at, false);
}
CONVERTER(Convert24To15) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertHighColor(MakeSrc24(sf), Dst15{}, s, ss, d, ds, w, h, at);
}
CONVERTER(Convert24To16) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertHighColor(MakeSrc24(sf), Dst16{}, s, ss, d, ds, w, h, at);
}
CONVERTER(Convert24To24) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertBytes(MakeSrc24(sf), MakeDst24(df), s, ss, d, ds, w, h);
}
CONVERTER(Convert24To32) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertBytes(MakeSrc24(sf), MakeDst32(df), s, ss, d, ds, w, h);
}

CONVERTER(Convert32To8) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertTo8(MakeSrc32(sf), st, s, ss, d, ds, dt, w, h, at, false);
}
CONVERTER(Convert32To15) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertHighColor(MakeSrc32(sf), Dst15{}, s, ss, d, ds, w, h, at);
}
CONVERTER(Convert32To16) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertHighColor(MakeSrc32(sf), Dst16{}, s, ss, d, ds, w, h, at);
}
CONVERTER(Convert32To24) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertBytes(MakeSrc32(sf), MakeDst24(df), s, ss, d, ds, w, h);
}
CONVERTER(Convert32To32) {
  if (!ValidFrame(s, d, w, h)) return;
  ConvertBytes(MakeSrc32(sf), MakeDst32(df), s, ss, d, ds, w, h);
}

#undef CONVERTER

DepthConverter GetDepthConverter(int32_t sourceDepth, int32_t destinationDepth) {
  static constexpr DepthConverter kTable[5][5] = {
      {Convert8To8, Convert8To15, Convert8To16, Convert8To24, Convert8To32},
      {Convert15To8, nullptr, Convert15To16, Convert15To24, Convert15To32},
      {Convert16To8, Convert16To15, nullptr, Convert16To24, Convert16To32},
      {Convert24To8, Convert24To15, Convert24To16, Convert24To24, Convert24To32},
      {Convert32To8, Convert32To15, Convert32To16, Convert32To24, Convert32To32},
  };
  const int32_t s = DepthTableColumn(sourceDepth);
  const int32_t d = DepthTableColumn(destinationDepth);
  if (s < 0 || d < 0) return nullptr;
  return kTable[s][d];
}
