// VPicture: the engine's image medium. It holds one or more pixel maps (each
// with its own origin and visible flag), loads them by media id from the
// archives or from an image file through the reader registry, keeps frames
// stacked vertically in its maps, and draws through a drawing port.
#pragma once

#include <cstdint>

#include "engine/core/VFileSpec.h"
#include "engine/core/VLinkedList.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VMedia.h"

class PixelMap;
class VColorTable;
class VFile;

class VPicture : public VGraphicMedia {
 public:
  // Loads the medium at once (reader flags 0 and selections -4 take the
  // program-wide defaults); reloadable afterwards.
  explicit VPicture(uint16_t mediaId, int32_t readerFlags = 0, int32_t frameSelection = -4,
                    int32_t frameCountMode = -4);
  // Reads the file at once; the type "????" is taken from the extension.
  VPicture(const VFileSpec& spec, uint32_t type, int32_t readerFlags = 0, int32_t frameSelection = -4,
           int32_t frameCountMode = -4);
  // A blank picture: one map of the rectangle's size, depth and table (null:
  // the current table).
  VPicture(const VRect& bounds, int32_t depth, VColorTable* colorTable);
  // One solid-colour map.
  VPicture(const VRect& bounds, const VRGBColor& color);
  // Takes the map (owned from now on; null allowed).
  explicit VPicture(PixelMap* map);
  // Deletes every pixel map.
  ~VPicture() override;

  // 0 when maps are present or were read now; non-zero on failure.
  int32_t Load() override;
  // Drops the maps of a purgeable, reloadable picture.
  void Unload() override;
  // Draws every visible map of the current frame through the port's
  // DrawPixelMap (see the .cpp).
  void Draw(DrawPort* port, const VRect& destination, const VRect* clip) override;
  // Like Draw, returning the load's result (0 when drawn or nothing to draw).
  int32_t DrawPicture(DrawPort* port, const VRect& destination, const VRect* clip);

  // 0 on success (or maps already present), 1 when the medium is missing or
  // unreadable, -1 after an earlier failure or for id 0.
  int32_t LoadFromMedia(uint16_t id);
  // Reads the maps through the reader for `type`: 0 on success (or maps
  // already present), 1 when the read failed, -1 after an earlier failure.
  int32_t ReadFromFile(VFile& file, uint32_t type);

  // The first map (owned by the picture), or null.
  PixelMap* GetPixelMap() const;
  const VLinkedList& GetPixelMaps() const { return pixelMaps_; }
  // Deletes every map and takes the given one; with `updateBounds` the full
  // bounds become the union of the maps placed at their origins.
  void SetPixelMap(PixelMap* map, bool updateBounds);
  // After Load: the first map's colour table with one more reference, or null.
  VColorTable* GetColorTable();
  // Makes the first map a solid colour of that colour.
  void SetColor(const VRGBColor& color);

  void SetFrameCount(int32_t count);
  int32_t GetFrameCount() const { return frameCount_; }
  // Clamped to 0..frame count - 1.
  void SetFrame(int32_t frame);
  int32_t GetFrame() const { return currentFrame_; }
  // (0, frame x frame height): frames are stacked vertically in the maps.
  VPoint GetFrameOffset() const;
  const VRect& GetFullBounds() const { return fullBounds_; }

  bool HasPixelAttributes() const;
  bool GetPixelAttributes(PixelMapAttributes& out) const;
  void SetPixelAttributes(const PixelMapAttributes& record);
  // True unless a visible map is opaque at the point of the current frame.
  bool IsTransparentAt(int32_t x, int32_t y) const;

  // Writes the alpha data (header optional): the first map's alpha channel
  // when it has one, else its 8-bit pixels >> 2 (XOR 63 when inverted).
  // 0 on success, -1 otherwise.
  int32_t WriteAlphaData(VFile& file, bool invert, bool withHeader);

  uint16_t GetMediaId() const { return mediaId_; }
  int32_t GetReaderFlags() const { return readerFlags_; }

  // Program-wide defaults for the constructors' 0 / -4 arguments (initially
  // 7, -2, -1). Each setter returns the previous value.
  static int32_t SetDefaultReaderFlags(int32_t flags);
  static int32_t SetDefaultFrameSelection(int32_t selection);
  static int32_t SetDefaultFrameCountMode(int32_t mode);

 private:
  void StoreSettings(int32_t readerFlags, int32_t frameSelection, int32_t frameCountMode);

  VLinkedList pixelMaps_;
  uint16_t mediaId_ = 0;
  VFileSpec sourceFile_;
  uint32_t fileType_ = 0;
  int32_t currentFrame_ = 0;
  int32_t frameCount_ = 1;
  int32_t readerFlags_ = 7;
  int32_t frameSelection_ = -2;
  int32_t frameCountMode_ = -1;
  VRect fullBounds_;
};

// The transparency record from a media id: kind 1 key index, 4 level,
// 8 a new alpha channel of that id, 16 a new mask of that id (8 and 16 with
// id 0, and any other kind, give an empty record).
PixelMapAttributes MakePixelMapAttributes(int32_t kind, int32_t value);
