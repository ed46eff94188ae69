// Pictures converted straight to R, G, B rows: the colours of the 32-bit
// conversion into a pixel buffer, at every width (the vector packing works in
// groups of 16 pixels and finishes one at a time), both chroma formats and
// every instruction-set level.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/PictureRgbRows.h"
#include "engine/mpeg/VYCbCrPicture.h"
#include "engine/mpeg/VideoKernels.h"

namespace {

TEST(PictureRgbRows, RowsHoldTheColoursOfThe32BitConversion) {
  std::mt19937 random(11);
  const int32_t best = SetVideoSimdLevel(kVideoSimdAvx512);
  for (const int32_t chromaFormat : {1, 2}) {
    VYCbCrPicture picture(3, 2, chromaFormat, nullptr);  // 48 x 32
    for (uint8_t* plane : {picture.Y(), picture.Cb(), picture.Cr()}) {
      const size_t size = plane == picture.Y() ? size_t{48} * 32 : size_t{24} * 16 * chromaFormat;
      for (size_t i = 0; i < size; ++i) plane[i] = static_cast<uint8_t>(random());
    }
    for (int32_t width = 1; width <= 48; ++width) {
      const int32_t height = width % 2 ? 31 : 32;
      for (int32_t level = kVideoSimdScalar; level <= best; ++level) {
        SetVideoSimdLevel(level);
        std::vector<uint8_t> x32(static_cast<size_t>(width) * height * 4);
        PixelBuffer buffer;
        buffer.pixels = x32.data();
        buffer.rowBytes = width * 4;
        buffer.width = width;
        buffer.height = height;
        buffer.depth = 32;
        buffer.pixelFormat = kFormatRGBX32;
        ASSERT_TRUE(picture.ConvertToPixels(buffer, 0, 0, width, height));
        // Rows further apart than their pixels: the bytes between stay as they were.
        const int32_t stride = width * 3 + 5;
        std::vector<uint8_t> want(static_cast<size_t>(stride) * height, 0xA5);
        for (int32_t y = 0; y < height; ++y)
          for (int32_t x = 0; x < width; ++x)
            for (int32_t c = 0; c < 3; ++c)
              want[static_cast<size_t>(y) * stride + 3 * x + c] = x32[(static_cast<size_t>(y) * width + x) * 4 + c];
        std::vector<uint8_t> got(want.size(), 0xA5);
        ASSERT_TRUE(ConvertPictureToRgbRows(picture, width, height, got.data(), stride));
        ASSERT_EQ(got, want) << "chroma format " << chromaFormat << " width " << width << " level " << level;
      }
    }
  }
  SetVideoSimdLevel(best);
}

// A chroma format without a conversion is refused with nothing written.
TEST(PictureRgbRows, OtherChromaFormatsAreRefused) {
  VYCbCrPicture picture(1, 1, 3, nullptr);
  std::vector<uint8_t> rows(16 * 16 * 3, 7);
  EXPECT_FALSE(ConvertPictureToRgbRows(picture, 16, 16, rows.data(), 48));
  EXPECT_EQ(rows, std::vector<uint8_t>(16 * 16 * 3, 7));
}

}  // namespace
