#include "engine/image/GIFImageReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/core/Memory.h"
#include "engine/core/VFile.h"
#include "engine/core/ByteFields.h"
#include "engine/image/Codecs.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"

namespace {

// Whether `bytes` bytes of LZW data starting at `codeSize` can decode to
// `pixels` pixels. Each code costs its width in bits and yields at most one
// byte more than the code before it (at most 4096); from the second code on
// each adds one table entry, and the width grows when the entries reach it.
// Clear codes only shorten the strings, so this is the most any data yields.
bool LZWCanYield(int64_t bytes, int32_t codeSize, int64_t pixels) {
  if (codeSize < 2 || codeSize > 8) return pixels <= 0;
  int64_t bits = bytes * 8;
  int32_t width = codeSize + 1;
  int32_t next = (1 << codeSize) + 2;
  int64_t longest = 0;
  int64_t yielded = 0;
  for (int64_t code = 0; yielded < pixels; ++code) {
    if (bits < width) return false;
    bits -= width;
    longest = longest < 4096 ? longest + 1 : 4096;
    yielded += longest;
    if (code > 0 && next < 4096) {
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
  }
  return true;
}

// A screen this large needs no image to justify it.
constexpr int64_t kFreeScreenPixels = int64_t{1} << 20;
// Otherwise the screen may be this many times the largest image on it.
constexpr int64_t kScreenPerImagePixels = 16;

}  // namespace

VGIFImageReader::VGIFImageReader(VFile* file) : VImageReader(file) {
  if (!file) return;
  const int64_t length = file->GetLength();
  if (length < 1 || length > 0x7FFFFFFF) return;
  data_ = static_cast<uint8_t*>(AllocateMemory(static_cast<int32_t>(length)));
  if (!data_) return;
  file->Seek(0, true);
  if (file->Read(data_, static_cast<int32_t>(length)) != length) {
    FreeMemory(data_);
    data_ = nullptr;
    return;
  }
  size_ = static_cast<size_t>(length);
}

VGIFImageReader::~VGIFImageReader() { FreeMemory(data_); }

size_t VGIFImageReader::SkipSubBlocks(size_t pos) const {
  for (;;) {
    if (pos >= size_) return 0;
    const size_t length = data_[pos++];
    if (length == 0) return pos;
    if (size_ - pos < length) return 0;
    pos += length;
  }
}

void VGIFImageReader::MergeColors(const uint8_t* rgb, int32_t count, uint8_t* remap) {
  std::memset(remap, 0, 256);
  for (int32_t i = 0; i < count; ++i) {
    const VRGBColor c(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
    int32_t best = 0;
    int32_t bestDistance = INT_MAX;
    for (int32_t j = 0; j < colorCount_; ++j) {
      const int32_t dr = c.red - palette_[j].red;
      const int32_t dg = c.green - palette_[j].green;
      const int32_t db = c.blue - palette_[j].blue;
      const int32_t d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = j;
        if (d == 0) break;
      }
    }
    if (bestDistance != 0 && colorCount_ < 256) {
      palette_[colorCount_] = c;
      best = colorCount_++;
    }
    remap[i] = static_cast<uint8_t>(best);
  }
}

int32_t VGIFImageReader::ReadHeader() {
  if (!data_ || size_ < 13 || std::memcmp(data_, "GIF", 3) != 0) return -1;
  screenWidth_ = bytefields::LoadLE16(data_ + 6);
  screenHeight_ = bytefields::LoadLE16(data_ + 8);
  if (screenWidth_ < 1 || screenHeight_ < 1) return -1;
  depth_ = 8;
  pixelFormat_ = kFormatIndexed8;
  colorCount_ = 0;
  size_t pos = 13;
  const uint8_t flags = data_[10];
  if (flags & 0x80) {
    const int32_t count = 1 << ((flags & 7) + 1);
    if (size_ - pos < static_cast<size_t>(count) * 3) return -1;
    MergeColors(data_ + pos, count, globalRemap_);
    pos += static_cast<size_t>(count) * 3;
  }
  firstBlock_ = pos;

  // Find the images.
  images_.clear();
  while (pos < size_) {
    const uint8_t introducer = data_[pos++];
    if (introducer == 0x2C) {
      if (size_ - pos < 9) break;
      ImageRecord record;
      record.left = bytefields::LoadLE16(data_ + pos);
      record.top = bytefields::LoadLE16(data_ + pos + 2);
      record.width = bytefields::LoadLE16(data_ + pos + 4);
      record.height = bytefields::LoadLE16(data_ + pos + 6);
      const uint8_t imageFlags = data_[pos + 8];
      pos += 9;
      if (imageFlags & 0x80) {
        const size_t local = static_cast<size_t>(3) << ((imageFlags & 7) + 1);
        if (size_ - pos < local) break;
        pos += local;
      }
      if (pos >= size_) break;
      record.codeSize = data_[pos++];
      const size_t next = SkipSubBlocks(pos);
      // Data running to the end of the file still counts (its decoding
      // decides); nothing follows it.
      record.dataBytes = static_cast<int64_t>((next == 0 ? size_ : next) - pos);
      images_.push_back(record);
      if (next == 0) break;
      pos = next;
    } else if (introducer == 0x21) {
      if (pos >= size_) break;
      ++pos;  // the label
      const size_t next = SkipSubBlocks(pos);
      if (next == 0) break;
      pos = next;
    } else {
      break;  // the trailer, or anything else, ends the file
    }
  }
  const int32_t images = static_cast<int32_t>(images_.size());
  if (images < 1) return -1;
  width_ = screenWidth_;
  height_ = screenHeight_ * images;
  stackedFrameCount_ = images;
  frameCount_ = 1;
  selectedFrame_ = -1;
  return 0;
}

int32_t VGIFImageReader::SelectFrames(int32_t frameSelection) {
  const int32_t images = static_cast<int32_t>(images_.size());
  if (images < 1) return -1;
  if (frameSelection >= images) {
    SetFailureReason("no such frame");
    return -1;
  }
  const int32_t last = frameSelection >= 0 ? frameSelection : images - 1;
  const int32_t frames = frameSelection >= 0 ? 1 : images;
  if (int64_t{screenWidth_} * screenHeight_ * frames > kMaxImagePixels) {
    SetFailureReason("size over the limit");
    return -1;
  }
  // Every image the frames are made of must be one its data can yield, and
  // the screen must be drawn on.
  int64_t largest = 0;
  for (int32_t i = 0; i <= last; ++i) {
    const ImageRecord& image = images_[static_cast<size_t>(i)];
    if (!LZWCanYield(image.dataBytes, image.codeSize, int64_t{image.width} * image.height)) {
      SetFailureReason("damaged data");
      return -1;
    }
    const int64_t right = std::min<int64_t>(int64_t{image.left} + image.width, screenWidth_);
    const int64_t bottom = std::min<int64_t>(int64_t{image.top} + image.height, screenHeight_);
    const int64_t visibleWidth = std::max<int64_t>(0, right - image.left);
    const int64_t visibleHeight = std::max<int64_t>(0, bottom - image.top);
    largest = std::max(largest, visibleWidth * visibleHeight);
  }
  const int64_t screen = int64_t{screenWidth_} * screenHeight_;
  if (screen > kFreeScreenPixels && screen > largest * kScreenPerImagePixels) {
    SetFailureReason("damaged data");
    return -1;
  }
  selectedFrame_ = frameSelection >= 0 ? frameSelection : -1;
  height_ = screenHeight_ * frames;
  stackedFrameCount_ = frames;
  return 0;
}

int32_t VGIFImageReader::ReadImage(PixelMap& target, int32_t flags, int32_t, int32_t) {
  if (!(flags & kReadPixels)) return 0;
  if (!data_ || target.GetDepth() != 8 || stackedFrameCount_ < 1) return -1;
  if (target.GetWidth() < width_ || target.GetHeight() < height_) return -1;
  const int32_t frameHeight = height_ / stackedFrameCount_;
  // One selected frame is composed in place: each image from the first to
  // the selected one is drawn over what the images before it left.
  const bool single = selectedFrame_ >= 0;
  const int32_t lastImage = single ? selectedFrame_ : stackedFrameCount_ - 1;
  if (lastImage >= static_cast<int32_t>(images_.size())) return -1;
  const bool remap = (flags & kReadColorTable) != 0;

  PixelMapLock lock(&target);
  if (!target.GetPixels()) return -1;

  int32_t keyIndex = -1;
  size_t pos = firstBlock_;
  std::vector<uint8_t> row;
  auto codec = std::unique_ptr<VLZWCodec>();
  for (int32_t image = 0; image <= lastImage; ++image) {
    // Extensions up to the image descriptor.
    int32_t transparent = -1;
    for (;;) {
      if (pos >= size_) return -1;
      const uint8_t introducer = data_[pos++];
      if (introducer == 0x2C) break;
      if (introducer != 0x21 || pos >= size_) return -1;
      const uint8_t label = data_[pos++];
      if (label == 0xF9 && pos < size_ && data_[pos] >= 4 && size_ - pos >= 5) {
        if (data_[pos + 1] & 1) transparent = data_[pos + 4];
      }
      pos = SkipSubBlocks(pos);
      if (pos == 0) return -1;
    }
    if (size_ - pos < 9) return -1;
    const int32_t left = bytefields::LoadLE16(data_ + pos);
    const int32_t top = bytefields::LoadLE16(data_ + pos + 2);
    const int32_t width = bytefields::LoadLE16(data_ + pos + 4);
    const int32_t height = bytefields::LoadLE16(data_ + pos + 6);
    const uint8_t imageFlags = data_[pos + 8];
    pos += 9;
    const uint8_t* table = globalRemap_;
    if (imageFlags & 0x80) {
      const int32_t count = 1 << ((imageFlags & 7) + 1);
      if (size_ - pos < static_cast<size_t>(count) * 3) return -1;
      if (remap) MergeColors(data_ + pos, count, localRemap_);
      table = localRemap_;
      pos += static_cast<size_t>(count) * 3;
    }
    if (pos >= size_) return -1;
    const int32_t codeSize = data_[pos++];
    if (width < 1 || height < 1) return -1;

    const bool overlay = image > 0 && transparent >= 0;
    if (image == 0 && transparent >= 0) keyIndex = remap ? table[transparent] : transparent;
    const int32_t frameTop = single ? 0 : image * frameHeight;
    // The image rectangle clipped to the frame.
    const int32_t clipLeft = left < width_ ? left : width_;
    const int32_t clipRight = left + width < width_ ? left + width : width_;

    codec = std::make_unique<VLZWCodec>(data_ + pos, data_ + size_, codeSize);
    row.assign(static_cast<size_t>(width), 0);
    static constexpr int32_t kPassStart[4] = {0, 4, 2, 1};
    static constexpr int32_t kPassStep[4] = {8, 8, 4, 2};
    const bool interlaced = (imageFlags & 0x40) != 0;
    int32_t pass = 0;
    int32_t y = 0;
    for (int32_t n = 0; n < height; ++n) {
      if (codec->Decode(row.data(), width, n == height - 1) != width) return -1;
      const int32_t frameRow = top + y;
      if (frameRow < frameHeight && clipLeft < clipRight) {
        uint8_t* dst = target.GetPixelAddress(VPoint(0, frameTop + frameRow));
        const uint8_t* previous =
            image > 0 ? (single ? dst : target.GetPixelAddress(VPoint(0, frameTop - frameHeight + frameRow))) : nullptr;
        if (!dst) return -1;
        for (int32_t x = clipLeft; x < clipRight; ++x) {
          const uint8_t raw = row[static_cast<size_t>(x - left)];
          if (overlay && raw == transparent && previous) {
            dst[x] = previous[x];
          } else {
            dst[x] = remap ? table[raw] : raw;
          }
        }
      }
      if (interlaced) {
        y += kPassStep[pass];
        while (y >= height && pass < 3) {
          ++pass;
          y = kPassStart[pass];
        }
      } else {
        ++y;
      }
    }

    // Complete a later frame from the one before it: the rows and columns
    // that the image did not cover.
    if (image > 0 && !single) {
      for (int32_t fy = 0; fy < frameHeight; ++fy) {
        uint8_t* dst = target.GetPixelAddress(VPoint(0, frameTop + fy));
        const uint8_t* previous = target.GetPixelAddress(VPoint(0, frameTop - frameHeight + fy));
        if (!dst || !previous) return -1;
        if (fy < top || fy >= top + height || clipLeft >= clipRight) {
          std::memcpy(dst, previous, static_cast<size_t>(width_));
        } else {
          if (clipLeft > 0) std::memcpy(dst, previous, static_cast<size_t>(clipLeft));
          if (clipRight < width_) std::memcpy(dst + clipRight, previous + clipRight, static_cast<size_t>(width_ - clipRight));
        }
      }
    }

    const uint8_t* next = codec->SkipToEndOfData();
    if (!next) {
      // The data of this image ran to the end of the file: acceptable only
      // when no frame is missing.
      if (image < lastImage) return -1;
      break;
    }
    pos = static_cast<size_t>(next - data_);
  }

  if (remap) {
    VColorTable* table = GetColorTable(false);
    if (table) {
      target.SetColorTable(table, false);
      table->Release();
    }
    RemapArrangedIndices(target);
  }
  if (keyIndex >= 0) {
    PixelMapAttributes record;
    target.GetAttributes(record);
    record.SetKeyIndex(static_cast<uint8_t>(remap ? ArrangedIndex(keyIndex) : keyIndex));
    target.SetAttributes(record);
  }
  return 0;
}
