// The transparency record of a pixel map: key colour (as index or RGB),
// opacity level, and counted references to an alpha channel and a mask. Its
// flags word is the transfer mode.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/graphics/TransferTypes.h"

class VAlphaChannel;
class VMask;

class PixelMapAttributes {
 public:
  enum Flags : uint32_t {
    kKeyIndex = kTransferKeyIndex,
    kKeyColor = kTransferKeyColor,
    kLevel = kTransferLevel,
    kAlphaChannel = kTransferAlpha,
    kMask = kTransferMask,
  };

  PixelMapAttributes() = default;
  // No flags, then the channel attached (with a reference).
  explicit PixelMapAttributes(VAlphaChannel* channel);
  PixelMapAttributes(const PixelMapAttributes& other) { Assign(other); }
  PixelMapAttributes& operator=(const PixelMapAttributes& other) {
    Assign(other);
    return *this;
  }
  ~PixelMapAttributes();

  // Copies the flags and bytes and shares the other's channel and mask.
  void Assign(const PixelMapAttributes& other);
  // Back to no flags, no channel, no mask.
  void Clear();

  // The channel or mask with one more reference (the caller releases it), or null.
  VAlphaChannel* GetAlphaChannel() const;
  VMask* GetMask() const;
  // Without a new reference; valid while the record holds it.
  VAlphaChannel* PeekAlphaChannel() const { return alphaChannel_; }
  VMask* PeekMask() const { return mask_; }
  // Replace the held one (null detaches) and set or clear flag 8 or 16.
  void SetAlphaChannel(VAlphaChannel* channel);
  void SetMask(VMask* mask);

  // The level byte with flag 4, else 63.
  int32_t GetLevel() const { return (flags & kLevel) ? level : 63; }
  // 63 clears flag 4; any other value (clamped to 0..63) sets it.
  void SetLevel(int32_t value);
  void SetKeyIndex(uint8_t index) {
    flags |= kKeyIndex;
    keyIndex = index;
  }
  void SetKeyColor(const VRGBColor& color) {
    flags |= kKeyColor;
    keyColor = color;
  }
  bool HasAlphaChannel() const { return (flags & kAlphaChannel) != 0; }

  // The key, level and mask data the transfer routines read (the mask's
  // current flags when a mask is held).
  TransferAttributes ToTransferAttributes() const;

  uint32_t flags = 0;
  uint8_t level = 63;
  uint8_t keyIndex = 0;
  VRGBColor keyColor;

 private:
  VAlphaChannel* alphaChannel_ = nullptr;
  VMask* mask_ = nullptr;
};
