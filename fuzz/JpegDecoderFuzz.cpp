// Fuzz target: arbitrary bytes read by the engine's own JPEG decoder into
// maps of every depth (24 and 32 bits, 15 and 16 bits with the ordered
// dither, 8 bits grey and through error diffusion onto a palette), as R, G, B
// rows handed out in bands (each byte of every band read), and once through
// the reader registry as "JPEG". Headers of every size reach the
// decoder: it must refuse pictures over the engine's limit itself.
#include <cstdint>
#include <algorithm>
#include <memory>
#include <vector>

#include "ImageFuzzSupport.h"
#include "engine/core/MediaTypes.h"
#include "engine/graphics/LookupTables.h"
#include "engine/image/VJPEGImageReader.h"

namespace {

void DecodeAt(int32_t depth, int32_t format, VColorTable* table) {
  VFile file(VFileSpec(imagefuzz::ScratchPath("jpeg")), kUnknownFileType, kUnknownFileType);
  if (!file.Open(1)) return;
  VJPEGImageReader reader(&file);
  if (reader.ReadHeader() != 0) return;
  VRect bounds;
  reader.GetFrameBounds(bounds, 0);
  // A header the reader accepted is within the engine's limit.
  if (int64_t{bounds.GetWidth()} * bounds.GetHeight() > kMaxImagePixels) __builtin_trap();
  auto map = std::make_unique<PixelMap>(bounds, depth, table, nullptr, nullptr, PixelMap::kStorageMemory, format);
  if (!map->HasStorage()) return;
  map->ClearPixels();
  reader.ReadImage(*map, kReadPixels, 0, 0);
  PixelMap* raw = map.release();
  volatile uint32_t sink = imagefuzz::ConsumeChain(raw);
  (void)sink;
}

// The rows in bands of 16 into memory of a band's size: every row comes, each
// written whole before the next band is asked for.
void DecodeRows() {
  VFile file(VFileSpec(imagefuzz::ScratchPath("jpeg")), kUnknownFileType, kUnknownFileType);
  if (!file.Open(1)) return;
  VJPEGImageReader reader(&file);
  if (reader.ReadHeader() != 0) return;
  VRect bounds;
  reader.GetFrameBounds(bounds, 0);
  const size_t rowBytes = static_cast<size_t>(bounds.GetWidth()) * 3;
  std::vector<uint8_t> band(rowBytes * 16);
  int32_t given = 0, rows = 0;
  uint32_t sum = 0;
  const int32_t result = reader.ReadRgbRows(16, [&](int32_t count) -> uint8_t* {
    for (size_t i = 0; i < rowBytes * static_cast<size_t>(given); ++i) sum += band[i];
    given = count;
    rows += count;
    std::fill(band.begin(), band.end(), uint8_t{0xCD});
    return band.data();
  });
  for (size_t i = 0; i < rowBytes * static_cast<size_t>(given); ++i) sum += band[i];
  if (result == 0 && rows != bounds.GetHeight()) __builtin_trap();
  volatile uint32_t sink = sum;
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool tables = [] {
    SetupLookupTables();
    return true;
  }();
  (void)tables;
  if (!imagefuzz::WriteScratch("jpeg", data, size)) return 0;
  static VColorTable* cube = new VColorTable(StandardPalette{4});
  DecodeAt(24, 1, nullptr);
  DecodeAt(32, kFormatXRGB32, nullptr);
  DecodeAt(16, 1, nullptr);
  DecodeAt(15, kFormat555, nullptr);
  DecodeAt(8, kFormatGrey8, nullptr);
  DecodeAt(8, kFormatIndexed8, cube);
  DecodeRows();

  VFile file(VFileSpec(imagefuzz::ScratchPath("jpeg")), kUnknownFileType, kUnknownFileType);
  if (!file.Open(1)) return 0;
  RegisterJPEGImageReader();
  std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, MakeTypeCode("JPEG")));
  if (reader) {
    const int32_t previous = SetLoadPixelFormat(24);
    volatile uint32_t sink = imagefuzz::ConsumeChain(ReadImageWithReader(*reader, kReadPixels, 0, 0));
    (void)sink;
    SetLoadPixelFormat(previous);
  }
  return 0;
}
