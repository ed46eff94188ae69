// The title's container control: a rectangle of the display tree, built
// hidden, that may show a background picture (a child picture control with
// id 12290) and holds the controls of a module screen, a panel or an overlay.
// Showing and hiding it is reported to its owner as owner messages 94 and 95.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"

class PictureFrameControl : public VControl {
 public:
  static constexpr int32_t kKind = 257;
  static constexpr int32_t kPictureChildId = 12290;
  static constexpr uint32_t kOwnerShown = 94;
  static constexpr uint32_t kOwnerHidden = 95;

  // pictureId 0: no background picture.
  PictureFrameControl(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer, int32_t width,
                      int32_t height, VGraphicObject* parent);
  ~PictureFrameControl() override;

  using VGraphicObject::Hide;
  // The kind of module screen; -1 for a plain frame.
  virtual int32_t GetKind() const { return -1; }
  // SetVisible on the frame itself or a descendant with the id; nothing
  // when none has it.
  virtual void ShowChild(int32_t id, bool visible, bool redraw);
  // Visible with redraw, then owner message 94 with the frame's id.
  virtual void Show();
  // Hidden with redraw, then owner message 95 with the frame's id.
  virtual void Hide();
};
