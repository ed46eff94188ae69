#include "title/modules/aspects/AspectScreen.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/core/VTLink.h"
#include "engine/graphics/VFont.h"
#include "engine/script/ItemRef.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/AppListControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/controls/MoveAnimator.h"
#include "title/controls/PlacementAnimation.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"
#include "title/modules/aspects/AspectTitleBar.h"
#include "title/shell/ItemViewer.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"

namespace {

constexpr int32_t kListFont = 5;
constexpr int32_t kTitleFont = 6;
constexpr int32_t kPictureLeft[3] = {0, 340, 581};
constexpr int32_t kPictureLayer[3] = {1, 1, 6};
constexpr int32_t kListLayer = 3;
constexpr int32_t kBarLayer = 4;
constexpr int32_t kLinkLayer = 5;
// Above the column at the right edge (layer 6), under which the viewer's
// side bar would otherwise reach: a new child goes below siblings of its layer.
constexpr int32_t kViewerLayer = 7;
constexpr int32_t kViewerWidth = 640;
constexpr int32_t kViewerHeight = 400;
// The title bar at first: x 110 with a left margin of 25, 237 + 25 wide.
constexpr int32_t kBarMargin = 25;
constexpr int32_t kBarLeft = 110 - kBarMargin;
constexpr int32_t kBarTop = 185;
constexpr int32_t kBarWidth = 237 + kBarMargin;
constexpr int32_t kBarHeight = 30;
constexpr int32_t kLinkWidth = 237;
constexpr int32_t kLinkHeight = 30;
// The list's companion draws the titles inside the highlight bar at the
// rows' own places, so that the bar shows the hovered row's title whole
// (shifted by the highlight scale per pixel from the list's middle, the bar
// showed part of a neighbour's title on every row but the middle one).
constexpr double kCompanionOffsetFactor = 0.0;
// A fitted title bar at a row's anchor ends here.
constexpr int32_t kAnchorRight = 314;
constexpr int32_t kAnchorRise = 4;
constexpr uint32_t kFadeTick = 40;
// A list sliding in passes its place by 4 % of the way before it settles.
constexpr double kOvershoot = 0.04;
// The fade's level: from 0 rising by 2 x 63 per second to at most 63.
constexpr double kFadeRate = 2;
constexpr double kFullLevel = 63;
// The order the pictures fade in (state 1, 2, 3): picture 1, 3, then 2.
constexpr int32_t kOpeningOrder[3] = {0, 2, 1};
const VRGBColor kLinkText(250, 250, 250);
const VRGBColor kLinkFirst(250, 250, 250);
const VRGBColor kLinkSecond(200, 200, 200);
const VRGBColor kLinkThird(107, 173, 205);

// Whole 500 ms moves: the animator moves at a speed, so the speed is the
// distance per half second.
double SpeedFor(const VPoint& from, const VPoint& to, int32_t ms) {
  const double dx = to.x - from.x;
  const double dy = to.y - from.y;
  const double distance = std::sqrt(dx * dx + dy * dy) + 0.5;
  return distance * 1000.0 / std::max(ms, 1);
}

}  // namespace

AspectScreen::AspectScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                           VGraphicObject* parent)
    : PictureFrameControl(id, 0, left, top, layer, width, height, parent) {
  VGraphicObject* previousParent = SetCurrentParent(this);
  VFont* listFont = GetPictureFont(kListFont);
  VFont* titleFont = GetPictureFont(kTitleFont);

  for (int32_t i = 0; i < 3; ++i) {
    pictures_[i] = new VPictureControl(kAllocateId, kPictures[i], kPictureLeft[i], 0, kPictureLayer[i], 0, 0, this);
    pictures_[i]->SetVisible(false, false);
  }
  // Placement A: beyond the screen's right edge; B: in place.
  const int32_t outside = GetWidth();
  list_ = new AppTaskListControl(kAllocateId, nullptr, 0, kCompanionOffsetFactor, outside, kListTop, kListLayer,
                                 kListWidth, kListHeight, kRowHeight, this);
  list_->SetVisible(false, false);
  list_->SetItemFont(listFont);
  list_->SetHeadingFont(listFont);
  if (list_->GetCompanion() != nullptr) list_->GetCompanion()->SetFont(titleFont);
  placementA_.AddOrMerge(new PlacementRecord(list_, PlacementRecord::kFirstPair, outside, kListTop, 0, 0));
  placementB_.AddOrMerge(new PlacementRecord(list_, PlacementRecord::kFirstPair, kListLeft, kListTop, 0, 0));
  toB_ = std::make_unique<PlacementTransition>(&placementA_, &placementB_, kMoveMs);
  toA_ = std::make_unique<PlacementTransition>(&placementB_, &placementA_, kMoveMs);

  tree_.Load();
  ShowAspectList(&tree_.GetTopLevel(), false);

  titleBar_ = new AspectTitleBar(kAllocateId, kBarLeft, kBarTop, kBarLayer, kBarWidth, kBarHeight, titleFont, this);
  titleBar_->SetVisible(false, false);
  link_ = new VHTMLTextControl(kAllocateId, 0, 0, kLinkLayer, kLinkWidth, kLinkHeight, nullptr, titleFont, titleFont,
                               0, 0, false, 0, this);
  link_->SetTextColor(kLinkText);
  link_->SetLinkColor(kLinkFirst);
  link_->SetSecondLinkColor(kLinkSecond);
  link_->SetThirdLinkColor(kLinkThird);
  link_->SetTransparent(true);
  link_->SetVisible(false, false);
  barMover_ = std::make_unique<MoveAnimator>(0, this);
  linkMover_ = std::make_unique<MoveAnimator>(0, this);

  for (int32_t i = 0; i < 3; ++i) {
    fadeTimers_[i] = new SignalTimer(kAllocateId, kFadeTick, this);
    fadeTimers_[i]->SetVisible(false, false);
    auto* ramp = new SignalSpeedRamp(0, 0, kFadeRate, kFullLevel, 0);
    levelSinks_[i] = new SignalLevelSink(pictures_[i]);
    ramp->Subscribe(levelSinks_[i], 0);
    fadeTimers_[i]->Subscribe(ramp, 0);
  }
  GetSoundManager().AcquireSound(kSoundBack);
  GetSoundManager().AcquireSound(kSoundOverBack);
  SetCurrentParent(previousParent);
}

AspectScreen::~AspectScreen() {
  GetSoundManager().ReleaseSound(kSoundBack);
  GetSoundManager().ReleaseSound(kSoundOverBack);
  // The movers go before the controls they move; the list lets go of the
  // titles before they go (the control is deleted with the screen's children).
  barMover_.reset();
  linkMover_.reset();
  if (list_ != nullptr) list_->SetItems(nullptr, 0);
}

// ---- Kind, show and hide ---------------------------------------------------------

int32_t AspectScreen::GetKind() const {
  auto* self = const_cast<AspectScreen*>(this);
  const VGraphicObject* viewer = self->FindObject(kViewerId);
  return viewer != nullptr && viewer->IsVisible() ? kViewerKind : kKind;
}

ItemViewer* AspectScreen::GetViewer() { return dynamic_cast<ItemViewer*>(FindObject(kViewerId)); }

VPictureControl* AspectScreen::GetPicture(int32_t index) const {
  return index >= 0 && index < 3 ? pictures_[index] : nullptr;
}

void AspectScreen::Show() {
  SetVisible(true, false);
  SetState(1);
}

void AspectScreen::Hide() {
  // Nothing that is still moving may open or descend while the screen closes.
  StopMoves();
  ItemViewer* viewer = GetViewer();
  if (viewer != nullptr && viewer->IsVisible()) {
    SetState(6);
  } else {
    SetState(7);
  }
}

void AspectScreen::StopMoves() {
  barMover_->SetActive(false);
  linkMover_->SetActive(false);
  barAction_ = BarAction::kNone;
  linkAction_ = LinkAction::kNone;
}

void AspectScreen::Fade(int32_t picture, int32_t direction) {
  SignalTimer* timer = fadeTimers_[picture];
  if (direction > 0) {
    // From nothing: the picture shows no frame at full level first.
    levelSinks_[picture]->ReceiveInput(0, 0);
  }
  timer->SetDirection(direction);
  timer->Start(kFadeMs);
  awaitedTimer_ = timer->GetId();
}

void AspectScreen::RunTransition(bool in) {
  if (transitionTimer_ != nullptr) {
    transitionTimer_->Stop(false);
    DeleteControlLater(transitionTimer_);
    transitionTimer_ = nullptr;
  }
  transitionTimer_ = RunPlacementTransition(*this, in ? *toB_ : *toA_, kAllocateId, kOvershoot);
  awaitedTimer_ = transitionTimer_ != nullptr ? transitionTimer_->GetId() : 0;
}

void AspectScreen::SetState(int32_t state) {
  if (state == state_) return;
  state_ = state;
  switch (state) {
    case 1:
    case 2:
    case 3: {
      const int32_t picture = kOpeningOrder[state - 1];
      pictures_[picture]->SetVisible(true, false);
      Fade(picture, 1);
      break;
    }
    case 4:
      if (chosenLeaf_ == nullptr) list_->SetVisible(true, false);
      RunTransition(true);
      break;
    case 5:
      awaitedTimer_ = 0;
      SendControlEvent(*this, kOwnerShown);
      break;
    case 6:
      if (ItemViewer* viewer = GetViewer()) viewer->Hide();
      break;
    case 7:
      titleBar_->ShowBackButton(false);
      titleBar_->SetTitle(VString(""));
      SetCaption(VString(""));
      RunTransition(false);
      break;
    case 8:
      list_->SetVisible(false, true);
      Fade(1, -1);
      break;
    case 9:
      pictures_[1]->SetVisible(false, true);
      Fade(0, -1);
      break;
    case 10:
      pictures_[0]->SetVisible(false, true);
      Fade(2, -1);
      break;
    case 11:
      pictures_[2]->SetVisible(false, true);
      awaitedTimer_ = 0;
      closing_ = true;
      break;
    default:
      break;
  }
}

// ---- Lists and rows --------------------------------------------------------------

void AspectScreen::ShowAspectList(const VLinkedList* list, bool redraw) {
  displayed_ = list;
  titles_.clear();
  if (list != nullptr) {
    for (const VListElement* e = list->GetFirst(); e != nullptr; e = e->GetNext()) {
      titles_.push_back(static_cast<const AspectRecord*>(e)->GetText());
      if (static_cast<int32_t>(titles_.size()) >= AspectRecord::kMaxChildren) break;
    }
  }
  const auto count = static_cast<int32_t>(titles_.size());
  list_->SetItems(titles_.empty() ? nullptr : titles_.data(), count);
  list_->SetSelection(-1, -1);
  // The rows stand centred in the list's place, and the control is only as
  // tall as its rows: a list reaching down over the strip would keep the
  // pointer (and the strip's buttons would hear no click) while it hovers.
  const int32_t y = std::max((kListHeight - kRowHeight * count) / 2, 0);
  list_->FitHeightToRows();
  list_->MoveTo(VPoint(list_->GetBounds().left, y), false, false, false);
  list_->SetDimUnselected(false);
  if (redraw && IsShown()) Invalidate();
}

AspectRecord* AspectScreen::RecordAt(int32_t row) const {
  if (displayed_ == nullptr || row < 0 || row >= static_cast<int32_t>(titles_.size())) return nullptr;
  return static_cast<AspectRecord*>(displayed_->GetAt(row));
}

int32_t AspectScreen::TitleWidth(const AspectRecord* record) const {
  VFont* font = GetPictureFont(kTitleFont);
  if (font == nullptr || record == nullptr || record->GetText().GetChars() == nullptr) return 0;
  return std::max(font->GetTextWidth(record->GetText().GetChars(), record->GetText().GetLength()), 0);
}

bool AspectScreen::RowPoints(int32_t row, VPoint& text, VPoint& anchor) const {
  if (row < 0 || row >= static_cast<int32_t>(titles_.size())) return false;
  VRect rect;
  list_->GetRowRect(row, rect);
  VPoint listOrigin;
  list_->GetGlobalOrigin(listOrigin, true);
  VPoint origin;
  GetGlobalOrigin(origin, true);
  rect.Offset(listOrigin.x - origin.x, listOrigin.y - origin.y);
  int32_t lineHeight = 0;
  if (VFont* font = GetPictureFont(kTitleFont); font != nullptr && font->IsMeasured()) {
    lineHeight = font->GetAscent(nullptr) + font->GetDescent(nullptr);
  }
  const int32_t d = static_cast<int32_t>(kRowHeight * kHighlightScale - lineHeight) / 2;
  text = VPoint(rect.left, rect.top + d);
  anchor = VPoint(kAnchorRight - TitleWidth(chosenNode_), rect.top + d - kAnchorRise);
  return true;
}

void AspectScreen::FitBarTo(const AspectRecord* record) {
  titleBar_->SetTitle(record != nullptr ? record->GetText() : VString(""));
  titleBar_->FitToText(TitleWidth(record));
}

void AspectScreen::DimAllBut(int32_t row) {
  list_->SetSelection(row, row);
  list_->SetDimUnselected(true);
  if (list_->IsShown()) list_->Invalidate();
}

// ---- Moves -----------------------------------------------------------------------

void AspectScreen::MoveBar(const VPoint& to, BarAction action) {
  MoveBar(VPoint(titleBar_->GetBounds().left, titleBar_->GetBounds().top), to, action);
}

void AspectScreen::MoveBar(const VPoint& from, const VPoint& to, BarAction action) {
  barAction_ = action;
  barMover_->Start(titleBar_, from, to, 0, SpeedFor(from, to, kMoveMs), false, false);
}

void AspectScreen::MoveLink(const VPoint& from, const VPoint& to, LinkAction action) {
  linkAction_ = action;
  linkMover_->Start(link_, from, to, 0, SpeedFor(from, to, kMoveMs), false, true);
}

void AspectScreen::RunBarAction() {
  const BarAction action = barAction_;
  barAction_ = BarAction::kNone;
  switch (action) {
    case BarAction::kHide:
      titleBar_->SetVisible(false, true);
      break;
    case BarAction::kDescend:
      Descend();
      break;
    case BarAction::kShowBack:
      titleBar_->ShowBackButton(true);
      SetCaption(chosenNode_ != nullptr ? chosenNode_->GetText() : VString(""));
      break;
    case BarAction::kHideAll:
      titleBar_->ShowBackButton(false);
      titleBar_->SetVisible(false, true);
      break;
    case BarAction::kFollow:
    case BarAction::kNone:
      break;
  }
}

void AspectScreen::RunLinkAction() {
  const LinkAction action = linkAction_;
  linkAction_ = LinkAction::kNone;
  switch (action) {
    case LinkAction::kBackToList:
      link_->SetVisible(false, true);
      list_->SetSelection(-1, -1);
      list_->SetDimUnselected(false);
      list_->SetVisible(true, true);
      chosenLeaf_ = nullptr;
      chosenLeafRow_ = 0;
      break;
    case LinkAction::kOpenViewer:
      OpenViewer();
      break;
    case LinkAction::kNone:
      break;
  }
}

void AspectScreen::Descend() {
  if (chosenNode_ == nullptr || chosenNode_->GetChildren() == nullptr) return;
  levels_.push_back(Level{displayed_, chosenNodeRow_, chosenNode_});
  ShowAspectList(chosenNode_->GetChildren(), true);
  titleBar_->ShowBackButton(true);
}

// ---- Opening, going back, leaving ------------------------------------------------

void AspectScreen::OpenAspect(int32_t row, bool byUser) {
  // A move that only follows the pointer does not hold a click back.
  const bool barBusy = barAction_ != BarAction::kNone && barAction_ != BarAction::kFollow;
  if (displayed_ == nullptr || barBusy || linkAction_ != LinkAction::kNone || chosenLeaf_ != nullptr) return;
  AspectRecord* record = RecordAt(row);
  if (record == nullptr) return;
  if (!record->IsLeaf()) {
    chosenNode_ = record;
    chosenNodeRow_ = row;
    if (byUser) {
      DimAllBut(row);
      SetCaption(record->GetText());
    }
    VPoint text, anchor;
    RowPoints(row, text, anchor);
    titleBar_->ShowBackButton(false);
    FitBarTo(record);
    titleBar_->SetVisible(true, true);
    if (byUser) {
      MoveBar(text, anchor, BarAction::kDescend);
    } else {
      barMover_->SetActive(false);
      titleBar_->MoveTo(anchor, false, true, false);
      barAction_ = BarAction::kDescend;
      RunBarAction();
    }
    return;
  }
  // A leaf opens only below the top level.
  if (levels_.empty()) return;
  chosenLeaf_ = record;
  chosenLeafRow_ = row;
  if (byUser) {
    DimAllBut(row);
    SetCaption(chosenNode_ != nullptr ? chosenNode_->GetText() : VString(""));
  }
  VPoint text, anchor;
  RowPoints(row, text, anchor);
  MoveBar(anchor, BarAction::kHideAll);
  link_->SetText(new VString(record->GetText()), false);
  link_->SetVisible(true, false);
  MoveLink(text, VPoint(text.x, kLinkRow), LinkAction::kOpenViewer);
  // The list goes while the pointer rests on the leaf's row: it lets go of
  // that row at once, or the row's bar would still be lit when the list
  // comes back after the viewer, wherever the pointer is by then.
  list_->HoverItem(-1, false, true);
  list_->SetVisible(false, true);
}

void AspectScreen::OpenViewer() {
  if (chosenLeaf_ == nullptr) return;
  VString text("<A HREF=\"blaat\">");
  text.Append(chosenLeaf_->GetText());
  text.Append("</A>");
  link_->SetText(new VString(text), true);
  RemoveViewer(false);
  VGraphicObject* previousParent = SetCurrentParent(this);
  auto* viewer = new ItemViewer(kViewerId, 0, 0, 0, kViewerLayer, kViewerWidth, kViewerHeight, this);
  SetCurrentParent(previousParent);
  viewer->SetVisible(false, false);
  viewer->ShowItem(new ItemRef(chosenLeaf_->GetInfo()), kViewerCentre, kViewerSideBar);
  viewer->Show();
  SetStatusCode();
}

void AspectScreen::RemoveViewer(bool later) {
  auto* viewer = dynamic_cast<VControl*>(FindObject(kViewerId));
  if (viewer == nullptr) return;
  // What the viewer covered is drawn again without it.
  VRect covered;
  viewer->GetVisibleExtent(covered);
  if (later) {
    // The viewer may be reporting from inside its own handling.
    DeleteControlLater(viewer);
  } else {
    RemoveChild(kViewerId, true);
  }
  if (!covered.IsEmpty()) Invalidate(&covered);
}

void AspectScreen::GoBack() {
  if (levels_.empty()) return;
  GetSoundManager().TriggerSound(kSoundBack);
  const Level left = levels_.back();
  levels_.pop_back();
  ShowAspectList(left.list, true);
  list_->SetVisible(true, true);
  titleBar_->ShowBackButton(false);
  if (link_->IsVisible()) {
    VPoint origin(link_->GetBounds().left, link_->GetBounds().top);
    MoveLink(origin, VPoint(kListLeft, -link_->GetHeight()), LinkAction::kBackToList);
  }
  if (levels_.empty()) {
    chosenNode_ = nullptr;
    VPoint text, anchor;
    RowPoints(left.row, text, anchor);
    SetCaption(VString(""));
    MoveBar(text, BarAction::kHide);
  } else {
    // One level up: the bar names the aspect whose list shows again.
    chosenNode_ = levels_.back().node;
    chosenNodeRow_ = levels_.back().row;
    FitBarTo(chosenNode_);
    VPoint text, anchor;
    RowPoints(left.row, text, anchor);
    SetCaption(chosenNode_->GetText());
    MoveBar(anchor, BarAction::kShowBack);
  }
  chosenLeaf_ = nullptr;
}

void AspectScreen::LeaveLeaf() {
  if (chosenLeaf_ == nullptr) return;
  RemoveViewer(false);
  SetStatusCode();
  list_->SetDimUnselected(false);
  list_->SetVisible(true, true);
  SetCaption(chosenNode_ != nullptr ? chosenNode_->GetText() : VString(""));
  titleBar_->ShowBackButton(false);
  MoveBarAndLinkBackToTheLeaf();
}

void AspectScreen::MoveBarAndLinkBackToTheLeaf() {
  FitBarTo(chosenNode_);
  titleBar_->SetVisible(true, true);
  VPoint text, anchor;
  RowPoints(chosenLeafRow_, text, anchor);
  MoveBar(anchor, BarAction::kShowBack);
  link_->SetText(new VString(chosenLeaf_->GetText()), true);
  MoveLink(VPoint(link_->GetBounds().left, link_->GetBounds().top), text, LinkAction::kBackToList);
}

void AspectScreen::CloseViewer() {
  if (chosenLeaf_ == nullptr) return;
  if (ItemViewer* viewer = GetViewer()) viewer->Hide();
  list_->SetDimUnselected(false);
  list_->SetVisible(false, false);
  if (IsShown()) Invalidate();
  MoveBarAndLinkBackToTheLeaf();
}

void AspectScreen::ShowAspect(const ItemRef& item) {
  if (chosenNode_ != nullptr || chosenLeaf_ != nullptr) return;
  for (VPictureControl* picture : pictures_) picture->SetVisible(true, false);
  list_->SetVisible(true, false);
  const int32_t number = item.GetNumber();
  const int32_t top = std::min(tree_.GetCount(), AspectRecord::kMaxChildren);
  for (int32_t i = 0; i < top; ++i) {
    if (tree_.GetAt(i)->GetId().GetNumber() == number) {
      OpenAspect(i, false);
      return;
    }
  }
  for (int32_t i = 0; i < top; ++i) {
    const AspectRecord* parent = tree_.GetAt(i);
    for (int32_t k = 0; k < parent->GetChildCount(); ++k) {
      if (parent->GetChild(k)->GetId().GetNumber() != number) continue;
      OpenAspect(i, false);
      OpenAspect(k, false);
      return;
    }
  }
}

// ---- The main interface ------------------------------------------------------------

void AspectScreen::SetCaption(const VString& text) {
  if (MainInterfaceScreen* screen = MainInterfaceScreen::FindInCurrentPanel()) screen->SetCaption(text, false, false);
}

void AspectScreen::SetStatusCode() {
  if (MainInterfaceScreen* screen = MainInterfaceScreen::FindInCurrentPanel()) screen->SetStatusCode(GetKind());
}

// ---- Events ------------------------------------------------------------------------

bool AspectScreen::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  const auto id = static_cast<int32_t>(value1);
  switch (code) {
    case kMessageTick:
      if (state_ == 11 && closing_) {
        closing_ = false;
        SendControlEvent(*this, kOwnerHidden);
        return true;
      }
      return false;
    case kEventButtonClicked:
      if (id == AspectTitleBar::kBackButtonId) {
        GoBack();
        return true;
      }
      if (id == kStatusButtonId) {
        CloseViewer();
        return true;
      }
      return false;
    case kEventButtonEntered:
      if (id == AspectTitleBar::kBackButtonId) GetSoundManager().TriggerSound(kSoundOverBack);
      return false;
    case kEventLinkActivated: {
      const VEventHandler* sender = MessagePointerAs<VEventHandler>(value2);
      if (sender != nullptr && sender == link_->GetEventHandler()) {
        LeaveLeaf();
        return true;
      }
      if (id == titleBar_->GetId() || (titleBar_->GetTextControl() != nullptr &&
                                       id == titleBar_->GetTextControl()->GetId())) {
        GoBack();
        return true;
      }
      return false;
    }
    case kOwnerShown:
      // The item viewer's report stays here.
      return id == kViewerId;
    case kOwnerHidden:
      // The item viewer has closed: it goes, and a closing screen goes on.
      if (id != kViewerId) return false;
      RemoveViewer(true);
      if (state_ == 6) {
        SetState(7);
      } else {
        SetStatusCode();
      }
      return true;
    case SignalTimer::kMessageTimerEnded:
      if (awaitedTimer_ == 0 || id != awaitedTimer_) return true;
      awaitedTimer_ = 0;
      switch (state_) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 7:
        case 8:
        case 9:
        case 10:
          SetState(state_ + 1);
          break;
        default:
          break;
      }
      return true;
    case AppTaskListControl::kMessageHovered: {
      // The node's title follows the pointer along the list of its children.
      const bool following = barAction_ == BarAction::kNone || barAction_ == BarAction::kFollow;
      VPoint text, anchor;
      if (id >= 0 && titleBar_->IsBackButtonShown() && chosenLeaf_ == nullptr && following &&
          RowPoints(id, text, anchor)) {
        MoveBar(anchor, BarAction::kFollow);
      }
      return true;
    }
    case AppTaskListControl::kMessageItemClicked:
      OpenAspect(static_cast<int32_t>(value1), true);
      return true;
    case MoveAnimator::kMessageMoved: {
      const VGraphicObject* moved = MessagePointerAs<VGraphicObject>(value1);
      // The other control's action runs with this one's only when its move
      // has ended too: a mover still going would undo what the action did
      // (show the link again, say).
      if (moved == titleBar_) {
        RunBarAction();
        if (linkAction_ != LinkAction::kNone && !linkMover_->IsActive()) RunLinkAction();
      } else if (moved == link_) {
        RunLinkAction();
        if (barAction_ != BarAction::kNone && !barMover_->IsActive()) RunBarAction();
      }
      return true;
    }
    default:
      return PictureFrameControl::HandleEvent(code, value1, value2);
  }
}

// ---- Registration ------------------------------------------------------------------

void RegisterAspectScreen() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    auto* screen = new AspectScreen(request.id, request.left, request.top, request.layer, request.width,
                                    request.height, request.owner);
    if (request.item != nullptr && request.item->GetCategory() == kAspectCategory) screen->ShowAspect(*request.item);
    return screen;
  };
  maker.pause = [](PictureFrameControl& screen) {
    auto* aspects = dynamic_cast<AspectScreen*>(&screen);
    ItemViewer* viewer = aspects != nullptr ? aspects->GetViewer() : nullptr;
    if (viewer != nullptr) viewer->PauseItem();
  };
  maker.setMovieControlsVisible = [](PictureFrameControl& screen, bool visible) {
    auto* aspects = dynamic_cast<AspectScreen*>(&screen);
    ItemViewer* viewer = aspects != nullptr ? aspects->GetViewer() : nullptr;
    // The movie draws straight to the screen: it goes while an overlay lies over it.
    if (viewer != nullptr && viewer->GetCategory() == kVideoCategory) {
      viewer->ShowChild(ItemViewer::kVideoPanelId, visible, true);
    }
  };
  ScreenRegistry::Register(AspectScreen::kKind, std::move(maker));
}
