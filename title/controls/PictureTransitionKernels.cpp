#include "title/controls/PictureTransitionKernels.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/PixelMap.h"

namespace {

inline uint16_t Load(const uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline void Store(uint8_t* p, uint16_t v, bool bigEndian) {
  if (bigEndian) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
  } else {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
  }
}

// One pixel from s to d, swapping the bytes when the views' orders differ.
inline void CopyWord(uint8_t* d, const uint8_t* s, bool swap) {
  if (swap) {
    const uint8_t lo = s[0];
    d[0] = s[1];
    d[1] = lo;
  } else {
    d[0] = s[0];
    d[1] = s[1];
  }
}

VRect Clipped(const VRect& area, const WordPixelView& view) {
  VRect out;
  if (!area.Intersect(view.Bounds(), out)) return VRect();
  return out;
}

// In 16-bit arithmetic throughout (a component times the factor stays below
// 4096), so that the loop runs eight pixels to a vector register.
template <bool kSixBitGreen>
void FadeRow(uint16_t* __restrict d, const uint16_t* __restrict s, int32_t count, uint16_t f) {
  constexpr int kRedShift = kSixBitGreen ? 11 : 10;
  constexpr uint16_t kGreenMask = kSixBitGreen ? 63 : 31;
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t p = s[i];
    const auto r = static_cast<uint16_t>((static_cast<uint16_t>((p >> kRedShift) & 31) * f) >> 6);
    const auto g = static_cast<uint16_t>((static_cast<uint16_t>((p >> 5) & kGreenMask) * f) >> 6);
    const auto b = static_cast<uint16_t>((static_cast<uint16_t>(p & 31) * f) >> 6);
    d[i] = static_cast<uint16_t>((r << kRedShift) | (g << 5) | b);
  }
}

}  // namespace

WordPixelView WordPixelView::Of(PixelMap& map) {
  WordPixelView v;
  const int32_t depth = map.GetDepth();
  if ((depth != 15 && depth != 16) || map.GetPixels() == nullptr) return v;
  const int32_t format = map.GetPixelFormat();
  v.width = map.GetWidth();
  v.height = map.GetHeight();
  if (v.width <= 0 || v.height <= 0) return v;
  v.sixBitGreen = IsWordFormat(format) ? WordLayoutOf(format) == kFormat565 : depth == 16;
  v.bigEndian = IsWordFormat(format) && !HasLittleEndianWords(format);
  v.top = map.GetPixelAddress(VPoint(0, 0));
  const uint8_t* second = v.height > 1 ? map.GetPixelAddress(VPoint(0, 1)) : nullptr;
  v.stride = second != nullptr ? second - v.top : map.GetRowBytes();
  return v;
}

void FadePixels(const WordPixelView& dst, const WordPixelView& src, const VRect& area, int32_t factor) {
  const VRect a = Clipped(Clipped(area, dst), src);
  if (a.IsEmpty()) return;
  const auto f = static_cast<uint16_t>(std::clamp(factor, 0, 64));
  const int32_t count = a.GetWidth();
  // Rows are worked in host-order words; big-endian words are swapped on
  // the way in and out.
  uint16_t in[1024];
  uint16_t out[1024];
  for (int32_t y = a.top; y < a.bottom; ++y) {
    const uint8_t* s = src.Row(y) + int64_t{a.left} * 2;
    uint8_t* d = dst.Row(y) + int64_t{a.left} * 2;
    for (int32_t x = 0; x < count; x += 1024) {
      const int32_t n = std::min(1024, count - x);
      if (src.bigEndian) {
        for (int32_t i = 0; i < n; ++i) in[i] = Load(s + (x + i) * 2, true);
      } else {
        std::memcpy(in, s + x * 2, static_cast<size_t>(n) * 2);
      }
      if (dst.sixBitGreen) {
        FadeRow<true>(out, in, n, f);
      } else {
        FadeRow<false>(out, in, n, f);
      }
      if (dst.bigEndian) {
        for (int32_t i = 0; i < n; ++i) Store(d + (x + i) * 2, out[i], true);
      } else {
        std::memcpy(d + x * 2, out, static_cast<size_t>(n) * 2);
      }
    }
  }
}

void RevealPatternCell(const WordPixelView& dst, const WordPixelView* src, const VRect& area, int32_t cell,
                       int32_t column, int32_t row) {
  VRect a = Clipped(area, dst);
  if (src != nullptr) a = Clipped(a, *src);
  if (a.IsEmpty() || cell <= 0 || column < 0 || row < 0 || column >= cell || row >= cell) return;
  auto firstAtOrAfter = [cell](int32_t from, int32_t phase) {
    const int32_t rest = ((from % cell) + cell) % cell;
    return from + ((phase - rest) % cell + cell) % cell;
  };
  for (int32_t y = firstAtOrAfter(a.top, row); y < a.bottom; y += cell) {
    uint8_t* d = dst.Row(y);
    const uint8_t* s = src != nullptr ? src->Row(y) : nullptr;
    for (int32_t x = firstAtOrAfter(a.left, column); x < a.right; x += cell) {
      if (s != nullptr) {
        CopyWord(d + int64_t{x} * 2, s + int64_t{x} * 2, src->bigEndian != dst.bigEndian);
      } else {
        d[int64_t{x} * 2] = 0;
        d[int64_t{x} * 2 + 1] = 0;
      }
    }
  }
}

uint32_t DissolvePeriod(int64_t pixelCount) {
  uint64_t period = 524288;
  while (static_cast<int64_t>(period) < pixelCount && period < (uint64_t{1} << 31)) period <<= 1;
  return static_cast<uint32_t>(period);
}

void DissolvePixels(const WordPixelView& dst, const WordPixelView* src, const VRect& rect, const VRect& clip,
                    uint32_t& state, int64_t& revealed, int64_t target) {
  const int64_t width = rect.GetWidth();
  const int64_t pixels = rect.IsEmpty() ? 0 : width * rect.GetHeight();
  target = std::min(target, pixels);
  if (revealed >= target) return;
  VRect c = Clipped(clip, dst);
  if (src != nullptr) c = Clipped(c, *src);
  const uint32_t period = DissolvePeriod(pixels);
  const auto columns = static_cast<uint32_t>(width);
  uint32_t g = state & (period - 1u);
  while (revealed < target) {
    if (g < pixels) {
      ++revealed;
      const uint32_t row = g / columns;
      const int32_t x = rect.left + static_cast<int32_t>(g - row * columns);
      const int32_t y = rect.top + static_cast<int32_t>(row);
      if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
        uint8_t* d = dst.Row(y) + int64_t{x} * 2;
        if (src != nullptr) {
          CopyWord(d, src->Row(y) + int64_t{x} * 2, src->bigEndian != dst.bigEndian);
        } else {
          d[0] = 0;
          d[1] = 0;
        }
      }
    }
    g = NextDissolveState(g, period);
  }
  state = g;
}

void CopyWordRect(const WordPixelView& dst, const WordPixelView& src, const VRect& srcRect, const VRect& dstRect,
                  const VRect& clip) {
  // Cut the destination to the clip and the view, the source to its view,
  // keeping both rectangles aligned.
  VRect d = dstRect;
  d.right = d.left + srcRect.GetWidth();
  d.bottom = d.top + srcRect.GetHeight();
  VRect cut;
  if (!d.Intersect(clip, cut) || !cut.Intersect(dst.Bounds(), cut)) return;
  VRect s(srcRect.left + (cut.left - d.left), srcRect.top + (cut.top - d.top), 0, 0);
  s.bottom = s.top + cut.GetHeight();
  s.right = s.left + cut.GetWidth();
  VRect sCut;
  if (!s.Intersect(src.Bounds(), sCut)) return;
  cut.left += sCut.left - s.left;
  cut.top += sCut.top - s.top;
  cut.right = cut.left + sCut.GetWidth();
  cut.bottom = cut.top + sCut.GetHeight();
  const size_t bytes = static_cast<size_t>(sCut.GetWidth()) * 2;
  const bool swap = src.bigEndian != dst.bigEndian;
  for (int32_t i = 0; i < sCut.GetHeight(); ++i) {
    uint8_t* d = dst.Row(cut.top + i) + int64_t{cut.left} * 2;
    const uint8_t* s = src.Row(sCut.top + i) + int64_t{sCut.left} * 2;
    if (!swap) {
      std::memmove(d, s, bytes);
      continue;
    }
    for (int32_t x = 0; x < sCut.GetWidth(); ++x) CopyWord(d + x * 2, s + x * 2, true);
  }
}
