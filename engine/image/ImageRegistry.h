// Image readers and writers: the base classes, the fixed registry that picks
// a reader by a medium's four-character type code, the shared steps that turn
// a reader's output into pixel maps (with depth conversion), and the
// program-wide load depth.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/VGeometry.h"
#include "engine/graphics/PictureFileReader.h"

class PixelMap;
class VColorTable;
class VFile;

// The most pixels one image or frame may have: far above any picture of the
// engine, low enough that a forged header cannot make it allocate gigabytes.
constexpr int64_t kMaxImagePixels = int64_t{1} << 25;

// Reads one image file (or medium) into pixel maps. The file is the caller's
// and must outlive the reader.
class VImageReader {
 public:
  explicit VImageReader(VFile* file);
  VImageReader(const VImageReader&) = delete;
  VImageReader& operator=(const VImageReader&) = delete;
  // Releases the colour table made by GetColorTable.
  virtual ~VImageReader();

  // Fills the header fields (palette, size, depth, format, frame counts):
  // 0 on success, non-zero on failure.
  virtual int32_t ReadHeader() = 0;
  // Reads the frame (or frames, see each reader) into the target, which has
  // the reader's depth (4 counts as 8): 0 on success, non-zero on failure.
  // Nothing is read without reader flag 1 (result 0).
  virtual int32_t ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t frameCountMode) = 0;
  // Tells the reader which frames the following reads ask for (after
  // ReadHeader, before GetFrameBounds): -2 every frame, -1 the whole image,
  // k >= 0 frame k. 0, or non-zero when the file cannot deliver them (with a
  // failure reason). The base accepts every selection.
  virtual int32_t SelectFrames(int32_t frameSelection);
  // The rectangle of a frame; the base: (0, 0, height, width) for every frame.
  virtual void GetFrameBounds(VRect& out, int32_t frame);
  virtual int32_t GetWidth(int32_t frame);
  virtual int32_t GetHeight(int32_t frame);

  // The colour table of the palette (made on demand; rebuilt when asked or
  // when the colour count changed) with one more reference for the caller,
  // or null without colours.
  VColorTable* GetColorTable(bool rebuild);

  VFile* GetFile() const { return file_; }
  int32_t GetColorCount() const { return colorCount_; }
  const VRGBColor* GetPalette() const { return palette_; }
  int32_t GetDepth() const { return depth_; }
  uint16_t GetPixelFormat() const { return pixelFormat_; }
  int32_t GetFrameCount() const { return frameCount_; }
  int32_t GetStackedFrameCount() const { return stackedFrameCount_; }

  // Why the last header or image read failed, for a person ("" when the
  // reader gave no reason): e.g. "progressive JPEG", "damaged data".
  const std::string& GetFailureReason() const { return failureReason_; }
  // Records the reason of a failure (the first one recorded stays).
  void SetFailureReason(const std::string& reason) {
    if (failureReason_.empty()) failureReason_ = reason;
  }

 protected:
  // After an 8-bit read whose indexes refer to the palette, with the
  // reader's colour table (GetColorTable) given to the target: moves the
  // indexes to where arranging that table put their colours (Realize moves
  // black to 0 and white to 255), so every pixel keeps its colour.
  void RemapArrangedIndices(PixelMap& target) const;
  // The same move for one index.
  int32_t ArrangedIndex(int32_t index) const;

  VFile* file_;
  VColorTable* colorTable_ = nullptr;
  int32_t colorTableSourceCount_ = 0;
  VRGBColor palette_[256];
  int32_t colorCount_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t depth_ = 0;
  uint16_t pixelFormat_ = 0;
  int32_t frameCount_ = 1;
  int32_t stackedFrameCount_ = 1;
  std::string failureReason_;
};

// Writes pixel maps into a file (the caller's).
class VImageWriter {
 public:
  explicit VImageWriter(VFile* file) : file_(file) {}
  VImageWriter(const VImageWriter&) = delete;
  VImageWriter& operator=(const VImageWriter&) = delete;
  virtual ~VImageWriter() = default;

  // Writes the chain from `map` on: with `depth` at least 1 and different
  // from the map's, every map of the chain is first converted into a copy of
  // depth max(8, depth) (plain memory, same record, origin and visibility);
  // then WriteImagePrepared and, when it answered 0, WriteImageData run. 0 on
  // success, -1 when a conversion fails, else the writer's result.
  int32_t WriteImage(int32_t depth, PixelMap& map, int32_t flags, int32_t frameSelection, int32_t argument,
                     int32_t stackedFrameCount);

  virtual int32_t WriteImagePrepared(PixelMap& map, int32_t flags, int32_t frameSelection, int32_t argument,
                                     int32_t stackedFrameCount) {
    (void)map;
    (void)flags;
    (void)frameSelection;
    (void)argument;
    (void)stackedFrameCount;
    return 0;
  }
  virtual int32_t WriteImageData(PixelMap& map, int32_t flags, int32_t frameSelection, int32_t argument,
                                 int32_t stackedFrameCount) = 0;
  VFile* GetFile() const { return file_; }

 protected:
  VFile* file_;
};

// The reader for the type (the caller deletes it), or null: "8BPS", "PICT",
// "GIFf", ".BMP", "TPIC", "RIX " and "RIW " (and "JPEG" once a JPEG reader
// is registered). The file's contents are never probed.
VImageReader* CreateImageReaderForFile(VFile* file, uint32_t type);
// The factory of the "JPEG" reader; installs one (null removes it) and
// returns the previous one.
using ImageReaderFactory = VImageReader* (*)(VFile* file);
ImageReaderFactory SetJPEGImageReaderFactory(ImageReaderFactory factory);

// The raw image writer for "RIX " (the caller deletes it), or null.
VImageWriter* CreateImageWriterForFile(VFile* file, uint32_t type);

// Reads the header, tells the reader the selection (SelectFrames), makes a
// pixel map of the selected frame's size at the load depth (the reader's own
// depth when it is -1), with the reader's colour table when flag 4 is set,
// and reads into it. Selection -2 reads every frame
// the file holds into a chain of maps (file order). Returns the first map
// (the caller owns the chain), or null on any failure (also for a frame of
// more than kMaxImagePixels pixels).
PixelMap* ReadImageWithReader(VImageReader& reader, int32_t flags, int32_t frameSelection, int32_t frameCountMode);
// Reads into an existing map (and, for selection -2, new maps linked behind
// it; with readHeader the header is read and the selection told first),
// converting depth through a temporary map when the reader's depth
// differs: 0, or the failing result.
int32_t ReadIntoPixelMap(VImageReader& reader, PixelMap& target, int32_t flags, int32_t frameSelection,
                         int32_t frameCountMode, bool readHeader);

// The picture-file service of the graphics library over the image readers:
// pictures, masks and alpha channels load through it once it is installed
// with the graphics services (InstallEngineServices in engine/services).
bool ReadPictureFileWithReaders(VFile& file, uint32_t type, int32_t flags, int32_t frameSelection,
                                int32_t frameCountMode, PictureFileContents& out);
// Installs ReadPictureFileWithReaders alone (programs that install nothing
// else); calling it again changes nothing.
void InstallImageReaders();
