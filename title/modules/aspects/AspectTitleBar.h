// The title bar of the aspect screen: the title of the chosen aspect in a
// transparent text (font 6, near white) and, at its right end, the back
// button (id 14957, pictures 13400, 13401, 13402). While the back button
// shows, the bar is framed by a 1-pixel line in the highlight blue.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"
#include "engine/core/VGeometry.h"
#include "title/controls/TextColorHolder.h"

class VFont;
class VPictureButton;
class VString;
class VTextControl;

class AspectTitleBar : public VControl, public TextColorHolder {
 public:
  static constexpr int32_t kBackButtonId = 14957;
  static constexpr uint16_t kBackPictures[3] = {13400, 13401, 13402};
  static constexpr int32_t kTextInset = 3;
  // The bar is this much wider than its text.
  static constexpr int32_t kExtraWidth = 28;

  AspectTitleBar(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height, VFont* font,
                 VGraphicObject* parent);

  void SetTitle(const VString& text);
  // The bar becomes width + 28 wide and the text width wide; the back button
  // moves by the change of the text's width.
  void FitToText(int32_t width);
  void ShowBackButton(bool show);
  bool IsBackButtonShown() const { return backShown_; }
  // The back button's top-left (window coordinates), or (-1, -1) without one.
  VPoint GetBackButtonOrigin() const;
  // Moves the bar and places the text 3 to the right of its left edge and the
  // back button at its right end.
  void MoveTo(const VPoint& point, bool global, bool redraw, bool force) override;

  VTextControl* GetTextControl() const { return text_; }
  VPictureButton* GetBackButton() const { return back_; }
  TextColorTarget* GetHeldTextColorTarget() override;

  void DrawContent(DrawPort* port, const VRect& rect) override;

 private:
  void PlaceChildren(bool redraw);

  VTextControl* text_ = nullptr;
  VPictureButton* back_ = nullptr;
  bool backShown_ = false;
};
