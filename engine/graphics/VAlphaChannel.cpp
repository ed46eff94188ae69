#include "engine/graphics/VAlphaChannel.h"

#include <algorithm>
#include <cstring>

#include <memory>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/Memory.h"
#include "engine/core/VFile.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"

VAlphaChannel::VAlphaChannel(const VRect& bounds) {
  bounds_ = bounds;
  bounds_.MoveToOrigin();
  pixelMap_ = new PixelMap(PixelMap::kStorageMemory);
  pixelMap_->Create(bounds_, 8, nullptr, nullptr, nullptr, kFormatGrey8, 0);
  loaded_ = 1;
}

VAlphaChannel::VAlphaChannel(VAlphaChannel& source, const VRect* part) {
  VRect area = source.GetBounds();
  if (part) area.Intersect(*part, area);
  if (area.IsEmpty()) area = VRect();
  VRect local = area;
  local.MoveToOrigin();
  bounds_ = local;
  pixelMap_ = new PixelMap(PixelMap::kStorageMemory);
  if (pixelMap_->Create(bounds_, 8, nullptr, nullptr, nullptr, kFormatGrey8, 0)) {
    pixelMap_->ClearPixels();
    source.Combine(*this, area, local, 63);
  }
  loaded_ = 1;
}

VAlphaChannel::~VAlphaChannel() {
  delete pixelMap_;
  FreeMemory(combineTable_);
}

int32_t VAlphaChannel::GetValueAt(int32_t x, int32_t y) const {
  if (!pixelMap_) return 0;
  const uint8_t* p = pixelMap_->GetPixelAddress(VPoint(x + originX_, y + originY_));
  return p ? *p : 0;
}

void VAlphaChannel::Combine(VAlphaChannel& target, const VRect& sourceRect, const VRect& targetRect, int32_t mode) {
  PixelMap* sourceMap = pixelMap_;
  PixelMap* targetMap = target.pixelMap_;
  if (!sourceMap || !targetMap) return;
  VRect s = sourceRect;
  VRect t = targetRect;
  ClipTransferRects(s, t, sourceMap->GetBounds(), targetMap->GetBounds());
  const int32_t width = s.GetWidth();
  const int32_t height = s.GetHeight();
  if (width <= 0 || height <= 0) return;

  mode = std::clamp(mode, 0, 63);
  if (!combineTable_ || combineMode_ != mode) {
    if (!combineTable_) combineTable_ = static_cast<uint8_t*>(AllocateMemory(64 * 64));
    if (!combineTable_) return;
    const float m = static_cast<float>(mode) * (1.0f / 63.0f);
    for (int32_t tl = 0; tl < 64; ++tl) {
      for (int32_t sl = 0; sl < 64; ++sl) {
        const double v = 63.0 - (63.0 - sl * static_cast<double>(m)) * (63 - tl) / 63.0 + 0.5;
        combineTable_[tl * 64 + sl] = static_cast<uint8_t>(std::clamp(static_cast<int32_t>(v), 0, 63));
      }
    }
    combineMode_ = mode;
  }
  PixelMapLock sourceLock(sourceMap);
  PixelMapLock targetLock(targetMap);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* sp = sourceMap->GetPixelAddress(VPoint(s.left, s.top + y));
    uint8_t* tp = targetMap->GetPixelAddress(VPoint(t.left, t.top + y));
    if (!sp || !tp) return;
    for (int32_t x = 0; x < width; ++x) tp[x] = combineTable_[((tp[x] & 63) << 6) | (sp[x] & 63)];
  }
}

bool VAlphaChannel::FindContentBounds(VRect& out) const {
  out = bounds_;
  if (!pixelMap_ || !pixelMap_->GetPixels()) return false;
  auto at = [this](int32_t x, int32_t y) { return *pixelMap_->GetPixelAddress(VPoint(x, y)); };
  auto columnEmpty = [&](int32_t x) {
    for (int32_t y = out.top; y < out.bottom; ++y)
      if (at(x, y)) return false;
    return true;
  };
  auto rowEmpty = [&](int32_t y) {
    for (int32_t x = out.left; x < out.right; ++x)
      if (at(x, y)) return false;
    return true;
  };
  while (out.left < out.right && columnEmpty(out.left)) ++out.left;
  while (out.right > out.left && columnEmpty(out.right - 1)) --out.right;
  while (out.top < out.bottom && rowEmpty(out.top)) ++out.top;
  while (out.bottom > out.top && rowEmpty(out.bottom - 1)) --out.bottom;
  return out != bounds_;
}

// ---------------------------------------------------------------------------
// Loading and writing

namespace {
constexpr uint32_t kRawAlphaType = MakeTypeCode("RAX ");
}  // namespace

VAlphaChannel::VAlphaChannel(uint16_t mediaId) : mediaId_(mediaId), fileType_(kRawAlphaType) {
  Load();
  reloadable_ = 1;
}

VAlphaChannel::VAlphaChannel(const VFileSpec& spec, uint32_t type) : sourceFile_(spec), fileType_(type) {
  if (fileType_ == kUnknownFileType) fileType_ = sourceFile_.GetFileTypeFromExtension(kImageCategory);
  Load();
  reloadable_ = 1;
}

int32_t VAlphaChannel::Load() {
  if (pixelMap_) return 0;
  if (mediaId_ != 0) {
    MediaArchive* archive = GetCurrentArchive();
    VFile file;
    uint32_t type = kRawAlphaType;
    if (!archive || !archive->OpenMedia(mediaId_, file, type)) return -1;
    return ReadFromFile(file, type);
  }
  if (sourceFile_.GetExistsFlag()) {
    VFile file(sourceFile_, kUnknownFileType, kUnknownFileType);
    if (!file.Open(1)) return -1;
    const int32_t result = ReadFromFile(file, fileType_);
    file.Close();
    return result;
  }
  return 0;
}

void VAlphaChannel::Unload() {
  if (purgeable_ && reloadable_) {
    delete pixelMap_;
    pixelMap_ = nullptr;
    loaded_ = 0;
  }
}

int32_t VAlphaChannel::ReadFromFile(VFile& file, uint32_t type) {
  if (pixelMap_) return 0;
  if (loadFailed_) return -1;
  loadFailed_ = 1;
  if (!file.Open(1)) return -1;
  file.Seek(0, true);

  if (type == kRawAlphaType) {
    // The header is checked before anything is allocated; rows are read at
    // the stored row length.
    int16_t header[4];
    int32_t count = 4;
    file.ReadShorts(header, count);
    if (count != 4) return -1;
    const int32_t width = header[0];
    const int32_t height = header[1];
    const int32_t storedRowBytes = header[2];
    if (width < 1 || height < 1 || storedRowBytes < width) return -1;
    if (int64_t{storedRowBytes} * height > file.GetLength() - file.GetPosition()) return -1;
    auto map = std::make_unique<PixelMap>(PixelMap::kStorageMemory);
    if (!map->Create(VRect(0, 0, width, height), 8, nullptr, nullptr, nullptr, kFormatGrey8, 0)) return -1;
    std::vector<uint8_t> row(static_cast<size_t>(storedRowBytes));
    {
      PixelMapLock lock(map.get());
      for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = map->GetPixelAddress(VPoint(0, y));
        if (!out || file.Read(row.data(), storedRowBytes) != storedRowBytes) return -1;
        for (int32_t x = 0; x < width; ++x) out[x] = row[static_cast<size_t>(x)] & 63;
      }
    }
    pixelMap_ = map.release();
    bounds_ = VRect(0, 0, width, height);
    storedRowWidth_ = static_cast<int16_t>(storedRowBytes);
  } else if (type == MakeTypeCode("8BPS")) {
    return 1;
  } else {
    // Any picture: its 8-bit pixels give the levels.
    std::unique_ptr<PixelMap> picture;
    {
      ScopedLoadPixelFormat depth(8);
      PictureFileContents contents;
      if (!ReadPictureFile(file, type, kReadPixels | kReadColorTable, 0, 1, contents)) return 1;
      picture.reset(contents.first);
    }
    if (!picture || picture->GetDepth() != 8) {
      // Only the first map of a chain is used; frame 0 was asked for.
      return 1;
    }
    const int32_t width = picture->GetWidth();
    const int32_t height = picture->GetHeight();
    auto map = std::make_unique<PixelMap>(PixelMap::kStorageMemory);
    if (!map->Create(VRect(0, 0, width, height), 8, nullptr, nullptr, nullptr, kFormatGrey8, 0)) return 1;
    {
      PixelMapLock lockIn(picture.get());
      PixelMapLock lockOut(map.get());
      for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = picture->GetPixelAddress(VPoint(0, y));
        uint8_t* out = map->GetPixelAddress(VPoint(0, y));
        if (!in || !out) return 1;
        for (int32_t x = 0; x < width; ++x) out[x] = in[x] >> 2;
      }
    }
    pixelMap_ = map.release();
    bounds_ = VRect(0, 0, width, height);
  }
  loadFailed_ = 0;
  loaded_ = 1;
  return 0;
}

int32_t VAlphaChannel::Write(VFile& file) {
  if (Load() != 0 || !pixelMap_) return -1;
  if (!file.Open(2)) return -1;
  PixelMapLock lock(pixelMap_);
  if (!pixelMap_->GetPixels()) return -1;
  const int32_t height = pixelMap_->GetHeight();
  const int32_t rowBytes = pixelMap_->GetRowBytes();
  int16_t header[4] = {static_cast<int16_t>(pixelMap_->GetWidth()), static_cast<int16_t>(height),
                       static_cast<int16_t>(rowBytes), 0};
  int32_t count = 4;
  file.WriteShorts(header, count);
  if (count != 4) return -1;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* p = pixelMap_->GetPixelAddress(VPoint(0, y));
    if (!p || file.Write(p, rowBytes) != rowBytes) return -1;
  }
  return 0;
}

bool VAlphaChannel::IsEqual(const VAlphaChannel& other) const {
  if (!pixelMap_ || !other.pixelMap_) return false;
  if (pixelMap_->GetWidth() != other.pixelMap_->GetWidth() || pixelMap_->GetHeight() != other.pixelMap_->GetHeight())
    return false;
  PixelMapLock a(pixelMap_);
  PixelMapLock b(other.pixelMap_);
  for (int32_t y = 0; y < pixelMap_->GetHeight(); ++y) {
    const uint8_t* p = pixelMap_->GetPixelAddress(VPoint(0, y));
    const uint8_t* q = other.pixelMap_->GetPixelAddress(VPoint(0, y));
    if (!p || !q || std::memcmp(p, q, static_cast<size_t>(pixelMap_->GetWidth())) != 0) return false;
  }
  return true;
}
