// Reading a picture file into pixel maps. Pictures, masks and alpha channels
// live here, the image readers one layer up: they meet through this service,
// installed with the graphics services (engine/graphics/GraphicsServices.h)
// before any picture is loaded. Until then every read fails, reported as a
// missing service. The program-wide load depth lives here too, because masks
// set it while the readers honour it.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

class PixelMap;
class VFile;

// Reader flags: what a read delivers.
enum ImageReaderFlags : int32_t {
  kReadPixels = 1,      // the pixels (without it nothing is read)
  kReadAlpha = 2,       // alpha channels
  kReadColorTable = 4,  // the file's colour table for the pixel maps
  kReadMasks = 64,      // masks
};

// What one read of a picture file gives.
struct PictureFileContents {
  PixelMap* first = nullptr;  // the maps in file order, linked by their next links; the caller owns them
  VRect frameBounds;          // the reader's rectangle of the selected frame (may be empty)
  VRect allBounds;            // the reader's rectangle of every frame together (may be empty)
  int32_t stackedFrameCount = 1;
};

// Reads the file (already open) of the given type with the settings of
// ReadImageWithReader: true with `out` filled, false with nothing allocated.
using PictureFileReadFunction = bool (*)(VFile& file, uint32_t type, int32_t flags, int32_t frameSelection,
                                         int32_t frameCountMode, PictureFileContents& out);

// Reads through the installed function; false when none is installed.
bool ReadPictureFile(VFile& file, uint32_t type, int32_t flags, int32_t frameSelection, int32_t frameCountMode,
                     PictureFileContents& out);

// The program-wide load depth of pictures: 0 the display's depth, -1 each
// reader's own depth, else a depth. Returns the previous value.
int32_t SetLoadPixelFormat(int32_t depth);
int32_t GetLoadPixelFormat();

// Sets the load depth for a scope and restores the previous one.
class ScopedLoadPixelFormat {
 public:
  explicit ScopedLoadPixelFormat(int32_t depth) : previous_(SetLoadPixelFormat(depth)) {}
  ~ScopedLoadPixelFormat() { SetLoadPixelFormat(previous_); }
  ScopedLoadPixelFormat(const ScopedLoadPixelFormat&) = delete;
  ScopedLoadPixelFormat& operator=(const ScopedLoadPixelFormat&) = delete;

 private:
  int32_t previous_;
};
