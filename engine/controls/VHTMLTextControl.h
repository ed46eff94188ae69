// The hypertext control fed with mark-up: the text is prepared when it is
// set (white space collapsed, entity references replaced), the line loop
// stops at tags and entities and hands them to the mark-up parser, and the
// control draws what only mark-up makes: pictures, box backgrounds and
// borders, and bullets. An activated link is sent upward as event 34.
#pragma once

#include <cstdint>

#include "engine/controls/VHyperTextControl.h"

class VPicture;

class VHTMLTextControl : public VHyperTextControl {
 public:
  static constexpr int32_t kKind = 263;

  VHTMLTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height, VString* text,
                   VFont* font, VFont* linkFont, int32_t alignment, bool frame, int32_t wrapWidth,
                   VGraphicObject* parent);
  // The form the title's screens call (the value before the frame flag has
  // no effect).
  VHTMLTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height, VString* text,
                   VFont* font, VFont* linkFont, int32_t alignment, int32_t unused, bool frame, int32_t wrapWidth,
                   VGraphicObject* parent)
      : VHTMLTextControl(id, left, top, layer, width, height, text, font, linkFont, alignment, frame, wrapWidth,
                         parent) {
    (void)unused;
  }

  // Prepares the mark-up (the control's own string may be passed) and lays
  // it out.
  void SetText(VString* text, bool redraw) override;
  int32_t FindMarkupInRun(const char* text, int32_t length, uint16_t state) override;
  bool HandleMarkup(VTextBox& box, int32_t position, int32_t& newPosition, int32_t& drawCount,
                    uint16_t& state) override;
  const char* DecodeEntity(const char* text, int32_t available, int32_t& length) override;
  bool EscapeChar(uint8_t character, VString& out) override;
  void DrawSegment(DrawPort* port, VTextSegment& segment, int32_t boxX, int32_t boxY) override;
  void SegmentMouse(const VPoint& point, const VMouseEvent& event) override;
  void SegmentClicked(int32_t index, const VMouseEvent& event) override;
  // A picture read from the file at the path (type from the file); null
  // when it cannot be made. The caller owns the result.
  virtual VPicture* LoadPicture(const VString& path);

  // The mark-up text as SetText keeps it: white space collapsed, entity
  // references replaced except those spelling mark-up characters.
  static void PrepareMarkup(const VString& in, VString& out);
};
