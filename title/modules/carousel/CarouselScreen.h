// The carousel screen (module screen kind 8, 9 while a place is current):
// the places of the house index as a turning ring of pictures beside a list
// of their titles. Pointing at a place, in the ring or in the list, names it
// in the main interface's caption; choosing it opens a panel with the place's
// title, how many of its hotspots have been visited, the list of the visited
// ones (scrolled with two buttons, four rows at a time) and a go button that
// asks the owner to enter that place's bubble (owner message 140 with the
// bubble number).
//
// The screen opens in steps (the ring fades in, its places appear, the title
// list slides in, an animation plays) and then reports 94; Hide runs them
// backwards and the screen reports 95 on the next tick. Every step that
// waits for an animation goes on at once when the animation has no frames.
//
// RegisterCarouselScreen makes it the main panel's screen of kind 8.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/VString.h"
#include "title/controls/PictureFrameControl.h"

class AnimatedPictureControl;
class AppTaskListControl;
class BubbleRecord;
class IndexEntryList;
class PictureCarousel;
class SignalTimer;
class VPictureButton;
class VPictureControl;
class VTextControl;

class CarouselScreen : public PictureFrameControl {
 public:
  static constexpr int32_t kScreenKind = 8;
  static constexpr int32_t kScreenKindWithEntry = 9;
  static constexpr int32_t kScreenId = 14866;
  static constexpr int32_t kCarouselId = 14867;
  static constexpr int32_t kTitleListId = 14868;
  static constexpr int32_t kGoButtonId = 14870;
  static constexpr int32_t kOpeningAnimationId = 14871;
  static constexpr int32_t kDetailAnimationId = 14873;
  static constexpr int32_t kDetailPanelId = 14874;
  static constexpr int32_t kDetailListId = 14875;
  static constexpr int32_t kEntryTitleId = 14876;
  static constexpr int32_t kVisitCountId = 14877;
  static constexpr int32_t kScrollUpId = 14878;
  static constexpr int32_t kScrollDownId = 14879;
  static constexpr int32_t kFadeTimerId = 14880;
  static constexpr int32_t kCountTimerId = 14881;
  static constexpr int32_t kSlideTimerId = 14882;
  static constexpr uint32_t kOwnerBubble = 140;
  static constexpr uint32_t kOwnerChoose = 155;
  static constexpr int32_t kDetailRows = 4;
  static constexpr uint32_t kScrollRepeatMs = 400;
  // Title list x in the two placements: off the screen's right edge, shown.
  static constexpr int32_t kListShownX = 425;
  static constexpr int32_t kListTop = 30;
  static constexpr int32_t kSlideMs = 500;
  // Texts: " of " and "hotspots visited" (first language id + 30, + 29).
  static constexpr uint16_t kOfText = 18030;
  static constexpr uint16_t kHotspotsText = 18029;
  static constexpr int32_t kSoundGo = 31;
  static constexpr int32_t kSoundGoEntered = 32;
  static constexpr int32_t kSoundOpenDetails = 59;
  static constexpr int32_t kSoundCloseDetails = 60;

  CarouselScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                 VGraphicObject* parent);
  ~CarouselScreen() override;

  int32_t GetKind() const override { return current_ < 0 ? kScreenKind : kScreenKindWithEntry; }
  void Show() override;
  void Hide() override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  int32_t GetState() const { return state_; }
  void SetState(int32_t state);
  int32_t GetCurrentItem() const { return current_; }
  void SetCurrentItem(int32_t entry);
  const IndexEntryList& GetEntries() const { return *entries_; }
  PictureCarousel* GetCarousel() const { return carousel_; }
  AppTaskListControl* GetTitleList() const { return titleList_; }
  AppTaskListControl* GetDetailList() const { return detailList_; }
  VTextControl* GetEntryTitleText() const { return entryTitle_; }
  VTextControl* GetVisitCountText() const { return visitCount_; }
  VPictureButton* GetGoButton(int32_t which) const { return which == 1 ? goButton1_ : goButton2_; }
  const std::vector<VString>& GetDetailRows() const { return detailRows_; }
  int32_t GetFirstDetailRow() const { return firstDetailRow_; }
  int32_t GetVisitedCount() const { return visitedCount_; }
  int32_t GetHotspotCount() const { return hotspotCount_; }
  bool IsBubbleVisited() const { return bubbleVisited_; }

 private:
  void BuildVisitedList();
  void ShowDetails(bool show);
  void PlaceGoButtons(int32_t entry, bool show);
  void ScrollDetails();
  void RunTimer(SignalTimer* timer, bool forwards);
  void SlideTitleList(bool in);
  // Plays an animation; false when it has nothing to play (and so will not
  // report its end).
  bool Play(AnimatedPictureControl* animation, bool forwards);
  void Arrived(int32_t state);
  void Choose(int32_t row);
  bool IsFrom(uint32_t token, VGraphicObject* control) const;

  uint32_t scrollDeadline_ = 0;
  int32_t state_ = 0;
  int32_t current_ = -1;
  int32_t firstDetailRow_ = 0;
  int32_t visitedCount_ = 0;
  int32_t hotspotCount_ = 0;
  bool bubbleVisited_ = false;
  bool closing_ = false;
  PictureCarousel* carousel_ = nullptr;
  AnimatedPictureControl* openingAnimation_ = nullptr;
  AnimatedPictureControl* detailAnimation_ = nullptr;
  std::unique_ptr<IndexEntryList> entries_;
  std::vector<VString> titles_;
  AppTaskListControl* titleList_ = nullptr;
  AppTaskListControl* detailList_ = nullptr;
  std::vector<VString> detailRows_;
  VPictureControl* detailPanel_ = nullptr;
  VTextControl* entryTitle_ = nullptr;
  VTextControl* visitCount_ = nullptr;
  VPictureButton* goButton1_ = nullptr;
  VPictureButton* goButton2_ = nullptr;
  VPictureButton* scrollUp_ = nullptr;
  VPictureButton* scrollDown_ = nullptr;
  std::unique_ptr<BubbleRecord> bubble_;
  SignalTimer* fadeTimer_ = nullptr;
  SignalTimer* countTimer_ = nullptr;
  SignalTimer* slideTimer_ = nullptr;
};

// Registers the maker of the main panel's screen of kind 8.
void RegisterCarouselScreen();
