// The title's pop-up text panel: a background, a title picture, a close
// button and a scrolling HTML text control with a scroll bar when the text is
// taller than the control. Plain texts are turned into mark-up on the way in
// so that "Label:" at a line start shows in picture font 502 and the rest in
// 503. Closing hides the panel and tells the owner (message 121).
//
// Sounds: effects 3 (close) and 4 (pointer over the close button) are held
// while the panel exists. Ownership: the children belong to the panel.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VString.h"

class VHTMLTextControl;
class VPictureScrollBar;

class HtmlTextPanel : public VControl {
 public:
  static constexpr int32_t kKind = 257;
  static constexpr uint32_t kMessageClosed = 121;
  static constexpr int32_t kBackgroundId = 12290;
  static constexpr int32_t kCloseButtonId = 12299;
  static constexpr int32_t kTitleId = 12292;
  static constexpr int32_t kTextId = 12293;
  static constexpr int32_t kScrollBarId = 14865;
  static constexpr int32_t kThumbId = 14861;
  static constexpr int32_t kTrackId = 14862;
  static constexpr int32_t kUpButtonId = 14863;
  static constexpr int32_t kDownButtonId = 14864;
  static constexpr int32_t kThumbTravel = 160;
  static constexpr int32_t kSoundClose = 3;
  static constexpr int32_t kSoundOverClose = 4;
  // Longest text taken; a longer one is cut here before it is prepared.
  static constexpr int32_t kMaxTextLength = 1 << 20;

  // The text of a file (code page 1252).
  HtmlTextPanel(int32_t id, uint16_t titleId, const char* path, int32_t left, int32_t top, int32_t layer,
                int32_t width, int32_t height, VGraphicObject* parent);
  // The TEXT medium of the archive that holds the id; without it only the
  // empty panel is made.
  HtmlTextPanel(int32_t id, uint16_t titleId, uint16_t textMediaId, int32_t left, int32_t top, int32_t layer,
                int32_t width, int32_t height, VGraphicObject* parent);
  // A text already read.
  HtmlTextPanel(int32_t id, uint16_t titleId, const VString& text, int32_t left, int32_t top, int32_t layer,
                int32_t width, int32_t height, VGraphicObject* parent);
  ~HtmlTextPanel() override;

  // Mark-up texts (containing "<html>" in any case) pass unchanged; plain
  // texts lose their line breaks and get the label fonts and the frame.
  static void PrepareText(const VString& in, VString& out);

  // Sound 3, hidden with redraw, message 121.
  void Close();
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  VHTMLTextControl* GetTextControl() const { return text_; }
  // Null while the text fits.
  VPictureScrollBar* GetScrollBar() const { return bar_; }

 private:
  void Build(const VString* text);
  void UpdateScrollBar();

  uint16_t titleId_;
  int32_t layer_;
  VHTMLTextControl* text_ = nullptr;
  VPictureScrollBar* bar_ = nullptr;
};
