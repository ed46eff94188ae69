// Shared by the image fuzz targets: the input goes into a scratch file and is
// read through the reader of a type at several load depths, reader flags and
// frame selections; every map made is walked pixel by pixel.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/image/ImageRegistry.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"

namespace imagefuzz {

// The scratch file of this process; removed when the process ends.
struct ScratchFile {
  std::string path;
  ~ScratchFile() {
    if (!path.empty()) unlink(path.c_str());
  }
};

inline const char* ScratchPath(const char* tag) {
  static ScratchFile scratch;
  if (scratch.path.empty()) {
    std::string path = std::string("/tmp/ostrevan_fuzz_") + tag + "_XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd >= 0) close(fd);
    scratch.path = path;
  }
  return scratch.path.c_str();
}

inline bool WriteScratch(const char* tag, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(ScratchPath(tag), "wb");
  if (f == nullptr) return false;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return true;
}

// Reads pixels and opacity of every map of the chain (the first and last
// rows and columns and a grid between them, so huge maps stay fast) and
// deletes the chain.
inline uint32_t ConsumeChain(PixelMap* map) {
  uint32_t sum = 0;
  while (map) {
    {
      PixelMapLock lock(map);
      const int32_t width = map->GetWidth();
      const int32_t height = map->GetHeight();
      const int32_t stepY = height > 64 ? height / 64 : 1;
      const int32_t stepX = width > 64 ? width / 64 : 1;
      for (int32_t i = 0; i <= 64 && height > 0; ++i)
        for (int32_t j = 0; j <= 64 && width > 0; ++j) {
          const int32_t y = i * stepY < height ? i * stepY : height - 1;
          const int32_t x = j * stepX < width ? j * stepX : width - 1;
          VRGBColor c;
          if (map->GetPixel(VPoint(x, y), c)) sum += c.red + c.green + c.blue;
          sum += static_cast<uint32_t>(map->GetOpacityAt(x, y));
        }
    }
    auto* next = static_cast<PixelMap*>(map->GetNext());
    map->SetNext(nullptr);
    delete map;
    map = next;
  }
  return sum;
}

// Reads the scratch file as `type` in the usual combinations.
inline void ReadAllWays(const char* tag, uint32_t type) {
  const bool arrange = GetArrangeBlackAndWhite();
  struct Way {
    int32_t depth, flags, selection;
    bool arrange;
  };
  static const Way ways[] = {
      {-1, kReadPixels | kReadAlpha | kReadColorTable | kReadMasks, -2, true},
      {24, kReadPixels | kReadAlpha | kReadColorTable, -1, false},
      {8, kReadPixels | kReadColorTable, 0, true},
      {15, kReadPixels | kReadAlpha, 1, false},
  };
  for (const Way& way : ways) {
    VFile file(VFileSpec(ScratchPath(tag)), kUnknownFileType, kUnknownFileType);
    if (!file.Open(1)) return;
    SetArrangeBlackAndWhite(way.arrange);
    const int32_t previous = SetLoadPixelFormat(way.depth);
    std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, type));
    if (reader) {
      volatile uint32_t sink = ConsumeChain(ReadImageWithReader(*reader, way.flags, way.selection, -1));
      (void)sink;
    }
    SetLoadPixelFormat(previous);
    file.Close();
  }
  SetArrangeBlackAndWhite(arrange);
}

}  // namespace imagefuzz
