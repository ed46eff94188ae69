// A mask: a medium whose 8-bit plane names regions (an image map), with the
// enabled flag of every region value. This is the part pixel maps use: the
// plane and the current flags (a transfer writes only where the flag of the
// pixel's region is 0). Loading, hover and normal flags arrive with pictures.
#pragma once

#include <cstdint>

#include "engine/graphics/VMedia.h"

class PixelMap;

class VMask : public VGraphicMedia {
 public:
  // Takes the 8-bit plane (owned; may be null); every flag 0.
  explicit VMask(PixelMap* plane);
  ~VMask() override;

  void Draw(DrawPort*, const VRect&, const VRect*) override {}

  PixelMap* GetPixelMap() const { return plane_; }
  // The 256 current flags (owned by the mask).
  const uint8_t* GetCurrentFlags() const { return currentFlags_; }
  void SetCurrentFlag(uint8_t value, uint8_t flag) { currentFlags_[value] = flag; }

 private:
  PixelMap* plane_;
  uint8_t currentFlags_[256] = {};
};
