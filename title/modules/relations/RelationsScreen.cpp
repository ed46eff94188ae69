#include "title/modules/relations/RelationsScreen.h"

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
#include "engine/script/ItemRef.h"
#include "engine/script/LinkedRecordTable.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/AnimatedMaskControl.h"
#include "title/controls/AnimatedPictureControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/controls/HtmlTextPanel.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/MarkablePictureButton.h"
#include "title/controls/PlacementAnimation.h"
#include "title/controls/PlacementRecords.h"
#include "title/controls/SignalTimer.h"
#include "title/shell/IndexEntryList.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"

namespace {

constexpr int32_t kListTop = 30;
constexpr int32_t kListPlacedLeft = 425;
constexpr int32_t kListWidth = 190;
constexpr int32_t kListHeight = 380;
constexpr int32_t kRowHeight = 17;
// The list's companion draws the rows inside the bar at their own places.
constexpr double kCompanionOffsetFactor = 0.0;
constexpr int32_t kListFonts[3] = {5, 7, 6};

constexpr uint16_t kTitlePicture = 12100;
constexpr int32_t kTitleLeft = 41;
constexpr int32_t kTitleTop = 15;

struct PointerPictures {
  uint16_t normal, pressed, over;
};
constexpr PointerPictures kUpper{10010, 10010, 10012};
constexpr PointerPictures kLower{10014, 10014, 10016};
constexpr int32_t kPointerLayer = 24;
// Rows from this one up get the pointer above them.
constexpr int32_t kFirstRowAbove = 4;

struct FlyingPicture {
  uint16_t picture;
  int32_t x0, y0;  // at rest (before entering and after leaving)
  int32_t x1, y1;  // flown out
};
// The flying pictures stand in front of the screen's panel (the title
// picture, an opaque sheet under the whole left half) and of the model,
// whose corner the second one overlaps: on their own layer of the panel
// they would go behind it, and would never be seen once the panel has faded in.
constexpr int32_t kFlyingLayer = RelationsScreen::kHouseLayer + 1;
constexpr FlyingPicture kFlying[3] = {
    {12110, 109, 94, 109, 19},
    {12120, 140, 125, 235, 229},
    {12130, 161, 146, 59, 239},
};

// The item button's pictures relative to its picture id p.
constexpr int32_t kPressedOffset = 3;
constexpr int32_t kOverOffset = 2;
constexpr int32_t kDisabledOffset = 1;
constexpr int32_t kMarkedOffset = -1000;
// The screen the items' buttons are held to.
constexpr int32_t kScreenWidth = 640;
constexpr int32_t kScreenHeight = 480;

constexpr int32_t kTextLeft = 45;
constexpr int32_t kTextTop = 35;
constexpr int32_t kTextWidth = 376;
constexpr int32_t kTextHeight = 226;

// Placement list indexes.
enum : int32_t { kBeforeEntering, kEntered, kFadedOut, kFadedIn, kBeforeLeaving, kLeft };

constexpr int32_t kLevelHidden = 0;
constexpr int32_t kLevelShown = 63;
constexpr double kOvershoot = 0.08;
constexpr int32_t kFramesPerSound = 2;

void AddPosition(PlacementList& list, VGraphicObject* control, int32_t x, int32_t y) {
  list.AddOrMerge(new PlacementRecord(control, PlacementRecord::kFirstPair, x, y, 0, 0));
}

void AddLevel(PlacementList& list, VGraphicObject* control, int32_t level) {
  list.AddOrMerge(new PlacementRecord(control, PlacementRecord::kSecondPair, 0, 0, level, level));
}

// Sets a picture control's level to 0 when its picture carries one.
void StartInvisible(VPictureControl& control) {
  PixelMapAttributes attributes;
  if (control.GetPixelAttributes(attributes) && attributes.GetLevel() != kLevelHidden) {
    attributes.SetLevel(kLevelHidden);
    control.SetPixelAttributes(attributes, false);
  }
}

bool IsPlace(int32_t maskValue) { return maskValue > 0 && maskValue < RelationsScreen::kSpinArea; }

// A 16-bit field of a record that names a medium: neither 0 nor the "none"
// of an unset field.
bool NamesMedium(int16_t value) { return value != 0 && value != -1; }

}  // namespace

RelationsScreen::RelationsScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                                 int32_t height, VGraphicObject* owner)
    : PictureFrameControl(id, 0, left, top, layer, width, height, owner) {
  VGraphicObject* previous = SetCurrentParent(this);
  for (auto& list : lists_) list = std::make_unique<PlacementList>();
  openSequence_ = std::make_unique<PlacementTransitionList>(kOpeningSequence);
  closeSequence_ = std::make_unique<PlacementTransitionList>(kClosingSequence);
  openSequence_->Add(new PlacementTransition(lists_[kBeforeEntering].get(), lists_[kEntered].get(), kTransitionMs));
  openSequence_->Add(new PlacementTransition(lists_[kFadedOut].get(), lists_[kFadedIn].get(), kTransitionMs));
  closeSequence_->Add(new PlacementTransition(lists_[kFadedIn].get(), lists_[kFadedOut].get(), kTransitionMs));
  closeSequence_->Add(new PlacementTransition(lists_[kBeforeLeaving].get(), lists_[kLeft].get(), kTransitionMs));

  records_ = std::make_unique<LinkedRecordTable>(kRecordsMediaId);
  entries_ = std::make_unique<IndexEntryList>(IndexEntryList::kIndexMediaId);

  intro_ = new AnimatedPictureControl(kIntroId, kIntroFrames, kIntroFrameBase, kHouseLeft, kHouseTop, kHouseLayer,
                                      kHouseWidth, kHouseHeight, CurrentParentMarker());
  intro_->SetVisible(false, false);

  house_ = new AnimatedMaskControl(kHouseId, kHouseFrameBase, kHouseFrames, kHouseFrameBase, kHouseRegionBase,
                                   kHouseHighlightBase, kHouseLeft, kHouseTop, kHouseLayer, kHouseWidth,
                                   kHouseHeight, CurrentParentMarker());
  house_->SetFrame(kRestFrame);
  house_->ShowCurrentFrame();
  house_->SetSelectable(false);
  house_->SetVisible(false, false);

  // One row per record id from 0 up to the record count (at most kMaxItems);
  // a record id the table does not hold leaves its row empty.
  int32_t count = 0;
  for (VListElement* e = records_->GetFirst(); e != nullptr && count < kMaxItems; e = e->GetNext()) ++count;
  names_.resize(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k) {
    if (const VString* text = records_->GetRecordText(k)) names_[static_cast<size_t>(k)] = *text;
  }
  list_ = new AppTaskListControl(kListId, nullptr, 0, kCompanionOffsetFactor, width, kListTop, 1, kListWidth,
                                 kListHeight, kRowHeight, CurrentParentMarker());
  list_->SetItemFont(GetPictureFont(kListFonts[0]));
  list_->SetMarkFont(GetPictureFont(kListFonts[1]));
  list_->SetHeadingFont(GetPictureFont(kListFonts[2]));
  list_->SetOption();
  list_->SetItems(names_.data(), count, std::min(count, kListHeight / kRowHeight), 0);
  list_->FitHeightToRows();
  list_->SetEnabled(false);

  auto* title = new VPictureControl(kTitleId, kTitlePicture, kTitleLeft, kTitleTop, 1, 0, 0, CurrentParentMarker());
  StartInvisible(*title);

  for (int32_t k = 0; k < count; ++k) {
    const LinkedRecord* record = records_->FindRecord(k);
    if (record == nullptr) continue;
    ItemButtonPlace place;
    if (!PlaceItemButton(*record, place)) continue;
    auto* button = new MarkablePictureButton(kFirstItemId + k, place.normal, place.pressed, place.over, place.marked,
                                             place.disabled, VPoint(place.x, place.y), k + 2, 0, 0,
                                             CurrentParentMarker());
    button->SetEnabled(false);
    StartInvisible(*button);
  }

  upperPointer_ = new VPictureButton(kPointerId, kUpper.normal, kUpper.pressed, kUpper.over, 0, VPoint(0, 0),
                                     kPointerLayer, 0, 0, CurrentParentMarker());
  upperPointer_->SetVisible(false, false);
  lowerPointer_ = new VPictureButton(kPointerId, kLower.normal, kLower.pressed, kLower.over, 0, VPoint(0, 0),
                                     kPointerLayer, 0, 0, CurrentParentMarker());
  lowerPointer_->SetVisible(false, false);

  for (const FlyingPicture& f : kFlying) {
    const int32_t index = static_cast<int32_t>(&f - kFlying);
    new VPictureControl(kFlyingIds[index], f.picture, f.x0, f.y0, kFlyingLayer, 0, 0, CurrentParentMarker());
  }
  SetCurrentParent(previous);
  BuildPlacements(width);
  built_ = true;

  SoundManager& sounds = GetSoundManager();
  for (int32_t sound : {kSoundFrames, kSoundRegionEntered, kSoundGo, kSoundOverGo}) sounds.AcquireSound(sound);
}

bool RelationsScreen::PlaceItemButton(const LinkedRecord& record, ItemButtonPlace& out) {
  const auto p = static_cast<uint16_t>(record.GetNumberA());
  if (p == 0 || p == 0xFFFF) return false;
  out.normal = p;
  out.pressed = static_cast<uint16_t>(p + kPressedOffset);
  out.over = static_cast<uint16_t>(p + kOverOffset);
  out.marked = static_cast<uint16_t>(p + kMarkedOffset);
  out.disabled = static_cast<uint16_t>(p + kDisabledOffset);
  // Held to the screen: the controls take differences of window points, and
  // a button far outside would overflow them.
  out.x = std::clamp(record.GetNumberD(), 0, kScreenWidth - 1);
  out.y = std::clamp(record.GetNumberE(), 0, kScreenHeight - 1);
  return true;
}

RelationsScreen::~RelationsScreen() {
  SoundManager& sounds = GetSoundManager();
  for (int32_t sound : {kSoundFrames, kSoundRegionEntered, kSoundGo, kSoundOverGo}) sounds.ReleaseSound(sound);
}

void RelationsScreen::BuildPlacements(int32_t width) {
  AddPosition(*lists_[kBeforeEntering], list_, width, kListTop);
  AddPosition(*lists_[kEntered], list_, kListPlacedLeft, kListTop);
  AddPosition(*lists_[kBeforeLeaving], list_, kListPlacedLeft, kListTop);
  AddPosition(*lists_[kLeft], list_, width, kListTop);
  for (int32_t i = 0; i < 3; ++i) {
    VGraphicObject* picture = FindObject(kFlyingIds[i]);
    if (picture == nullptr) continue;
    const FlyingPicture& f = kFlying[i];
    AddPosition(*lists_[kBeforeEntering], picture, f.x0, f.y0);
    AddPosition(*lists_[kEntered], picture, f.x1, f.y1);
    AddPosition(*lists_[kBeforeLeaving], picture, f.x1, f.y1);
    AddLevel(*lists_[kBeforeLeaving], picture, kLevelShown);
    AddPosition(*lists_[kLeft], picture, f.x0, f.y0);
    AddLevel(*lists_[kLeft], picture, kLevelHidden);
  }
  std::vector<VGraphicObject*> faded;
  if (VGraphicObject* title = FindObject(kTitleId)) faded.push_back(title);
  for (int32_t k = 0; k < GetItemCount(); ++k) {
    if (MarkablePictureButton* button = GetItemButton(k)) faded.push_back(button);
  }
  for (VGraphicObject* control : faded) {
    AddLevel(*lists_[kFadedOut], control, kLevelHidden);
    AddLevel(*lists_[kFadedIn], control, kLevelShown);
  }
}

HtmlTextPanel* RelationsScreen::GetTextPanel() const {
  return dynamic_cast<HtmlTextPanel*>(const_cast<RelationsScreen*>(this)->FindObject(kTextPanelId));
}

MarkablePictureButton* RelationsScreen::GetItemButton(int32_t record) const {
  if (record < 0 || record >= GetItemCount()) return nullptr;
  return dynamic_cast<MarkablePictureButton*>(const_cast<RelationsScreen*>(this)->FindObject(kFirstItemId + record));
}

std::vector<int32_t> RelationsScreen::GetMarkedRecords() const {
  std::vector<int32_t> out;
  for (int32_t id : marked_) out.push_back(id - kFirstItemId);
  return out;
}

// ---- Entering and leaving -------------------------------------------------------------

void RelationsScreen::Show() {
  SetVisible(true, true);
  RunTransition(static_cast<PlacementTransition*>(openSequence_->GetFirst()), kOpeningSequence);
}

void RelationsScreen::Hide() {
  closing_ = true;
  SetCaption(VString(""), false);
  list_->ClearMarks();
  list_->HoverItem(-1, false, true);
  list_->Invalidate();
  HidePointers();
  if (HtmlTextPanel* panel = GetTextPanel(); panel != nullptr && panel->IsShown()) panel->SetVisible(false, true);
  house_->SetEnabled(false);
  SetItemsEnabled(false);
  if (house_->GetCurrentFrame() != kRestFrame) {
    // The model's arrival (156) starts the closing.
    house_->AnimateTo(kRestFrame, -1);
    if (house_->IsAnimating()) return;
  }
  StartCloseSequence();
}

void RelationsScreen::StartCloseSequence() {
  house_->SetVisible(false, false);
  intro_->SetVisible(true, false);
  running_ = nullptr;
  next_ = static_cast<PlacementTransition*>(closeSequence_->GetFirst());
  PlayIntroTo(0);
}

void RelationsScreen::PlayIntroTo(int32_t frame) {
  intro_->AnimateToFrame(frame);
  // An intro already at its frame (or without frames) reports no arrival.
  if (intro_->GetCurrentFrame() == std::clamp(frame, 0, std::max(intro_->GetFrameTotal() - 1, 0))) IntroArrived();
}

void RelationsScreen::RunTransition(PlacementTransition* transition, int32_t sequenceId) {
  if (sequenceId == kClosingSequence && transition == nullptr) {
    StartCloseSequence();
    return;
  }
  if (transition == nullptr) return;
  if (timer_ != nullptr) DeleteControlLater(timer_);
  timer_ = RunPlacementTransition(*this, *transition, sequenceId, kOvershoot, kTimerTickMs);
  running_ = transition;
  next_ = static_cast<PlacementTransition*>(transition->GetNext());
}

void RelationsScreen::TimerEnded(int32_t id) {
  if (id != kOpeningSequence && id != kClosingSequence) return;
  if (next_ != nullptr) {
    RunTransition(next_, id);
    return;
  }
  running_ = nullptr;
  if (id == kOpeningSequence) {
    intro_->SetVisible(true, false);
    PlayIntroTo(kIntroFrames - 1);
  } else {
    SetVisible(false, true);
    hidePending_ = true;
  }
}

void RelationsScreen::IntroArrived() {
  if (next_ == nullptr) {
    if (!closing_) OpeningDone();
    return;
  }
  if (running_ == nullptr) intro_->SetVisible(false, false);
  RunTransition(next_, kClosingSequence);
}

void RelationsScreen::OpeningDone() {
  intro_->SetVisible(false, false);
  house_->SetVisible(true, true);
  list_->SetEnabled(true);
  SetItemsEnabled(true);
  const ControlLife::Watch watch = life_.MakeWatch();
  SendControlEvent(*this, kOwnerShown);
  if (!watch.Alive()) return;
  VPoint pointer;
  if (GetPointerInWindow(*list_, pointer)) list_->MouseMove(VMouseEvent(pointer, 0, 0, 0));
}

// ---- Marking, turning, captions ----------------------------------------------------------

void RelationsScreen::MarkRelated(int32_t entry, bool includeSelected) {
  // Room for two links of each of the items that can be marked: enough to
  // find kMaxMarked different items even when each lists the place twice.
  int32_t found[2 * kMaxMarked];
  const int32_t count = records_->FindRecordsLinkingTo(entry, found, 2 * kMaxMarked);
  for (int32_t i = 0; i < count && static_cast<int32_t>(marked_.size()) < kMaxMarked; ++i) {
    const int32_t id = kFirstItemId + found[i];
    if (std::find(marked_.begin(), marked_.end(), id) != marked_.end()) continue;
    MarkablePictureButton* button = GetItemButton(found[i]);
    if (button == nullptr || (!includeSelected && id == selectedItem_)) continue;
    button->MarkRelated();
    list_->SetMarked(found[i], true);
    marked_.push_back(id);
  }
  list_->Invalidate();
}

void RelationsScreen::Unmark() {
  for (int32_t id : marked_) {
    if (MarkablePictureButton* button = GetItemButton(id - kFirstItemId)) {
      button->Restore();
      button->Invalidate();
    }
  }
  marked_.clear();
  list_->ClearMarks();
  list_->Invalidate();
}

void RelationsScreen::SetCaption(const VString& text, bool visited) {
  if (MainScreenServices* services = GetMainScreenServices()) services->SetCaption(text, visited, false);
}

void RelationsScreen::RegionCaption(int32_t entry) {
  const VString* title = entries_->GetTitleForBubble(entry);
  if (title == nullptr) {
    SetCaption(VString(""), false);
    return;
  }
  // The place is the bubble of that number.
  const ItemRef bubble(kBubbleCategory, entry);
  SetCaption(*title, bubble.IsItemRefValid() && bubble.IsItemVisited());
}

void RelationsScreen::ItemCaption(int32_t record) {
  const VString* text = records_->GetRecordText(record);
  if (record < 0 || record >= GetItemCount() || text == nullptr) {
    SetCaption(VString(""), false);
    return;
  }
  VString caption;
  if (const VString* place = entries_->GetTitleForBubble(FirstLinkedId(record))) {
    caption = *place;
    caption.Append(" / ");
  }
  caption.Append(*text);
  const ItemRef item(kPersonCategory, record + 1);
  SetCaption(caption, item.IsItemRefValid() && item.IsItemVisited());
}

void RelationsScreen::TurnHouseTo(int32_t entry) {
  const int32_t frame = entries_->GetFrameForBubble(entry);
  if (frame < 0) return;
  house_->AnimateTo(frame, entries_->GetMaskValueForBubble(entry));
}

void RelationsScreen::StopHouse() {
  house_->StopAnimation();
  house_->SelectValue(-1);
  house_->SetMaskEnabled(true);
  RedrawPicturesOverHouse();
}

void RelationsScreen::RedrawPicturesOverHouse() {
  // The model draws its frames by itself alone, over the corner of the
  // flying picture in front of it: that picture's area is drawn again, as a
  // whole, at the next paint.
  VRect house;
  house_->GetGlobalBounds(house);
  for (int32_t id : kFlyingIds) {
    VGraphicObject* picture = FindObject(id);
    if (picture == nullptr) continue;
    VRect bounds;
    picture->GetGlobalBounds(bounds);
    VRect overlap;
    if (bounds.Intersect(house, overlap)) picture->Invalidate();
  }
}

int32_t RelationsScreen::FirstLinkedId(int32_t record) const {
  int32_t ids[LinkedRecord::kMaxLinkedIds];
  return records_->GetLinkedIds(record, ids) > 0 ? ids[0] : -1;
}

int32_t RelationsScreen::RecordOfButton(int32_t controlId) const {
  const int32_t record = controlId - kFirstItemId;
  return record >= 0 && record < GetItemCount() ? record : -1;
}

bool RelationsScreen::PointerInside(int32_t controlId) {
  if (RecordOfButton(controlId) < 0) return false;
  MarkablePictureButton* button = GetItemButton(controlId - kFirstItemId);
  VPoint pointer;
  return button != nullptr && GetPointerInWindow(*this, pointer) && button->ContainsPoint(pointer);
}

void RelationsScreen::SelectItem(int32_t controlId) {
  if (controlId == 0) {
    DeselectItem();
    return;
  }
  const int32_t record = RecordOfButton(controlId);
  if (record < 0) return;
  selectedItem_ = controlId;
  list_->HoverItem(record, false, false);
  // An item linked to no place turns nothing and marks nothing.
  const int32_t entry = FirstLinkedId(record);
  if (entry >= 0) {
    TurnHouseTo(entry);
    MarkRelated(entry, false);
  }
  ItemCaption(record);
}

void RelationsScreen::DeselectItem() {
  selectedItem_ = 0;
  list_->HoverItem(-1, false, false);
  StopHouse();
  Unmark();
  SetCaption(VString(""), false);
}

void RelationsScreen::SetItemsEnabled(bool enabled) {
  for (int32_t k = 0; k < GetItemCount(); ++k) {
    if (MarkablePictureButton* button = GetItemButton(k)) button->SetEnabled(enabled);
  }
}

// ---- The pointers and the text -------------------------------------------------------

void RelationsScreen::ShowPointerAtRow(int32_t row) {
  HidePointers();
  if (row < 0 || row >= GetItemCount()) return;
  VRect rect;
  list_->GetItemHighlightRect(row, rect);
  VRect bounds;
  list_->GetGlobalBounds(bounds);
  rect.Offset(bounds.left, bounds.top);
  if (row < kFirstRowAbove) {
    lowerPointer_->MoveTo(VPoint(rect.left + 152, rect.bottom - 2), true, false, false);
    lowerPointer_->SetVisible(true, true);
  } else {
    upperPointer_->MoveTo(VPoint(rect.left + 151, rect.top - upperPointer_->GetHeight()), true, false, false);
    upperPointer_->SetVisible(true, true);
  }
}

void RelationsScreen::HidePointers() {
  for (VPictureButton* pointer : {upperPointer_, lowerPointer_}) {
    if (pointer->IsShown()) pointer->SetVisible(false, true);
  }
}

void RelationsScreen::OpenText(int32_t record) {
  const LinkedRecord* found = records_->FindRecord(record);
  if (found == nullptr || record < 0) return;
  const ItemRef item(kPersonCategory, record + 1);
  if (item.IsItemRefValid()) item.MarkItemVisited();
  const int16_t mediaId = found->GetMediaId();
  const int16_t titleId = found->GetNumberB();
  if (!NamesMedium(mediaId) || !NamesMedium(titleId)) return;
  house_->StopAnimation();
  if (FindObject(kTextPanelId) != nullptr) RemoveChild(kTextPanelId, true);
  auto* panel = new HtmlTextPanel(kTextPanelId, static_cast<uint16_t>(titleId), static_cast<uint16_t>(mediaId),
                                  kTextLeft, kTextTop, 0, kTextWidth, kTextHeight, this);
  panel->BringToFront(false);
  panel->SetVisible(true, true);
  // Drawn once more as a whole: opened from the list's click, the showing
  // alone leaves it undrawn.
  panel->Redraw(nullptr, nullptr);
}

void RelationsScreen::OpenTextOfRow(int32_t row) {
  textOpen_ = true;
  house_->SetSelectable(true);
  selectedRecord_ = row;
  ShowPointerAtRow(row);
  // The buttons redraw as they are disabled: before the text panel, which
  // lies over some of them.
  SetItemsEnabled(false);
  OpenText(row);
}

// ---- Events ----------------------------------------------------------------------------

void RelationsScreen::RegionEntered() {
  house_->Invalidate();
  const int32_t region = house_->GetCurrentRegion();
  if (IsPlace(region)) {
    GetSoundManager().TriggerSound(kSoundRegionEntered);
    const int32_t entry = entries_->GetBubbleNumberForMask(region);
    // A region entered straight from another keeps no marks of the other.
    Unmark();
    if (entry >= 0) MarkRelated(entry, true);
    RegionCaption(entry);
  } else if (region == 0) {
    Unmark();
    SetCaption(VString(""), false);
  } else if (region == kSpinArea) {
    SendUpward(kOwnerHoverCaption, kSpinCaptionId, 0);
  }
  lastRegion_ = region;
}

void RelationsScreen::RegionLeft() {
  if (lastRegion_ >= 1 && lastRegion_ <= kSpinArea) {
    Unmark();
    SetCaption(VString(""), false);
  }
  lastRegion_ = -1;
}

void RelationsScreen::PointerActivated() {
  int32_t bubble = 0;
  const int32_t region = house_->GetCurrentRegion();
  if (IsPlace(region)) {
    bubble = entries_->GetBubbleNumberForMask(region);
    GetSoundManager().TriggerSound(kSoundGo);
  } else if (textOpen_) {
    const int32_t row = list_->GetHoveredItem();
    bubble = FirstLinkedId(row >= 0 ? row : selectedRecord_);
  }
  // Only a bubble number goes to the main panel; no place asks for bubble 0.
  if (!ItemRef(kBubbleCategory, bubble).IsItemRefValid()) bubble = 0;
  SendControlEvent(*this, kOwnerGoToBubble, static_cast<uint32_t>(bubble));
}

void RelationsScreen::ItemActivated(int32_t record) {
  list_->SetDimUnselected(true);
  list_->Invalidate();
  OpenTextOfRow(record);
}

void RelationsScreen::ItemEntered(int32_t controlId) {
  if (!PointerInside(controlId)) return;
  if (selectedItem_ == 0) {
    SelectItem(controlId);
  } else if (PointerInside(selectedItem_)) {
    pendingItem_ = controlId;
  } else {
    DeselectItem();
    SelectItem(controlId);
  }
}

void RelationsScreen::ItemLeft(int32_t controlId) {
  if (PointerInside(controlId)) return;
  if (controlId == selectedItem_) {
    DeselectItem();
    if (pendingItem_ != 0 && PointerInside(pendingItem_)) SelectItem(pendingItem_);
    pendingItem_ = 0;
  }
  if (controlId == pendingItem_) pendingItem_ = 0;
}

void RelationsScreen::ListArrived(int32_t row) {
  if (row < 0 || row >= GetItemCount()) {
    StopHouse();
    house_->Invalidate();
    if (MarkablePictureButton* button = GetItemButton(RecordOfButton(selectedItem_))) button->Restore();
    Unmark();
    SetCaption(VString(""), false);
    return;
  }
  const int32_t entry = FirstLinkedId(row);
  if (entry >= 0) TurnHouseTo(entry);
  if (MarkablePictureButton* button = GetItemButton(RecordOfButton(selectedItem_))) button->Restore();
  Unmark();
  MarkablePictureButton* button = GetItemButton(row);
  if (button != nullptr) button->Highlight();
  selectedItem_ = button != nullptr ? kFirstItemId + row : 0;
  if (entry >= 0) MarkRelated(entry, false);
  ItemCaption(row);
}

void RelationsScreen::ListConfirmed(int32_t row) {
  if (!list_->IsDimmingUnselected()) {
    if (HtmlTextPanel* panel = GetTextPanel(); panel != nullptr && panel->IsShown()) panel->Close();
    return;
  }
  if (row < 0 || row >= GetItemCount()) return;
  OpenTextOfRow(row);
}

void RelationsScreen::TextClosed() {
  textOpen_ = false;
  list_->SetDimUnselected(false);
  list_->Invalidate();
  house_->SetSelectable(false);
  house_->ShowCurrentFrame();
  RedrawPicturesOverHouse();
  HidePointers();
  SetItemsEnabled(true);
}

bool RelationsScreen::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  // What the children report while they are being made is not for the screen.
  if (!built_) return PictureFrameControl::HandleEvent(code, value1, value2);
  const auto id = static_cast<int32_t>(value1);
  const bool fromHouse = id == kHouseId;
  const bool fromItem = RecordOfButton(id) >= 0;
  switch (code) {
    case kMessageTick:
      if (!hidePending_) return false;
      hidePending_ = false;
      SetVisible(false, true);
      SendControlEvent(*this, kOwnerHidden);
      return true;
    case kEventPointerEntered:
      if (!fromHouse) return false;
      RegionEntered();
      return true;
    case kEventPointerLeft:
      if (!fromHouse) return false;
      RegionLeft();
      return true;
    case kEventButtonClicked:
      if (id == kPointerId) {
        PointerActivated();
        return true;
      }
      if (!fromItem) return PictureFrameControl::HandleEvent(code, value1, value2);
      ItemActivated(RecordOfButton(id));
      return true;
    case kEventButtonEntered:
      if (id == kPointerId) {
        GetSoundManager().TriggerSound(kSoundOverGo);
      } else if (fromItem) {
        ItemEntered(id);
      }
      return false;
    case kEventButtonLeft:
      if (!fromItem) return PictureFrameControl::HandleEvent(code, value1, value2);
      ItemLeft(id);
      return true;
    case AppTaskListControl::kMessageHovered:
      ListArrived(id);
      return true;
    case AppTaskListControl::kMessageItemClicked:
      ListConfirmed(id);
      return true;
    case HtmlTextPanel::kMessageClosed:
      TextClosed();
      return true;
    case AnimatedMaskControl::kMessageFrameChanged: {
      RedrawPicturesOverHouse();
      const int32_t frame = house_->GetCurrentFrame();
      if (std::abs(frame - lastSoundFrame_) > kFramesPerSound) {
        GetSoundManager().TriggerSound(kSoundFrames);
        lastSoundFrame_ = frame;
      }
      return true;
    }
    case kOwnerEnterQuery:
      return selectedItem_ != 0 && PointerInside(selectedItem_);
    case AnimatedMaskControl::kMessageArrived: {
      VEventHandler* sender = MessagePointerAs<VEventHandler>(value2);
      if (sender == static_cast<VEventHandler*>(intro_)) {
        IntroArrived();
      } else if (sender == static_cast<VEventHandler*>(house_) && closing_ && running_ == nullptr &&
                 next_ == nullptr) {
        StartCloseSequence();
      }
      return true;
    }
    case SignalTimer::kMessageTimerEnded:
      TimerEnded(id);
      return true;
    default:
      return PictureFrameControl::HandleEvent(code, value1, value2);
  }
}

// ---- Registration ------------------------------------------------------------------------

void RegisterRelationsScreen() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    return new RelationsScreen(request.id, request.left, request.top, request.layer, request.width,
                               request.height, request.owner);
  };
  ScreenRegistry::Register(RelationsScreen::kScreenKind, std::move(maker));
}
