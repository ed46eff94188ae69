#include "engine/image/RawImageFile.h"

#include <cstring>
#include <memory>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/ByteFields.h"
#include "engine/graphics/CopyPicturePixels.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VMask.h"
#include "engine/graphics/VPicture.h"
#include "engine/graphics/VRawColorTableFile.h"

namespace {

// Signed little-endian header fields.
int16_t I16(const uint8_t* p) { return static_cast<int16_t>(bytefields::LoadLE16(p)); }
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(bytefields::LoadLE32(p)); }

bool IsFrameDepth(int32_t depth) { return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32; }

// A block [offset, offset + count) lies inside the medium.
bool BlockInside(VFile& file, int64_t offset, int64_t count) {
  return offset >= 0 && count >= 0 && offset + count <= file.GetLength();
}

}  // namespace

// ---------------------------------------------------------------------------
// Descriptor

void RawFrameDescriptor::Decode(const uint8_t* b) {
  framesRemaining = I16(b);
  width = I16(b + 2);
  height = I16(b + 4);
  originX = I16(b + 6);
  originY = I16(b + 8);
  visible = I16(b + 10);
  depth = I16(b + 12);
  pixelByteCount = I32(b + 14);
  pixelOffset = I32(b + 18);
  alphaByteCount = I32(b + 22);
  alphaField = I32(b + 26);
  maskByteCount = I32(b + 30);
  maskField = I32(b + 34);
  colorTableByteCount = I32(b + 38);
  colorTableOffset = I32(b + 42);
  transparencyFlags = b[46];
  level = b[47];
  keyIndex = b[48];
  keyColor = VRGBColor(b[49], b[50], b[51]);
  stackedFrameCount = I16(b + 52);
  pixelFormat = I16(b + 54);
}

void RawFrameDescriptor::Encode(uint8_t* b) const {
  std::memset(b, 0, kSize);
  bytefields::StoreLE16(b, framesRemaining);
  bytefields::StoreLE16(b + 2, width);
  bytefields::StoreLE16(b + 4, height);
  bytefields::StoreLE16(b + 6, originX);
  bytefields::StoreLE16(b + 8, originY);
  bytefields::StoreLE16(b + 10, visible);
  bytefields::StoreLE16(b + 12, depth);
  bytefields::StoreLE32(b + 14, pixelByteCount);
  bytefields::StoreLE32(b + 18, pixelOffset);
  bytefields::StoreLE32(b + 22, alphaByteCount);
  bytefields::StoreLE32(b + 26, alphaField);
  bytefields::StoreLE32(b + 30, maskByteCount);
  bytefields::StoreLE32(b + 34, maskField);
  bytefields::StoreLE32(b + 38, colorTableByteCount);
  bytefields::StoreLE32(b + 42, colorTableOffset);
  b[46] = transparencyFlags;
  b[47] = level;
  b[48] = keyIndex;
  b[49] = keyColor.red;
  b[50] = keyColor.green;
  b[51] = keyColor.blue;
  bytefields::StoreLE16(b + 52, stackedFrameCount);
  bytefields::StoreLE16(b + 54, pixelFormat);
}

VRect RawFrameDescriptor::GetRect() const {
  const int32_t rows = height < 0 ? -height : height;
  if (width < 1 || rows == 0) return VRect();
  return VRect(originX, originY, originX + width, originY + rows);
}

// ---------------------------------------------------------------------------
// Reader

VRawImageReader::~VRawImageReader() = default;

int32_t VRawImageReader::ReadHeader() {
  frames_.clear();
  if (!file_) return -1;
  file_->Seek(0, true);
  uint8_t first[RawFrameDescriptor::kSize];
  if (file_->Read(first, RawFrameDescriptor::kSize) != RawFrameDescriptor::kSize) return -1;
  const int32_t count = I16(first);
  if (count < 1) return -1;
  const int64_t tableBytes = int64_t{count} * RawFrameDescriptor::kSize;
  if (tableBytes > file_->GetLength()) return -1;
  frames_.resize(static_cast<size_t>(count));
  frames_[0].Decode(first);
  for (int32_t i = 1; i < count; ++i) {
    uint8_t raw[RawFrameDescriptor::kSize];
    if (file_->Read(raw, RawFrameDescriptor::kSize) != RawFrameDescriptor::kSize) {
      frames_.clear();
      return -1;
    }
    frames_[static_cast<size_t>(i)].Decode(raw);
  }
  alphaChannels_.assign(frames_.size(), nullptr);
  masks_.assign(frames_.size(), nullptr);
  bounds_ = VRect();
  for (const RawFrameDescriptor& d : frames_) bounds_.Union(d.GetRect());
  width_ = bounds_.GetWidth();
  height_ = bounds_.GetHeight();
  if (int64_t{width_} * height_ > kMaxImagePixels) {
    frames_.clear();
    return -1;
  }
  depth_ = frames_[0].depth;
  frameCount_ = count;
  stackedFrameCount_ = frames_[0].stackedFrameCount > 0 ? frames_[0].stackedFrameCount : 1;
  pixelFormat_ = static_cast<uint16_t>(frames_[0].pixelFormat);
  return 0;
}

void VRawImageReader::GetFrameBounds(VRect& out, int32_t frame) {
  out = VRect();
  if (frames_.empty()) return;
  if (frame == -1) {
    for (const RawFrameDescriptor& d : frames_)
      if (d.visible) out.Union(d.GetRect());
  } else if (frame == -2) {
    out = bounds_;
  } else if (frame >= 0 && frame < static_cast<int32_t>(frames_.size())) {
    const RawFrameDescriptor& d = frames_[static_cast<size_t>(frame)];
    out = VRect(0, 0, d.width, d.height < 0 ? -d.height : d.height);
  }
}

int32_t VRawImageReader::ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t) {
  if (!(flags & kReadPixels)) return 0;
  if (frames_.empty() || alphaChannels_.size() != frames_.size() || masks_.size() != frames_.size()) return -1;
  const int32_t count = static_cast<int32_t>(frames_.size());
  if (frame < -1 || frame >= count) return -1;

  if (frame >= 0) {
    const RawFrameDescriptor& d = frames_[static_cast<size_t>(frame)];
    target.SetOrigin(VPoint(d.originX, d.originY));
    const int32_t result = ReadFrame(target, frame, true, flags, false);
    return result;
  }

  // Frame -1: every visible frame drawn into the one target, placed at its
  // origin relative to the top-left of the visible frames.
  VRect visible;
  GetFrameBounds(visible, -1);
  target.SetOrigin(VPoint(visible.left, visible.top));
  int32_t visibleCount = 0;
  for (const RawFrameDescriptor& d : frames_)
    if (d.visible) ++visibleCount;
  bool first = true;
  for (int32_t i = 0; i < count; ++i) {
    const RawFrameDescriptor& d = frames_[static_cast<size_t>(i)];
    if (!d.visible) continue;
    const bool direct = first && (visibleCount == 1 || (d.originX == visible.left && d.originY == visible.top)) &&
                        d.depth == target.GetDepth();
    const int32_t result = ReadFrame(target, i, direct, flags, true);
    if (result != 0) return result;
    first = false;
  }
  return 0;
}

int32_t VRawImageReader::ReadFrame(PixelMap& target, int32_t index, bool intoTarget, int32_t flags, bool compose) {
  const RawFrameDescriptor& d = frames_[static_cast<size_t>(index)];
  const int32_t rows = d.height < 0 ? -d.height : d.height;
  if (d.width < 1 || d.height == 0 || !IsFrameDepth(d.depth)) return -1;
  if (d.pixelByteCount < 1 || d.pixelByteCount % rows != 0) return -1;
  const int32_t rowBytes = d.pixelByteCount / rows;
  if (rowBytes < int64_t{d.width} * BytesPerPixel(d.depth)) return -1;
  if (!BlockInside(*file_, d.pixelOffset, d.pixelByteCount)) return -1;

  std::unique_ptr<PixelMap> own;
  PixelMap* map = &target;
  if (!intoTarget) {
    own = std::make_unique<PixelMap>(VRect(0, 0, d.width, rows), d.depth, nullptr, nullptr, nullptr,
                                     target.GetStorageKind(), 1);
    if (!own->HasStorage()) return -1;
    map = own.get();
  } else if (map->GetDepth() != d.depth || map->GetWidth() < d.width || map->GetHeight() < rows) {
    return -1;
  }

  // The colour table first, so that the pixels are read against it.
  bool tableRead = false;
  if ((flags & kReadColorTable) && d.colorTableByteCount >= 1 && d.colorTableOffset >= 1 && d.depth == 8) {
    if (!BlockInside(*file_, d.colorTableOffset, d.colorTableByteCount)) return -1;
    VFile window(*file_);
    window.SetStart(file_->GetStart() + d.colorTableOffset);
    window.SetLength(d.colorTableByteCount);
    auto* table = new VColorTable();
    const int32_t result = table->Read(window, MakeTypeCode("RCX "));
    if (result == 0) map->SetColorTable(table, false);
    table->Release();
    if (result != 0) return -1;
    tableRead = true;
  }

  // Transparency record and visibility.
  PixelMapAttributes record;
  if (d.transparencyFlags & 1) record.SetKeyIndex(d.keyIndex);
  if (d.transparencyFlags & 2) record.SetKeyColor(d.keyColor);
  if ((d.transparencyFlags & 4) && d.level != 63) record.SetLevel(d.level);
  map->SetAttributes(record);
  map->SetVisible(d.visible != 0);

  file_->Seek(d.pixelOffset, true);
  if (map->ReadPixels(*file_, d.width, rows, rowBytes, d.depth, d.pixelFormat == 0 ? GetDefaultPixelFormat(d.depth)
                                                                                     : d.pixelFormat,
                      d.height < 0) == 0)
    return -1;
  if (tableRead) {
    VColorTable* table = map->PeekColorTable();
    if (table && table->IsArranged()) map->MoveMarkedIndicesToEnds();
  }

  // Alpha channel, shared with an earlier frame that names the same block or id.
  if (flags & kReadAlpha) {
    VAlphaChannel* channel = nullptr;
    bool fresh = false;
    if (d.alphaByteCount == 0 && d.alphaField >= 1) {
      for (int32_t j = 0; j < index; ++j) {
        const RawFrameDescriptor& e = frames_[static_cast<size_t>(j)];
        if (alphaChannels_[static_cast<size_t>(j)] && e.alphaByteCount == 0 && e.alphaField == d.alphaField) {
          channel = alphaChannels_[static_cast<size_t>(j)];
          break;
        }
      }
      if (!channel) {
        channel = new VAlphaChannel(static_cast<uint16_t>(d.alphaField));
        fresh = true;
        if (!channel->GetPixelMap()) {
          channel->Release();  // a missing medium leaves the frame without it
          channel = nullptr;
        }
      }
    } else if (d.alphaByteCount >= 1 && d.alphaField >= 1) {
      for (int32_t j = 0; j < index; ++j) {
        const RawFrameDescriptor& e = frames_[static_cast<size_t>(j)];
        if (alphaChannels_[static_cast<size_t>(j)] && e.alphaByteCount == d.alphaByteCount &&
            e.alphaField == d.alphaField) {
          channel = alphaChannels_[static_cast<size_t>(j)];
          break;
        }
      }
      if (!channel && BlockInside(*file_, d.alphaField, d.alphaByteCount)) {
        channel = new VAlphaChannel(VRect(0, 0, d.width, rows));
        fresh = true;
        PixelMap* levels = channel->GetPixelMap();
        bool used = false;
        if (levels && levels->GetByteSize() == d.alphaByteCount) {
          PixelMapLock lock(levels);
          file_->Seek(d.alphaField, true);
          used = levels->GetPixels() && file_->Read(levels->GetPixels(), d.alphaByteCount) == d.alphaByteCount;
        }
        if (!used) {
          channel->Release();
          channel = nullptr;
        }
      }
    }
    if (channel) {
      map->SetAlphaChannel(channel);
      alphaChannels_[static_cast<size_t>(index)] = channel;
      if (fresh) channel->Release();  // the map holds it now
    }
  }

  // Mask: by media id (shared by id) or shared with an earlier frame's block.
  if (flags & kReadMasks) {
    VMask* mask = nullptr;
    bool fresh = false;
    if (d.maskByteCount == 0 && d.maskField >= 1) {
      for (int32_t j = 0; j < index; ++j) {
        const RawFrameDescriptor& e = frames_[static_cast<size_t>(j)];
        if (masks_[static_cast<size_t>(j)] && e.maskByteCount == 0 && e.maskField == d.maskField) {
          mask = masks_[static_cast<size_t>(j)];
          break;
        }
      }
      if (!mask) {
        mask = new VMask(static_cast<uint16_t>(d.maskField));
        fresh = true;
      }
    } else if (d.maskByteCount >= 1) {
      for (int32_t j = 0; j < index; ++j) {
        const RawFrameDescriptor& e = frames_[static_cast<size_t>(j)];
        if (masks_[static_cast<size_t>(j)] && e.maskByteCount == d.maskByteCount && e.maskField == d.maskField) {
          mask = masks_[static_cast<size_t>(j)];
          break;
        }
      }
    }
    if (mask) {
      map->SetMask(mask);
      masks_[static_cast<size_t>(index)] = mask;
      if (fresh) mask->Release();
    }
  }

  if (!compose || intoTarget || !own || !map->IsVisible()) return 0;

  // A frame read through its own map is drawn into the target at its place.
  VRect destination = d.GetRect();
  destination.Offset(-target.GetOrigin().x, -target.GetOrigin().y);
  const VRect source(0, 0, d.width, rows);
  PixelMap* drawn = map;
  std::unique_ptr<PixelMap> converted;
  if (map->GetDepth() != target.GetDepth() || map->GetPixelFormat() != target.GetPixelFormat()) {
    converted = std::make_unique<PixelMap>(source, target.GetDepth(), target.PeekColorTable(), nullptr, nullptr,
                                           PixelMap::kStorageMemory, target.GetPixelFormat());
    if (!converted->HasStorage() || !CopyPicturePixels(*map, *converted)) return -1;
    PixelMapAttributes frameRecord;
    map->GetAttributes(frameRecord);
    converted->SetAttributes(frameRecord);
    drawn = converted.get();
  }
  drawn->CopyTo(target, source, destination);
  VAlphaChannel* frameAlpha = map->PeekAttributes().PeekAlphaChannel();
  VAlphaChannel* targetAlpha = target.PeekAttributes().PeekAlphaChannel();
  if (frameAlpha && targetAlpha) frameAlpha->Combine(*targetAlpha, source, destination, map->GetLevel());
  if (alphaChannels_[static_cast<size_t>(index)] == frameAlpha && own) {
    // The frame map goes away; later frames must not share a channel it
    // alone held.
    bool heldElsewhere = frameAlpha && frameAlpha->GetReferenceCount() > 1;
    if (!heldElsewhere) alphaChannels_[static_cast<size_t>(index)] = nullptr;
  }
  if (masks_[static_cast<size_t>(index)] && masks_[static_cast<size_t>(index)]->GetReferenceCount() <= 1)
    masks_[static_cast<size_t>(index)] = nullptr;
  return 0;
}

// ---------------------------------------------------------------------------
// Writer

std::vector<PixelMap*> VRawImageWriter::SelectFrames(PixelMap& map, int32_t frameSelection) const {
  std::vector<PixelMap*> frames;
  PixelMap* current = &map;
  if (frameSelection >= 0) {
    for (int32_t i = 0; i < frameSelection && current; ++i) current = static_cast<PixelMap*>(current->GetNext());
  }
  for (; current; current = static_cast<PixelMap*>(current->GetNext())) frames.push_back(current);
  return frames;
}

int32_t VRawImageWriter::WriteImagePrepared(PixelMap& map, int32_t flags, int32_t frameSelection, int32_t,
                                            int32_t stackedFrameCount) {
  if (!file_ || frameSelection < -2) return -1;
  const std::vector<PixelMap*> frames = SelectFrames(map, frameSelection);
  if (frames.empty() || frames.size() > 0x7FFF) return -1;
  start_ = file_->GetPosition();
  table_.clear();
  const int32_t count = static_cast<int32_t>(frames.size());
  for (int32_t i = 0; i < count; ++i) {
    PixelMap* m = frames[static_cast<size_t>(i)];
    if (m->GetWidth() > 0x7FFF || m->GetHeight() > 0x7FFF) return -1;
    RawFrameDescriptor d;
    d.framesRemaining = static_cast<int16_t>(count - i);
    d.width = static_cast<int16_t>(m->GetWidth());
    d.height = static_cast<int16_t>(m->IsDibSection() ? -m->GetHeight() : m->GetHeight());
    d.originX = static_cast<int16_t>(m->GetOrigin().x);
    d.originY = static_cast<int16_t>(m->GetOrigin().y);
    d.visible = m->IsVisible() ? 1 : 0;
    d.depth = static_cast<int16_t>(m->GetDepth());
    const int64_t pixelBytes = int64_t{m->GetHeight()} * m->GetRowBytes();
    if (pixelBytes > 0x7FFFFFFF) return -1;
    d.pixelByteCount = static_cast<int32_t>(pixelBytes);
    const PixelMapAttributes& record = m->PeekAttributes();
    VAlphaChannel* alpha = record.PeekAlphaChannel();
    if ((flags & kReadAlpha) && alpha && alpha->GetPixelMap())
      d.alphaByteCount = static_cast<int32_t>(alpha->GetPixelMap()->GetByteSize());
    VMask* mask = record.PeekMask();
    if ((flags & kReadMasks) && mask && mask->GetPixelMap())
      d.maskByteCount = static_cast<int32_t>(mask->GetPixelMap()->GetByteSize());
    VColorTable* table = m->PeekColorTable();
    if ((flags & kReadColorTable) && m->GetDepth() == 8 && table)
      d.colorTableByteCount = table->GetColorCount() * 3 + 4;
    d.transparencyFlags = static_cast<uint8_t>(record.flags & 7);
    d.level = static_cast<uint8_t>(record.GetLevel());
    d.keyIndex = (record.flags & 1) ? record.keyIndex : 0;
    d.keyColor = (record.flags & 2) ? record.keyColor : VRGBColor();
    d.stackedFrameCount = static_cast<int16_t>(stackedFrameCount);
    d.pixelFormat = static_cast<int16_t>(m->GetPixelFormat());
    uint8_t raw[RawFrameDescriptor::kSize];
    d.Encode(raw);
    if (file_->Write(raw, RawFrameDescriptor::kSize) != RawFrameDescriptor::kSize) return -1;
    table_.push_back(d);
  }
  return 0;
}

int32_t VRawImageWriter::WriteImageData(PixelMap& map, int32_t flags, int32_t frameSelection, int32_t, int32_t) {
  if (!(flags & kReadPixels)) return 0;
  if (!file_) return -1;
  const std::vector<PixelMap*> frames = SelectFrames(map, frameSelection);
  if (frames.size() != table_.size()) return -1;
  auto here = [this] { return static_cast<int32_t>(file_->GetPosition() - start_); };
  for (size_t i = 0; i < frames.size(); ++i) {
    PixelMap* m = frames[i];
    RawFrameDescriptor& d = table_[i];
    {
      PixelMapLock lock(m);
      if (!m->GetPixels()) return -1;
      d.pixelOffset = here();
      if (file_->Write(m->GetPixels(), d.pixelByteCount) != d.pixelByteCount) return -1;
    }
    const PixelMapAttributes& record = m->PeekAttributes();
    VAlphaChannel* alpha = record.PeekAlphaChannel();
    if ((flags & kReadAlpha) && alpha && alpha->GetPixelMap()) {
      bool shared = false;
      for (size_t j = 0; j < i && !shared; ++j) {
        VAlphaChannel* earlier = frames[j]->PeekAttributes().PeekAlphaChannel();
        if (earlier && table_[j].alphaByteCount >= 1 && (earlier == alpha || earlier->IsEqual(*alpha))) {
          d.alphaField = table_[j].alphaField;
          shared = true;
        }
      }
      if (!shared) {
        PixelMap* levels = alpha->GetPixelMap();
        PixelMapLock lock(levels);
        if (!levels->GetPixels()) return -1;
        d.alphaField = here();
        if (file_->Write(levels->GetPixels(), d.alphaByteCount) != d.alphaByteCount) return -1;
      }
    } else {
      d.alphaByteCount = 0;
      d.alphaField = alphaMediaId_;
    }
    VMask* mask = record.PeekMask();
    if ((flags & kReadMasks) && mask && mask->GetPixelMap()) {
      bool shared = false;
      for (size_t j = 0; j < i && !shared; ++j) {
        VMask* earlier = frames[j]->PeekAttributes().PeekMask();
        if (earlier && table_[j].maskByteCount >= 1 && earlier->IsSameAs(*mask)) {
          d.maskField = table_[j].maskField;
          shared = true;
        }
      }
      if (!shared) {
        PixelMap* plane = mask->GetPixelMap();
        PixelMapLock lock(plane);
        if (!plane->GetPixels()) return -1;
        d.maskField = here();
        if (file_->Write(plane->GetPixels(), d.maskByteCount) != d.maskByteCount) return -1;
      }
    } else {
      d.maskByteCount = 0;
      d.maskField = maskMediaId_;
    }
    VColorTable* table = m->PeekColorTable();
    if (d.colorTableByteCount >= 1 && table) {
      d.colorTableOffset = here();
      VRawColorTableWriter writer(file_);
      if (writer.WriteColorTable(*table, kColorTableEntries) != 0) return -1;
    }
  }
  // Complete the table at the start and leave the file behind the data.
  const int64_t end = file_->GetPosition();
  file_->Seek(start_, true);
  for (const RawFrameDescriptor& d : table_) {
    uint8_t raw[RawFrameDescriptor::kSize];
    d.Encode(raw);
    if (file_->Write(raw, RawFrameDescriptor::kSize) != RawFrameDescriptor::kSize) return -1;
  }
  file_->Seek(end, true);
  return 0;
}
