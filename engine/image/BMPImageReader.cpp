#include "engine/image/BMPImageReader.h"

#include <bit>
#include <cstring>
#include <vector>
#include <memory>
#include <new>

#include "engine/core/VFile.h"
#include "engine/core/ByteFields.h"
#include "engine/image/Codecs.h"
#include "engine/graphics/PixelMap.h"

namespace {

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRLE8 = 1;
constexpr uint32_t kCompressionRLE4 = 2;
constexpr uint32_t kCompressionBitFields = 3;

// Run-length pictures up to this size are accepted whatever their data.
constexpr int64_t kFreeRunLengthPixels = int64_t{1} << 20;
// Beyond it, the pixels one byte of run-length data may stand for: a run of
// 255 pixels takes two bytes, doubled for rows ended early.
constexpr int64_t kRunLengthPixelsPerByte = 256;

// Stored row length of a BMP: rows padded to 32 bits.
int64_t StoredRowBytes(int32_t bitCount, int32_t width) { return ((int64_t{bitCount} * width + 31) >> 5) * 4; }

// Bit fields the reader can take apart: three non-empty runs of set bits
// inside the pixel, not overlapping.
bool UsableMasks(const uint32_t* masks, int32_t bitCount) {
  const uint64_t pixelBits = bitCount == 32 ? 0xFFFFFFFFull : (uint64_t{1} << bitCount) - 1;
  uint32_t seen = 0;
  for (int32_t c = 0; c < 3; ++c) {
    const uint32_t m = masks[c];
    if (m == 0 || m > pixelBits || (m & seen)) return false;
    const uint32_t run = m >> std::countr_zero(m);
    if ((run & (run + 1)) != 0) return false;
    seen |= m;
  }
  return true;
}

}  // namespace

int32_t VBMPImageReader::ReadHeader() {
  if (!file_) return -1;
  masked_ = false;
  file_->Seek(0, true);
  uint8_t fileHeader[14];
  if (file_->Read(fileHeader, 14) != 14 || fileHeader[0] != 'B' || fileHeader[1] != 'M') return -1;
  const uint32_t pixelOffset = bytefields::LoadLE32(fileHeader + 10);

  uint8_t info[124] = {};
  if (file_->Read(info, 4) != 4) return -1;
  const uint32_t headerSize = bytefields::LoadLE32(info);
  int64_t width = 0;
  int64_t height = 0;
  int32_t bitCount = 0;
  uint32_t colorsUsed = 0;
  bool os2 = false;
  if (headerSize == 12) {
    // The OS/2 1.x form: 16-bit width, height, planes and bit count; palette
    // entries of three bytes.
    if (file_->Read(info + 4, 8) != 8) return -1;
    width = bytefields::LoadLE16(info + 4);
    height = static_cast<int16_t>(bytefields::LoadLE16(info + 6));
    bitCount = bytefields::LoadLE16(info + 10);
    compression_ = kCompressionNone;
    imageByteCount_ = 0;
    os2 = true;
  } else if (headerSize >= 16 && headerSize <= 124) {
    // 40-byte and longer forms (OS/2 2.x, V2..V5) share the first 40 bytes;
    // a shorter OS/2 2.x header leaves the rest 0.
    if (file_->Read(info + 4, static_cast<int32_t>(headerSize - 4)) != static_cast<int32_t>(headerSize - 4))
      return -1;
    width = static_cast<int32_t>(bytefields::LoadLE32(info + 4));
    height = static_cast<int32_t>(bytefields::LoadLE32(info + 8));
    bitCount = bytefields::LoadLE16(info + 14);
    compression_ = bytefields::LoadLE32(info + 16);
    imageByteCount_ = bytefields::LoadLE32(info + 20);
    colorsUsed = bytefields::LoadLE32(info + 32);
  } else {
    return -1;
  }

  if (width < 1 || height == 0 || width > 0x7FFF || height > 0x7FFF || height < -0x7FFF) return -1;
  bottomUp_ = height > 0 ? 1 : 0;
  if (height < 0) height = -height;
  width_ = static_cast<int32_t>(width);
  height_ = static_cast<int32_t>(height);
  bitCount_ = bitCount;

  // Depth and pixel format of what the reader delivers.
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
      depth_ = 8;
      pixelFormat_ = kFormatIndexed8;
      if (compression_ == kCompressionRLE8 && bitCount != 8) return -1;
      if (compression_ == kCompressionRLE4 && bitCount != 4) return -1;
      if (compression_ != kCompressionNone && compression_ != kCompressionRLE8 && compression_ != kCompressionRLE4)
        return -1;
      if ((compression_ == kCompressionRLE8 || compression_ == kCompressionRLE4) && !bottomUp_) return -1;
      break;
    case 16:
    case 32: {
      uint32_t masks[3] = {0, 0, 0};
      if (compression_ == kCompressionBitFields) {
        if (headerSize >= 52) {
          masks[0] = bytefields::LoadLE32(info + 40);
          masks[1] = bytefields::LoadLE32(info + 44);
          masks[2] = bytefields::LoadLE32(info + 48);
        } else {
          uint8_t raw[12];
          if (file_->Read(raw, 12) != 12) return -1;
          masks[0] = bytefields::LoadLE32(raw);
          masks[1] = bytefields::LoadLE32(raw + 4);
          masks[2] = bytefields::LoadLE32(raw + 8);
        }
      } else if (compression_ != kCompressionNone) {
        return -1;
      } else if (bitCount == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
      } else {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
      }
      if (bitCount == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) {
        depth_ = 15;
        pixelFormat_ = kFormat555LE;
      } else if (bitCount == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) {
        depth_ = 16;
        pixelFormat_ = kFormat565LE;
      } else if (bitCount == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) {
        depth_ = 32;
        pixelFormat_ = kFormatBGRX32;
      } else if (UsableMasks(masks, bitCount)) {
        depth_ = 24;
        pixelFormat_ = kFormatBGR24;
        masked_ = true;
        for (int32_t c = 0; c < 3; ++c) masks_[c] = masks[c];
      } else {
        return -1;
      }
      break;
    }
    case 24:
      if (compression_ != kCompressionNone) return -1;
      depth_ = 24;
      pixelFormat_ = kFormatBGR24;
      break;
    default:
      return -1;
  }

  // Colours: the header's count, at most what the bits can index (and 256).
  colorCount_ = 0;
  if (bitCount <= 8) {
    const uint32_t maximum = 1u << bitCount;
    uint32_t count = colorsUsed == 0 ? maximum : colorsUsed;
    if (count > maximum) count = maximum;
    // The palette follows the info header (whatever its size).
    file_->Seek(14 + static_cast<int64_t>(headerSize), true);
    const int32_t entrySize = os2 ? 3 : 4;
    uint8_t raw[256 * 4];
    const int32_t bytes = static_cast<int32_t>(count) * entrySize;
    if (file_->Read(raw, bytes) != bytes) return -1;  // a palette larger than the file
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = raw + i * static_cast<uint32_t>(entrySize);
      palette_[i] = VRGBColor(e[2], e[1], e[0]);
    }
    colorCount_ = static_cast<int32_t>(count);
  }

  dataOffset_ = pixelOffset != 0 ? static_cast<int64_t>(pixelOffset) : file_->GetPosition();
  if (dataOffset_ > file_->GetLength()) return -1;
  if (int64_t{width_} * height_ > kMaxImagePixels) {
    SetFailureReason("size over the limit");
    return -1;
  }
  const int64_t body = file_->GetLength() - dataOffset_;
  if (compression_ == kCompressionRLE8 || compression_ == kCompressionRLE4) {
    // A run-length body must be able to cover the picture: two bytes give
    // at most 255 pixels (rows ended early or skipped by a delta stay
    // blank, so a small picture needs no data at all).
    if (int64_t{width_} * height_ > kFreeRunLengthPixels + body * kRunLengthPixelsPerByte) {
      SetFailureReason("damaged data");
      return -1;
    }
  } else if (StoredRowBytes(bitCount_, width_) * height_ > body) {
    // Uncompressed rows must all be in the file.
    SetFailureReason("damaged data");
    return -1;
  }
  file_->Seek(dataOffset_, true);
  return 0;
}

int32_t VBMPImageReader::ReadImage(PixelMap& target, int32_t flags, int32_t, int32_t) {
  if (!(flags & kReadPixels)) return 0;
  if (!file_ || width_ < 1 || height_ < 1) return -1;
  if (target.GetDepth() != depth_) return -1;
  if (target.GetWidth() < width_ || target.GetHeight() < height_) return -1;
  file_->Seek(dataOffset_, true);

  int32_t result = -1;
  if (compression_ == kCompressionRLE8 || compression_ == kCompressionRLE4) {
    result = ReadRunLength(target);
  } else if (masked_) {
    result = ReadMaskedRows(target);
  } else if (bitCount_ < 8) {
    result = ReadPackedRows(target);
  } else {
    const int64_t rowBytes = StoredRowBytes(bitCount_, width_);
    if (rowBytes * height_ > file_->GetLength() - dataOffset_) return -1;
    const int32_t read = target.ReadPixels(*file_, width_, height_, static_cast<int32_t>(rowBytes), depth_,
                                           pixelFormat_, bottomUp_ != 0);
    result = read == 0 ? -1 : 0;
  }
  if (result == 0 && (flags & kReadColorTable)) RemapArrangedIndices(target);
  return result;
}

// 1- and 4-bit rows: each pixel becomes one byte of the 8-bit target.
int32_t VBMPImageReader::ReadPackedRows(PixelMap& target) {
  const int64_t rowBytes = StoredRowBytes(bitCount_, width_);
  const int64_t total = rowBytes * height_;
  if (total > file_->GetLength() - dataOffset_ || total > 0x7FFFFFFF) return -1;
  std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[static_cast<size_t>(total)]);
  if (!rows) return -1;
  if (file_->Read(rows.get(), static_cast<int32_t>(total)) != total) return -1;
  PixelMapLock lock(&target);
  if (!target.GetPixels()) return -1;
  const int32_t perByte = 8 / bitCount_;
  const uint8_t mask = static_cast<uint8_t>((1 << bitCount_) - 1);
  for (int32_t y = 0; y < height_; ++y) {
    const int32_t stored = bottomUp_ ? height_ - 1 - y : y;
    const uint8_t* src = rows.get() + stored * rowBytes;
    uint8_t* dst = target.GetPixelAddress(VPoint(0, y));
    if (!dst) return -1;
    for (int32_t x = 0; x < width_; ++x) {
      const int32_t shift = 8 - bitCount_ * (x % perByte + 1);
      dst[x] = static_cast<uint8_t>((src[x / perByte] >> shift) & mask);
    }
  }
  return 0;
}

int32_t VBMPImageReader::ReadRunLength(PixelMap& target) {
  if (target.GetDepth() != 8 || target.GetHeight() != height_) return -1;
  const int64_t length = file_->GetLength() - dataOffset_;
  if (length < 2 || length > 0x7FFFFFFF) return -1;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
  if (!data) return -1;
  if (file_->Read(data.get(), static_cast<int32_t>(length)) != length) return -1;

  PixelMapLock lock(&target);
  uint8_t* pixels = target.GetPixels();
  if (!pixels) return -1;
  target.ClearPixels();
  const int32_t rowBytes = target.GetRowBytes();
  // The codec fills rows in the file's order (bottom row first); only the
  // first `height` rows of the target are its destination.
  const size_t destinationLength = static_cast<size_t>(rowBytes) * static_cast<size_t>(height_);
  int32_t decoded = 0;
  if (compression_ == kCompressionRLE8) {
    VRunLengthCodec codec(data.get(), static_cast<size_t>(length), pixels, destinationLength, rowBytes);
    decoded = codec.Decode(0);
  } else {
    VRunLengthNibbleCodec codec(data.get(), static_cast<size_t>(length), pixels, destinationLength, rowBytes);
    decoded = codec.Decode(0);
  }
  if (decoded == 0) return -1;
  // The codec wrote stored row 0 first; a top-down target wants it last.
  if (!target.IsDibSection()) target.FlipVertically();
  return 0;
}

int32_t VBMPImageReader::ReadMaskedRows(PixelMap& target) {
  const int64_t rowBytes = StoredRowBytes(bitCount_, width_);
  if (rowBytes * height_ > file_->GetLength() - dataOffset_) return -1;
  int32_t shifts[3];
  uint64_t maxima[3];
  for (int32_t c = 0; c < 3; ++c) {
    shifts[c] = std::countr_zero(masks_[c]);
    maxima[c] = masks_[c] >> shifts[c];
  }
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  PixelMapLock lock(&target);
  if (!target.GetPixels()) return -1;
  const bool redFirst = target.GetPixelFormat() == kFormatRGB24;
  for (int32_t r = 0; r < height_; ++r) {
    if (file_->Read(row.data(), static_cast<int32_t>(rowBytes)) != rowBytes) return -1;
    const int32_t y = bottomUp_ ? height_ - 1 - r : r;
    uint8_t* dst = target.GetPixelAddress(VPoint(0, y));
    if (!dst) return -1;
    for (int32_t x = 0; x < width_; ++x) {
      const uint32_t v = bitCount_ == 16 ? bytefields::LoadLE16(row.data() + x * 2)
                                         : bytefields::LoadLE32(row.data() + static_cast<size_t>(x) * 4);
      uint8_t rgb[3];
      for (int32_t c = 0; c < 3; ++c) {
        const uint64_t value = (v & masks_[c]) >> shifts[c];
        rgb[c] = static_cast<uint8_t>((value * 255 + maxima[c] / 2) / maxima[c]);
      }
      uint8_t* p = dst + x * 3;
      p[0] = redFirst ? rgb[0] : rgb[2];
      p[1] = rgb[1];
      p[2] = redFirst ? rgb[2] : rgb[0];
    }
  }
  return 0;
}
