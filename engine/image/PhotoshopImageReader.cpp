#include "engine/image/PhotoshopImageReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/core/ByteFields.h"
#include "engine/image/Codecs.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"

namespace {

bool Read16(VFile& f, uint16_t& out) {
  uint8_t b[2];
  if (f.Read(b, 2) != 2) return false;
  out = bytefields::LoadBE16(b);
  return true;
}

bool Read32(VFile& f, uint32_t& out) {
  uint8_t b[4];
  if (f.Read(b, 4) != 4) return false;
  out = bytefields::LoadBE32(b);
  return true;
}

constexpr int32_t kMaxSide = 30000;
constexpr int64_t kMaxPixels = kMaxImagePixels;

enum ColorMode : int32_t { kGrey = 1, kIndexed = 2, kRGB = 3, kCMYK = 4, kDuotone = 8 };

// CMYK as the file stores it (0 = full ink) to one RGB component: the ink
// and black values give ink x black / 255, through the shared clip table.
uint8_t CMYKComponent(const int32_t* clip, uint8_t stored, uint8_t black) {
  const int32_t ink = 255 - stored;
  const int32_t k = 255 - black;
  const int32_t index = 255 - ((255 - k) * ink + 127) / 255 - k;
  return static_cast<uint8_t>(clip ? clip[index] : std::clamp(index, 0, 255));
}

}  // namespace

VPhotoshopImageReader::VPhotoshopImageReader(VFile* file) : VImageReader(file), bigFile_(file ? file->GetFileObject() : nullptr) {
  if (file) {
    bigFile_.SetStart(file->GetStart());
    bigFile_.SetLength(file->GetLength());
    bigFile_.Seek(0, true);
  }
}

int32_t VPhotoshopImageReader::ReadHeader() {
  if (headerRead_) return 0;
  if (!file_ || !bigFile_.GetFileObject()) return kBadHeader;
  VFile& f = bigFile_;
  f.Seek(0, true);
  if (f.Read(header_, 26) != 26) return kBadHeader;
  if (std::memcmp(header_, "8BPS", 4) != 0 || bytefields::LoadBE16(header_ + 4) != 1) return kBadHeader;
  channels_ = std::clamp<int32_t>(bytefields::LoadBE16(header_ + 12), 1, 24);
  height_ = static_cast<int32_t>(std::min<uint32_t>(bytefields::LoadBE32(header_ + 14), kMaxSide));
  width_ = static_cast<int32_t>(std::min<uint32_t>(bytefields::LoadBE32(header_ + 18), kMaxSide));
  bitsPerChannel_ = bytefields::LoadBE16(header_ + 22);
  mode_ = bytefields::LoadBE16(header_ + 24);
  if (bitsPerChannel_ != 8 && bitsPerChannel_ != 16) return kBadHeader;
  if (mode_ != kGrey && mode_ != kIndexed && mode_ != kRGB && mode_ != kCMYK && mode_ != kDuotone) return kBadHeader;
  if ((mode_ == kRGB && channels_ < 3) || (mode_ == kCMYK && channels_ < 4)) return kBadHeader;
  if (width_ < 1 || height_ < 1 || int64_t{width_} * height_ > kMaxPixels) return kBadHeader;
  depth_ = (mode_ == kRGB || mode_ == kCMYK) ? 24 : 8;
  pixelFormat_ = depth_ == 24 ? kFormatBGR24 : kFormatIndexed8;

  // Colour mode data: the palette of indexed images (all reds, greens, blues).
  uint32_t length = 0;
  if (!Read32(f, length)) return kBadColorModeData;
  const int64_t modeDataEnd = f.GetPosition() + length;
  if (modeDataEnd > f.GetLength()) return kBadColorModeData;
  colorCount_ = 0;
  if (mode_ == kIndexed) {
    const int32_t count = static_cast<int32_t>(std::min<uint32_t>(length / 3, 256));
    uint8_t table[768];
    if (f.Read(table, count * 3) != count * 3) return kBadColorModeData;
    for (int32_t i = 0; i < count; ++i) palette_[i] = VRGBColor(table[i], table[count + i], table[2 * count + i]);
    colorCount_ = count;
  } else if (mode_ == kGrey || mode_ == kDuotone) {
    for (int32_t i = 0; i < 256; ++i) palette_[i] = VRGBColor(i, i, i);
    colorCount_ = 256;
  }
  f.Seek(modeDataEnd, true);

  // Image resources: skipped.
  if (!Read32(f, length)) return kBadResources;
  const int64_t resourcesEnd = f.GetPosition() + length;
  if (resourcesEnd > f.GetLength()) return kBadResources;
  f.Seek(resourcesEnd, true);

  // Layer and mask information, passed by its own length whatever it holds:
  // damaged layer records leave the merged image readable (without layers).
  if (!Read32(f, length)) return kBadLayerSection;
  const int64_t sectionEnd = f.GetPosition() + length;
  if (sectionEnd > f.GetLength()) return kBadLayerSection;
  if (length > 0 && ReadLayerInfo(sectionEnd) != 0) {
    layers_.clear();
    mergedTransparency_ = false;
    layersDropped_ = true;
  }
  f.Seek(sectionEnd, true);
  mergedPosition_ = f.GetPosition();
  const int32_t merged = CheckMergedData();
  if (merged != 0) {
    layers_.clear();
    SetFailureReason("damaged data");
    return merged;
  }
  frameCount_ = layers_.empty() ? 1 : static_cast<int32_t>(layers_.size());
  headerRead_ = true;
  return 0;
}

int32_t VPhotoshopImageReader::CheckMergedData() {
  VFile& f = bigFile_;
  f.Seek(mergedPosition_, true);
  uint16_t compression = 0;
  if (!Read16(f, compression)) return kBadChannelData;
  if (compression != 0 && compression != 1) return kBadCompression;
  const int64_t planes = PlaneCount();
  const int64_t rowBytes = int64_t{width_} * (bitsPerChannel_ / 8);
  const int64_t available = f.GetLength() - f.GetPosition();
  if (compression == 0) return planes * rowBytes * height_ > available ? kBadChannelData : 0;
  // PackBits: the row byte counts of every channel, then the rows of the
  // planes read, each at least the two bytes per 128 that PackBits needs.
  const int64_t tableBytes = int64_t{channels_} * height_ * 2;
  if (tableBytes > available) return kBadChannelData;
  const int64_t leastRow = 2 * ((rowBytes + 127) / 128);
  std::vector<uint8_t> table(static_cast<size_t>(planes * height_ * 2));
  if (f.Read(table.data(), static_cast<int32_t>(table.size())) != static_cast<int32_t>(table.size()))
    return kBadChannelData;
  int64_t total = 0;
  for (size_t i = 0; i < table.size(); i += 2) {
    const int64_t count = bytefields::LoadBE16(table.data() + i);
    if (count < leastRow) return kBadChannelData;
    total += count;
  }
  return total > available - tableBytes ? kBadChannelData : 0;
}

int32_t VPhotoshopImageReader::PlaneCount() const { return mode_ == kCMYK ? 4 : mode_ == kRGB ? 3 : 1; }

int32_t VPhotoshopImageReader::ReadLayerInfo(int64_t sectionEnd) {
  VFile& f = bigFile_;
  uint32_t length = 0;
  if (!Read32(f, length)) return kBadLayerRecords;
  const int64_t infoEnd = f.GetPosition() + length;
  if (infoEnd > sectionEnd) return kBadLayerRecords;
  if (length > 0) {
    uint16_t rawCount = 0;
    if (!Read16(f, rawCount)) return kBadLayerRecords;
    int32_t count = static_cast<int16_t>(rawCount);
    if (count < 0) {
      mergedTransparency_ = true;
      count = -count;
    }
    for (int32_t i = 0; i < count; ++i) {
      uint8_t r[18];
      if (f.Read(r, 18) != 18) return kBadLayerRecords;
      Layer layer;
      layer.rect.top = static_cast<int32_t>(bytefields::LoadBE32(r));
      layer.rect.left = static_cast<int32_t>(bytefields::LoadBE32(r + 4));
      layer.rect.bottom = static_cast<int32_t>(bytefields::LoadBE32(r + 8));
      layer.rect.right = static_cast<int32_t>(bytefields::LoadBE32(r + 12));
      const int32_t channels = bytefields::LoadBE16(r + 16);
      if (channels > 56) return kBadLayerRecords;
      for (int32_t c = 0; c < channels; ++c) {
        uint8_t e[6];
        if (f.Read(e, 6) != 6) return kBadLayerRecords;
        Channel channel;
        channel.id = static_cast<int16_t>(bytefields::LoadBE16(e));
        channel.length = bytefields::LoadBE32(e + 2);
        layer.channels.push_back(channel);
      }
      uint8_t blend[12];
      if (f.Read(blend, 12) != 12) return kBadLayerRecords;
      layer.opacity = blend[8];
      layer.visible = (blend[10] & 2) ? 0 : 1;
      uint32_t extra = 0;
      if (!Read32(f, extra)) return kBadLayerRecords;
      if (f.GetPosition() + extra > infoEnd) return kBadLayerRecords;
      f.Seek(extra, false);
      // A rectangle the engine cannot hold makes the records damaged.
      const int64_t w = int64_t{layer.rect.right} - layer.rect.left;
      const int64_t h = int64_t{layer.rect.bottom} - layer.rect.top;
      if (w < 0 || h < 0 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels) return kBadLayerRecords;
      layers_.push_back(std::move(layer));
    }
    // Channel data follows in layer and channel order.
    int64_t position = f.GetPosition();
    for (Layer& layer : layers_) {
      for (Channel& channel : layer.channels) {
        channel.offset = position;
        position += channel.length;
        if (position > infoEnd) return kBadLayerRecords;
      }
      if (!LayerIsBacked(layer)) return kBadLayerRecords;
    }
  }
  // What follows (padding, the global layer mask information, further
  // blocks) is passed over with the section.
  return 0;
}

// Every channel that is read for the layer (its colour planes and its
// transparency) must hold the layer's rectangle: raw samples, or PackBits
// rows, which take at least 2 bytes per 128 samples. So the pixels of all
// layers together stay within 64 times the bytes of their channel data.
bool VPhotoshopImageReader::LayerIsBacked(const Layer& layer) const {
  const int64_t width = layer.rect.GetWidth();
  const int64_t rows = layer.rect.GetHeight();
  if (width == 0 || rows == 0) return true;
  const int64_t rowBytes = width * (bitsPerChannel_ / 8);
  const int64_t least = 2 + std::min(rowBytes * rows, rows * (2 + 2 * ((rowBytes + 127) / 128)));
  bool colour = false;
  for (const Channel& channel : layer.channels) {
    if (channel.id < -1 || channel.id >= PlaneCount()) continue;
    if (channel.length < least) return false;
    if (channel.id >= 0) colour = true;
  }
  return colour;
}

int32_t VPhotoshopImageReader::SelectFrames(int32_t frameSelection) {
  if (frameSelection > 0 && frameSelection >= static_cast<int32_t>(layers_.size())) {
    SetFailureReason(layersDropped_ ? "damaged layers" : "no such frame");
    return -1;
  }
  return 0;
}

void VPhotoshopImageReader::GetFrameBounds(VRect& out, int32_t frame) {
  if (frame == -1 || (frame == 0 && layers_.empty())) {
    out = VRect(0, 0, width_, height_);
  } else if (frame >= 0 && frame < static_cast<int32_t>(layers_.size())) {
    out = layers_[static_cast<size_t>(frame)].rect;
  } else {
    out = VRect();
  }
}

int32_t VPhotoshopImageReader::GetWidth(int32_t frame) {
  VRect r;
  GetFrameBounds(r, frame);
  return r.GetWidth();
}

int32_t VPhotoshopImageReader::GetHeight(int32_t frame) {
  VRect r;
  GetFrameBounds(r, frame);
  return r.GetHeight();
}

int32_t VPhotoshopImageReader::ReadPlane(uint8_t* plane, int32_t width, int32_t rows, int32_t compression,
                                         const uint16_t* rowCounts) {
  VFile& f = bigFile_;
  const int32_t bytesPerSample = bitsPerChannel_ / 8;
  const int64_t rowBytes = int64_t{width} * bytesPerSample;
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[static_cast<size_t>(rowBytes > 0 ? rowBytes : 1)]);
  if (!row) return kNoMemory;
  if (compression == 0) {
    for (int32_t y = 0; y < rows; ++y) {
      if (f.Read(row.get(), static_cast<int32_t>(rowBytes)) != rowBytes) return kBadChannelData;
      uint8_t* out = plane + int64_t{y} * width;
      for (int32_t x = 0; x < width; ++x) out[x] = row[static_cast<size_t>(x * bytesPerSample)];
    }
    return 0;
  }
  if (compression != 1 || !rowCounts) return kBadChannelData;
  std::vector<uint8_t> packed;
  for (int32_t y = 0; y < rows; ++y) {
    const int32_t count = rowCounts[y];
    packed.resize(static_cast<size_t>(count) + 1);
    if (f.Read(packed.data(), count) != count) return kBadChannelData;
    const uint8_t* source = packed.data();
    uint8_t* destination = row.get();
    VPackBitsCodec codec(&source, packed.data() + count, &destination, row.get() + rowBytes, 1);
    if (rowBytes > 0 && codec.Decode(static_cast<int32_t>(rowBytes)) != rowBytes) return kBadChannelData;
    uint8_t* out = plane + int64_t{y} * width;
    for (int32_t x = 0; x < width; ++x) out[x] = row[static_cast<size_t>(x * bytesPerSample)];
  }
  return 0;
}

void VPhotoshopImageReader::StorePlanes(PixelMap& target, const std::vector<std::vector<uint8_t>>& planes,
                                        int32_t width, int32_t rows) {
  PixelMapLock lock(&target);
  if (!target.GetPixels()) return;
  // Components are clamped to 0..255 over indexes -256..511.
  LookupTableRef<VClipTable> clipTable(mode_ == kCMYK ? GetClipTable(0, 0, 256, -256, 512) : nullptr);
  const int32_t* clip = clipTable.Entries();
  const bool redFirst = target.GetPixelFormat() == kFormatRGB24;
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* out = target.GetPixelAddress(VPoint(0, y));
    if (!out) break;
    const size_t base = static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int32_t x = 0; x < width; ++x) {
      const size_t i = base + static_cast<size_t>(x);
      if (target.GetDepth() == 8) {
        out[x] = planes[0][i];
        continue;
      }
      uint8_t r = planes[0][i];
      uint8_t g = planes[1][i];
      uint8_t b = planes[2][i];
      if (mode_ == kCMYK) {
        const uint8_t k = planes[3][i];
        r = CMYKComponent(clip, r, k);
        g = CMYKComponent(clip, g, k);
        b = CMYKComponent(clip, b, k);
      }
      uint8_t* p = out + x * 3;
      p[0] = redFirst ? r : b;
      p[1] = g;
      p[2] = redFirst ? b : r;
    }
  }
}

int32_t VPhotoshopImageReader::ReadMerged(PixelMap& target) {
  if (target.GetWidth() < width_ || target.GetHeight() < height_) return kTargetTooSmall;
  VFile& f = bigFile_;
  f.Seek(mergedPosition_, true);
  uint16_t compression = 0;
  if (!Read16(f, compression)) return kBadChannelData;
  if (compression != 0 && compression != 1) return kBadCompression;
  std::vector<uint16_t> counts;
  if (compression == 1) {
    const size_t total = static_cast<size_t>(channels_) * static_cast<size_t>(height_);
    counts.resize(total);
    std::vector<uint8_t> raw(total * 2);
    if (f.Read(raw.data(), static_cast<int32_t>(raw.size())) != static_cast<int32_t>(raw.size())) return -1;
    for (size_t i = 0; i < total; ++i) counts[i] = bytefields::LoadBE16(raw.data() + i * 2);
  }
  const int32_t planeCount = PlaneCount();
  std::vector<std::vector<uint8_t>> planes(static_cast<size_t>(planeCount));
  for (int32_t c = 0; c < planeCount; ++c) {
    planes[static_cast<size_t>(c)].resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    const int32_t result = ReadPlane(planes[static_cast<size_t>(c)].data(), width_, height_, compression,
                                     compression == 1 ? counts.data() + static_cast<size_t>(c) * height_ : nullptr);
    if (result != 0) return result;
  }
  StorePlanes(target, planes, width_, height_);
  return 0;
}

int32_t VPhotoshopImageReader::ReadLayer(PixelMap& target, int32_t index, bool transparency) {
  const Layer& layer = layers_[static_cast<size_t>(index)];
  const int32_t width = layer.rect.GetWidth();
  const int32_t rows = layer.rect.GetHeight();
  if (target.GetWidth() < width || target.GetHeight() < rows) return kTargetTooSmall;
  const int32_t level = layer.opacity >> 2;
  if (level != 63) target.SetLevel(level);
  if (width < 1 || rows < 1) return 0;

  const int32_t planeCount = PlaneCount();
  std::vector<std::vector<uint8_t>> planes(static_cast<size_t>(planeCount));
  const size_t planeSize = static_cast<size_t>(width) * static_cast<size_t>(rows);
  for (auto& plane : planes) plane.assign(planeSize, 0);
  std::vector<uint8_t> alpha;
  VFile& f = bigFile_;
  for (const Channel& channel : layer.channels) {
    const bool isAlpha = channel.id == -1;
    if ((isAlpha && !transparency) || (channel.id < 0 && !isAlpha) || channel.id >= planeCount) continue;
    f.Seek(channel.offset, true);
    uint16_t compression = 0;
    if (!Read16(f, compression)) return 0;
    if (compression != 0 && compression != 1) return kBadCompression;
    std::vector<uint16_t> counts;
    if (compression == 1) {
      std::vector<uint8_t> raw(static_cast<size_t>(rows) * 2);
      if (f.Read(raw.data(), static_cast<int32_t>(raw.size())) != static_cast<int32_t>(raw.size())) return 0;
      counts.resize(static_cast<size_t>(rows));
      for (int32_t y = 0; y < rows; ++y) counts[static_cast<size_t>(y)] = bytefields::LoadBE16(raw.data() + y * 2);
    }
    std::vector<uint8_t>& plane = isAlpha ? alpha : planes[static_cast<size_t>(channel.id)];
    plane.assign(planeSize, 0);
    // A channel that fails to read ends the layer (what was read stays).
    if (ReadPlane(plane.data(), width, rows, compression, counts.data()) != 0) break;
  }
  StorePlanes(target, planes, width, rows);
  if (!alpha.empty()) {
    VAlphaChannel* channel = target.GetAlphaChannel();
    if (!channel) {
      channel = new VAlphaChannel(VRect(0, 0, width, rows));
      target.SetAlphaChannel(channel);
    }
    PixelMap* levels = channel->GetPixelMap();
    PixelMapLock lock(levels);
    if (levels && levels->GetPixels()) {
      for (int32_t y = 0; y < rows && y < levels->GetHeight(); ++y) {
        uint8_t* out = levels->GetPixelAddress(VPoint(0, y));
        const uint8_t* in = alpha.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = 0; x < width && x < levels->GetWidth(); ++x) out[x] = in[x] >> 2;
      }
    }
    channel->Release();
  }
  return 0;
}

int32_t VPhotoshopImageReader::ReadComposite(PixelMap& target) {
  if (target.GetWidth() < width_ || target.GetHeight() < height_) return kTargetTooSmall;
  VAlphaChannel* channel = target.GetAlphaChannel();
  if (!channel) {
    channel = new VAlphaChannel(VRect(0, 0, target.GetWidth(), target.GetHeight()));
    target.SetAlphaChannel(channel);
  }
  if (PixelMap* levels = channel->GetPixelMap()) {
    PixelMapLock lock(levels);
    levels->ClearPixels();
  }
  bool first = true;
  for (int32_t i = 0; i < static_cast<int32_t>(layers_.size()); ++i) {
    const Layer& layer = layers_[static_cast<size_t>(i)];
    if (!layer.visible || layer.opacity == 0 || layer.rect.IsEmpty()) continue;
    const VRect size(0, 0, layer.rect.GetWidth(), layer.rect.GetHeight());
    PixelMap scratch(size, target.GetDepth(), target.PeekColorTable(), nullptr, nullptr, PixelMap::kStorageMemory,
                     target.GetPixelFormat());
    if (!scratch.HasStorage()) break;
    if (ReadLayer(scratch, i, true) != 0) break;
    const VRect destination(layer.rect.left, layer.rect.top, layer.rect.right, layer.rect.bottom);
    if (first) {
      PixelMapAttributes record;
      scratch.GetAttributes(record);
      scratch.ClearAttributes();
      scratch.CopyTo(target, size, destination);
      if (VAlphaChannel* layerAlpha = record.PeekAlphaChannel()) {
        layerAlpha->Combine(*channel, size, destination, record.GetLevel());
      } else {
        // A layer without a transparency channel covers its rectangle.
        VAlphaChannel opaque(size);
        if (PixelMap* levels = opaque.GetPixelMap()) {
          PixelMapLock lock(levels);
          if (levels->GetPixels()) std::memset(levels->GetPixels(), 63, static_cast<size_t>(levels->GetByteSize()));
        }
        opaque.Combine(*channel, size, destination, record.GetLevel());
      }
      first = false;
    } else {
      scratch.CopyTo(target, size, destination);
    }
  }
  channel->Release();
  return 0;
}

int32_t VPhotoshopImageReader::ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t) {
  if (!(flags & kReadPixels)) return 0;
  if (!headerRead_) return kBadHeader;
  if (target.GetDepth() != depth_) return -1;
  const int32_t layerCount = static_cast<int32_t>(layers_.size());
  if (frame < -1 || frame >= (layerCount > 0 ? layerCount : 0)) {
    if (!(frame == 0 && layerCount == 0)) return -1;
    frame = -1;
  }
  if (depth_ == 8 || layerCount == 0) flags &= ~kReadAlpha;
  int32_t result = 0;
  if (frame >= 0) {
    const Layer& layer = layers_[static_cast<size_t>(frame)];
    target.SetOrigin(VPoint(layer.rect.left, layer.rect.top));
    target.SetVisible(layer.visible != 0);
    result = ReadLayer(target, frame, (flags & kReadAlpha) != 0);
  } else if (!(flags & kReadAlpha)) {
    target.ClearAttributes();
    result = ReadMerged(target);
  } else {
    result = ReadComposite(target);
  }
  if (result == 0 && depth_ == 8 && (flags & kReadColorTable)) RemapArrangedIndices(target);
  return result;
}
