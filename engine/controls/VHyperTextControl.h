// A text control with links: pieces inside a link are drawn in the link
// colours (normal, pressed, hovered), show the hand cursor, and a press and
// release on the same link send control event 34 with the link target. A
// target "#name" scrolls the control to its anchor instead.
#pragma once

#include <cstdint>

#include "engine/controls/VTextControl.h"

class VHyperTextControl : public VTextControl {
 public:
  static constexpr int32_t kKind = 262;

  VHyperTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                    VString* text, VFont* font, VFont* linkFont, int32_t alignment, bool frame, int32_t wrapWidth,
                    VGraphicObject* parent);
  // The form the title's screens call (the value before the frame flag has
  // no effect).
  VHyperTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                    VString* text, VFont* font, VFont* linkFont, int32_t alignment, int32_t unused, bool frame,
                    int32_t wrapWidth, VGraphicObject* parent)
      : VHyperTextControl(id, left, top, layer, width, height, text, font, linkFont, alignment, frame, wrapWidth,
                          parent) {
    (void)unused;
  }

  void SetFont(VFont* font, int32_t kind) override;
  VFont* GetFont(int32_t kind) override;
  uint16_t GetSegmentCursor(const VTextSegment* segment) override;
  void DrawSegment(DrawPort* port, VTextSegment& segment, int32_t boxX, int32_t boxY) override;
  void SegmentMouse(const VPoint& point, const VMouseEvent& event) override;
  void SegmentClicked(int32_t index, const VMouseEvent& event) override;
  // Event 34 with a "#" target: scrolls to the anchor and takes the event.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  void SetLinkColor(const VRGBColor& color);
  void SetSecondLinkColor(const VRGBColor& color);
  void SetThirdLinkColor(const VRGBColor& color);
  const VRGBColor& GetLinkColor() const { return linkColor_; }
  const VRGBColor& GetPressedLinkColor() const { return pressedColor_; }
  const VRGBColor& GetHoverLinkColor() const { return hoverColor_; }

 protected:
  struct NoTextTag {};
  VHyperTextControl(NoTextTag, int32_t kind, int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                    int32_t height, VFont* font, VFont* linkFont, int32_t alignment, bool frame, int32_t wrapWidth,
                    VGraphicObject* parent);
  // Sends event 34 with the target held by a link-start piece.
  void SendLink(const VTextSegment& linkStart);
  // The colour a piece in a link is drawn in now.
  const VRGBColor& LinkColorFor(const VTextSegment& segment) const;

 private:
  VFont* linkFont_ = nullptr;
  VRGBColor linkColor_{0, 0, 255};
  VRGBColor pressedColor_{0, 255, 0};
  VRGBColor hoverColor_{255, 0, 0};
};
