// The module screen of the storylines and the timeline (kind 2). Its
// timeline view shows the three timeline bands over their backgrounds with
// a date readout: resting the pointer on a band's arrows travels through
// time, and choosing a card opens the storyline view. That view shows the
// storyline panel with next and previous buttons; choosing an event opens
// its item in an item viewer over the screen. Every change of view is an
// animation of picture positions and levels on the value network's timers,
// and every jump of the date an animated run of the date, so that hiding
// plays everything backwards.
//
// States: 0 closed, 1 backgrounds shown, 2 timeline view opening or
// closing, 3 timeline view, 4 backgrounds on the way to or from the
// storyline view, 5 storyline view opening or closing, 6 storyline view,
// 7 (as the next state) closing, 8 closed, 9 reported hidden. Each timer's
// end (103) moves to the next state. The screen reports 94 when its first
// view is up and 95 once it is closed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "engine/controls/ControlEvents.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VTask.h"
#include "engine/core/VTime.h"
#include "engine/script/ItemRef.h"
#include "title/controls/PictureFrameControl.h"
#include "title/controls/SignalSinks.h"

class EventRecord;
class EventSeries;
class ItemViewer;
class ScrollArrow;
class SignalTimer;
class StorylineCatalog;
class StorylinePanel;
class StorylineRecord;
class TimelineBand;
class TimelineRecord;
class VPictureButton;
class VPictureControl;
class VTextControl;

class StorylineScreen : public PictureFrameControl, public VTask, public DayNumberTarget {
 public:
  static constexpr int32_t kScreenId = 14434;
  static constexpr int32_t kModuleKind = 2;
  static constexpr int32_t kStorylineKind = 5;
  static constexpr int32_t kBandIds[3] = {14439, 14443, 14447};
  static constexpr int32_t kPanelId = 14451;
  static constexpr int32_t kNextButtonId = 14455;
  static constexpr int32_t kPreviousButtonId = 14456;
  static constexpr int32_t kViewerId = 14454;
  // The main interface screen's status button (back to the timeline view).
  static constexpr int32_t kStatusButtonId = 14390;
  static constexpr int32_t kReadoutIds[3] = {14436, 14437, 14438};  // year, month, day
  // Sounds: travel tick, end of travel, next and previous pressed.
  static constexpr int32_t kTickSound = 35;
  static constexpr int32_t kEndSound = 38;
  static constexpr int32_t kNextSound = 39;
  static constexpr int32_t kPreviousSound = 40;
  // Hours between two travel ticks.
  static constexpr int32_t kTickHours = 250;
  // A date jump's run and its overshoot.
  static constexpr uint32_t kDateRun = 2400;
  static constexpr uint32_t kDateFirstPhase = 1600;
  static constexpr int32_t kOvershootHours = 1800;
  static constexpr uint32_t kTimerInterval = 40;

  // At the timeline view (the module button).
  StorylineScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                  VGraphicObject* parent);
  // At the storyline view, the event `item` selected.
  StorylineScreen(int32_t id, const ItemRef& item, int32_t left, int32_t top, int32_t layer, int32_t width,
                  int32_t height, VGraphicObject* parent);
  ~StorylineScreen() override;

  int32_t GetState() const { return state_; }
  int32_t GetNextState() const { return nextState_; }
  // 2 in states 1 to 3, 5 in states 4 to 6, else -1.
  int32_t GetKind() const override;
  // Visible, and the backgrounds fade in; 94 comes when the view is up.
  void Show() override;
  // Plays every step back to state 8; 95 comes with the next message.
  void Hide() override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;
  // The date travel while the pointer rests on an arrow.
  bool Step(uint32_t pass) override;

  int32_t GetDateDayNumber() override;
  void SetDateDayNumber(int32_t hours) override;
  void SetCurrentDate(const VTime& date);
  VTime GetCurrentDate() const { return currentDate_; }
  // Runs the bands' date from one date to another in 2.4 s: forwards past
  // the target by 1800 hours and back, backwards easing out. A date run
  // still going stops first (it does not report).
  void AnimateBandDate(const VTime& from, const VTime& to) { AnimateDate(bandDateTimer_, from, to); }
  VTime GetOpeningDate() const { return openingDate_; }
  int32_t GetSpeedIndex() const { return speedIndex_; }

  // Travel speed in hours per millisecond at `hours`: the base speed near an
  // event, faster between events, so that the middle of a gap (from 0.2 x d
  // past one event to 0.2 x d before the next, d = base x 2000) takes about
  // 1200 ms. previous/next: the hour counts of the events around, when
  // there are.
  static double TravelRateFor(double base, int32_t hours, std::optional<int32_t> previous, std::optional<int32_t> next,
                              bool forward);
  double TravelRate() const;

  const StorylineCatalog& GetStorylines() const { return *storylines_; }
  TimelineBand* GetBand(int32_t index) const { return index >= 0 && index < 3 ? bands_[index] : nullptr; }
  StorylinePanel* GetStorylinePanel() const { return panel_; }
  ItemViewer* GetViewer() const { return viewer_; }
  VPictureControl* GetStorylinePicture(int32_t index) const { return storylinePictures_[index]; }
  SignalTimer* GetBandDateTimer() const { return bandDateTimer_; }
  SignalTimer* GetPanelDateTimer() const { return panelDateTimer_; }

 private:
  StorylineScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                  VGraphicObject* parent, int32_t nextState, int32_t speedIndex);

  void BuildStorylines();
  void BuildTimelineView();
  void BuildStorylineView(const ItemRef& item);
  void InitDates();
  void RunStateMachine();
  void OpenStorylineView(const ItemRef& item);
  void OpenEventItem(bool withSound);
  void CloseViewer();
  void ScrollDateTo(const VTime& target, bool withSound);
  // Runs a date animation in the slot (the one running there stops first).
  void AnimateDate(SignalTimer*& slot, const VTime& from, const VTime& to);
  void AnimateToPanelDate(bool toEvent);
  void RunTimer(SignalTimer* timer, bool forward, uint32_t run);
  void ShowTimelineView();
  void HideTimelineView();
  void ShowStorylineView();
  void HideStorylineView();
  void SetGroupLevel(int32_t group, int32_t level);
  void SetEventTextsVisible(bool visible);
  void SetTravelActive(bool active);
  void SetArrowsCanScroll(bool canScroll);
  void UpdateStorylinePictures(const VTime& date);
  void UpdateCaption(bool setStatus, bool setCaption, const EventRecord* cardEvent, bool withCard);
  void UpdateEventCaption(bool setStatus, bool setCaption, const EventRecord* event);
  void SetStatus();
  void RedrawRect(const VRect& rect);
  const TimelineRecord* FindTimelineByRef(const ItemRef& timeline) const;
  TimelineBand* ActiveBand() const;
  const EventSeries* ActiveSeries() const;
  // The date the views open at: the panel's selected event once the
  // storyline view exists, else the current date.
  VTime ViewDate() const;
  EventRecord* FindBandCardEvent(int32_t cardId, bool& found) const;
  void TravelStep();

  std::unique_ptr<StorylineCatalog> storylines_;
  TimelineBand* bands_[3] = {nullptr, nullptr, nullptr};
  StorylinePanel* panel_ = nullptr;
  ItemViewer* viewer_ = nullptr;
  VPictureControl* backgrounds_[3] = {nullptr, nullptr, nullptr};
  VPictureControl* backdrop_ = nullptr;
  VPictureControl* bar_ = nullptr;
  VPictureControl* panelPicture_ = nullptr;
  VPictureControl* flyIn_[3] = {nullptr, nullptr, nullptr};
  VPictureControl* storylinePictures_[3] = {nullptr, nullptr, nullptr};
  VPictureButton* nextButton_ = nullptr;
  VPictureButton* previousButton_ = nullptr;
  VTextControl* readout_[3] = {nullptr, nullptr, nullptr};
  SignalTimer* backgroundTimer_ = nullptr;
  SignalTimer* flyInTimer_ = nullptr;
  SignalTimer* bandDateTimer_ = nullptr;
  SignalTimer* panelTimer_ = nullptr;
  SignalTimer* panelDateTimer_ = nullptr;
  VTime earliestDate_;
  VTime latestDate_;
  VTime currentDate_;
  VTime openingDate_;
  int32_t speedIndex_;
  int32_t state_ = 0;
  int32_t nextState_;
  int32_t layer_;
  int32_t lastSoundHours_ = 0;
  uint32_t lastTick_ = 0;
  bool timelineViewBuilt_ = false;
  bool storylineViewBuilt_ = false;
  bool travelForward_ = false;
  bool travelStopped_ = false;
  ControlLife life_;
};

// Makes the storyline screen the main panel's screen of kind 2: at the
// timeline view for the module button, at the storyline view for an event.
void RegisterStorylineScreen();
