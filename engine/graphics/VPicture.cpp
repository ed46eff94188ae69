#include "engine/graphics/VPicture.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VMask.h"

namespace {

int32_t gDefaultReaderFlags = kReadPixels | kReadAlpha | kReadColorTable;
int32_t gDefaultFrameSelection = -2;
int32_t gDefaultFrameCountMode = -1;

constexpr uint32_t kRawImageType = MakeTypeCode("RIX ");

}  // namespace

int32_t VPicture::SetDefaultReaderFlags(int32_t flags) {
  std::swap(flags, gDefaultReaderFlags);
  return flags;
}

int32_t VPicture::SetDefaultFrameSelection(int32_t selection) {
  std::swap(selection, gDefaultFrameSelection);
  return selection;
}

int32_t VPicture::SetDefaultFrameCountMode(int32_t mode) {
  std::swap(mode, gDefaultFrameCountMode);
  return mode;
}

void VPicture::StoreSettings(int32_t readerFlags, int32_t frameSelection, int32_t frameCountMode) {
  readerFlags_ = readerFlags == 0 ? gDefaultReaderFlags : readerFlags;
  frameSelection_ = frameSelection == -4 ? gDefaultFrameSelection : frameSelection;
  frameCountMode_ = frameCountMode == -4 ? gDefaultFrameCountMode : frameCountMode;
}

VPicture::VPicture(uint16_t mediaId, int32_t readerFlags, int32_t frameSelection, int32_t frameCountMode) {
  StoreSettings(readerFlags, frameSelection, frameCountMode);
  fileType_ = kUnknownFileType;
  LoadFromMedia(mediaId);
  mediaId_ = mediaId;
  reloadable_ = 1;
}

VPicture::VPicture(const VFileSpec& spec, uint32_t type, int32_t readerFlags, int32_t frameSelection,
                   int32_t frameCountMode)
    : sourceFile_(spec) {
  StoreSettings(readerFlags, frameSelection, frameCountMode);
  fileType_ = type == kUnknownFileType ? sourceFile_.GetFileTypeFromExtension(kImageCategory) : type;
  VFile file(sourceFile_, kUnknownFileType, kUnknownFileType);
  if (file.Open(1)) {
    ReadFromFile(file, fileType_);
    file.Close();
  } else {
    loadFailed_ = 1;
  }
  reloadable_ = 1;
}

VPicture::VPicture(const VRect& bounds, int32_t depth, VColorTable* colorTable) {
  bounds_ = bounds;
  bounds_.MoveToOrigin();
  fullBounds_ = bounds_;
  pixelMaps_.Append(new PixelMap(bounds_, depth, colorTable));
  frameSelection_ = -4;
  frameCountMode_ = -4;
  loaded_ = 1;
  reloadable_ = 0;
}

VPicture::VPicture(const VRect& bounds, const VRGBColor& color) {
  bounds_ = bounds;
  bounds_.MoveToOrigin();
  fullBounds_ = bounds_;
  pixelMaps_.Append(new PixelMap(bounds_, color));
  frameSelection_ = -4;
  frameCountMode_ = -4;
  loaded_ = 1;
  reloadable_ = 0;
}

VPicture::VPicture(PixelMap* map) {
  if (map) {
    pixelMaps_.Append(map);
    bounds_ = VRect(0, 0, map->GetWidth(), map->GetHeight());
  }
  fullBounds_ = bounds_;
  loaded_ = map ? 1 : 0;
  reloadable_ = 0;
}

VPicture::~VPicture() { pixelMaps_.DeleteAll(); }

PixelMap* VPicture::GetPixelMap() const { return static_cast<PixelMap*>(pixelMaps_.GetFirst()); }

int32_t VPicture::Load() {
  if (GetPixelMap()) return 0;
  if (mediaId_ != 0) return LoadFromMedia(mediaId_);
  if (sourceFile_.GetExistsFlag()) {
    if (loadFailed_) return -1;
    VFile file(sourceFile_, kUnknownFileType, kUnknownFileType);
    if (!file.Open(1)) return -1;
    const int32_t result = ReadFromFile(file, fileType_);
    file.Close();
    return result;
  }
  return -1;
}

void VPicture::Unload() {
  if (purgeable_ && reloadable_) {
    pixelMaps_.DeleteAll();
    loaded_ = 0;
  }
}

int32_t VPicture::LoadFromMedia(uint16_t id) {
  if (GetPixelMap()) return 0;
  if (loadFailed_ || id == 0) return -1;
  mediaId_ = id;
  MediaArchive* archive = GetCurrentArchive();
  VFile file;
  uint32_t type = kRawImageType;
  if (!archive || !archive->OpenMedia(id, file, type)) {
    loadFailed_ = 1;
    return 1;
  }
  return ReadFromFile(file, type);
}

int32_t VPicture::ReadFromFile(VFile& file, uint32_t type) {
  if (GetPixelMap()) return 0;
  if (loadFailed_) return -1;
  loadFailed_ = 1;
  if (!file.Open(1)) return 1;
  file.Seek(0, true);
  PictureFileContents contents;
  if (!ReadPictureFile(file, type, readerFlags_, frameSelection_, frameCountMode_, contents)) return 1;

  // The chain goes into the list in file order.
  std::vector<PixelMap*> chain;
  for (PixelMap* map = contents.first; map; map = static_cast<PixelMap*>(map->GetNext())) chain.push_back(map);
  for (PixelMap* map : chain) map->SetNext(nullptr);
  for (PixelMap* map : chain) pixelMaps_.Append(map);

  VRect bounds = contents.frameBounds;
  if (bounds.IsEmpty()) bounds = contents.allBounds;
  if (bounds.IsEmpty()) {
    for (PixelMap* map : chain) {
      VRect placed = map->GetBounds();
      placed.Offset(map->GetOrigin());
      bounds.Union(placed);
    }
  }
  bounds_ = bounds;
  fullBounds_ = bounds;
  SetFrameCount(frameCountMode_ < 0 ? contents.stackedFrameCount : 1);
  loadFailed_ = 0;
  loaded_ = 1;
  return 0;
}

void VPicture::SetPixelMap(PixelMap* map, bool updateBounds) {
  pixelMaps_.DeleteAll();
  if (map) pixelMaps_.Append(map);
  if (!updateBounds) return;
  VRect all;
  for (auto* e = pixelMaps_.GetFirst(); e; e = e->GetNext()) {
    auto* m = static_cast<PixelMap*>(e);
    if (m->GetBounds().IsEmpty()) continue;
    VRect placed = m->GetBounds();
    placed.Offset(m->GetOrigin());
    all.Union(placed);
  }
  fullBounds_ = all;
}

VColorTable* VPicture::GetColorTable() {
  if (Load() != 0) return nullptr;
  PixelMap* map = GetPixelMap();
  return map ? map->GetColorTable() : nullptr;
}

void VPicture::SetColor(const VRGBColor& color) {
  PixelMap* map = GetPixelMap();
  if (!map) {
    pixelMaps_.Append(new PixelMap(bounds_, color));
    return;
  }
  map->SetSolidColor(color);
}

void VPicture::SetFrameCount(int32_t count) {
  frameCount_ = count;
  if (GetPixelMap() && count > 0) {
    bounds_ = fullBounds_;
    bounds_.bottom = bounds_.top + fullBounds_.GetHeight() / count;
  }
  if (currentFrame_ >= frameCount_) currentFrame_ = frameCount_ > 0 ? frameCount_ - 1 : 0;
}

void VPicture::SetFrame(int32_t frame) { currentFrame_ = std::clamp(frame, 0, frameCount_ > 1 ? frameCount_ - 1 : 0); }

VPoint VPicture::GetFrameOffset() const { return VPoint(0, currentFrame_ * GetHeight()); }

void VPicture::Draw(DrawPort* port, const VRect& destination, const VRect* clip) {
  DrawPicture(port, destination, clip);
}

int32_t VPicture::DrawPicture(DrawPort* port, const VRect& destination, const VRect* clip) {
  if (destination.IsEmpty()) return 0;
  const int32_t result = Load();
  if (result != 0) return result;
  if (bounds_.IsEmpty() || !port) return 0;
  VRect dest = destination;
  VPoint origin(fullBounds_.left, fullBounds_.top);
  if (clip) {
    if (clip->left > dest.left) {
      origin.x += clip->left - dest.left;
      dest.left = clip->left;
    }
    if (clip->top > dest.top) {
      origin.y += clip->top - dest.top;
      dest.top = clip->top;
    }
    dest.right = std::min(dest.right, clip->right);
    dest.bottom = std::min(dest.bottom, clip->bottom);
    if (dest.IsEmpty()) return 0;
  }
  VRect source(origin.x, origin.y, origin.x + dest.GetWidth(), origin.y + dest.GetHeight());
  source.Offset(GetFrameOffset());
  for (auto* e = pixelMaps_.GetFirst(); e; e = e->GetNext()) {
    auto* map = static_cast<PixelMap*>(e);
    if (!map->IsVisible()) continue;
    VRect local = source;
    local.Offset(-map->GetOrigin().x, -map->GetOrigin().y);
    port->DrawPixelMap(map, local, dest);
  }
  return 0;
}

bool VPicture::HasPixelAttributes() const {
  PixelMap* map = GetPixelMap();
  return map && map->PeekAttributes().flags != 0;
}

bool VPicture::GetPixelAttributes(PixelMapAttributes& out) const {
  PixelMap* map = GetPixelMap();
  if (!map) return false;
  map->GetAttributes(out);
  return true;
}

void VPicture::SetPixelAttributes(const PixelMapAttributes& record) {
  bool first = true;
  for (auto* e = pixelMaps_.GetFirst(); e; e = e->GetNext()) {
    auto* map = static_cast<PixelMap*>(e);
    if (first) {
      map->SetAttributes(record);
      first = false;
      continue;
    }
    PixelMapAttributes own(record);
    own.SetAlphaChannel(map->PeekAttributes().PeekAlphaChannel());
    map->SetAttributes(own);
  }
}

bool VPicture::IsTransparentAt(int32_t x, int32_t y) const {
  const int32_t offset = GetFrameOffset().y;
  for (auto* e = pixelMaps_.GetFirst(); e; e = e->GetNext()) {
    auto* map = static_cast<PixelMap*>(e);
    if (!map->IsVisible()) continue;
    if (!map->IsTransparentAt(x - map->GetOrigin().x, y - map->GetOrigin().y + offset)) return false;
  }
  return true;
}

int32_t VPicture::WriteAlphaData(VFile& file, bool invert, bool withHeader) {
  if (Load() != 0) return -1;
  PixelMap* map = GetPixelMap();
  if (!map || !file.Open(2)) return -1;
  if (VAlphaChannel* channel = map->PeekAttributes().PeekAlphaChannel()) return channel->Write(file);
  PixelMapLock lock(map);
  if (!map->GetPixels() || map->GetDepth() != 8) return -1;
  const int32_t height = map->GetHeight();
  const int32_t rowBytes = map->GetRowBytes();
  if (withHeader) {
    int16_t header[4] = {static_cast<int16_t>(GetWidth()), static_cast<int16_t>(height),
                         static_cast<int16_t>(rowBytes), 0};
    int32_t count = 4;
    file.WriteShorts(header, count);
  if (count != 4) return -1;
  }
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* p = map->GetPixelAddress(VPoint(0, y));
    if (!p) return -1;
    for (int32_t x = 0; x < rowBytes; ++x) row[static_cast<size_t>(x)] = static_cast<uint8_t>((p[x] >> 2) ^ (invert ? 63 : 0));
    if (file.Write(row.data(), rowBytes) != rowBytes) return -1;
  }
  return 0;
}

PixelMapAttributes MakePixelMapAttributes(int32_t kind, int32_t value) {
  PixelMapAttributes record;
  switch (kind) {
    case PixelMapAttributes::kKeyIndex:
      record.SetKeyIndex(static_cast<uint8_t>(value));
      break;
    case PixelMapAttributes::kLevel:
      record.flags = PixelMapAttributes::kLevel;
      record.level = static_cast<uint8_t>(std::clamp(value, 0, 63));
      break;
    case PixelMapAttributes::kAlphaChannel:
      if (value != 0) {
        auto* channel = new VAlphaChannel(static_cast<uint16_t>(value));
        record.SetAlphaChannel(channel);
        channel->Release();
      }
      break;
    case PixelMapAttributes::kMask:
      if (value != 0) {
        auto* mask = new VMask(static_cast<uint16_t>(value));
        record.SetMask(mask);
        mask->Release();
      }
      break;
    default:
      break;
  }
  return record;
}
