#include "engine/graphics/PictureFileReader.h"

#include <atomic>

#include "engine/graphics/GraphicsServices.h"

namespace {

std::atomic<int32_t> gLoadDepth{0};

}  // namespace

bool ReadPictureFile(VFile& file, uint32_t type, int32_t flags, int32_t frameSelection, int32_t frameCountMode,
                     PictureFileContents& out) {
  out = PictureFileContents{};
  const PictureFileReadFunction reader = GetPictureFileReader();
  return reader && reader(file, type, flags, frameSelection, frameCountMode, out);
}

int32_t SetLoadPixelFormat(int32_t depth) { return gLoadDepth.exchange(depth); }

int32_t GetLoadPixelFormat() { return gLoadDepth.load(); }
