// The basic visible control: a rectangle of the display tree showing one
// picture (any number of frames, with or without transparency), hit-tested
// pixel by pixel, reporting presses and releases as control events 17 and
// 18, and optionally showing its picture scaled to a target size. Mask
// controls and picture buttons derive from it.
//
// Ownership: the control holds one reference on its picture and owns its
// scaled copy. GetPicture hands out one more reference, which the caller
// releases.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/PixelMapAttributes.h"

class VPicture;
class PixelMap;

class VPictureControl : public VControl {
 public:
  static constexpr int32_t kKind = 258;

  // A positive width and height fix the control's size; otherwise the
  // control takes the size of every picture it is given.
  // By media id (0: no picture).
  VPictureControl(int32_t id, uint16_t mediaId, int32_t left, int32_t top, int32_t layer, int32_t width,
                  int32_t height, VGraphicObject* parent);
  // From a file, format recognised from the content (empty path: no picture).
  VPictureControl(int32_t id, const VFileSpec& file, int32_t left, int32_t top, int32_t layer, int32_t width,
                  int32_t height, VGraphicObject* parent);
  // An existing picture or null; the control adds one reference.
  VPictureControl(int32_t id, VPicture* picture, int32_t left, int32_t top, int32_t layer, int32_t width,
                  int32_t height, VGraphicObject* parent);
  // A solid picture of the control's size.
  VPictureControl(int32_t id, const VRGBColor& color, int32_t left, int32_t top, int32_t layer, int32_t width,
                  int32_t height, VGraphicObject* parent);
  ~VPictureControl() override;

  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool ContainsPoint(const VPoint& point) override;
  // Whether the picture's first pixel map carries any transparency flags.
  bool IsTransparent() override;
  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;

  // False when the picture is the one shown already. Null is allowed.
  bool SetPicture(VPicture* picture, bool redraw);
  void FitToPicture();
  bool GetPixelAttributes(PixelMapAttributes& out) const;
  void SetPixelAttributes(const PixelMapAttributes& record, bool redraw);
  // Returns the previous state; target null keeps the control's size.
  bool SetScaled(bool on, const VRect* target);
  bool IsScaled() const { return scaled_; }
  bool SetFrame(int32_t frame, bool redraw);
  int32_t GetFrame() const { return frame_; }
  int32_t GetFrameCount() const;
  // One more reference, or null.
  VPicture* GetPicture() const;
  // Without a new reference.
  VPicture* PeekPicture() const { return picture_; }
  void GetSourceOffset(VPoint& out) const;
  void SetPictureOffset(const VPoint& offset) { pictureOffset_ = offset; }
  const VPoint& GetPictureOffset() const { return pictureOffset_; }
  const VPoint& GetPressPoint() const { return pressPoint_; }
  void SetPixelHitTest(bool on) { pixelHitTest_ = on; }
  bool HasExplicitSize() const { return explicitSize_; }
  // A new picture (one reference, the caller's) holding frame `frame` of
  // `picture` resampled to width x height, with the picture's attributes and
  // its alpha channel scaled the same way (a mask names regions of the
  // original size: the copy goes without); null when it cannot be made.
  static VPicture* MakeScaledCopy(VPicture* picture, int32_t frame, int32_t width, int32_t height);

 protected:
  // For subclasses that supply their pictures themselves (buttons).
  struct NoPicture {};
  VPictureControl(NoPicture, int32_t kind, int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                  int32_t height, VGraphicObject* parent);

  // The picture drawn and hit-tested now (the scaled copy when it matches
  // the size), its frame set to the clamped frame index; null without one.
  VPicture* PictureForHitTest();
  int32_t ClampedFrame(const VPicture* picture) const;
  void StorePressPoint(const VMouseEvent& event);
  // Draws the whole control at once when it and its panel are shown.
  void RedrawNow();

  ControlLife life_;

 private:
  void AdoptLoaded(VPicture* picture);
  void BuildScaledCopy(int32_t width, int32_t height);
  void FreeScaledCopy();

  bool scaled_ = false;
  bool scaledStale_ = false;
  bool pixelHitTest_ = true;
  bool explicitSize_ = false;
  VRect scaledTarget_;
  VPicture* scaledCopy_ = nullptr;
  VPicture* picture_ = nullptr;
  VPoint pressPoint_;
  VPoint pictureOffset_;
  int32_t frame_ = 0;
};
