#include "title/modules/storyline/StorylineScreen.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VString.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VFont.h"
#include "engine/graphics/VPicture.h"
#include "engine/sound/SoundManager.h"
#include "platform/Clock.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalTimer.h"
#include "title/modules/storyline/BandEventCard.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/EventTexts.h"
#include "title/modules/storyline/PanelEventCard.h"
#include "title/modules/storyline/ScrollArrow.h"
#include "title/modules/storyline/StorylineCatalog.h"
#include "title/modules/storyline/StorylineDates.h"
#include "title/modules/storyline/StorylinePanel.h"
#include "title/modules/storyline/TimelineBand.h"
#include "title/shell/ItemViewer.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/TitleRunLog.h"
#include "title/shell/ShellPictures.h"

namespace {

// Hours of travel per millisecond: the three bands, then the panel.
constexpr double kSpeeds[4] = {1.0, 1.0, 1.0, 3.0};
constexpr int32_t kPanelSpeed = 3;
constexpr int32_t kFullLevel = 63;
// The date readout is set in the bands' font (its own colour tells it
// apart), its year ending where the year's box of 48 pixels at x 400 ends
// and the day and month following one space apart.
constexpr int32_t kReadoutFont = EventTexts::kFont;
constexpr int32_t kReadoutYearRight = 448;
const VRGBColor kReadoutColour(173, 214, 132);
// What each band redraws when the date changes, and the panel.
const VRect kBandRects[3] = {VRect(43, 21, 397, 136), VRect(238, 137, 592, 253), VRect(207, 272, 563, 389)};
const VRect kPanelRect(507, 83, 624, 393);
const VRect kWholeScreen(0, 0, 640, 480);
constexpr uint32_t kBackgroundRun = 1150;
constexpr uint32_t kFlyInRun = 1750;
constexpr uint32_t kPanelRun = 1000;
constexpr uint32_t kScrollRun = 800;
// Where the item viewer centres its item and puts its side bar.
constexpr VPoint kViewerCentre{242, 189};
constexpr VPoint kViewerSideBar{461, 179};

bool SameHour(const VTime& a, const VTime& b) { return !DateIsBefore(a, b) && !DateIsBefore(b, a); }

VPictureControl* MakePicture(uint16_t id, int32_t x, int32_t y, int32_t layer, int32_t width, int32_t height,
                             VGraphicObject* parent) {
  VPicture* picture = LoadShellPicture(id);
  auto* control =
      new (std::nothrow) VPictureControl(VControl::kAllocateId, picture, x, y, layer, width, height, parent);
  if (picture != nullptr) picture->Release();
  return control;
}

void SetLevel(VPictureControl* control, int32_t level) {
  if (control == nullptr) return;
  PixelMapAttributes attributes;
  if (!control->GetPixelAttributes(attributes)) return;
  attributes.SetLevel(level);
  control->SetPixelAttributes(attributes, false);
}

void FeedLevel(SignalSource* source, VPictureControl* control) {
  if (control != nullptr) source->Subscribe(new SignalLevelSink(control), 0);
}

void FeedPosition(SignalSource* source, VGraphicObject* control, int32_t input) {
  if (control != nullptr) source->Subscribe(new SignalPositionSink(control), input);
}

void SetText(VTextControl* control, const VString& text) { EventTexts::SetTextIfChanged(control, text, true); }

std::string Chars(const VString& text) {
  return text.GetChars() != nullptr ? std::string(text.GetChars(), static_cast<size_t>(text.GetLength())) : "";
}

MainInterfaceScreen* FindMainInterfaceScreen() {
  MainScreenServices* services = GetMainScreenServices();
  VGraphicObject* panel = services != nullptr ? services->GetCurrentPanel() : nullptr;
  if (panel == nullptr) return nullptr;
  return dynamic_cast<MainInterfaceScreen*>(panel->FindById(MainInterfaceScreen::kId, false));
}

void SetCaption(const std::string& text, bool visited) {
  if (MainScreenServices* services = GetMainScreenServices())
    services->SetCaption(VString(text.c_str()), visited, false);
}

}  // namespace

// ---- Construction ---------------------------------------------------------------

StorylineScreen::StorylineScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                                 VGraphicObject* parent, int32_t nextState, int32_t speedIndex)
    : PictureFrameControl(id, 0, left, top, layer, width, height, parent),
      VTask(id, false, false, false, GetTaskManager()),
      speedIndex_(speedIndex),
      nextState_(nextState),
      layer_(layer) {
  SoundManager& sounds = GetSoundManager();
  for (const int32_t sound : {kEndSound, kTickSound, kNextSound, kPreviousSound}) sounds.AcquireSound(sound);
  BuildStorylines();
}

StorylineScreen::StorylineScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                                 VGraphicObject* parent)
    : StorylineScreen(id, left, top, layer, width, height, parent, 1, -1) {
  BuildTimelineView();
}

StorylineScreen::StorylineScreen(int32_t id, const ItemRef& item, int32_t left, int32_t top, int32_t layer,
                                 int32_t width, int32_t height, VGraphicObject* parent)
    : StorylineScreen(id, left, top, layer, width, height, parent, 4, kPanelSpeed) {
  BuildStorylineView(item);
}

StorylineScreen::~StorylineScreen() {
  Stop();
  SoundManager& sounds = GetSoundManager();
  for (const int32_t sound : {kEndSound, kTickSound, kNextSound, kPreviousSound}) sounds.ReleaseSound(sound);
  // The bands and the panel look their storylines up here: they go first.
  while (VGraphicObject* child = GetFirstChildObject()) delete child;
}

void StorylineScreen::BuildStorylines() {
  SetVisible(false, false);
  lastSoundHours_ = 0;
  storylines_.reset(new StorylineCatalog());
  backgrounds_[0] = MakePicture(14000, 0, 0, layer_, 640, 138, this);
  backgrounds_[1] = MakePicture(14002, 0, 138, layer_, 640, 135, this);
  backgrounds_[2] = MakePicture(14004, 0, 273, layer_, 640, 207, this);
  backgroundTimer_ = new (std::nothrow) SignalTimer(kAllocateId, kTimerInterval, this);
  if (backgroundTimer_ != nullptr) {
    const double delays[3] = {700, 0, 350};
    for (int32_t i = 0; i < 3; ++i) {
      auto* ramp = new SignalLinearRamp(0, 0, kFullLevel, 450, delays[i]);
      FeedLevel(ramp, backgrounds_[i]);
      backgroundTimer_->Subscribe(ramp, 0);
    }
  }
  for (VPictureControl* background : backgrounds_) SetLevel(background, 0);
}

void StorylineScreen::BuildTimelineView() {
  backdrop_ = MakePicture(14030, 221, 17, layer_ + 1, 360, 281, this);
  flyIn_[0] = MakePicture(14101, 0, 25, layer_ + 3, 345, 285, this);
  flyIn_[1] = MakePicture(14101, 640, 238, layer_ + 3, 345, 285, this);
  flyIn_[2] = MakePicture(14101, 0, 276, layer_ + 3, 345, 285, this);
  const int32_t tops[3] = {0, 138, 273};
  const int32_t heights[3] = {138, 135, 207};
  for (int32_t i = 0; i < 3; ++i) {
    bands_[i] = new (std::nothrow) TimelineBand(kBandIds[i], i, VTime(0, 6, 0), storylines_.get(), 0, tops[i],
                                                layer_ + 5 + i, 640, heights[i], this);
  }
  VPictureFont* font = GetPictureFont(kReadoutFont);
  const VPoint at[3] = {{400, 110}, {479, 110}, {448, 110}};
  const int32_t widths[3] = {48, 100, 26};
  const int32_t alignments[3] = {1, 1, 1};
  for (int32_t i = 0; i < 3; ++i) {
    readout_[i] = new (std::nothrow) VTextControl(kReadoutIds[i], at[i].x, at[i].y, layer_ + 9 + i, widths[i], 20,
                                                  nullptr, font, alignments[i], 1, false, 32767, this);
    if (readout_[i] == nullptr) continue;
    readout_[i]->SetTransparent(true);
    readout_[i]->SetTextColor(kReadoutColour);
    readout_[i]->SetEnabled(false);
    readout_[i]->SetVisible(false, false);
  }
  const VPoint pictureAt[3] = {{402, 30}, {188, 199}, {156, 278}};
  const int32_t storylineOf[3] = {0, 3, 6};  // ST001, ST004, ST007
  for (int32_t i = 0; i < 3; ++i) {
    const StorylineRecord* storyline = storylines_->Get(storylineOf[i]);
    storylinePictures_[i] = MakePicture(storyline != nullptr ? storyline->GetPictureId() : 0, pictureAt[i].x,
                                        pictureAt[i].y, layer_ + 12, 51, 51, this);
  }

  flyInTimer_ = new (std::nothrow) SignalTimer(kAllocateId, kTimerInterval, this);
  if (flyInTimer_ != nullptr) {
    const double ramps[3][3] = {{0, 156, 56}, {640, 140, 240}, {0, 310, 210}};
    for (int32_t i = 0; i < 3; ++i) {
      auto* slide = new SignalTwoPhaseRamp(0, ramps[i][0], ramps[i][1], ramps[i][2], 600, 750, 0);
      FeedPosition(slide, flyIn_[i], 0);
      flyInTimer_->Subscribe(slide, 0);
    }
    auto* fade = new SignalEaseOut(0, 0, kFullLevel, 600, 0);
    for (VPictureControl* picture : flyIn_) FeedLevel(fade, picture);
    flyInTimer_->Subscribe(fade, 0);
    auto* pictures = new SignalLinearRamp(0, 0, kFullLevel, 800, 950);
    for (VPictureControl* picture : storylinePictures_) FeedLevel(pictures, picture);
    flyInTimer_->Subscribe(pictures, 0);
    auto* backdrop = new SignalLinearRamp(0, 0, kFullLevel, 800, 950);
    FeedLevel(backdrop, backdrop_);
    flyInTimer_->Subscribe(backdrop, 0);
  }
  InitDates();
  bandDateTimer_ = nullptr;
  timelineViewBuilt_ = true;
}

void StorylineScreen::BuildStorylineView(const ItemRef& item) {
  panel_ = new (std::nothrow) StorylinePanel(kPanelId, item, storylines_.get(), 440, 0, layer_ + 8, 200, 480, this);
  if (panel_ != nullptr) panel_->SetVisible(false, false);
  bar_ = MakePicture(14106, 609, -300, layer_ + 4, 12, 300, this);
  panelPicture_ = MakePicture(14032, 650, 96, layer_ + 2, 171, 131, this);
  nextButton_ = new (std::nothrow)
      VPictureButton(kNextButtonId, 14040, 14041, 14042, 14043, VPoint(656, 104), layer_ + 13, 35, 17, this);
  previousButton_ = new (std::nothrow)
      VPictureButton(kPreviousButtonId, 14045, 14046, 14047, 14048, VPoint(656, 122), layer_ + 14, 35, 18, this);

  panelTimer_ = new (std::nothrow) SignalTimer(kAllocateId, kTimerInterval, this);
  if (panelTimer_ != nullptr) {
    auto* bar = new SignalTwoPhaseRamp(0, -300, 125, 88, 700, 1000, 0);
    FeedPosition(bar, bar_, 1);
    panelTimer_->Subscribe(bar, 0);
    auto* picture = new SignalTwoPhaseRamp(0, 650, 400, 455, 700, 1000, 0);
    FeedPosition(picture, panelPicture_, 0);
    panelTimer_->Subscribe(picture, 0);
    auto* buttons = new SignalTwoPhaseRamp(0, 656, 406, 461, 700, 1000, 0);
    FeedPosition(buttons, nextButton_, 0);
    FeedPosition(buttons, previousButton_, 0);
    panelTimer_->Subscribe(buttons, 0);
    for (VPictureControl* control : {bar_, panelPicture_, static_cast<VPictureControl*>(nextButton_),
                                     static_cast<VPictureControl*>(previousButton_)}) {
      if (control == nullptr) continue;
      auto* fade = new SignalLinearRamp(0, 0, kFullLevel, 1000, 0);
      FeedLevel(fade, control);
      panelTimer_->Subscribe(fade, 0);
    }
  }
  SetGroupLevel(4, 0);
  panelDateTimer_ = nullptr;
  storylineViewBuilt_ = true;
}

void StorylineScreen::InitDates() {
  earliestDate_ = VTime(1999, 1, 1, 12);
  latestDate_ = VTime(1799, 1, 1, 12);
  const TimelineBand* earliestBand = nullptr;
  bool anyEvent = false;
  for (TimelineBand* band : bands_) {
    const TimelineRecord* record = band != nullptr ? band->GetTimelineRecord() : nullptr;
    if (record == nullptr || record->GetFirstEvent() == nullptr) continue;
    anyEvent = true;
    if (band->GetFirstDate().IsBefore(earliestDate_)) {
      earliestDate_ = band->GetFirstDate();
      earliestBand = band;
    }
    if (band->GetLastDate().IsAfter(latestDate_)) latestDate_ = band->GetLastDate();
  }
  if (earliestBand == nullptr) earliestBand = bands_[0];
  const int32_t span = earliestBand != nullptr ? earliestBand->GetSpan() : 0;
  openingDate_ = DayNumberToDate(DateToDayNumber(earliestDate_) - span);
  currentDate_ = VTime(1942, 6, 1, 12);
  // The view lands on that date when the bands' events lie on both sides of
  // it. Past the latest event (or before the earliest) every band would
  // stand beyond its end, where travel onwards finds nothing and stops at
  // once: it lands half a span short of the latest event instead (after the
  // earliest), that event in view ahead of the date mark.
  if (!anyEvent) return;
  const int64_t earliest = DateToDayNumber(earliestDate_);
  const int64_t latest = DateToDayNumber(latestDate_);
  const int64_t landing = DateToDayNumber(currentDate_);
  const int64_t half = std::max(span, 0) / 2;
  if (landing >= latest) {
    currentDate_ = DayNumberToDate(static_cast<int32_t>(std::max(earliest, latest - half)));
  } else if (landing <= earliest) {
    currentDate_ = DayNumberToDate(static_cast<int32_t>(std::min(latest, earliest + half)));
  }
}

// ---- Showing and hiding -----------------------------------------------------------

int32_t StorylineScreen::GetKind() const {
  if (state_ >= 1 && state_ <= 3) return kModuleKind;
  if (state_ >= 4 && state_ <= 6) return kStorylineKind;
  return -1;
}

void StorylineScreen::Show() {
  SetVisible(true, false);
  RunTimer(backgroundTimer_, true, kBackgroundRun);
}

void StorylineScreen::Hide() {
  speedIndex_ = -1;
  SetTravelActive(false);
  SetCaption("", false);
  nextState_ = 7;
  if (state_ == 3) {
    UpdateStorylinePictures(currentDate_);
    state_ = 2;
    AnimateDate(bandDateTimer_, currentDate_, openingDate_);
  } else if (state_ == 6) {
    CloseViewer();
    state_ = 5;
    AnimateToPanelDate(false);
  }
}

void StorylineScreen::RunTimer(SignalTimer* timer, bool forward, uint32_t run) {
  if (timer == nullptr) {
    // A timer that could not be made: its animation is left out and the
    // screen goes on at once.
    RunStateMachine();
    return;
  }
  timer->SetDirection(forward ? 1 : -1);
  timer->Start(run);
}

// ---- The state machine ----------------------------------------------------------

void StorylineScreen::RunStateMachine() {
  // No change pending: a view that is up stays up.
  if (nextState_ < 0) return;
  const int32_t from = state_;
  state_ = nextState_;
  switch (from * 10 + state_) {
    case 1:  // 0 -> 1
      nextState_ = 2;
      UpdateStorylinePictures(currentDate_);
      RunTimer(flyInTimer_, true, kFlyInRun);
      break;
    case 4:  // 0 -> 4
    case 14:
      nextState_ = 5;
      RunTimer(panelTimer_, true, kPanelRun);
      break;
    case 7:  // 0 -> 7
      nextState_ = -1;
      UpdateCaption(true, true, nullptr, false);
      state_ = 8;
      speedIndex_ = -1;
      break;
    case 12: {
      nextState_ = 3;
      UpdateCaption(true, true, nullptr, false);
      ShowTimelineView();
      AnimateDate(bandDateTimer_, openingDate_, ViewDate());
      break;
    }
    case 17:
    case 47:
      state_ = 0;
      RunTimer(backgroundTimer_, false, kBackgroundRun);
      break;
    case 21:
      nextState_ = 4;
      HideTimelineView();
      RunTimer(flyInTimer_, false, kFlyInRun);
      break;
    case 23:
      nextState_ = -1;
      SetCurrentDate(currentDate_);
      SetGroupLevel(3, 0);
      SetEventTextsVisible(true);
      SetTravelActive(true);
      if (!storylineViewBuilt_) SendControlEvent(*this, kOwnerShown, static_cast<uint32_t>(GetId()));
      break;
    case 27:
      state_ = 1;
      HideTimelineView();
      RunTimer(flyInTimer_, false, kFlyInRun);
      break;
    case 41:
      nextState_ = 2;
      UpdateStorylinePictures(ViewDate());
      RunTimer(flyInTimer_, true, kFlyInRun);
      break;
    case 45:
      nextState_ = 6;
      UpdateCaption(true, false, nullptr, false);
      ShowStorylineView();
      AnimateToPanelDate(true);
      break;
    case 54:
      nextState_ = 1;
      HideStorylineView();
      RunTimer(panelTimer_, false, kPanelRun);
      break;
    case 56:
      nextState_ = -1;
      SetTravelActive(true);
      speedIndex_ = kPanelSpeed;
      // Runs driven from outside learn that the storyline view is up, and at
      // which event (its step buttons take clicks from now on).
      if (panel_ != nullptr && panel_->GetSelectedEvent() != nullptr) {
        title_run_log::WriteItem("storyline-shown", panel_->GetSelectedEvent()->GetKey());
      }
      if (!timelineViewBuilt_) SendControlEvent(*this, kOwnerShown, static_cast<uint32_t>(GetId()));
      break;
    case 57:
      state_ = 4;
      HideStorylineView();
      RunTimer(panelTimer_, false, kPanelRun);
      break;
    default:
      break;
  }
}

VTime StorylineScreen::ViewDate() const {
  if (!storylineViewBuilt_) return currentDate_;
  const EventRecord* selected = panel_ != nullptr ? panel_->GetSelectedEvent() : nullptr;
  // Without a selected event the views open at the current date.
  return selected != nullptr && selected->GetDate().GetYear() > 1 ? selected->GetDate() : currentDate_;
}

void StorylineScreen::ShowTimelineView() {
  SetGroupLevel(1, 0);
  for (TimelineBand* band : bands_) {
    if (band != nullptr) band->SetVisible(true, false);
  }
  for (VTextControl* text : readout_) {
    if (text != nullptr) text->SetVisible(true, false);
  }
  RedrawRect(kWholeScreen);
}

void StorylineScreen::HideTimelineView() {
  SetGroupLevel(0, kFullLevel);
  for (TimelineBand* band : bands_) {
    if (band != nullptr) band->SetVisible(false, false);
  }
  for (VTextControl* text : readout_) {
    if (text != nullptr) text->SetVisible(false, false);
  }
  RedrawRect(kWholeScreen);
}

void StorylineScreen::ShowStorylineView() {
  SetGroupLevel(5, 0);
  if (panel_ != nullptr) {
    const ControlLife::Watch watch = life_.MakeWatch();
    panel_->ReportEnds();
    if (!watch.Alive()) return;
    panel_->SetVisible(true, false);
  }
  RedrawRect(kWholeScreen);
}

void StorylineScreen::HideStorylineView() {
  CloseViewer();
  if (panel_ != nullptr) panel_->SetVisible(false, false);
  SetGroupLevel(4, kFullLevel);
  RedrawRect(kWholeScreen);
}

void StorylineScreen::SetGroupLevel(int32_t group, int32_t level) {
  switch (group) {
    case 0:
      for (VPictureControl* picture : flyIn_) SetLevel(picture, level);
      SetLevel(backdrop_, level);
      for (VPictureControl* picture : storylinePictures_) SetLevel(picture, level);
      break;
    case 1:
      for (VPictureControl* picture : flyIn_) SetLevel(picture, level);
      break;
    case 2:
      SetLevel(backdrop_, level);
      break;
    case 3:
      for (VPictureControl* picture : storylinePictures_) SetLevel(picture, level);
      break;
    case 4:
      SetLevel(bar_, level);
      for (VPictureButton* button : {nextButton_, previousButton_}) {
        if (button != nullptr) button->SetEnabled(false);
      }
      SetLevel(panelPicture_, level);
      SetLevel(nextButton_, level);
      SetLevel(previousButton_, level);
      break;
    case 5:
      SetLevel(bar_, level);
      for (VPictureButton* button : {nextButton_, previousButton_}) {
        if (button != nullptr) button->SetEnabled(true);
      }
      break;
    default:
      break;
  }
}

void StorylineScreen::SetEventTextsVisible(bool visible) {
  for (TimelineBand* band : bands_) {
    if (band != nullptr) band->SetTextsVisible(visible);
  }
  if (panel_ != nullptr) panel_->SetTextsVisible(visible);
}

void StorylineScreen::SetTravelActive(bool active) {
  if (state_ == 3) {
    for (TimelineBand* band : bands_) {
      if (band != nullptr) band->SetActive(active);
    }
  } else if (state_ == 6 && panel_ != nullptr) {
    panel_->SetActive(active);
  }
}

void StorylineScreen::SetArrowsCanScroll(bool canScroll) {
  std::vector<ScrollArrow*> arrows;
  if (state_ == 3) {
    for (TimelineBand* band : bands_) {
      if (band == nullptr) continue;
      arrows.push_back(band->GetArrow(true));
      arrows.push_back(band->GetArrow(false));
    }
  } else if (state_ == 6 && panel_ != nullptr) {
    arrows.push_back(panel_->GetArrow(true));
    arrows.push_back(panel_->GetArrow(false));
  }
  for (ScrollArrow* arrow : arrows) {
    if (arrow == nullptr) continue;
    if (canScroll) {
      arrow->SetCanScroll();
    } else {
      arrow->ClearCanScroll();
    }
  }
}

void StorylineScreen::RedrawRect(const VRect& rect) {
  if (!IsShown()) return;
  VRect global;
  GetGlobalBounds(global);
  VRect area = rect;
  area.Offset(global.left, global.top);
  VGraphicWindow* window = GetWindow();
  VGraphicObject* root = window != nullptr ? window->GetRootObject() : nullptr;
  if (root != nullptr) root->Draw(nullptr, &area, false, true);
}

// ---- Dates -------------------------------------------------------------------------

int32_t StorylineScreen::GetDateDayNumber() { return DateToDayNumber(currentDate_); }

void StorylineScreen::SetDateDayNumber(int32_t hours) { SetCurrentDate(DayNumberToDate(hours)); }

void StorylineScreen::SetCurrentDate(const VTime& date) {
  currentDate_ = date;
  if (state_ == 3) {
    const VString year = FormatYear(date);
    SetText(readout_[0], year);
    SetText(readout_[1], FormatMonthName(date));
    SetText(readout_[2], FormatDay(date));
    if (VFont* font = GetPictureFont(kReadoutFont)) {
      const int32_t yearLeft = kReadoutYearRight - font->GetTextWidth(year.GetChars(), year.GetLength());
      EventTexts::PlaceDate(readout_[0], readout_[2], readout_[1], yearLeft, font, true);
    }
  }
  if (state_ == 2 || state_ == 3) {
    for (int32_t i = 0; i < 3; ++i) {
      if (bands_[i] == nullptr) continue;
      bands_[i]->SetDate(date, state_ != 2, nextState_ > 0);
      RedrawRect(kBandRects[i]);
    }
  } else if ((state_ == 5 || state_ == 6) && panel_ != nullptr) {
    panel_->SetDate(date);
    RedrawRect(kPanelRect);
  }
}

void StorylineScreen::AnimateDate(SignalTimer*& slot, const VTime& from, const VTime& to) {
  // One date animation at a time: the one running stops without reporting,
  // so that the state machine takes one step per animation.
  if (slot != nullptr) {
    SignalTimer* old = slot;
    slot = nullptr;
    old->Stop(false);
    delete old;
  }
  auto* timer = new (std::nothrow) SignalTimer(kAllocateId, kTimerInterval, this);
  if (timer == nullptr) {
    RunStateMachine();
    return;
  }
  const double a = DateToDayNumber(from);
  const double b = DateToDayNumber(to);
  SignalFunction* ramp = nullptr;
  if (a < b) {
    // Past the target by 1800 hours, then back.
    ramp = new SignalTwoPhaseRamp(0, a, b + kOvershootHours, b, kDateFirstPhase, kDateRun, 0);
  } else {
    // Read with the timer counting down: from a down to b, easing out.
    ramp = new SignalEaseOut(0, b, a, kDateRun, 0);
  }
  ramp->Subscribe(new SignalDateSink(this), 0);
  timer->Subscribe(ramp, 0);
  slot = timer;
  timer->SetDirection(a < b ? 1 : -1);
  timer->Start(kDateRun);
}

void StorylineScreen::AnimateToPanelDate(bool toEvent) {
  if (panel_ != nullptr && panel_->GetStorylineRecord() != nullptr) {
    const VTime start = DayNumberToDate(DateToDayNumber(panel_->GetFirstDate()) - panel_->GetSpan());
    const EventRecord* selected = panel_->GetSelectedEvent();
    if (start.GetYear() > 1) {
      if (!toEvent) {
        AnimateDate(panelDateTimer_, currentDate_, start);
        return;
      }
      if (selected != nullptr && selected->GetDate().GetYear() > 1) {
        AnimateDate(panelDateTimer_, start, selected->GetDate());
        return;
      }
    }
  }
  // Nothing to run to (an empty storyline): the date stays, and the views
  // change after the same time.
  AnimateDate(panelDateTimer_, currentDate_, currentDate_);
}

void StorylineScreen::ScrollDateTo(const VTime& target, bool withSound) {
  const int64_t h0 = DateToDayNumber(currentDate_);
  const int64_t distance = static_cast<int64_t>(DateToDayNumber(target)) - h0;
  const uint32_t start = platform::TickCount();
  const ControlLife::Watch watch = life_.MakeWatch();
  for (;;) {
    const uint32_t t = platform::TickCount() - start;
    if (t > kScrollRun) break;
    int64_t hours = h0 + distance * static_cast<int64_t>(t) / static_cast<int64_t>(kScrollRun);
    if ((distance >= 0 && hours > h0 + distance) || (distance < 0 && hours < h0 + distance)) hours = h0 + distance;
    SetCurrentDate(DayNumberToDate(static_cast<int32_t>(hours)));
    if (!watch.Alive()) return;
    platform::SleepMilliseconds(10);
  }
  SetCurrentDate(target);
  if (state_ == 6 && withSound && panel_ != nullptr && panel_->GetStorylineRecord() != nullptr &&
      (target.Equals(panel_->GetFirstDate()) || target.Equals(panel_->GetLastDate()))) {
    GetSoundManager().TriggerSound(kEndSound);
  }
}

void StorylineScreen::UpdateStorylinePictures(const VTime& date) {
  for (int32_t i = 0; i < 3; ++i) {
    if (bands_[i] == nullptr || storylinePictures_[i] == nullptr || bands_[i]->GetTimelineRecord() == nullptr) continue;
    const EventRecord* nearest = bands_[i]->GetTimelineRecord()->FindNearestEvent(date);
    if (nearest == nullptr) continue;
    const StorylineRecord* storyline = storylines_->Find(nearest->GetStorylineRef());
    if (storyline == nullptr) continue;
    VPicture* picture = LoadShellPicture(storyline->GetPictureId());
    if (picture == nullptr) continue;
    storylinePictures_[i]->SetPicture(picture, false);
    picture->Release();
  }
}

// ---- Captions ----------------------------------------------------------------------

void StorylineScreen::SetStatus() {
  if (MainInterfaceScreen* screen = FindMainInterfaceScreen()) screen->SetStatusCode(GetKind());
}

void StorylineScreen::UpdateCaption(bool setStatus, bool setCaption, const EventRecord* cardEvent, bool withCard) {
  if (setStatus) SetStatus();
  if (!setCaption) return;
  std::string text;
  const TimelineBand* band = ActiveBand();
  if (band != nullptr && band->GetTimelineRecord() != nullptr) text = Chars(band->GetTimelineRecord()->GetTitle());
  bool visited = false;
  if (withCard && cardEvent != nullptr) {
    const StorylineRecord* storyline = storylines_->Find(cardEvent->GetStorylineRef());
    text += " / " + (storyline != nullptr ? Chars(storyline->GetTitle()) : std::string());
    text += " / " + Chars(cardEvent->GetText());
    visited = cardEvent->GetEventKey().IsItemVisited();
  } else if (withCard) {
    text += " / ";
  }
  SetCaption(text, visited);
}

void StorylineScreen::UpdateEventCaption(bool setStatus, bool setCaption, const EventRecord* event) {
  if (setStatus) SetStatus();
  if (!setCaption || event == nullptr) return;
  const TimelineRecord* timeline = FindTimelineByRef(event->GetTimelineRef());
  const StorylineRecord* storyline = storylines_->Find(event->GetStorylineRef());
  const std::string text = (timeline != nullptr ? Chars(timeline->GetTitle()) : std::string()) + " / " +
                           (storyline != nullptr ? Chars(storyline->GetTitle()) : std::string()) + " / " +
                           Chars(event->GetText());
  SetCaption(text, event->GetEventKey().IsItemVisited());
}

const TimelineRecord* StorylineScreen::FindTimelineByRef(const ItemRef& timeline) const {
  for (TimelineBand* band : bands_) {
    if (band != nullptr && band->GetTimelineRecord() != nullptr && band->GetTimelineRecord()->GetKey() == timeline) {
      return band->GetTimelineRecord();
    }
  }
  return nullptr;
}

TimelineBand* StorylineScreen::ActiveBand() const {
  return speedIndex_ >= 0 && speedIndex_ < 3 ? bands_[speedIndex_] : nullptr;
}

const EventSeries* StorylineScreen::ActiveSeries() const {
  if (state_ == 3) {
    const TimelineBand* band = ActiveBand();
    return band != nullptr ? band->GetTimelineRecord() : nullptr;
  }
  if (state_ == 6 && panel_ != nullptr) return panel_->GetStorylineRecord();
  return nullptr;
}

// ---- Views and items ---------------------------------------------------------------

void StorylineScreen::OpenStorylineView(const ItemRef& item) {
  if (!storylineViewBuilt_) {
    BuildStorylineView(item);
  } else if (panel_ != nullptr) {
    panel_->LoadStorylineAt(item);
  }
  SetTravelActive(false);
  UpdateStorylinePictures(currentDate_);
  state_ = 2;
  nextState_ = 1;
  AnimateDate(bandDateTimer_, currentDate_, openingDate_);
}

void StorylineScreen::CloseViewer() {
  if (viewer_ == nullptr) return;
  ItemViewer* viewer = viewer_;
  viewer_ = nullptr;
  // The viewer's own back button may be what asks: it goes on the next
  // idle pass, out of the tree at once.
  DeleteControlLater(viewer);
}

void StorylineScreen::OpenEventItem(bool withSound) {
  CloseViewer();
  // An empty storyline has no selected event: there is nothing to open.
  EventRecord* event = panel_ != nullptr ? panel_->GetSelectedEvent() : nullptr;
  if (event == nullptr) return;
  const ItemRef info = event->GetEventKey();
  const ControlLife::Watch watch = life_.MakeWatch();
  ScrollDateTo(event->GetDate(), withSound);
  if (!watch.Alive()) return;
  viewer_ = new (std::nothrow) ItemViewer(kViewerId, 0, 0, 0, layer_ + 100, 450, 400, this);
  if (viewer_ == nullptr) return;
  viewer_->ShowItem(new ItemRef(info), kViewerCentre, kViewerSideBar);
  viewer_->Show();
  if (!watch.Alive()) return;
  UpdateEventCaption(false, true, event);
}

EventRecord* StorylineScreen::FindBandCardEvent(int32_t cardId, bool& found) const {
  // Card ids of different bands may meet: the band under the pointer is
  // asked first.
  found = false;
  const TimelineBand* active = ActiveBand();
  BandEventCard* card = active != nullptr ? active->FindCard(cardId) : nullptr;
  for (int32_t i = 0; i < 3 && card == nullptr; ++i) {
    if (bands_[i] != nullptr) card = bands_[i]->FindCard(cardId);
  }
  if (card == nullptr) return nullptr;
  found = card->GetDate().GetYear() > 0;
  return found ? card->GetEvent() : nullptr;
}

// ---- Events -------------------------------------------------------------------------

bool StorylineScreen::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (travelStopped_) {
    Stop();
    travelStopped_ = false;
  }
  if (state_ == 8) {
    state_ = 9;
    SendControlEvent(*this, kOwnerHidden, static_cast<uint32_t>(GetId()));
    return true;
  }
  const auto id = static_cast<int32_t>(value1);
  switch (code) {
    case kEventButtonClicked:
      if (id == kStatusButtonId && state_ == 6) {
        if (!timelineViewBuilt_) BuildTimelineView();
        CloseViewer();
        SetEventTextsVisible(false);
        SetTravelActive(false);
        const EventRecord* selected = panel_ != nullptr ? panel_->GetSelectedEvent() : nullptr;
        if (selected != nullptr) {
          const int32_t band = selected->GetTimelineRef().GetNumber() - 1;
          speedIndex_ = band >= 0 && band < 3 ? band : -1;
        }
        state_ = 5;
        nextState_ = 4;
        AnimateToPanelDate(false);
        return true;
      }
      if ((id == kNextButtonId || id == kPreviousButtonId) && state_ == 6 && panel_ != nullptr) {
        if (id == kNextButtonId) {
          panel_->SelectNext();
        } else {
          panel_->SelectPrevious();
        }
        OpenEventItem(true);
        return true;
      }
      break;
    case kEventButtonEntered:
      if (id == kNextButtonId) GetSoundManager().TriggerSound(kNextSound);
      if (id == kPreviousButtonId) GetSoundManager().TriggerSound(kPreviousSound);
      return false;
    case SignalTimer::kMessageTimerEnded: {
      // Only the screen's own timers move it on (the item viewer's pass by).
      const SignalTimer* timers[5] = {backgroundTimer_, flyInTimer_, bandDateTimer_, panelTimer_, panelDateTimer_};
      bool own = false;
      for (const SignalTimer* timer : timers) own = own || (timer != nullptr && timer->GetId() == id);
      if (!own) break;
      const bool taken = state_ != 3;
      RunStateMachine();
      return taken;
    }
    case kOwnerShown:
    case kOwnerHidden:
      // The item viewer's reports stay here: the main panel waits for the
      // screen's own.
      if (id == kViewerId) return true;
      break;
    case TimelineBand::kOwnerHovered:
      if (state_ == 3) {
        speedIndex_ = id;
        UpdateCaption(false, true, nullptr, false);
      }
      return true;
    case BandEventCard::kOwnerOpenEvent: {
      if (state_ != 3) break;
      bool found = false;
      EventRecord* event = FindBandCardEvent(id, found);
      if (!found) break;
      if (event != nullptr) {
        const ItemRef key = event->GetKey();
        if (key.IsItemRefValid()) key.MarkItemVisited();
        const ControlLife::Watch watch = life_.MakeWatch();
        OpenStorylineView(key);
        if (!watch.Alive()) return true;
        UpdateCaption(false, true, event, true);
      }
      return true;
    }
    case PanelEventCard::kOwnerSelectEvent: {
      if (state_ != 6 || panel_ == nullptr) break;
      PanelEventCard* card = panel_->FindCard(id);
      EventRecord* event = card != nullptr ? card->GetEvent() : nullptr;
      if (event == nullptr || card->GetDate().GetYear() <= 0) break;
      const ControlLife::Watch watch = life_.MakeWatch();
      panel_->SelectEvent(event);
      panel_->ReportEnds();
      if (!watch.Alive()) return true;
      OpenEventItem(true);
      if (!watch.Alive()) return true;
      UpdateEventCaption(false, true, event);
      return true;
    }
    case ScrollArrow::kOwnerEntered: {
      if (state_ != 3 && state_ != 6) return true;
      int32_t band = -1;
      switch (id) {
        case 14441:
        case 14442:
          band = 0;
          break;
        case 14445:
        case 14446:
          band = 1;
          break;
        case 14449:
        case 14450:
          band = 2;
          break;
        default:
          break;
      }
      travelForward_ = id == 14441 || id == 14445 || id == 14449 || id == StorylinePanel::kUpperArrowId;
      if (band >= 0) {
        const ControlLife::Watch watch = life_.MakeWatch();
        HandleEvent(TimelineBand::kOwnerHovered, static_cast<uint32_t>(band), 0);
        if (!watch.Alive()) return true;
      }
      SetActive(true);
      SetArrowsCanScroll(true);
      return true;
    }
    case ScrollArrow::kOwnerLeft:
      Stop();
      lastTick_ = 0;
      return true;
    case BandEventCard::kOwnerRestOnCard:
      if (state_ == 3) {
        bool found = false;
        EventRecord* event = FindBandCardEvent(id, found);
        if (found || event != nullptr) UpdateCaption(false, true, event, true);
      }
      return true;
    case BandEventCard::kOwnerLeaveCard:
      if (state_ == 3) UpdateCaption(false, true, nullptr, false);
      return true;
    case StorylinePanel::kOwnerAtLast:
      if (nextButton_ != nullptr) nextButton_->SetEnabled(value1 == 0);
      return true;
    case StorylinePanel::kOwnerAtFirst:
      if (previousButton_ != nullptr) previousButton_->SetEnabled(value1 == 0);
      return true;
    default:
      break;
  }
  return PictureFrameControl::HandleEvent(code, value1, value2);
}

// ---- Travel --------------------------------------------------------------------------

double StorylineScreen::TravelRateFor(double base, int32_t hours, std::optional<int32_t> previous,
                                      std::optional<int32_t> next, bool forward) {
  const double h = hours;
  const double prev = previous ? *previous : h;
  const double following = next ? *next : h;
  const double gap = following - prev;
  const double pos = (!previous || !next) ? gap / 2 : (forward ? h - prev : following - h);
  const double d = base * 2000;
  if (d < gap && 0.2 * d < pos && pos < gap - 0.2 * d) {
    return base + ((gap - 0.4 * d) / 1200 - base) * (1 - std::cos(6.283 * (pos - 0.2 * d) / (gap - 0.4 * d)));
  }
  return base;
}

double StorylineScreen::TravelRate() const {
  if (speedIndex_ < 0 || speedIndex_ > 3) return 0;
  const double base = kSpeeds[speedIndex_];
  std::optional<int32_t> previous, next;
  if (const EventSeries* series = ActiveSeries()) {
    if (const EventRecord* e = series->FindLastEventBefore(currentDate_)) previous = DateToDayNumber(e->GetDate());
    if (const EventRecord* e = series->FindFirstEventFrom(currentDate_)) next = DateToDayNumber(e->GetDate());
  }
  return TravelRateFor(base, DateToDayNumber(currentDate_), previous, next, travelForward_);
}

bool StorylineScreen::Step(uint32_t) {
  if (!travelStopped_ && speedIndex_ >= 0) TravelStep();
  return true;
}

void StorylineScreen::TravelStep() {
  const uint32_t now = GetTaskTickCount();
  if (lastTick_ == 0) lastTick_ = now - 20;
  const uint32_t dt = now - lastTick_;
  lastTick_ = now;
  const auto step = static_cast<int64_t>(static_cast<double>(dt) * TravelRate());
  const int64_t h = DateToDayNumber(currentDate_);
  int64_t target = travelForward_ ? h + step : h - step;
  target = std::clamp<int64_t>(target, INT32_MIN / 2, INT32_MAX / 2);
  VTime next = DayNumberToDate(static_cast<int32_t>(target));

  VTime lower(1, 0, 0), upper(1, 0, 0);
  if (state_ == 3 && ActiveBand() != nullptr) {
    lower = ActiveBand()->GetFirstDate();
    upper = ActiveBand()->GetLastDate();
  } else if (state_ == 6 && panel_ != nullptr) {
    lower = panel_->GetFirstDate();
    upper = panel_->GetLastDate();
  }
  if (!travelForward_ && DateIsBefore(next, lower)) {
    SetArrowsCanScroll(false);
    travelStopped_ = true;
    if (!DateIsBefore(lower, currentDate_)) return;
    next = lower;
  } else if (travelForward_ && DateIsBefore(upper, next)) {
    SetArrowsCanScroll(false);
    travelStopped_ = true;
    if (!DateIsBefore(currentDate_, upper)) return;
    next = upper;
  }
  if (!SameHour(next, currentDate_) && (SameHour(next, upper) || SameHour(next, lower))) {
    GetSoundManager().TriggerSound(kEndSound);
  }
  if (std::llabs(target - lastSoundHours_) > kTickHours) {
    GetSoundManager().TriggerSound(kTickSound);
    lastSoundHours_ = static_cast<int32_t>(target);
  }
  SetCurrentDate(next);
}

// ---- Registration ----------------------------------------------------------------------

void RegisterStorylineScreen() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    if (request.item != nullptr && request.item->GetCategory() == kEventCategory) {
      return new StorylineScreen(request.id, *request.item, request.left, request.top, request.layer, request.width,
                                 request.height, request.owner);
    }
    return new StorylineScreen(request.id, request.left, request.top, request.layer, request.width, request.height,
                               request.owner);
  };
  ScreenRegistry::Register(StorylineScreen::kModuleKind, std::move(maker));
}
