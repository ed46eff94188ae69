// Fuzz target: arbitrary bytes read as a raw colour-table file ("RCX ") with
// every combination of caller flags.
#include <cstdint>
#include <memory>

#include "ImageFuzzSupport.h"
#include "engine/core/MediaTypes.h"
#include "engine/graphics/ColorTableReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!imagefuzz::WriteScratch("rcx", data, size)) return 0;
  for (int32_t flags : {4, 8, 32, 44}) {
    VFile file(VFileSpec(imagefuzz::ScratchPath("rcx")), kUnknownFileType, kUnknownFileType);
    if (!file.Open(1)) return 0;
    std::unique_ptr<VColorTableReader> reader(CreateColorTableReader(&file, MakeTypeCode("RCX ")));
    auto* table = new VColorTable();
    if (reader) RunColorTableHandler(*reader, *table, flags);
    VRGBColor probe(1, 2, 3);
    table->FindNearestIndex(probe, true);
    table->Release();
    file.Close();
  }
  auto* table = new VColorTable(VFileSpec(imagefuzz::ScratchPath("rcx")));
  table->Release();
  return 0;
}
