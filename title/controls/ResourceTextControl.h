// A sequence of short texts shown one after another, each optionally with a
// picture: a TEXT medium of entries started by ";<picture id>" lines, whose
// "<kopje>" lines are headings. Each entry is shown as mark-up in picture
// font 507, centred, and stays for one fade of a cover picture from opaque
// to clear and back (a level step every 40 ms). After the last entry the
// control hides itself and tells its owner (message 159).
//
// Ownership: the text control, the cover and the entry's picture control are
// children of this control; its task part is stepped by the current task
// manager and goes with the control.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VString.h"
#include "engine/core/VTask.h"

class VHTMLTextControl;
class VPictureControl;

struct ResourceTextEntry {
  uint16_t pictureId = 0;  // 0: no picture
  VString text;            // mark-up
};

class ResourceTextControl : public VControl, public VTask {
 public:
  static constexpr int32_t kKind = 2309;
  static constexpr uint32_t kMessageFinished = 159;
  static constexpr uint32_t kStepMs = 40;
  static constexpr int32_t kFontId = 507;
  static constexpr int32_t kHeadingFontId = 506;
  // Longest text read; the rest of a longer medium is ignored.
  static constexpr int32_t kMaxTextLength = 1 << 20;

  // The entries of the TEXT medium (read from the language archive).
  ResourceTextControl(int32_t id, uint16_t textMediaId, int32_t left, int32_t top, int32_t layer, int32_t width,
                      int32_t height, VGraphicObject* parent);
  // The entries of a text already read (a file's, for instance).
  ResourceTextControl(int32_t id, const VString& text, int32_t left, int32_t top, int32_t layer, int32_t width,
                      int32_t height, VGraphicObject* parent);
  ~ResourceTextControl() override;

  // Reads the entries of a text: false (and no entries) for a text of one
  // character or less or one whose first line does not start an entry.
  static bool ParseEntries(const VString& text, std::vector<ResourceTextEntry>& entries);

  bool Step(uint32_t pass) override;

  // The next fade-out ends the sequence.
  void RequestFinish() { stopped_ = true; }
  void SetTextColor(const VRGBColor& color);

  int32_t GetEntryCount() const { return static_cast<int32_t>(entries_.size()); }
  int32_t GetNextEntry() const { return next_; }
  int32_t GetCoverLevel() const;
  uint32_t GetFadeDirection() const { return direction_; }
  VHTMLTextControl* GetTextControl() const { return text_; }
  VPictureControl* GetEntryPicture() const { return picture_; }

 private:
  void Build(int32_t layer);
  void Start(const VString& text);
  // Shows the next entry, or ends the sequence; false when the control was
  // deleted by its owner meanwhile.
  bool ShowNextEntry();
  bool Fade();

  ControlLife life_;
  uint32_t lastStep_ = 0;
  VPictureControl* cover_ = nullptr;
  uint32_t direction_ = 0;
  VHTMLTextControl* text_ = nullptr;
  VPictureControl* picture_ = nullptr;
  std::vector<ResourceTextEntry> entries_;
  int32_t next_ = 0;
  bool stopped_ = false;
  int32_t layer_ = 0;
};
