// The title's gliding text list: item names in a picture font, one per row,
// under a highlight bar that glides to the item under the pointer (200 ms
// from no item or out of the list, a jump between items), ticking as it
// passes rows. The owner hears of arrivals (120) and clicks (155); with the
// option set a click switches into a look that dims every other item.
//
// Sounds: effects 0 (hover begins and ends), 1 (the bar passes a row) and 2
// (click) are held through the sound manager while the list exists.
// Ownership: the item array belongs to the caller and must outlive the list
// or be replaced; fonts are borrowed; the heading flags and the companion
// list (a child control) are the list's own.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/controls/VListControl.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VString.h"

class AppListControl;
class VFont;

class AppTaskListControl : public VListControl2_0_11 {
 public:
  static constexpr uint32_t kMessageHovered = 120;
  static constexpr uint32_t kMessageItemClicked = 155;
  static constexpr int32_t kSoundHover = 0;
  static constexpr int32_t kSoundRowPassed = 1;
  static constexpr int32_t kSoundClick = 2;
  static constexpr uint32_t kGlideMs = 200;

  AppTaskListControl(int32_t id, const VString* items, int32_t count, double offsetFactor, int32_t left,
                     int32_t top, int32_t layer, int32_t width, int32_t height, int32_t itemHeight,
                     VGraphicObject* parent);
  ~AppTaskListControl() override;

  // The items (caller's array), their number, how many rows show and the
  // first shown. Ends any glide, hovers nothing and clears the headings.
  void SetItems(const VString* items, int32_t count, int32_t visible, int32_t first);
  void SetItems(const VString* items, int32_t count) { SetItems(items, count, count, 0); }
  void SetColor(const VRGBColor& color);
  void SetHighlightColor(uint8_t red, uint8_t green, uint8_t blue) { highlightColor_ = VRGBColor(red, green, blue); }
  void SetItemFont(VFont* font);
  void SetHeadingFont(VFont* font) { headingFont_ = font; }
  // The second font: marked rows are drawn in it (null: in the item font).
  void SetMarkFont(VFont* font) { markFont_ = font; }
  // Marks a row (rows outside the items are ignored) or clears every mark.
  void SetMarked(int32_t index, bool marked);
  void ClearMarks();
  bool IsMarked(int32_t index) const;
  void SetHeading(int32_t index, bool heading);
  void ClearHeadings();
  bool IsHeading(int32_t index) const;

  void SetSelectionEnabled(bool enabled) { selectionEnabled_ = enabled; }
  bool IsSelectionEnabled() const { return selectionEnabled_; }
  // Clicks toggle the dimmed look from now on.
  void SetOption() { option_ = true; }
  void SetDimUnselected(bool dim) { dimUnselected_ = dim; }
  bool IsDimmingUnselected() const { return dimUnselected_; }
  void SetHovering(bool hovering) { hovering_ = hovering; }
  void SetSelectionAnimating(bool animating) { animating_ = animating; }
  bool IsSelectionAnimating() const { return animating_; }
  bool IsResting() const { return resting_; }
  // Height = visible rows x item height.
  void FitHeightToRows();

  // Moves the highlight to the item (-1: none); see the class comment. With
  // notify the owner hears of the arrival; immediate puts the bar in place
  // at once (and plays no sound when leaving).
  virtual void HoverItem(int32_t index, bool notify, bool immediate);
  void ClearHover() { HoverItem(-1, true, false); }
  int32_t GetHoveredItem() const { return hovered_; }
  // Rectangles relative to the control's top-left.
  virtual void GetRowRect(int32_t index, VRect& out);
  virtual void GetItemHighlightRect(int32_t index, VRect& out);
  void GetHighlightRect(VRect& out) const { out = current_; }

  int32_t GetItemCount() override { return count_; }
  int32_t GetVisibleItems() const { return visible_; }
  int32_t GetFirstItem() const { return first_; }
  int32_t GetItemHeight() const { return itemHeight_; }
  AppListControl* GetCompanion() const { return companion_; }
  // The companion's vertical offset inside the bar for the current bar.
  int32_t GetCompanionOffset();

  void DrawItem(DrawPort* port, int32_t index, const VRect& rect, bool selected) override;
  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  bool Step(uint32_t tick) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  void StepHighlight();
  void Click();
  void RedrawArea(const VRect& localA, const VRect& localB);
  static uint32_t Now();

  VFont* itemFont_ = nullptr;
  VFont* headingFont_ = nullptr;
  VFont* markFont_ = nullptr;
  double offsetFactor_;
  VRGBColor textColor_{250, 250, 250};
  VRGBColor highlightColor_{107, 173, 205};
  const VString* items_ = nullptr;
  int32_t count_ = 0;
  int32_t visible_ = 0;
  int32_t first_ = 0;
  std::vector<uint8_t> headings_;
  std::vector<uint8_t> marks_;
  int32_t hovered_ = -1;
  AppListControl* companion_ = nullptr;
  bool notify_ = false;
  bool option_ = false;
  bool dimUnselected_ = false;
  bool resting_ = false;
  bool hovering_ = false;
  bool selectionEnabled_ = true;
  bool animating_ = false;
  bool drawing_ = false;
  uint32_t duration_ = 0;
  uint32_t startTick_ = 0;
  uint32_t lastTick_ = 0;
  int32_t lastRow_ = -1;
  VRect start_, target_, current_;
  int32_t itemHeight_;
};
