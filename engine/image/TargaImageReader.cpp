#include "engine/image/TargaImageReader.h"

#include <cstring>
#include <memory>
#include <new>

#include "engine/core/VFile.h"
#include "engine/core/ByteFields.h"
#include "engine/graphics/ColorConstants.h"
#include "engine/image/Codecs.h"
#include "engine/graphics/PixelMap.h"

namespace {

enum TargaType : uint8_t {
  kColorMapped = 1,
  kTrueColor = 2,
  kGrey = 3,
  kColorMappedRLE = 9,
  kTrueColorRLE = 10,
  kGreyRLE = 11,
};

}  // namespace

int32_t VTargaImageReader::ReadHeader() {
  if (!file_) return -1;
  greyAlpha_ = false;
  file_->Seek(0, true);
  uint8_t h[18];
  if (file_->Read(h, 18) != 18) return -1;
  const uint8_t idLength = h[0];
  const uint8_t mapType = h[1];
  const uint8_t type = h[2];
  const uint16_t mapFirst = bytefields::LoadLE16(h + 3);
  const uint16_t mapLength = bytefields::LoadLE16(h + 5);
  const uint8_t mapBits = h[7];
  const int32_t width = bytefields::LoadLE16(h + 12);
  const int32_t height = bytefields::LoadLE16(h + 14);
  const uint8_t pixelBits = h[16];
  const uint8_t descriptor = h[17];

  uint8_t skip[256];
  if (idLength && file_->Read(skip, idLength) != idLength) return -1;

  // The colour map: kept for colour-mapped images, passed over otherwise.
  const int32_t entryBytes = (mapBits + 7) / 8;
  const int64_t mapBytes = mapType ? int64_t{mapLength} * entryBytes : 0;
  if (mapBytes > file_->GetLength() - file_->GetPosition()) return -1;
  const bool mapped = type == kColorMapped || type == kColorMappedRLE;
  colorCount_ = 0;
  if (mapped) {
    if (mapType != 1 || pixelBits != 8 || (entryBytes != 2 && entryBytes != 3 && entryBytes != 4)) return -1;
    for (int32_t i = 0; i < mapLength; ++i) {
      uint8_t e[4];
      if (file_->Read(e, entryBytes) != entryBytes) return -1;
      const int32_t index = mapFirst + i;
      if (index >= 256) continue;
      if (entryBytes == 2) {
        const uint16_t w = bytefields::LoadLE16(e);
        palette_[index] = DecodeColor555(w);
      } else {
        palette_[index] = VRGBColor(e[2], e[1], e[0]);
      }
      if (index + 1 > colorCount_) colorCount_ = index + 1;
    }
  } else {
    file_->Seek(mapBytes, false);
  }

  switch (type) {
    case kTrueColor:
    case kTrueColorRLE:
      if (pixelBits == 15 || pixelBits == 16) {
        depth_ = 15;
        pixelFormat_ = kFormat555LE;
        fileDepth_ = 16;
      } else if (pixelBits == 24) {
        depth_ = 24;
        pixelFormat_ = kFormatBGR24;
        fileDepth_ = 24;
      } else if (pixelBits == 32) {
        depth_ = 32;
        pixelFormat_ = kFormatBGRX32;
        fileDepth_ = 32;
      } else {
        return -1;
      }
      break;
    case kColorMapped:
    case kColorMappedRLE:
      depth_ = 8;
      pixelFormat_ = kFormatIndexed8;
      fileDepth_ = 8;
      break;
    case kGrey:
    case kGreyRLE:
      if (pixelBits != 8 && pixelBits != 16) return -1;
      depth_ = 8;
      pixelFormat_ = kFormatIndexed8;
      fileDepth_ = pixelBits;
      greyAlpha_ = pixelBits == 16;
      for (int32_t i = 0; i < 256; ++i) palette_[i] = VRGBColor(i, i, i);
      colorCount_ = 256;
      break;
    default:
      return -1;
  }
  // Only the top-down bit and the count of attribute (alpha) bits are
  // understood; right-to-left and interleaved rows are refused.
  if (descriptor & 0xD0) return -1;
  if (width < 1 || height < 1) return -1;
  width_ = width;
  height_ = height;
  bottomUp_ = (descriptor & 0x20) ? 0 : 1;
  runLength_ = type >= kColorMappedRLE ? 1 : 0;
  dataOffset_ = file_->GetPosition();
  if (int64_t{width} * height > kMaxImagePixels) {
    SetFailureReason("size over the limit");
    return -1;
  }
  // The pixels must fit in the file (a run-length packet holds at most 128
  // pixels in 1 + pixel bytes).
  const int64_t total = int64_t{BytesPerPixel(fileDepth_)} * width * height;
  const int64_t available = file_->GetLength() - dataOffset_;
  if (runLength_ ? total > available * 128 : total > available) {
    SetFailureReason("damaged data");
    return -1;
  }
  return 0;
}

int32_t VTargaImageReader::ReadImage(PixelMap& target, int32_t flags, int32_t, int32_t) {
  if (!(flags & kReadPixels)) return 0;
  if (!file_ || width_ < 1 || height_ < 1 || target.GetDepth() != depth_) return -1;
  if (target.GetWidth() < width_ || target.GetHeight() < height_) return -1;
  const int64_t pixelBytes = BytesPerPixel(fileDepth_);
  const int64_t rowLength = pixelBytes * width_;
  const int64_t total = rowLength * height_;
  const int64_t available = file_->GetLength() - dataOffset_;
  if (total > 0x7FFFFFFF) return -1;
  // A run-length packet holds at most 128 pixels in 1 + pixel bytes.
  if (runLength_ ? total > available * 128 : total > available) return -1;

  std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[static_cast<size_t>(total)]);
  if (!rows) return -1;
  file_->Seek(dataOffset_, true);
  if (runLength_) {
    const int64_t length = available > 0x7FFFFFFF ? 0x7FFFFFFF : available;
    std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
    if (!packed || file_->Read(packed.get(), static_cast<int32_t>(length)) != length) return -1;
    VTargaRLECodec codec(fileDepth_, packed.get(), static_cast<size_t>(length), rows.get());
    if (codec.Decode(static_cast<int32_t>(total)) != total) return -1;
  } else if (file_->Read(rows.get(), static_cast<int32_t>(total)) != total) {
    return -1;
  }

  {
    PixelMapLock lock(&target);
    if (!target.GetPixels()) return -1;
    for (int32_t r = 0; r < height_; ++r) {
      const int32_t y = bottomUp_ ? height_ - 1 - r : r;
      uint8_t* dst = target.GetPixelAddress(VPoint(0, y));
      if (!dst) return -1;
      const uint8_t* src = rows.get() + r * rowLength;
      if (greyAlpha_) {
        for (int32_t x = 0; x < width_; ++x) dst[x] = src[x * 2];
      } else {
        std::memcpy(dst, src, static_cast<size_t>(rowLength));
      }
    }
    if (target.GetPixelFormat() != pixelFormat_) target.ConvertPixelFormat(pixelFormat_, 0);
  }
  if (flags & kReadColorTable) RemapArrangedIndices(target);
  return 0;
}
