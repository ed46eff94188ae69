#include "title/modules/carousel/CarouselScreen.h"

#include <algorithm>
#include <string>

#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/VFont.h"
#include "engine/graphics/VPicture.h"
#include "engine/core/VTask.h"
#include "engine/script/ItemRef.h"
#include "engine/script/ScriptLexer.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/AnimatedPictureControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"
#include "title/shell/IndexEntry.h"
#include "title/shell/IndexEntryList.h"
#include "title/modules/carousel/PictureCarousel.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ShellPictures.h"
#include "title/shell/ScreenRegistry.h"
#include "title/tour/BubbleRecord.h"

namespace {

constexpr int32_t kListFont = 5;
constexpr int32_t kListHeadingFont = 6;
constexpr int32_t kTitleFont = 6;
constexpr int32_t kCountFont = 2;
constexpr int32_t kRowHeight = 17;
// The lists' companions draw the rows inside the highlight bar at the rows'
// own places, so that the bar shows the title under the pointer (shifted by
// 1.3 per pixel from the list's middle, the bar of the 370-pixel list showed
// a neighbour's title or none).
constexpr double kHighlightScale = 0.0;
constexpr uint32_t kTimerTick = 40;
// Room left between a chosen title's end and its go button.
constexpr int32_t kGoButtonGap = 3;
constexpr uint32_t kRampMs = 1000;
const VRGBColor kDetailTextColor(39, 26, 15);

// The steps that end with a timer: the state, its timer and the next state.
struct TimedStep {
  int32_t state;
  int32_t timer;
  int32_t next;
};
constexpr TimedStep kTimedSteps[] = {
    {1, CarouselScreen::kFadeTimerId, 2},   {2, CarouselScreen::kCountTimerId, 3},
    {3, CarouselScreen::kSlideTimerId, 4},  {16, CarouselScreen::kSlideTimerId, 17},
    {17, CarouselScreen::kCountTimerId, 18}, {18, CarouselScreen::kFadeTimerId, 19},
};

// The entry's title, empty without an entry or a title.
VString TitleOf(const IndexEntry* entry) {
  return entry != nullptr && entry->GetTitle() != nullptr ? *entry->GetTitle() : VString();
}

std::string ToString(const VString& text) {
  return text.GetChars() != nullptr ? std::string(text.GetChars(), static_cast<size_t>(text.GetLength())) : "";
}

// An animation of the frames base + i that can be read: the others are left
// out of its row (rather than shown as empty frames), so a screen without
// its frames turns no blank animation before it opens.
AnimatedPictureControl* MakeAnimation(int32_t id, int32_t count, uint16_t base, int32_t left, int32_t top,
                                      int32_t layer, int32_t width, int32_t height, VGraphicObject* parent) {
  std::vector<VPicture*> frames;
  for (int32_t i = 0; i < count; ++i) {
    if (VPicture* frame = LoadShellPicture(static_cast<uint16_t>(base + i))) frames.push_back(frame);
  }
  auto* animation = new AnimatedPictureControl(id, frames, left, top, layer, width, height, parent);
  for (VPicture* frame : frames) frame->Release();
  return animation;
}

}  // namespace

CarouselScreen::CarouselScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                               VGraphicObject* parent)
    : PictureFrameControl(id, 0, left, top, layer, width, height, parent),
      entries_(std::make_unique<IndexEntryList>(IndexEntryList::kIndexMediaId)) {
  carousel_ = new PictureCarousel(kCarouselId, 0, 0, 1, entries_.get(), this);

  for (int32_t i = 0; i < entries_->GetCount(); ++i) titles_.push_back(TitleOf(entries_->FindByPosition(i)));
  VPoint origin;
  GetGlobalOrigin(origin, true);
  // Placement A: just beyond the screen's right edge, in window coordinates.
  titleList_ = new AppTaskListControl(kTitleListId, titles_.data(), static_cast<int32_t>(titles_.size()),
                                      kHighlightScale, origin.x + width, kListTop, 2, 210, 370, kRowHeight, this);
  titleList_->SetItemFont(GetPictureFont(kListFont));
  titleList_->SetHeadingFont(GetPictureFont(kListHeadingFont));
  titleList_->SetOption();
  titleList_->SetVisible(false, false);

  goButton1_ = new VPictureButton(kGoButtonId, uint16_t{10010}, uint16_t{10010}, uint16_t{10012}, uint16_t{0},
                                  VPoint(0, 0), 9, 0, 0, this);
  goButton2_ = new VPictureButton(kGoButtonId, uint16_t{10014}, uint16_t{10014}, uint16_t{10016}, uint16_t{0},
                                  VPoint(0, 0), 9, 0, 0, this);
  goButton1_->SetVisible(false, false);
  goButton2_->SetVisible(false, false);

  openingAnimation_ = MakeAnimation(kOpeningAnimationId, 21, 3050, 170, 175, 3, 99, 114, this);
  detailAnimation_ = MakeAnimation(kDetailAnimationId, 26, 3100, 92, 173, 4, 225, 143, this);
  openingAnimation_->SetVisible(false, false);
  detailAnimation_->SetVisible(false, false);

  detailPanel_ = new VPictureControl(kDetailPanelId, uint16_t{3150}, 44, 164, 6, 332, 181, this);
  detailPanel_->SetVisible(false, false);
  // The two texts stand at the top of the detail panel.
  entryTitle_ = new VTextControl(kEntryTitleId, 21, 26, 8, 300, 16, nullptr, GetPictureFont(kTitleFont), 0, 0,
                                 false, 32767, detailPanel_);
  visitCount_ = new VTextControl(kVisitCountId, 21, 42, 8, 300, 16, nullptr, GetPictureFont(kCountFont), 0, 0,
                                 false, 32767, detailPanel_);
  for (VTextControl* text : {entryTitle_, visitCount_}) {
    text->SetTextColor(kDetailTextColor);
    text->SetTransparent(true);
    text->SetVisible(false, false);
  }

  detailList_ = new AppTaskListControl(kDetailListId, nullptr, 0, kHighlightScale, 90, 235, 8, 250, 70, kRowHeight,
                                       this);
  detailList_->SetItemFont(GetPictureFont(kListFont));
  detailList_->SetHeadingFont(GetPictureFont(kListHeadingFont));
  detailList_->SetColor(VRGBColor(59, 46, 39));
  detailList_->SetHighlightColor(10, 102, 153);
  detailList_->SetSelectionEnabled(false);
  detailList_->SetEnabled(false);
  detailList_->SetVisible(false, false);

  scrollUp_ = new VPictureButton(kScrollUpId, uint16_t{3040}, uint16_t{3042}, uint16_t{3042}, uint16_t{0},
                                 VPoint(70, 220), 9, 0, 0, this);
  scrollDown_ = new VPictureButton(kScrollDownId, uint16_t{3043}, uint16_t{3045}, uint16_t{3045}, uint16_t{0},
                                   VPoint(70, 310), 9, 0, 0, this);
  scrollUp_->SetVisible(false, false);
  scrollDown_->SetVisible(false, false);

  SoundManager& sounds = GetSoundManager();
  for (int32_t s : {kSoundGo, kSoundGoEntered, kSoundOpenDetails, kSoundCloseDetails}) sounds.AcquireSound(s);

  // The ring fades in (level 0 to 63) and its places appear (0 to 20), each
  // within a second: one whole range a second.
  fadeTimer_ = new SignalTimer(kFadeTimerId, kTimerTick, this);
  auto* fade = new SignalSpeedRamp(0, 0, 1, 63, 0);
  fade->Subscribe(new SignalLevelSink(carousel_), 0);
  fadeTimer_->Subscribe(fade, 0);
  countTimer_ = new SignalTimer(kCountTimerId, kTimerTick, this);
  auto* count = new SignalSpeedRamp(0, 0, 1, 20, 0);
  count->Subscribe(new SignalCarouselSink(carousel_), 0);
  countTimer_->Subscribe(count, 0);
}

CarouselScreen::~CarouselScreen() {
  SoundManager& sounds = GetSoundManager();
  for (int32_t s : {kSoundGo, kSoundGoEntered, kSoundOpenDetails, kSoundCloseDetails}) sounds.ReleaseSound(s);
}

bool CarouselScreen::IsFrom(uint32_t token, VGraphicObject* control) const {
  auto* vcontrol = dynamic_cast<VControl*>(control);
  const auto* sender = MessagePointerAs<VEventHandler>(token);
  return vcontrol != nullptr && sender != nullptr && vcontrol->GetEventHandler() == sender;
}

void CarouselScreen::Show() {
  SetVisible(true, true);
  for (VGraphicObject* c : std::initializer_list<VGraphicObject*>{openingAnimation_, detailAnimation_, detailPanel_,
                                                                  entryTitle_, visitCount_, detailList_, scrollUp_,
                                                                  scrollDown_}) {
    c->SetVisible(false, false);
  }
  state_ = 0;
  SetState(1);
}

void CarouselScreen::Hide() {
  if (state_ >= 15 || closing_) return;
  entryTitle_->SetVisible(false, true);
  visitCount_->SetVisible(false, true);
  detailList_->SetVisible(false, true);
  scrollUp_->SetVisible(false, true);
  scrollDown_->SetVisible(false, true);
  carousel_->StopAtItem(-1);
  carousel_->SelectItem(-1, false, false);
  PlaceGoButtons(-1, false);
  titleList_->HoverItem(-1, false, true);
  titleList_->SetDimUnselected(false);
  SetState(13);
  SetState(15);
}

void CarouselScreen::RunTimer(SignalTimer* timer, bool forwards) {
  timer->SetDirection(forwards ? 1 : -1);
  timer->Start(kRampMs);
}

void CarouselScreen::SlideTitleList(bool in) {
  delete slideTimer_;
  VPoint origin;
  GetGlobalOrigin(origin, true);
  const double outside = origin.x + GetWidth();
  const double from = in ? outside : kListShownX;
  const double to = in ? kListShownX : outside;
  // Past the place by 4 % of the way at 85 % of the time, then settling.
  const double over = to + static_cast<int32_t>(0.04 * (to - from));
  slideTimer_ = new SignalTimer(kSlideTimerId, kTimerTick, this);
  auto* ramp = new SignalTwoPhaseRamp(0, from, over, to, 0.85 * kSlideMs, kSlideMs, 0);
  auto* sink = new SignalPositionSink(titleList_);
  sink->SetInput(1, kListTop);
  ramp->Subscribe(sink, 0);
  slideTimer_->Subscribe(ramp, 0);
  titleList_->MoveTo(VPoint(static_cast<int32_t>(from), kListTop), false, false, false);
  titleList_->SetVisible(true, true);
  slideTimer_->Start(kSlideMs);
}

bool CarouselScreen::Play(AnimatedPictureControl* animation, bool forwards) {
  if (animation->GetFrameTotal() < 2) return false;
  if (forwards) {
    animation->PlayForward();
  } else {
    animation->PlayBackward();
  }
  return true;
}

void CarouselScreen::SetState(int32_t state) {
  if (state == state_) return;
  const int32_t previous = state_;
  state_ = state;
  switch (state) {
    case 1:
      RunTimer(fadeTimer_, true);
      break;
    case 2:
      RunTimer(countTimer_, true);
      break;
    case 3:
      SlideTitleList(true);
      break;
    case 4:
      openingAnimation_->SetVisible(true, true);
      if (!Play(openingAnimation_, true)) Arrived(4);
      break;
    case 5:
      detailAnimation_->SetVisible(false, true);
      carousel_->SetRingActive(true);
      ShowDetails(false);
      break;
    case 6:
      // A place beyond the ring has no picture to wait for: the ring may
      // still turn to a place pointed at before, but it will not report
      // this one.
      if (!carousel_->IsStoppingAtSlot() || current_ < 0 || current_ >= PictureCarousel::kRingSize) SetState(7);
      break;
    case 7:
      GetSoundManager().TriggerSound(kSoundOpenDetails);
      detailAnimation_->SetVisible(true, true);
      if (!Play(detailAnimation_, true)) Arrived(7);
      break;
    case 8:
      detailPanel_->SetVisible(true, true);
      SetState(9);
      break;
    case 9:
      if (previous != 11 && previous != 12) {
        BuildVisitedList();
        ShowDetails(true);
      }
      break;
    case 10:
      BuildVisitedList();
      break;
    case 11:
    case 12:
      break;
    case 13:
      GetSoundManager().TriggerSound(kSoundCloseDetails);
      ShowDetails(false);
      SetState(14);
      break;
    case 14:
      detailPanel_->SetVisible(false, true);
      detailAnimation_->SetVisible(true, true);
      if (!Play(detailAnimation_, false)) Arrived(14);
      break;
    case 15:
      detailAnimation_->SetVisible(false, true);
      openingAnimation_->SetVisible(true, true);
      if (!Play(openingAnimation_, false)) Arrived(15);
      break;
    case 16:
      openingAnimation_->SetVisible(false, true);
      SlideTitleList(false);
      break;
    case 17:
      RunTimer(countTimer_, false);
      break;
    case 18:
      RunTimer(fadeTimer_, false);
      break;
    case 19:
      carousel_->SetVisible(false, true);
      closing_ = true;
      RequestIdlePassBy(GetTaskTickCount());
      break;
    default:
      break;
  }
}

// The end of an animation (or of one that had nothing to play) in `state`.
void CarouselScreen::Arrived(int32_t state) {
  if (state != state_) return;
  switch (state) {
    case 4:
      SetState(5);
      SendUpward(kOwnerShown, static_cast<uint32_t>(GetId()), 0);
      break;
    case 6:
      HandleEvent(kOwnerChoose, static_cast<uint32_t>(current_), 0);
      break;
    case 7:
      SetState(8);
      break;
    case 10:
      SetState(9);
      break;
    case 14:
      SetState(5);
      break;
    case 15:
      SetState(16);
      break;
    default:
      break;
  }
}

void CarouselScreen::SetCurrentItem(int32_t entry) {
  if (entry == current_) return;
  current_ = entry;
  MainScreenServices* services = GetMainScreenServices();
  if (services == nullptr) return;
  const IndexEntry* e = entries_->FindByPosition(entry);
  if (e == nullptr) {
    services->SetCaption(VString(""), false, false);
    return;
  }
  const ItemRef bubble(FindCategoryCode("BU"), e->GetBubbleNumber());
  services->SetCaption(TitleOf(e), bubble.IsItemRefValid() && bubble.IsItemVisited(), false);
}

void CarouselScreen::BuildVisitedList() {
  detailRows_.clear();
  bubble_.reset();
  visitedCount_ = 0;
  hotspotCount_ = 0;
  bubbleVisited_ = false;
  firstDetailRow_ = 0;
  const IndexEntry* e = entries_->FindByPosition(current_);
  const ItemRef bubble(FindCategoryCode("BU"), e != nullptr ? e->GetBubbleNumber() : -1);
  if (bubble.IsItemRefValid()) {
    bubble_ = std::make_unique<BubbleRecord>(bubble);
    bubbleVisited_ = bubble.IsItemVisited();
    hotspotCount_ = bubble_->GetHotspotCount();
    for (int32_t i = 0; i < hotspotCount_; ++i) {
      const HotspotRecord* hotspot = bubble_->GetHotspot(i);
      const ItemRef& info = hotspot->GetInfoItem();
      if (info.IsItemRefValid() && info.IsItemVisited()) detailRows_.push_back(hotspot->GetText());
    }
  }
  visitedCount_ = static_cast<int32_t>(detailRows_.size());
  detailList_->SetItems(detailRows_.data(), visitedCount_, std::min(kDetailRows, visitedCount_), 0);
}

void CarouselScreen::ShowDetails(bool show) {
  const IndexEntry* e = entries_->FindByPosition(current_);
  entryTitle_->SetTextChars(e != nullptr && e->GetTitle() != nullptr ? e->GetTitle()->GetChars() : "", false);
  VString of;
  VString hotspots;
  LoadTextMedia(of, kOfText, false);
  LoadTextMedia(hotspots, kHotspotsText, false);
  const std::string count =
      std::to_string(visitedCount_) + ToString(of) + std::to_string(hotspotCount_) + " " + ToString(hotspots);
  visitCount_->SetTextChars(count.c_str(), false);
  for (VGraphicObject* c : std::initializer_list<VGraphicObject*>{entryTitle_, visitCount_, detailPanel_, scrollUp_,
                                                                  scrollDown_, detailList_}) {
    c->SetVisible(show, true);
  }
}

void CarouselScreen::PlaceGoButtons(int32_t entry, bool show) {
  if (!show) {
    for (VPictureButton* b : {goButton1_, goButton2_}) {
      if (b->IsVisible()) b->SetVisible(false, true);
    }
    return;
  }
  if (entry < 0 || entry >= static_cast<int32_t>(titles_.size())) return;
  VRect bar;
  titleList_->GetItemHighlightRect(entry, bar);
  const VRect& list = titleList_->GetBounds();
  bar.Offset(list.left, list.top);
  VPictureButton* other = entry <= 3 ? goButton1_ : goButton2_;
  if (other->IsVisible()) other->SetVisible(false, true);
  // The button stands level with the chosen row's bar, at its right end: the
  // first rows' button a pixel further right, as its picture is drawn. (Put
  // below or above the bar it stood beside the neighbouring row, which read
  // as that row's.) A long title, drawn centred in the bar, keeps its end:
  // the button moves right of it as far as the screen's edge allows.
  VPictureButton* go = entry <= 3 ? goButton2_ : goButton1_;
  int32_t x = bar.left + (entry <= 3 ? 152 : 151);
  const VString& title = titles_[static_cast<size_t>(entry)];
  if (VFont* font = GetPictureFont(kListFont); font != nullptr && title.GetChars() != nullptr) {
    const int32_t width = std::max(font->GetTextWidth(title.GetChars(), title.GetLength()), 0);
    const int32_t titleRight = list.left + (list.GetWidth() - width) / 2 + width;
    x = std::max(x, titleRight + kGoButtonGap);
  }
  x = std::min(x, GetWidth() - go->GetWidth());
  const int32_t y = bar.top + (bar.GetHeight() - go->GetHeight()) / 2;
  go->MoveTo(VPoint(x, y), false, false, false);
  go->SetVisible(true, true);
}

void CarouselScreen::ScrollDetails() {
  const auto count = static_cast<int32_t>(detailRows_.size());
  if (state_ == 11 && firstDetailRow_ > 0) --firstDetailRow_;
  if (state_ == 12 && firstDetailRow_ + kDetailRows < count) ++firstDetailRow_;
  detailList_->SetItems(detailRows_.data(), count, std::min(kDetailRows, count), firstDetailRow_);
  detailList_->Invalidate();
  scrollDeadline_ = GetTaskTickCount() + kScrollRepeatMs;
  RequestIdlePassBy(scrollDeadline_);
}

void CarouselScreen::Choose(int32_t row) {
  if (row < 0 || row >= entries_->GetCount()) return;
  SetCurrentItem(row);
  const bool onRing = row >= 0 && row < PictureCarousel::kRingSize;
  if (!titleList_->IsDimmingUnselected()) {
    PlaceGoButtons(row, false);
    titleList_->HoverItem(row, false, false);
    if (onRing) {
      carousel_->StopAtItem(row);
      carousel_->SelectItem(row, false, true);
    }
    carousel_->SetFrozen(false);
    SetState(13);
  } else {
    // The ring turns to the row from its hovering (120); the details open
    // once it stands still.
    PlaceGoButtons(row, true);
    carousel_->SetFrozen(true);
    SetState(state_ == 6 ? 7 : 6);
  }
}

bool CarouselScreen::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  const auto value = static_cast<int32_t>(value1);
  switch (code) {
    case kMessageTick:
      if (closing_) {
        closing_ = false;
        SetVisible(false, true);
        SendUpward(kOwnerHidden, static_cast<uint32_t>(GetId()), 0);  // may delete this screen
        return true;
      }
      if ((state_ == 11 || state_ == 12) && scrollDeadline_ != 0 &&
          static_cast<int32_t>(GetTaskTickCount() - scrollDeadline_) >= 0) {
        ScrollDetails();
      }
      return false;
    case kEventButtonClicked:
      if (value == kGoButtonId) {
        GetSoundManager().TriggerSound(kSoundGo);
        const IndexEntry* e = entries_->FindByPosition(current_);
        // No place is current: there is nowhere to go.
        if (e != nullptr && e->GetBubbleNumber() > 0 && e->GetBubbleNumber() <= ItemRef::kMaxNumber) {
          SendUpward(kOwnerBubble, static_cast<uint32_t>(e->GetBubbleNumber()), 0);
        }
        return true;
      }
      break;
    case kEventButtonEntered:
      if (value == kScrollUpId || value == kScrollDownId) {
        SetState(value == kScrollUpId ? 11 : 12);
        ScrollDetails();
        return true;
      }
      if (value == kGoButtonId) {
        GetSoundManager().TriggerSound(kSoundGoEntered);
        return true;
      }
      break;
    case kEventButtonLeft:
      if (value == kScrollUpId || value == kScrollDownId) {
        SetState(9);
        scrollDeadline_ = 0;
        return true;
      }
      break;
    case SignalTimer::kMessageTimerEnded:
      if (value != kFadeTimerId && value != kCountTimerId && value != kSlideTimerId) break;
      // Each step waits for its own timer: one left running by a step that
      // Hide cut short does not move the steps on.
      for (const TimedStep& step : kTimedSteps) {
        if (step.state == state_ && step.timer == value) {
          SetState(step.next);
          break;
        }
      }
      return true;
    case AppTaskListControl::kMessageHovered:
      if (!IsFrom(value2, titleList_)) return IsFrom(value2, detailList_);
      if (state_ == 5 || state_ == 13 || state_ == 14) {
        SetCurrentItem(value);
        if (value >= 0 && value < PictureCarousel::kRingSize) {
          carousel_->StopAtItem(value);
          carousel_->SelectItem(value, true, false);
        } else {
          carousel_->SelectItem(-1, true, false);
        }
        if (state_ == 13 || state_ == 14) carousel_->SetRingActive(false);
      }
      return true;
    case PictureCarousel::kMessageStopped:
      if (state_ == 6) SetState(7);
      return true;
    case PictureCarousel::kMessageFrontPointed:
    case PictureCarousel::kMessageLeft:
      SetCurrentItem(value);
      titleList_->HoverItem(value < static_cast<int32_t>(titles_.size()) ? value : -1, false, false);
      return true;
    case PictureCarousel::kMessageClicked:
      SetCurrentItem(value);
      if (carousel_->IsFrozen()) {
        titleList_->HoverItem(value, false, true);
        titleList_->SetDimUnselected(true);
        titleList_->Invalidate();
        PlaceGoButtons(value, true);
        SetState(7);
      } else {
        titleList_->SetDimUnselected(false);
        titleList_->SetHovering(false);
        titleList_->Invalidate();
        PlaceGoButtons(value, false);
        SetState(13);
      }
      return true;
    case kOwnerChoose:
      if (IsFrom(value2, detailList_)) return true;
      if ((state_ >= 5 && state_ <= 9) || state_ == 13 || state_ == 14) Choose(value);
      return true;
    case AnimatedPictureControl::kMessageArrived:
      if (IsFrom(value2, openingAnimation_)) {
        if (state_ == 4 || state_ == 15) Arrived(state_);
        return true;
      }
      if (IsFrom(value2, detailAnimation_)) {
        if (state_ == 6 || state_ == 7 || state_ == 10 || state_ == 14) Arrived(state_);
        return true;
      }
      break;
    default:
      break;
  }
  return PictureFrameControl::HandleEvent(code, value1, value2);
}

void RegisterCarouselScreen() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    return new CarouselScreen(request.id, request.left, request.top, request.layer, request.width, request.height,
                              request.owner);
  };
  ScreenRegistry::Register(CarouselScreen::kScreenKind, std::move(maker));
}
