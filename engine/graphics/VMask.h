// A mask: a medium whose 8-bit plane names regions (an image map), with the
// enabled flag of every region value: current flags (a transfer writes only
// where the flag of the pixel's region is 0), normal flags and hover flags.
// Masks load their plane as an 8-bit picture by media id or from a file.
#pragma once

#include <cstdint>

#include "engine/core/VFileSpec.h"
#include "engine/graphics/VMedia.h"

class PixelMap;
class VPicture;

class VMask : public VGraphicMedia {
 public:
  // Takes the 8-bit plane (owned; may be null); every flag 0.
  explicit VMask(PixelMap* plane);
  // The plane as a picture by media id or from a file, loaded at depth 8
  // with the stored indexes kept; then ResetEnabledTables.
  explicit VMask(uint16_t mediaId);
  VMask(const VFileSpec& spec, uint32_t type);
  // Takes the picture (one more reference) when its first map is 8-bit;
  // otherwise the mask has no plane. The picture is made non-purgeable so
  // that its map stays while the mask holds it.
  explicit VMask(VPicture* picture);
  ~VMask() override;

  // Every normal, hover and current flag 1.
  void ResetEnabledTables();
  // The 8-bit value at the point of the picture's current frame (rows from
  // the top); -1 without a plane or outside it.
  int32_t GetValueAt(const VPoint& point) const;
  // Current = on AND normal; each returns the old flag.
  uint8_t SetCurrentFlag(uint8_t value, uint8_t on);
  uint8_t SetNormalFlag(uint8_t value, uint8_t on);
  uint8_t SetHoverFlag(uint8_t value, uint8_t on);
  uint8_t GetNormalFlag(uint8_t value) const { return normalFlags_[value]; }
  uint8_t GetHoverFlag(uint8_t value) const { return hoverFlags_[value]; }
  // The same picture object (and plane) and equal current flags.
  bool IsSameAs(const VMask& other) const;
  VPicture* GetPicture() const { return picture_; }

  void Draw(DrawPort*, const VRect&, const VRect*) override {}

  PixelMap* GetPixelMap() const { return plane_; }
  // The 256 current flags (owned by the mask).
  const uint8_t* GetCurrentFlags() const { return currentFlags_; }

 private:
  void TakePicture(VPicture* picture);

  PixelMap* plane_ = nullptr;
  bool ownsPlane_ = true;
  bool planeLocked_ = false;
  VPicture* picture_ = nullptr;
  uint8_t currentFlags_[256] = {};
  uint8_t normalFlags_[256];
  uint8_t hoverFlags_[256];
};
