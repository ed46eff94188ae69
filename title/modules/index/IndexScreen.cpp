#include "title/modules/index/IndexScreen.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/PointerState.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/AnimatedMaskControl.h"
#include "title/controls/AnimatedPictureControl.h"
#include "title/controls/AppMovieControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/PlacementRecords.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"
#include "title/shell/IndexEntry.h"
#include "title/shell/IndexEntryList.h"
#include "title/modules/index/ViewerControlPanel.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequencePlayer.h"
#include "title/shell/SlideShowPanel.h"
#include "title/shell/TitleRunLog.h"
#include "title/shell/VideoItemPanel.h"

namespace {

// The list of places: at the screen's right edge before entering.
constexpr int32_t kListTop = 30;
constexpr int32_t kListPlacedLeft = 425;
constexpr int32_t kListWidth = 210;
constexpr int32_t kListHeight = 380;
constexpr int32_t kRowHeight = 17;
// The list's companion draws the rows inside the highlight bar at the rows'
// own places, so that the chosen title stays readable on the bar.
constexpr double kCompanionOffsetFactor = 0.0;
constexpr int32_t kListFonts[3] = {5, 5, 6};

constexpr uint16_t kBackdropPicture = 10001;
constexpr uint16_t kFramePictures[4] = {10702, 10706, 10708, 10704};
// The backdrop is opaque once it has faded in: it stands on a layer of its
// own behind all the others, so that the bars that frame the model (built
// after it, and among equal layers a later control goes further back) show
// in front of it, behind the intro, the model and the list as before.
constexpr int32_t kBackdropLayer = 0;
constexpr int32_t kFrameLayer = 1;

struct GoPictures {
  uint16_t normal, pressed, over;
};
constexpr GoPictures kGoAbove{10010, 10010, 10012};
constexpr GoPictures kGoBelow{10014, 10014, 10016};
constexpr int32_t kButtonLayer = 4;
constexpr int32_t kVideoLayer = 6;
constexpr int32_t kSlideShowLayer = 5;
// The bar of the strip and the go-there button stands this far under the
// list's last row; the list keeps room for it (and the tallest strip) in its
// area.
constexpr int32_t kBarGap = 6;
constexpr int32_t kBarRoom = kBarGap + 28;

// Placement list indexes.
enum : int32_t { kBeforeEntering, kEntered, kBackdropHidden, kBackdropShown, kBeforeLeaving, kLeft };

constexpr int32_t kLevelHidden = 0;
constexpr int32_t kLevelShown = 63;
// How far a move overshoots its target before it settles, and when.
constexpr double kOvershoot = 0.08;
constexpr double kOvershootTime = 0.85;
// The model's frame moves this many frames between two of its sounds.
constexpr int32_t kFramesPerSound = 2;

struct FramePlace {
  int32_t x0, y0;  // before entering
  int32_t x1, y1;  // entered (and before leaving)
  int32_t x2, y2;  // left
};
constexpr FramePlace kFramePlaces[4] = {
    {-376, 69, 0, 69, 640, 69},
    {640, 312, 0, 312, -381, 312},
    {50, 480, 50, 0, 50, -388},
    {375, -245, 375, 69, 375, 480},
};

void AddPosition(PlacementList& list, VGraphicObject* control, int32_t x, int32_t y) {
  list.AddOrMerge(new PlacementRecord(control, PlacementRecord::kFirstPair, x, y, 0, 0));
}

void AddLevel(PlacementList& list, VGraphicObject* control, int32_t level) {
  list.AddOrMerge(new PlacementRecord(control, PlacementRecord::kSecondPair, 0, 0, level, level));
}

int32_t Truncated(double value) { return static_cast<int32_t>(value); }

bool IsPlace(int32_t maskValue) { return maskValue > 0 && maskValue < IndexScreen::kSpinArea; }

}  // namespace

IndexScreen::IndexScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                         VGraphicObject* owner)
    : PictureFrameControl(id, 0, left, top, layer, width, height, owner) {
  VGraphicObject* previous = SetCurrentParent(this);
  for (auto& list : lists_) list = std::make_unique<PlacementList>();
  openingSequence_ = std::make_unique<PlacementTransitionList>(kOpeningSequence);
  closingSequence_ = std::make_unique<PlacementTransitionList>(kClosingSequence);
  openingSequence_->Add(
      new PlacementTransition(lists_[kBeforeEntering].get(), lists_[kEntered].get(), kTransitionMs));
  openingSequence_->Add(
      new PlacementTransition(lists_[kBackdropHidden].get(), lists_[kBackdropShown].get(), kTransitionMs));
  closingSequence_->Add(
      new PlacementTransition(lists_[kBackdropShown].get(), lists_[kBackdropHidden].get(), kTransitionMs));
  closingSequence_->Add(new PlacementTransition(lists_[kBeforeLeaving].get(), lists_[kLeft].get(), kTransitionMs));

  intro_ = new AnimatedPictureControl(kIntroId, kIntroFrames, kIntroFrameBase, kModelLeft, kModelTop, 1, kModelWidth,
                                      kModelHeight, CurrentParentMarker());
  intro_->SetVisible(false, false);

  auto* shown = new VPicture(kModelFrameBase);
  model_ = new AnimatedMaskControl(
      kModelId, shown, kModelFrames,
      std::make_unique<AnimatedMaskMedia>(kModelFrameBase, kModelRegionBase, kModelHighlightBase), kModelLeft,
      kModelTop, 2, kModelWidth, kModelHeight, CurrentParentMarker());
  shown->Release();
  model_->SetSelectedMask(kSelectedMaskValue);
  model_->SetFrame(0);
  // The regions and highlights of frame 0, not of the frame the model was
  // built on.
  model_->ShowCurrentFrame();
  model_->SetVisible(false, false);

  entries_ = std::make_unique<IndexEntryList>(IndexEntryList::kIndexMediaId);

  list_ = new AppTaskListControl(kListId, nullptr, 0, kCompanionOffsetFactor, width, kListTop, 1, kListWidth, kListHeight,
                                 kRowHeight, CurrentParentMarker());
  list_->SetItemFont(GetPictureFont(kListFonts[0]));
  list_->SetHeadingFont(GetPictureFont(kListFonts[2]));
  list_->SetOption();
  AddPosition(*lists_[kBeforeEntering], list_, width, kListTop);
  AddPosition(*lists_[kEntered], list_, kListPlacedLeft, kListTop);
  AddPosition(*lists_[kBeforeLeaving], list_, kListPlacedLeft, kListTop);
  AddPosition(*lists_[kLeft], list_, width, kListTop);

  const int32_t count = entries_->GetCount();
  titles_.resize(static_cast<size_t>(count));
  // One walk over the entries in file order: each row takes the title of the
  // first entry at its position (as GetTitleAt answers), without a lookup
  // per row over a long index.
  std::vector<bool> filled(static_cast<size_t>(count), false);
  for (VListElement* element = entries_->GetFirst(); element != nullptr; element = element->GetNext()) {
    const auto& entry = *static_cast<IndexEntry*>(element);
    const int32_t position = entry.GetPosition();
    if (position < 0 || position >= count || filled[static_cast<size_t>(position)]) continue;
    filled[static_cast<size_t>(position)] = true;
    if (const VString* title = entry.GetTitle()) titles_[static_cast<size_t>(position)] = *title;
  }
  // Only the rows that fit into the list's area, above the room of the
  // viewer bar, are shown.
  const int32_t visible = std::min(count, (kListHeight - kBarRoom) / kRowHeight);
  list_->SetItems(titles_.data(), count, visible, 0);
  list_->FitHeightToRows();
  list_->SetEnabled(false);

  auto* backdrop = new VPictureControl(kBackdropId, kBackdropPicture, 0, 0, kBackdropLayer, 0, 0,
                                       CurrentParentMarker());
  PixelMapAttributes attributes;
  if (backdrop->GetPixelAttributes(attributes) && attributes.GetLevel() != kLevelHidden) {
    attributes.SetLevel(kLevelHidden);
    backdrop->SetPixelAttributes(attributes, false);
  }
  AddLevel(*lists_[kBackdropHidden], backdrop, kLevelHidden);
  AddLevel(*lists_[kBackdropShown], backdrop, kLevelShown);

  for (int32_t i = 0; i < 4; ++i) {
    const FramePlace& p = kFramePlaces[i];
    auto* frame = new VPictureControl(kFrameIds[i], kFramePictures[i], p.x0, p.y0, kFrameLayer, 0, 0,
                                      CurrentParentMarker());
    AddPosition(*lists_[kBeforeEntering], frame, p.x0, p.y0);
    AddPosition(*lists_[kEntered], frame, p.x1, p.y1);
    AddPosition(*lists_[kBeforeLeaving], frame, p.x1, p.y1);
    AddPosition(*lists_[kLeft], frame, p.x2, p.y2);
  }

  goButtonAbove_ = new VPictureButton(kGoButtonId, kGoAbove.normal, kGoAbove.pressed, kGoAbove.over, 0, VPoint(0, 0),
                                      kButtonLayer, 0, 0, CurrentParentMarker());
  goButtonAbove_->SetVisible(false, false);
  goButtonBelow_ = new VPictureButton(kGoButtonId, kGoBelow.normal, kGoBelow.pressed, kGoBelow.over, 0, VPoint(0, 0),
                                      kButtonLayer, 0, 0, CurrentParentMarker());
  goButtonBelow_->SetVisible(false, false);
  stripAbove_ = new ViewerControlPanel(kStripId, ViewerControlPanel::kVariantAbove, 0, 0, kButtonLayer, 0, 0,
                                       CurrentParentMarker());
  stripAbove_->SetVisible(false, false);
  stripBelow_ = new ViewerControlPanel(kStripId, ViewerControlPanel::kVariantBelow, 0, 0, kButtonLayer, 0, 0,
                                       CurrentParentMarker());
  stripBelow_->SetVisible(false, false);
  SetCurrentParent(previous);

  SoundManager& sounds = GetSoundManager();
  for (int32_t sound : {kSoundFrames, kSoundRegionEntered, kSoundRegionClicked, kSoundGo, kSoundOverGo}) {
    sounds.AcquireSound(sound);
  }
}

IndexScreen::~IndexScreen() {
  RemoveViewers();
  SoundManager& sounds = GetSoundManager();
  for (int32_t sound : {kSoundFrames, kSoundRegionEntered, kSoundRegionClicked, kSoundGo, kSoundOverGo}) {
    sounds.ReleaseSound(sound);
  }
}

SlideShowPanel* IndexScreen::GetSlideShowPanel() const {
  return dynamic_cast<SlideShowPanel*>(const_cast<IndexScreen*>(this)->FindObject(kSlideShowPanelId));
}

VideoItemPanel* IndexScreen::GetVideoPanel() const {
  return dynamic_cast<VideoItemPanel*>(const_cast<IndexScreen*>(this)->FindObject(kVideoPanelId));
}

bool IndexScreen::HasViewer() const { return GetSlideShowPanel() != nullptr || GetVideoPanel() != nullptr; }

void IndexScreen::RemoveViewers() {
  if (FindObject(kSlideShowPanelId) != nullptr) RemoveChild(kSlideShowPanelId, true);
  if (FindObject(kVideoPanelId) != nullptr) RemoveChild(kVideoPanelId, true);
}

// ---- Entering and leaving ---------------------------------------------------------

void IndexScreen::Show() {
  SetVisible(true, true);
  list_->SetEnabled(false);
  AnimateToPlacementList(*openingSequence_);
}

void IndexScreen::Hide() {
  closing_ = true;
  SetMainCaption(VString(""), false);
  list_->HoverItem(-1, false, true);
  list_->Invalidate();
  ShowEntry(0, false);
  if (!model_->IsShown()) model_->SetVisible(true, true);
  list_->SetEnabled(false);
  // A turn that has the model at frame 0 for the moment would carry it on.
  if (model_->IsAnimating() && model_->GetCurrentFrame() == 0) model_->StopAnimation();
  if (model_->GetCurrentFrame() != 0) {
    // The model's arrival (156) goes on with the leaving.
    model_->AnimateTo(0, -1);
    if (model_->IsAnimating()) return;
  }
  StartLeavingAnimation();
}

void IndexScreen::Suspend() {
  PauseViewer();
  if (currentStrip_ != nullptr) currentStrip_->ShowFirstButton();
}

void IndexScreen::StartLeavingAnimation() {
  model_->SetVisible(false, false);
  intro_->SetVisible(true, false);
  currentTransition_ = nullptr;
  nextTransition_ = static_cast<PlacementTransition*>(closingSequence_->GetFirst());
  intro_->AnimateToFrame(0);
  // An intro already at its first frame (the screen hidden while it was
  // still opening) reports no arrival: the leaving goes on at once.
  if (!intro_->IsTurning()) IntroArrived();
}

void IndexScreen::IntroArrived() {
  if (nextTransition_ == nullptr) {
    if (!closing_) EnteringDone();
    return;
  }
  if (currentTransition_ == nullptr) intro_->SetVisible(false, false);
  AnimateToPlacements(nextTransition_, currentTransition_ != nullptr ? kOpeningSequence : kClosingSequence);
}

void IndexScreen::EnteringDone() {
  intro_->SetVisible(false, false);
  model_->SetVisible(true, true);
  list_->SetEnabled(true);
  const ControlLife::Watch watch = life_.MakeWatch();
  SendControlEvent(*this, kOwnerShown);
  if (!watch.Alive()) return;
  // The row under the pointer reacts at once.
  VPoint pointer;
  if (GetPointerInWindow(*list_, pointer)) list_->MouseMove(VMouseEvent(pointer, 0, 0, 0));
}

void IndexScreen::AnimateToPlacementList(PlacementTransitionList& sequence) {
  AnimateToPlacements(static_cast<PlacementTransition*>(sequence.GetFirst()), sequence.GetId());
}

void IndexScreen::AnimateToPlacements(PlacementTransition* transition, int32_t sequenceId) {
  if (sequenceId == kClosingSequence && transition == nullptr) {
    StartLeavingAnimation();
    return;
  }
  if (transition == nullptr) return;
  if (timer_ != nullptr) {
    DeleteControlLater(timer_);
    timer_ = nullptr;
  }
  timer_ = new SignalTimer(sequenceId, kTimerTickMs, this);
  const double duration = transition->duration;
  PlacementList* from = transition->from;
  PlacementList* to = transition->to != nullptr ? transition->to : transition->from;
  VListElement* source = from != nullptr ? from->GetFirst() : nullptr;
  for (VListElement* target = to != nullptr ? to->GetFirst() : nullptr; target != nullptr && source != nullptr;
       target = target->GetNext(), source = source->GetNext()) {
    const auto& a = *static_cast<PlacementRecord*>(source);
    const auto& b = *static_cast<PlacementRecord*>(target);
    VGraphicObject* control = FindObject(b.controlId);
    if (control == nullptr) continue;
    if (b.flags & PlacementRecord::kFirstPair) {
      SignalTwoPhaseRamp* axes[2] = {nullptr, nullptr};
      for (int32_t axis = 0; axis < 2; ++axis) {
        const int32_t start = Truncated(a.first[axis]);
        const int32_t end = Truncated(b.first[axis]);
        const int32_t distance = end - start;
        if (distance == 0) continue;
        const int32_t overshoot = Truncated(distance * kOvershoot);
        axes[axis] = new SignalTwoPhaseRamp(0, start, end + overshoot, end, kOvershootTime * duration, duration, 0);
        timer_->Subscribe(axes[axis], 0);
      }
      if (axes[0] != nullptr || axes[1] != nullptr) {
        auto* sink = new SignalPositionSink(control);
        for (int32_t axis = 0; axis < 2; ++axis) {
          if (axes[axis] != nullptr) axes[axis]->Subscribe(sink, axis);
        }
      }
    }
    auto* picture = dynamic_cast<VPictureControl*>(control);
    if ((b.flags & PlacementRecord::kSecondPair) && picture != nullptr) {
      auto* ramp = new SignalLinearRamp(0, a.secondWhole, b.secondWhole, duration, 0);
      timer_->Subscribe(ramp, 0);
      ramp->Subscribe(new SignalLevelSink(picture), 0);
    }
    if ((b.flags & PlacementRecord::kSingleValue) && picture != nullptr) {
      auto* ramp = new SignalLinearRamp(0, a.single, b.single, duration, 0);
      timer_->Subscribe(ramp, 0);
      ramp->Subscribe(new SignalFrameSink(picture), 0);
    }
  }
  currentTransition_ = transition;
  nextTransition_ = static_cast<PlacementTransition*>(transition->GetNext());
  timer_->Start(static_cast<uint32_t>(transition->duration));
}

// ---- Places ------------------------------------------------------------------------

void IndexScreen::ShowEntry(int32_t position, bool open) {
  if (!open) {
    RemoveViewers();
    for (VGraphicObject* control : {static_cast<VGraphicObject*>(goButtonBelow_),
                                    static_cast<VGraphicObject*>(goButtonAbove_),
                                    static_cast<VGraphicObject*>(stripAbove_),
                                    static_cast<VGraphicObject*>(stripBelow_)}) {
      if (control->IsShown()) control->SetVisible(false, true);
    }
    currentStrip_ = nullptr;
    model_->Redraw(nullptr, nullptr);
    return;
  }
  // No row (-1), or a row that holds no place, opens nothing: an entry
  // written with position 0 would otherwise answer for "no row".
  if (position < 0) return;
  const IndexEntry* entry = entries_->FindByPosition(position);
  if (entry == nullptr) return;
  const ItemRef item = entry->GetItem();
  // A place whose item has nothing to play gets no viewer and no strip: the
  // model stays in its area, and the go-there button still leads there.
  const bool playing = OpenViewer(item);
  PlaceButtons(playing);
  if (!playing) return;
  PlayViewer();
  // Runs driven from outside learn which place's item plays.
  title_run_log::WriteItem("item-shown", item);
}

bool IndexScreen::OpenViewer(const ItemRef& item) {
  showingSlideShow_ = item.GetCategory() == kSlideShowCategory;
  if (showingSlideShow_) {
    const uint16_t base = GetItemBaseMediaId(kSlideShowTable, item.GetNumber());
    if (base == 0) return false;
    if (FindObject(kSlideShowPanelId) != nullptr) RemoveChild(kSlideShowPanelId, true);
    auto* panel = new SlideShowPanel(kSlideShowPanelId, kModelLeft, kModelTop, kSlideShowLayer, kModelWidth,
                                     kModelHeight, this);
    panel->LoadSequence(base);
    const Sequence* sequence = panel->GetSequence();
    if (sequence != nullptr && sequence->GetChannelCount() > 0 && sequence->GetDuration() > 0) return true;
    // A sequence missing from the disc, or one that shows nothing.
    RemoveChild(kSlideShowPanelId, true);
    return false;
  }
  // Only a video item has a movie; other items (and VI000) show nothing.
  if (item.GetCategory() != kVideoCategory) return false;
  const uint16_t base = GetItemBaseMediaId(kVideoTable, item.GetNumber());
  if (base == 0) return false;
  if (FindObject(kVideoPanelId) != nullptr) RemoveChild(kVideoPanelId, true);
  auto* panel =
      new VideoItemPanel(kVideoPanelId, kModelLeft, kModelTop, kVideoLayer, kModelWidth, kModelHeight, this);
  panel->OpenMovie(static_cast<uint16_t>(base + 1), 0, 0, kModelWidth, kModelHeight);
  const auto* movie = dynamic_cast<AppMovieControl*>(panel->FindObject(VideoItemPanel::kMovieId));
  if (movie != nullptr && movie->GetScheduler() != nullptr) return true;
  // A movie missing from the disc (or not one).
  RemoveChild(kVideoPanelId, true);
  return false;
}

void IndexScreen::PlaceButtons(bool withStrip) {
  // The strip and the go-there button stand in a bar under the list's last
  // row, inside the list's frame: beside the chosen row they would cover its
  // neighbours. The strip takes the bar's left end, the go-there button its
  // right end, both within the rows' width. The plain strip is the one made
  // for above a row (the other's tab reaches up to a row).
  VRect listBounds;
  list_->GetGlobalBounds(listBounds);
  VRect row;
  list_->GetRowRect(0, row);
  const int32_t left = listBounds.left + row.left;
  const int32_t right = listBounds.left + row.right;
  const int32_t top = listBounds.bottom + kBarGap;
  ViewerControlPanel* strip = stripAbove_;
  VPictureButton* go = goButtonAbove_;
  const int32_t barHeight = withStrip ? std::max(strip->GetHeight(), go->GetHeight()) : go->GetHeight();
  go->MoveTo(VPoint(right - go->GetWidth(), top + (barHeight - go->GetHeight()) / 2), true, false, false);
  go->SetVisible(true, true);
  if (!withStrip) return;
  strip->MoveTo(VPoint(left, top + (barHeight - strip->GetHeight()) / 2), true, false, false);
  strip->ShowSecondButton();
  strip->SetVisible(true, true);
  currentStrip_ = strip;
}

// Play goes on from where a pause left the place (from the start after a
// rewind), the slide show's sounds with it.
void IndexScreen::PlayViewer() {
  if (showingSlideShow_) {
    if (SlideShowPanel* panel = GetSlideShowPanel()) panel->Resume();
  } else if (VideoItemPanel* panel = GetVideoPanel()) {
    panel->ResumeMovie();
  }
}

// A pause keeps the picture where it is. The movie reports a pause the same
// way as its end (47); the user's pause swallows that report, so that the
// screen does not rewind the movie as it does at its end.
void IndexScreen::PauseViewer() {
  if (showingSlideShow_) {
    if (SlideShowPanel* panel = GetSlideShowPanel()) panel->Pause();
  } else if (VideoItemPanel* panel = GetVideoPanel()) {
    panel->UserPauseMovie();
  }
}

void IndexScreen::ResumeViewer() {
  if (showingSlideShow_) {
    if (SlideShowPanel* panel = GetSlideShowPanel()) panel->Resume();
  } else if (VideoItemPanel* panel = GetVideoPanel()) {
    panel->ResumeMovie();
  }
}

void IndexScreen::RewindViewer(bool redraw) {
  if (showingSlideShow_) {
    if (SlideShowPanel* panel = GetSlideShowPanel()) panel->Rewind(redraw);
  } else if (VideoItemPanel* panel = GetVideoPanel()) {
    panel->RewindMovie();
  }
}

void IndexScreen::SetMainCaption(const VString& text, bool showBox) {
  MainScreenServices* services = GetMainScreenServices();
  if (services != nullptr) services->SetCaption(text, showBox, false);
}

void IndexScreen::CaptionForPosition(int32_t position) {
  const VString* title = entries_->GetTitleAt(position);
  const int32_t bubble = entries_->GetBubbleNumberAt(position);
  const bool visited = bubble >= 0 && bubble <= ItemRef::kMaxNumber && ItemRef(kBubbleCategory, bubble).IsItemVisited();
  SetMainCaption(title != nullptr ? *title : VString(""), visited);
}

// ---- Events ------------------------------------------------------------------------

void IndexScreen::HandleRegionEntered() {
  model_->Redraw(nullptr, nullptr);
  const int32_t region = model_->GetCurrentRegion();
  if (region == 0 && currentRegion_ != -1) {
    list_->ClearHover();
  } else if (region == kSpinArea) {
    GetSoundManager().TriggerSound(kSoundRegionEntered);
    SendUpward(kOwnerHoverCaption, kSpinCaptionId, 0);
  } else if (IsPlace(region)) {
    GetSoundManager().TriggerSound(kSoundRegionEntered);
    const int32_t position = entries_->GetPositionForMask(region);
    if (position != -1) {
      CaptionForPosition(position);
      list_->HoverItem(position, false, false);
    }
  }
  currentRegion_ = region;
}

void IndexScreen::HandleRegionLeft() {
  if (IsPlace(currentRegion_)) {
    list_->ClearHover();
  } else if (currentRegion_ == kSpinArea) {
    SetMainCaption(VString(""), false);
  }
  currentRegion_ = -1;
}

void IndexScreen::HandleGoButton() {
  const int32_t region = model_->GetCurrentRegion();
  int32_t bubble = 0;
  if (IsPlace(region)) bubble = entries_->GetBubbleNumberForMask(region);
  GetSoundManager().TriggerSound(kSoundGo);
  SendControlEvent(*this, kOwnerGoToBubble, static_cast<uint32_t>(bubble));
}

void IndexScreen::HandleListArrived(int32_t value) {
  if (value >= 0 && entries_->GetFrameAt(value) != -1) {
    currentRegion_ = value;
    CaptionForPosition(value);
    model_->AnimateTo(entries_->GetFrameAt(value), entries_->GetMaskValueAt(value));
    return;
  }
  if (value >= 0) currentRegion_ = value;
  SetMainCaption(VString(""), false);
  model_->StopAnimation();
  model_->SelectValue(-1);
  model_->SetMaskEnabled(true);
  model_->Invalidate();
}

void IndexScreen::HandleRegionClicked(int32_t value) {
  GetSoundManager().TriggerSound(kSoundRegionClicked);
  currentRegion_ = value - 1;
  const int32_t position = entries_->GetPositionForMask(value);
  // A region that is no place (the selected value 9 among them) opens nothing.
  if (position < 0) return;
  list_->HoverItem(position, false, true);
  list_->SetDimUnselected(true);
  list_->Redraw(nullptr, nullptr);
  ShowEntry(position, true);
}

void IndexScreen::HandleDimToggled(int32_t value) {
  const bool dimmed = list_->IsDimmingUnselected();
  model_->SetInputLocked(dimmed);
  if (!model_->IsAnimating()) {
    ShowEntry(value, dimmed);
    // The viewer takes the model's area; without one the model shows the place.
    model_->SetVisible(!dimmed || !HasViewer(), true);
  } else {
    showPending_ = true;
  }
}

void IndexScreen::HandleArrival(uint32_t value2) {
  VEventHandler* sender = MessagePointerAs<VEventHandler>(value2);
  if (sender == static_cast<VEventHandler*>(intro_)) {
    IntroArrived();
    return;
  }
  if (sender != static_cast<VEventHandler*>(model_)) return;
  if (closing_) {
    AnimateToPlacements(nullptr, kClosingSequence);
    return;
  }
  if (list_->IsDimmingUnselected() && showPending_) {
    ShowEntry(list_->GetHoveredItem(), true);
    showPending_ = false;
    if (HasViewer()) model_->SetVisible(false, true);
  }
}

void IndexScreen::HandleTimerEnded(int32_t id) {
  if (id != kOpeningSequence && id != kClosingSequence) return;
  if (nextTransition_ != nullptr) {
    AnimateToPlacements(nextTransition_, id);
    return;
  }
  currentTransition_ = nullptr;
  if (id == kOpeningSequence) {
    intro_->SetVisible(true, false);
    intro_->AnimateToFrame(kIntroFrames - 1);
    // An intro without frames to turn through reports no arrival.
    if (!intro_->IsTurning()) IntroArrived();
  } else {
    closed_ = true;
  }
}

bool IndexScreen::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  const bool fromModel = value1 == static_cast<uint32_t>(kModelId);
  switch (code) {
    case kMessageTick:
      if (!closed_) return false;
      closed_ = false;
      SetVisible(false, true);
      SendControlEvent(*this, kOwnerHidden);
      return true;
    case kEventPointerEntered:
      if (fromModel) HandleRegionEntered();
      return true;
    case kEventPointerLeft:
      if (fromModel) HandleRegionLeft();
      return true;
    case kEventPressed:
      return true;
    case kEventButtonClicked:
      if (value1 == static_cast<uint32_t>(kGoButtonId)) HandleGoButton();
      return true;
    case kEventButtonEntered:
      if (value1 == static_cast<uint32_t>(kGoButtonId)) GetSoundManager().TriggerSound(kSoundOverGo);
      return false;
    case SignalTimer::kMessageTimerEnded:
      HandleTimerEnded(static_cast<int32_t>(value1));
      return true;
    case SequencePlayer::kMessageStarted:
      if (currentStrip_ != nullptr) currentStrip_->ShowSecondButton();
      return true;
    case SequencePlayer::kMessageStopped:
      if (currentStrip_ != nullptr) currentStrip_->ShowFirstButton();
      return true;
    case SequencePlayer::kMessageEnded:
    case AppMovieControl::kMessagePaused:
      // The end of a slide show, or of a movie (its control pauses there).
      if (code == AppMovieControl::kMessagePaused && value1 != static_cast<uint32_t>(VideoItemPanel::kMovieId)) {
        return true;
      }
      RewindViewer(true);
      if (currentStrip_ != nullptr) currentStrip_->ShowFirstButton();
      return true;
    case AppTaskListControl::kMessageHovered:
      HandleListArrived(static_cast<int32_t>(value1));
      return true;
    case AnimatedMaskControl::kMessageItemClicked:
      HandleRegionClicked(static_cast<int32_t>(value1));
      return true;
    case ViewerControlPanel::kOwnerPlay:
      PlayViewer();
      return true;
    case ViewerControlPanel::kOwnerPause:
      PauseViewer();
      return true;
    case ViewerControlPanel::kOwnerBack:
      RewindViewer(true);
      if (currentStrip_ != nullptr) currentStrip_->ShowFirstButton();
      return true;
    case AnimatedMaskControl::kMessageFrameChanged:
      if (model_ != nullptr) {
        const int32_t frame = model_->GetCurrentFrame();
        if (std::abs(frame - lastSoundFrame_) > kFramesPerSound) {
          GetSoundManager().TriggerSound(kSoundFrames);
          lastSoundFrame_ = frame;
        }
      }
      return true;
    case AnimatedMaskControl::kMessageSelectedHovered:
      if (value1 == static_cast<uint32_t>(kSelectedMaskValue) && list_->IsSelectionAnimating()) {
        list_->ClearHover();
        list_->SetSelectionAnimating(false);
        list_->Redraw(nullptr, nullptr);
      }
      return true;
    case AppTaskListControl::kMessageItemClicked:
      HandleDimToggled(static_cast<int32_t>(value1));
      return true;
    case AnimatedMaskControl::kMessageArrived:
      HandleArrival(value2);
      return true;
    default:
      return PictureFrameControl::HandleEvent(code, value1, value2);
  }
}

// ---- Registration ------------------------------------------------------------------

void RegisterIndexScreen() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    return new IndexScreen(request.id, request.left, request.top, request.layer, request.width, request.height,
                           request.owner);
  };
  maker.pause = [](PictureFrameControl& screen) {
    if (auto* index = dynamic_cast<IndexScreen*>(&screen)) index->Suspend();
  };
  maker.setMovieControlsVisible = [](PictureFrameControl& screen, bool visible) {
    auto* index = dynamic_cast<IndexScreen*>(&screen);
    // The movie draws straight to the screen: it goes while an overlay lies over it.
    if (index != nullptr && index->GetVideoPanel() != nullptr) {
      index->ShowChild(IndexScreen::kVideoPanelId, visible, true);
    }
  };
  ScreenRegistry::Register(IndexScreen::kScreenKind, std::move(maker));
}
