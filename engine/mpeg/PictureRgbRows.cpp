// Conversion to R, G, B rows: with the vector conversion by formula, each line
// goes through the 32-bit kernel into a line that stays in the cache and is
// packed to 3 bytes a pixel from there; without it, the 24-bit conversion
// through the colour table writes the rows directly.
#include "engine/mpeg/PictureRgbRows.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/VYCbCrColorTable.h"
#include "engine/mpeg/VYCbCrPicture.h"
#include "engine/mpeg/VideoKernels.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// Red, green and blue of `count` 4-byte pixels (R, G, B, 0) to 3 bytes each.
void PackRgbxScalar(const uint8_t* in, uint8_t* out, int32_t count) {
  for (int32_t i = 0; i < count; ++i, in += 4, out += 3) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
  }
}

#if defined(__SSE2__)
// 16 pixels at a time: each 16 bytes lose their fourth bytes, and the four
// 12-byte pieces are joined into three stores. The vector conversion by
// formula runs only on AVX2 processors, which have these instructions.
__attribute__((target("ssse3"))) void PackRgbx(const uint8_t* in, uint8_t* out, int32_t count) {
  const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int32_t i = 0;
  for (; i + 16 <= count; i += 16, in += 64, out += 48) {
    const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), drop);
    const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16)), drop);
    const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32)), drop);
    const __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 48)), drop);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(a, _mm_slli_si128(b, 12)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
  }
  PackRgbxScalar(in, out, count - i);
}
#endif

}  // namespace

bool ConvertPictureToRgbRows(const VYCbCrPicture& picture, int32_t width, int32_t height, uint8_t* out,
                             ptrdiff_t stride) {
  const int32_t chromaFormat = picture.GetChromaFormat();
  VYCbCrColorTable* table = picture.GetColorTable();
  if (!out || !table || (chromaFormat != 1 && chromaFormat != 2)) return false;
  if (!table->GetClip() || !table->GetLuma() || !table->GetCrToRedTable() || !table->GetCbToBlueTable() ||
      !table->GetCbToGreenTable() || !table->GetCrToGreenTable())
    return false;
  width = std::min(width, picture.GetLumaWidth());
  height = std::min(height, picture.GetLumaHeight());
  if (width <= 0 || height <= 0) return true;
#if defined(__SSE2__)
  if (HasVectorFormulaConversion()) {
    const VPixel16Formula formula = Pixel16FormulaOf(*table, 16);
    const int32_t offsets[4] = {0, 1, 2, 3};
    std::vector<uint8_t> line(static_cast<size_t>(width) * 4);
    const int32_t lumaStride = picture.GetLumaWidth();
    const int32_t chromaStride = picture.GetChromaWidth();
    for (int32_t row = 0; row < height; ++row) {
      const int32_t chromaRow = chromaFormat == 2 ? row : row >> 1;
      ConvertLineTo32BitsByFormula(line.data(), picture.Y() + int64_t{row} * lumaStride,
                                   picture.Cb() + int64_t{chromaRow} * chromaStride,
                                   picture.Cr() + int64_t{chromaRow} * chromaStride, width, formula, offsets);
      PackRgbx(line.data(), out + row * stride, width);
    }
    return true;
  }
#endif
  if (stride < int64_t{width} * 3 || stride > INT32_MAX) return false;
  PixelBuffer rows;
  rows.pixels = out;
  rows.rowBytes = static_cast<int32_t>(stride);
  rows.width = width;
  rows.height = height;
  rows.depth = 24;
  rows.pixelFormat = kFormatRGB24;
  return picture.VYCbCrPicture::ConvertToPixels(rows, 0, 0, width, height);
}
