// The item button of the relations screen: a picture button that rises to
// the front while the pointer is over it or while it is marked, showing
// another picture, and puts its layer back afterwards. Before taking the
// pointer it asks its owner (owner message 130), which may refuse.
#pragma once

#include <cstdint>

#include "engine/controls/VPictureButton.h"

class MarkablePictureButton : public VPictureButton {
 public:
  static constexpr uint32_t kOwnerEnterQuery = 130;

  // Entry pictures 0 (normal), 1 (pressed), 2 (under the pointer; also the
  // highlight) and 3 (disabled) by media id, and the marked picture's id.
  MarkablePictureButton(int32_t id, uint16_t normal, uint16_t pressed, uint16_t over, uint16_t markedId,
                        uint16_t disabled, const VPoint& topLeft, int32_t layer, int32_t width, int32_t height,
                        VGraphicObject* parent);
  // The same with picture objects (references added; null repeats the first).
  MarkablePictureButton(int32_t id, VPicture* normal, VPicture* pressed, VPicture* over, VPicture* marked,
                        VPicture* disabled, const VPoint& topLeft, int32_t layer, int32_t width, int32_t height,
                        VGraphicObject* parent);
  ~MarkablePictureButton() override;

  // Shows the highlight picture, saves the layer and comes to the front.
  void Highlight();
  // The current state's picture and the saved layer again.
  void Restore();
  // Saves the layer, shows the marked picture and comes to the front.
  void MarkRelated();

  bool MouseMove(const VMouseEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  int32_t GetSavedLayer() const { return savedLayer_; }
  void SetSavedLayer(int32_t layer) { savedLayer_ = layer; }

 private:
  void ShowPicture(VPicture* picture);

  uint16_t markedId_ = 0;
  VPicture* marked_ = nullptr;
  int32_t savedLayer_ = 0;
  bool inside_ = false;
};
