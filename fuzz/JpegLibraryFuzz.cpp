// Fuzz target: arbitrary bytes decoded through libjpeg by the application's
// JPEG picture path, on 24-bit, 16-bit and 8-bit palette screens, the whole
// sequence and the steps one by one (every libjpeg error must end cleanly).
// Headers of every size reach the path: it must refuse pictures over the
// engine's limit itself.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/image/JpegLibraryLoader.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "platform/MessageBox.h"

namespace {

uint32_t Consume(VPicture* picture) {
  if (!picture) return 0;
  uint32_t sum = 0;
  if (PixelMap* map = picture->GetPixelMap()) {
    PixelMapLock lock(map);
    for (int32_t y = 0; y < map->GetHeight(); ++y)
      for (int32_t x = 0; x < map->GetWidth(); ++x) {
        VRGBColor c;
        if (map->GetPixel(VPoint(x, y), c)) sum += c.red + c.green + c.blue;
      }
  }
  picture->Release();
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool setup = [] {
    SetupLookupTables();
    platform::SetMessageBoxCapture(
        [](const std::string&, const std::string&, platform::MessageBoxIcon) { return platform::kMessageBoxOk; });
    return true;
  }();
  (void)setup;
  auto* display = dynamic_cast<MemoryPixelMapDisplay*>(GetPixelMapDisplay());
  static VColorTable* cube = new VColorTable(StandardPalette{4});
  struct Screen {
    int32_t depth, format;
  };
  for (const Screen s : {Screen{0, 0}, Screen{16, kFormat565LE}, Screen{8, kFormatIndexed8}}) {
    std::unique_ptr<PixelMap> screen;
    if (s.depth && display) {
      screen = std::make_unique<PixelMap>(VRect(0, 0, 2, 2), s.depth, cube, nullptr, nullptr,
                                          PixelMap::kStorageMemory, s.format);
      display->SetScreenPixelMap(screen.get());
    }
    volatile uint32_t sink = Consume(DecodeJpegWithLibrary(data, static_cast<uint32_t>(size)));
    (void)sink;
    if (display) display->SetScreenPixelMap(nullptr);
  }

  // The steps one by one, with rows read in two parts.
  if (SetJpegData(data, static_cast<uint32_t>(size))) {
    if (StartJpegDecompress()) {
      ReadJpegLines(static_cast<int32_t>(GetJpegOutputHeight() / 2 + 1));
      FinishJpegDecompress();
    }
    volatile uint32_t sink = Consume(CreateJpegPicture());
    (void)sink;
    FreeJpegData();
  }
  return 0;
}
