// A picture control with an image map: a second picture, the mask picture,
// carries a VMask whose 8-bit values name regions. The region under the
// pointer is highlighted through the mask's flag tables and reported as
// control events 16 (left) and 15 (entered). Points outside the mask's plane
// lie in no region.
//
// Ownership: one reference held on the mask picture; GetMask hands out one
// more reference on the mask.
#pragma once

#include <cstdint>

#include "engine/controls/VPictureControl.h"

class VMask;

class VMaskControl : public VPictureControl {
 public:
  // By media ids: the picture, the mask picture and the mask.
  VMaskControl(int32_t id, uint16_t pictureId, uint16_t maskPictureId, uint16_t maskId, int32_t left, int32_t top,
               int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  // From files (formats recognised from the content).
  VMaskControl(int32_t id, const VFileSpec& picture, const VFileSpec& maskPicture, const VFileSpec& mask,
               int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  // Existing objects (references added; any may be null).
  VMaskControl(int32_t id, VPicture* picture, VPicture* maskPicture, VMask* mask, int32_t left, int32_t top,
               int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  ~VMaskControl() override;

  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseMove(const VMouseEvent& event) override;

  // The mask attached to the mask picture, with one more reference; null
  // without one.
  VMask* GetMask() const;
  void SetMaskPicture(VPicture* picture);
  // Attaches the mask to the mask picture when both have the same bounds;
  // otherwise the mask picture is left without a mask.
  void SetMask(VMask* mask);
  int32_t GetCurrentRegion() const { return currentRegion_; }
  // Highlights the value's region (-1: none) and puts the previous one back,
  // without events; returns the previous value.
  int32_t SelectValue(int32_t value);
  // While false the pointer changes no region. Returns the old flag.
  bool SetMaskEnabled(bool enabled);

 protected:
  // The value under a point relative to the control's top-left; -1 outside
  // the mask's plane or without a mask.
  int32_t ValueAt(const VPoint& local) const;
  // Puts the current region's flag back to its normal flag; the current
  // region becomes -1.
  void RestoreCurrentRegion(VMask& mask);
  void HighlightRegion(VMask& mask, int32_t value);

 private:
  VMask* PeekMask() const;

  VPicture* maskPicture_ = nullptr;
  int32_t currentRegion_ = -1;
  bool tracking_ = true;
};
