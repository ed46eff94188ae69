#include "platform/MemoryDC.h"

#include <cstdlib>

namespace platform {

namespace {
int32_t gFailDCs = 0;
int32_t gFailSections = 0;
}  // namespace

DibSection::~DibSection() { std::free(bits_); }

DibSection* MemoryDC::SelectBitmap(DibSection* bitmap) {
  DibSection* previous = bitmap_;
  bitmap_ = bitmap;
  return previous;
}

const Palette* MemoryDC::SelectPalette(const Palette* palette) {
  const Palette* previous = palette_;
  palette_ = palette;
  return previous;
}

MemoryDC* CreateMemoryDC() {
  if (gFailDCs > 0) {
    --gFailDCs;
    return nullptr;
  }
  return new MemoryDC();
}

void DeleteMemoryDC(MemoryDC* dc) { delete dc; }

DibSection* CreateDibSection(MemoryDC* dc, const DibHeader& header, uint8_t** bits) {
  if (bits) *bits = nullptr;
  if (!dc || header.width < 1 || header.height == 0) return nullptr;
  if (header.bitCount != 8 && header.bitCount != 16 && header.bitCount != 24 && header.bitCount != 32) return nullptr;
  if (gFailSections > 0) {
    --gFailSections;
    return nullptr;
  }
  const int64_t height = header.height < 0 ? -int64_t{header.height} : header.height;
  const int64_t rowBytes = ((int64_t{header.width} * header.bitCount + 31) >> 3) & ~int64_t{3};
  const int64_t size = rowBytes * height;
  if (size > 0x7FFFFFFF) return nullptr;
  auto* memory = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
  if (!memory) return nullptr;
  auto* section = new DibSection();
  section->width_ = header.width;
  section->height_ = static_cast<int32_t>(height);
  section->bitCount_ = header.bitCount;
  section->rowBytes_ = static_cast<int32_t>(rowBytes);
  section->bottomUp_ = header.height > 0;
  section->bits_ = memory;
  for (int32_t i = 0; i < 256; ++i) section->colors_[i] = header.colors[i];
  if (bits) *bits = memory;
  return section;
}

void DeleteDibSection(DibSection* bitmap) { delete bitmap; }

void FailNextMemoryDCs(int32_t count) { gFailDCs = count; }
void FailNextDibSections(int32_t count) { gFailSections = count; }

}  // namespace platform
