// PictureItem is a picture of a channel sequence: its medium, an opacity
// (0..63, written in the text as a fraction of 63) and bounds (0 width and
// height stand for the picture's own size, centred).
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/VGeometry.h"
#include "engine/app/VControl.h"
#include "title/shell/SequenceItem.h"

class VPicture;
class VPictureControl;

class PictureItem : public SequenceItem {
 public:
  static constexpr int32_t kOpaque = 63;

  PictureItem();
  ~PictureItem() override;

  int32_t GetOpacity() const { return opacity_; }
  // Held within 0..kOpaque.
  void SetOpacity(int32_t opacity);
  const VRect& GetBounds() const { return bounds_; }
  // Right is raised to left and bottom to top when smaller.
  void SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom);

  // Besides the common fields: "resid", "file", "opacity" (a fraction of
  // full opacity; values outside 0..1 are held there) and "bounds" (left top
  // right bottom).
  bool ReadFields(SequenceTextCursor& cursor) override;
  void WriteFields(std::string& out) const override;

  // The level a view of the picture has at t: the envelope times the
  // opacity, toward zero, within 0..kOpaque.
  int32_t GetLevelOnScreenAt(int32_t t) const;
  // The level last presented; -1 while the picture is not shown.
  int32_t GetShownLevel() const { return shownLevel_; }
  VPicture* PeekPicture() const { return picture_; }
  VPictureControl* PeekView() const { return view_; }
  // Each view takes an id of its own from the control id pool.
  static constexpr int32_t kViewId = VControl::kAllocateId;

  // The picture of the medium: a JPEG medium of its archive (resid), else
  // the file; none when neither can be read.
  void LoadMedia() override;
  // Makes the view (invisible) as a child of the control that shows the
  // document: scaled to the bounds, or centred on that control when the
  // bounds have no size.
  void Show(int32_t t) override;
  void Hide() override;
  void UnloadMedia(bool redraw) override;
  void PresentAt(int32_t t, VRect& changed) override;
  void Pause() override { Finish(nullptr); }
  void ResumeAt(int32_t t) override { Show(t); }
  void Finish(VRect* changed) override;
  // The view says it is being deleted: the item holds it no more and the
  // picture counts as not shown.
  void ForgetView(const VPictureControl* view);

  // The opacity as the text's fraction: two decimals, or more when two would
  // not read back as the same opacity (31 is "0.4921", not "0.49" = 30).
  static std::string FormatOpacity(int32_t opacity);
  // The opacity a fraction stands for: times 63 toward zero, within 0..63.
  static int32_t OpacityFromFraction(double fraction);

 private:
  // The area the view covers in window coordinates; empty without a view.
  VRect GetScreenArea() const;
  // Gives the view the shown level (63 is fully opaque, no level at all).
  void ApplyLevel();

  int32_t opacity_ = kOpaque;
  VRect bounds_;
  int32_t shownLevel_ = -1;
  VPicture* picture_ = nullptr;
  VPictureControl* view_ = nullptr;
};
