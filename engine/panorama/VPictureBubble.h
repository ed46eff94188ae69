// A bubble showing a picture over an angular rectangle: composed into the
// hosting viewer's panorama map in four passes across the seams, hit-tested by
// the picture's transparency, reporting presses and releases.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/panorama/VBubble.h"

class VPicture;

class VPictureBubble : public VBubble {
 public:
  static constexpr uint32_t kKind = 285;

  // A bubble of the picture (counted; null allowed). Bounds with a width and
  // height are kept; otherwise they are fitted to the picture.
  VPictureBubble(uint32_t id, VPicture* picture, const VFRect& bounds, int32_t order, VBubble* parent);
  // A bubble of one colour at the given resolution.
  VPictureBubble(uint32_t id, const VRGBColor& color, const VFRect& bounds, float resolution, int32_t order,
                 VBubble* parent);
  ~VPictureBubble() override;

  // Replaces the picture; false for the same one. A null picture keeps the
  // bounds and the resolution (the map already holds the pixels).
  bool SetPicture(VPicture* picture, bool redraw);
  VPicture* GetPicture() const { return picture_; }
  void SetFrameIndex(int32_t frame) { frameIndex_ = frame; }
  void SetHitTestByTransparency(bool on) { hitTestByTransparency_ = on ? 1 : 0; }
  VFPoint GetClickPoint() const { return clickPoint_; }

  bool IsTransparent() override;
  bool ContainsPoint(float x, float y) override;
  bool MouseDown(const BubbleMouseEvent& event) override;
  bool MouseUp(const BubbleMouseEvent& event) override;
  bool UpdateCursor(const BubbleMouseEvent& event) override;
  void DrawContent(PanoramaMap* map, const VFRect& update) override;

 private:
  void StoreClickPoint(const BubbleMouseEvent& event);

  VPicture* picture_ = nullptr;
  VFPoint clickPoint_;
  int32_t frameIndex_ = 0;
  uint8_t hitTestByTransparency_ = 1;
  uint8_t boundsGiven_ = 0;
};
