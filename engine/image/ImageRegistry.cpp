#include "engine/image/ImageRegistry.h"

#include <memory>

#include "engine/core/MediaTypes.h"
#include "engine/image/BMPImageReader.h"
#include "engine/graphics/GraphicsServices.h"
#include "engine/graphics/CopyPicturePixels.h"
#include "engine/image/GIFImageReader.h"
#include "engine/image/PhotoshopImageReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/image/RawImageFile.h"
#include "engine/image/TargaImageReader.h"
#include "engine/image/VJPEGImageReader.h"
#include "engine/graphics/VColorTable.h"

namespace {

// "JPEG" media go to the engine's own baseline decoder unless a program installs another.
ImageReaderFactory gJPEGFactory = &CreateJPEGImageReader;

// Deletes a chain of maps linked by their next links.
void DeleteChain(PixelMap* first) {
  while (first) {
    auto* next = static_cast<PixelMap*>(first->GetNext());
    first->SetNext(nullptr);
    delete first;
    first = next;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// VImageReader

VImageReader::VImageReader(VFile* file) : file_(file) {}

VImageReader::~VImageReader() {
  if (colorTable_) colorTable_->Release();
}

int32_t VImageReader::SelectFrames(int32_t) { return 0; }

void VImageReader::GetFrameBounds(VRect& out, int32_t) { out = VRect(0, 0, width_, height_); }

int32_t VImageReader::GetWidth(int32_t) { return width_; }

int32_t VImageReader::GetHeight(int32_t) { return height_; }

VColorTable* VImageReader::GetColorTable(bool rebuild) {
  // Realize fills a table to 256 entries, so the count it was made from is kept.
  if (colorTable_ && (rebuild || colorTableSourceCount_ != colorCount_)) {
    colorTable_->Release();
    colorTable_ = nullptr;
  }
  if (!colorTable_ && colorCount_ >= 1) {
    const int32_t count = colorCount_ < 256 ? colorCount_ : 256;
    uint8_t rgb[256 * 3];
    for (int32_t i = 0; i < count; ++i) {
      rgb[i * 3] = palette_[i].red;
      rgb[i * 3 + 1] = palette_[i].green;
      rgb[i * 3 + 2] = palette_[i].blue;
    }
    colorTable_ = new VColorTable(rgb, count, 0);
    colorTableSourceCount_ = colorCount_;
  }
  if (colorTable_) colorTable_->AddReference();
  return colorTable_;
}

int32_t VImageReader::ArrangedIndex(int32_t index) const {
  if (!colorTable_ || !colorTable_->IsArranged()) return index;
  const int32_t white = colorTable_->GetWhiteSlot();
  const int32_t black = colorTable_->GetBlackSlot();
  if (white >= 0) {
    if (index == white) {
      index = 255;
    } else if (index == 255) {
      index = white;
    }
  }
  if (black >= 0) {
    if (index == black) {
      index = 0;
    } else if (index == 0) {
      index = black;
    }
  }
  return index;
}

void VImageReader::RemapArrangedIndices(PixelMap& target) const {
  if (target.GetDepth() != 8 || !colorTable_ || !colorTable_->IsArranged()) return;
  uint8_t map[256];
  for (int32_t i = 0; i < 256; ++i) map[i] = static_cast<uint8_t>(ArrangedIndex(i));
  PixelMapLock lock(&target);
  if (!target.GetPixels()) return;
  for (int32_t y = 0; y < target.GetHeight(); ++y) {
    uint8_t* p = target.GetPixelAddress(VPoint(0, y));
    if (!p) return;
    for (int32_t x = 0; x < target.GetWidth(); ++x) p[x] = map[p[x]];
  }
}

// ---------------------------------------------------------------------------
// VImageWriter

int32_t VImageWriter::WriteImage(int32_t depth, PixelMap& map, int32_t flags, int32_t frameSelection,
                                 int32_t argument, int32_t stackedFrameCount) {
  if (depth < 1 || depth == map.GetDepth()) {
    int32_t result = WriteImagePrepared(map, flags, frameSelection, argument, stackedFrameCount);
    if (result == 0) result = WriteImageData(map, flags, frameSelection, argument, stackedFrameCount);
    return result;
  }
  // Every map of the chain is converted, so no frame is lost.
  const int32_t wanted = depth < 8 ? 8 : depth;
  PixelMap* first = nullptr;
  PixelMap* last = nullptr;
  bool ok = true;
  for (PixelMap* source = &map; source && ok; source = static_cast<PixelMap*>(source->GetNext())) {
    const int16_t previousKind = PixelMap::SetDefaultStorageKind(PixelMap::kStorageMemory);
    auto* copy = new PixelMap(source->GetBounds(), wanted, source->PeekColorTable());
    PixelMap::SetDefaultStorageKind(previousKind);
    if (last) {
      last->SetNext(copy);
    } else {
      first = copy;
    }
    last = copy;
    ok = copy->HasStorage() && copy->GetDepth() == wanted;
    if (!ok) break;
    PixelMapAttributes record;
    source->GetAttributes(record);
    copy->SetAttributes(record);
    copy->SetOrigin(source->GetOrigin());
    copy->SetVisible(source->IsVisible());
    ok = CopyPicturePixels(*source, *copy);
  }
  int32_t result = -1;
  if (ok && first) {
    result = WriteImagePrepared(*first, flags, frameSelection, argument, stackedFrameCount);
    if (result == 0) result = WriteImageData(*first, flags, frameSelection, argument, stackedFrameCount);
  }
  DeleteChain(first);
  return result;
}

// ---------------------------------------------------------------------------
// Registry

VImageReader* CreateImageReaderForFile(VFile* file, uint32_t type) {
  if (!file) return nullptr;
  if (type == MakeTypeCode("8BPS")) return new VPhotoshopImageReader(file);
  if (type == MakeTypeCode("PICT")) return new VPICTImageReader(file);
  if (type == MakeTypeCode("GIFf")) return new VGIFImageReader(file);
  if (type == MakeTypeCode(".BMP")) return new VBMPImageReader(file);
  if (type == MakeTypeCode("JPEG")) return gJPEGFactory ? gJPEGFactory(file) : nullptr;
  if (type == MakeTypeCode("TPIC")) return new VTargaImageReader(file);
  if (type == MakeTypeCode("RIX ") || type == MakeTypeCode("RIW ")) return new VRawImageReader(file);
  return nullptr;
}

ImageReaderFactory SetJPEGImageReaderFactory(ImageReaderFactory factory) {
  ImageReaderFactory previous = gJPEGFactory;
  gJPEGFactory = factory;
  return previous;
}

VImageWriter* CreateImageWriterForFile(VFile* file, uint32_t type) {
  if (!file) return nullptr;
  if (type == MakeTypeCode("RIX ")) return new VRawImageWriter(file);
  return nullptr;
}

bool ReadPictureFileWithReaders(VFile& file, uint32_t type, int32_t flags, int32_t frameSelection,
                                int32_t frameCountMode, PictureFileContents& out) {
  std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, type));
  if (!reader) return false;
  PixelMap* first = ReadImageWithReader(*reader, flags, frameSelection, frameCountMode);
  if (!first) return false;
  out.first = first;
  reader->GetFrameBounds(out.frameBounds, frameSelection);
  reader->GetFrameBounds(out.allBounds, -1);
  out.stackedFrameCount = reader->GetStackedFrameCount();
  return true;
}

void InstallImageReaders() { SetPictureFileReader(&ReadPictureFileWithReaders); }

// ---------------------------------------------------------------------------
// Reading into pixel maps

PixelMap* ReadImageWithReader(VImageReader& reader, int32_t flags, int32_t frameSelection, int32_t frameCountMode) {
  if (reader.ReadHeader() != 0 || reader.SelectFrames(frameSelection) != 0) return nullptr;
  VRect bounds;
  reader.GetFrameBounds(bounds, frameSelection == -2 ? 0 : frameSelection);
  bounds.MoveToOrigin();
  if (bounds.GetWidth() < 1 || bounds.GetHeight() < 1) {
    reader.SetFailureReason("empty picture");
    return nullptr;
  }
  if (int64_t{bounds.GetWidth()} * bounds.GetHeight() > kMaxImagePixels) {
    reader.SetFailureReason("size over the limit");
    return nullptr;
  }
  VColorTable* table = (flags & kReadColorTable) ? reader.GetColorTable(false) : nullptr;
  int32_t depth = GetLoadPixelFormat();
  if (depth == -1) depth = reader.GetDepth() == 4 ? 8 : reader.GetDepth();
  auto* map = new PixelMap(bounds, depth, table);
  if (table) table->Release();
  if (map->HasStorage()) map->ClearPixels();
  if (!map->HasStorage() ||
      ReadIntoPixelMap(reader, *map, flags, frameSelection, frameCountMode, false) != 0) {
    DeleteChain(map);
    return nullptr;
  }
  return map;
}

int32_t ReadIntoPixelMap(VImageReader& reader, PixelMap& target, int32_t flags, int32_t frameSelection,
                         int32_t frameCountMode, bool readHeader) {
  if (readHeader) {
    int32_t result = reader.ReadHeader();
    if (result == 0) result = reader.SelectFrames(frameSelection);
    if (result != 0) return result;
  }
  int32_t readerDepth = reader.GetDepth();
  if (readerDepth == 4) readerDepth = 8;
  int32_t frame = frameSelection == -2 ? 0 : frameSelection;
  PixelMap* current = &target;
  for (;;) {
    const bool convert = readerDepth > 0 && readerDepth != current->GetDepth();
    int32_t result = 0;
    if (convert) {
      const uint16_t format = reader.GetPixelFormat();
      auto temporary = std::make_unique<PixelMap>(current->GetBounds(), readerDepth, current->PeekColorTable(),
                                                  nullptr, nullptr, PixelMap::kStorageMemory,
                                                  format == 0 ? 1 : format);
      if (!temporary->HasStorage()) return -1;
      if (VColorTable* table = current->PeekColorTable()) temporary->SetColorTable(table, false);
      temporary->ClearPixels();
      result = reader.ReadImage(*temporary, flags, frame, frameCountMode);
      if (result == 0) {
        PixelMapAttributes record;
        temporary->GetAttributes(record);
        if (!CopyPicturePixels(*temporary, *current)) result = -1;
        current->SetAttributes(record);
        current->SetOrigin(temporary->GetOrigin());
        current->SetVisible(temporary->IsVisible());
      }
    } else {
      result = reader.ReadImage(*current, flags, frame, frameCountMode);
    }
    if (result != 0 || frameSelection != -2 || frame + 1 >= reader.GetFrameCount()) return result;

    VRect bounds;
    reader.GetFrameBounds(bounds, frame + 1);
    bounds.MoveToOrigin();
    if (int64_t{bounds.GetWidth()} * bounds.GetHeight() > kMaxImagePixels) return -1;
    auto* next = new PixelMap(bounds, current->GetDepth(), current->PeekColorTable(), nullptr, nullptr,
                              PixelMap::kStorageMemory, current->GetPixelFormat());
    if (!next->HasStorage()) {
      // A frame the file holds cannot be delivered: the read fails rather
      // than report success with frames missing.
      delete next;
      return -1;
    }
    next->ClearPixels();
    next->SetNext(current->GetNext());
    current->SetNext(next);
    current = next;
    ++frame;
  }
}
