// The tour's information overlay: a framed page that unfolds over the
// panorama and lists every aspect of the house (the aspect table, TEXT 9) by
// title in byte order, four titles at a time. The list scrolls while the
// pointer rests on one of its two arrows (a step at once, then after 671,
// 642, ... 149 ms and every 120 ms from then on) and jumps to an initial
// letter when one is typed. Choosing a title shows that aspect's title and
// text on the lower half of the page, with a scroll bar when the text is
// taller than its box. The close button asks the owner to close the panel;
// Hide folds the page back with the same animation.
//
// Owner messages (value: the panel's id): 93 the close button was clicked,
// 94 the page has opened (on the tick after the animation arrived), 95 the
// page has folded away, 105 on every tick after that until the owner
// removes the panel.
//
// Sounds: effects 49 (the page turns), 3 (close) and 4 (pointer over the
// close button) are held while the panel exists. Ownership: the titles and
// the children are the panel's; the picture fonts are borrowed.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/controls/ControlEvents.h"
#include "engine/core/VString.h"
#include "title/controls/PictureFrameControl.h"

class AnimatedPictureControl;
class AppTaskListControl;
class VFont;
class VPictureScrollBar;
class VTextControl;

class TourInfoPanel : public PictureFrameControl {
 public:
  static constexpr int32_t kScreenKind = 6;
  static constexpr int32_t kPanelId = 14420;

  // Children.
  static constexpr int32_t kAnimationId = 14880;
  static constexpr int32_t kPageId = 14881;
  static constexpr int32_t kHeadingId = 14882;
  static constexpr int32_t kUpArrowId = 14883;
  static constexpr int32_t kDownArrowId = 14884;
  static constexpr int32_t kRuleAboveId = 14885;
  static constexpr int32_t kRuleBelowId = 14886;
  static constexpr int32_t kOrnamentTopId = 14887;
  static constexpr int32_t kOrnamentBottomId = 14888;
  static constexpr int32_t kListId = 14889;
  static constexpr int32_t kMarkerId = 14890;
  static constexpr int32_t kTitleId = 14891;
  static constexpr int32_t kTextId = 14892;
  static constexpr int32_t kCloseButtonId = 14893;
  static constexpr int32_t kScrollBarId = 14865;
  static constexpr int32_t kThumbId = 14861;
  static constexpr int32_t kTrackId = 14862;
  static constexpr int32_t kBarUpId = 14863;
  static constexpr int32_t kBarDownId = 14864;

  // The aspect table and the media of an aspect from its base id.
  static constexpr int32_t kAspectTable = 9;
  static constexpr int32_t kTableEntries = 1000;
  static constexpr uint16_t kTitleOffset = 1;
  static constexpr uint16_t kTextOffset = 2;
  static constexpr uint16_t kHeadingTextId = 18013;

  // The list shows this many titles.
  static constexpr int32_t kVisibleTitles = 4;
  // The scroll delay: its start, its step down and its floor.
  static constexpr int32_t kFirstScrollDelay = 700;
  static constexpr int32_t kScrollDelayStep = 29;
  static constexpr int32_t kShortestScrollDelay = 120;
  // Where ShowScrollBar puts the text's bar (its right edge) and how long.
  static constexpr int32_t kTextBarRight = 422;
  static constexpr int32_t kTextBarTop = 197;
  static constexpr int32_t kBarWidth = 9;
  static constexpr int32_t kBarHeight = 153;

  // The page: pointer moves over it are the panel's, the others the tour's.
  static constexpr int32_t kPageLeft = 186;
  static constexpr int32_t kPageTop = 25;
  static constexpr int32_t kPageRight = 453;
  static constexpr int32_t kPageBottom = 378;

  static constexpr int32_t kSoundPage = 49;
  static constexpr int32_t kSoundClose = 3;
  static constexpr int32_t kSoundOverClose = 4;

  static constexpr uint32_t kOwnerCloseRequest = 93;
  static constexpr uint32_t kOwnerClosedAgain = 105;
  static constexpr uint32_t kMessageListClicked = 155;
  static constexpr uint32_t kMessageAnimationArrived = 156;

  // The application's picture font of an index (0..11); null for none.
  using FontLookup = std::function<VFont*(int32_t index)>;

  // Hidden, the page folded; the titles are read from the aspect table.
  // Without fonts the text controls use the engine's default font.
  TourInfoPanel(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                VGraphicObject* parent, const FontLookup& fonts = {});
  ~TourInfoPanel() override;
  TourInfoPanel(const TourInfoPanel&) = delete;
  TourInfoPanel& operator=(const TourInfoPanel&) = delete;

  int32_t GetKind() const override { return kScreenKind; }
  // The page unfolds (94 follows once it has opened).
  void Show() override;
  // The page folds away (95 follows once it has).
  void Hide() override;
  // The page's controls (the text's scroll bar and the list included).
  void ShowControls(bool visible, bool redraw);
  // Shows the aspect of the list's row (counted from the first title shown);
  // nothing for a row outside the titles.
  void SelectItem(int32_t row);
  // One step of the list in the current direction; schedules the next.
  void ScrollStep();
  // A new scroll bar for the text: its right edge at left, range minimum ..
  // maximum.
  void ShowScrollBar(int32_t left, int32_t top, int32_t minimum, int32_t maximum);

  bool MouseMove(const VMouseEvent& event) override;
  // A letter shows the titles from its initial on.
  bool KeyDown(const VKeyEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  int32_t GetCount() const { return static_cast<int32_t>(titles_.size()); }
  int32_t GetTop() const { return top_; }
  const std::vector<VString>& GetTitles() const { return titles_; }
  // For each title, its aspect's place among the aspects in table order.
  const std::vector<int32_t>& GetOrder() const { return order_; }
  // The title index shown in the lower half, -1 before one was chosen.
  int32_t GetSelected() const { return selected_; }
  bool IsScrolling() const { return scrolling_; }
  int32_t GetScrollDelay() const { return scrollDelay_; }
  uint32_t GetNextScrollTick() const { return nextScrollTick_; }
  bool IsOpening() const { return opening_; }
  bool IsClosing() const { return closing_; }
  bool IsClosed() const { return closed_; }
  // Null once the page has folded away (the animation is deleted then).
  AnimatedPictureControl* GetAnimation() const { return animation_; }
  AppTaskListControl* GetList() const { return list_; }
  VTextControl* GetTextControl() const { return text_; }
  VTextControl* GetTitleControl() const { return title_; }
  VPictureScrollBar* GetScrollBar() const;

  // The titles the list shows: every aspect of the aspect table with a base
  // id (`bases`, in table order), its title (TEXT base + kTitleOffset, a
  // small first letter a-z made capital), sorted by their bytes, equal
  // titles in table order; `order` gives each title's place in `bases`.
  static void ReadTitles(std::vector<uint16_t>& bases, std::vector<int32_t>& order, std::vector<VString>& titles);

 private:
  void BuildChildren(const FontLookup& fonts);
  void ReadTitles();
  void ShowTitles();
  bool HandleTick(uint32_t now);
  void AnimationArrived();
  void StopScrolling();
  void RemoveScrollBar();
  void RedrawControl(int32_t id);

  AnimatedPictureControl* animation_ = nullptr;
  AppTaskListControl* list_ = nullptr;
  VTextControl* text_ = nullptr;
  VTextControl* title_ = nullptr;
  std::vector<VString> titles_;
  std::vector<int32_t> order_;
  // The base media id of each aspect, in table order.
  std::vector<uint16_t> bases_;
  int32_t top_ = 0;
  int32_t selected_ = -1;
  int32_t scrollDelay_ = kFirstScrollDelay;
  uint32_t nextScrollTick_ = 0;
  bool scrolling_ = false;
  bool scrollUp_ = false;
  bool animationFinished_ = false;
  bool opening_ = false;
  bool closing_ = false;
  bool closed_ = false;
  ControlLife life_;
};
