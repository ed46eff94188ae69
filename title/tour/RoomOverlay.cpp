#include "title/tour/RoomOverlay.h"

#include <algorithm>

#include <string>
#include <utility>

#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VHotspot.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureScrollBar.h"
#include "engine/controls/VSlider.h"
#include "engine/controls/VTextBox.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/script/ScriptLexer.h"
#include "engine/sound/SoundManager.h"
#include "platform/Clock.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"
#include "title/tour/RoomTable.h"

namespace {

// Interface sounds by index.
constexpr int32_t kSoundClose = 3;
constexpr int32_t kSoundOverClose = 4;
constexpr int32_t kSoundFloorDown = 50;
constexpr int32_t kSoundOverFloorDown = 51;
constexpr int32_t kSoundFloorUp = 52;
constexpr int32_t kSoundOverFloorUp = 53;
constexpr int32_t kSoundRooms = 54;
constexpr int32_t kSoundOverRooms = 55;
constexpr int32_t kSound56 = 56;
constexpr int32_t kSoundLink = 57;
constexpr int32_t kSoundOverButton = 58;
constexpr int32_t kSounds[] = {kSoundClose,     kSoundOverClose, kSoundFloorDown, kSoundOverFloorDown,
                               kSoundFloorUp,   kSoundOverFloorUp, kSoundRooms,   kSoundOverRooms,
                               kSoundLink,      kSound56,        kSoundOverButton};

constexpr int32_t kButtonLayer = 5;
// The rooms' boxes lie over the plan and under the buttons placed on it.
constexpr int32_t kPlanBoxLayer = 4;
constexpr int32_t kTextLayer = 3;
constexpr int32_t kMaxLevel = 63;

// The scroll bar of the text column.
constexpr int32_t kScrollLeft = 200;
constexpr int32_t kScrollTop = 75;
constexpr int32_t kBarWidth = 9;
constexpr int32_t kBarHeight = 226;
constexpr int32_t kArrowHeight = 13;
constexpr int32_t kBarLayer = 25;
constexpr int32_t kArrowLayer = 30;
constexpr uint16_t kTrackPicture = 3601;
constexpr uint16_t kThumbPicture = 3602;
constexpr uint16_t kUpPicture = 3610;
constexpr uint16_t kDownPicture = 3620;
constexpr uint32_t kArrowRepeatDelay = 75;
constexpr uint32_t kArrowRepeatInterval = 45;
constexpr int32_t kBarLineStep = 4;

// The list of areas.
constexpr int32_t kListLeft = 28;
constexpr int32_t kListTop = 22;
constexpr int32_t kListWidth = 179;
constexpr int32_t kListHeight = 290;
constexpr int32_t kListLayer = 6;
constexpr int32_t kBackdropLeft = 20;
constexpr int32_t kBackdropTop = 17;
constexpr int32_t kBackdropWidth = 189;
// The detector lies in front of the list: a text control takes every
// pointer move, so behind it the detector would never see the pointer leave.
constexpr int32_t kDetectorLayer = 7;

const VRGBColor kHeaderColor(220, 220, 220);
const VRGBColor kInkColor(16, 22, 58);
const VRGBColor kVisitedLinkColor(72, 97, 136);

uint32_t Now() { return platform::TickCount(); }

SoundManager& Sounds() { return GetSoundManager(); }

VString LoadText(int32_t id) {
  VString text;
  if (id > 0 && id <= 0xFFFF) LoadTextMedia(text, static_cast<uint16_t>(id), true);
  return text;
}

const char* Chars(const VString& text) { return text.GetChars() != nullptr ? text.GetChars() : ""; }

// The room's bubble: the item code that begins the text.
ItemRef ReadBubbleLink(int32_t mediaId) {
  ItemRef link;
  ReadLeadingItemRef(LoadText(mediaId), link);
  return link;
}

bool InRange(uint32_t value, int32_t first, int32_t count) {
  return value >= static_cast<uint32_t>(first) && value < static_cast<uint32_t>(first + count);
}

}  // namespace

RoomOverlay::RoomOverlay(int32_t id, int32_t roomKey, int32_t /*left*/, int32_t /*top*/, int32_t layer,
                         int32_t /*width*/, int32_t /*height*/, VGraphicObject* parent, FontLookup fonts)
    : PictureFrameControl(id, 0, kLeft, kTop, layer, kWidth, kHeight, parent), fonts_(std::move(fonts)) {
  MakeFixedChildren();
  for (int32_t kind = 0; kind < RoomRecord::kKindCount; ++kind) {
    kindTitles_[static_cast<size_t>(kind)] = LoadText(kKindTitleBase + kind);
    kindTexts_[static_cast<size_t>(kind)] = LoadText(kKindTextBase + kind);
  }
  buttonKinds_.fill(0);
  room_ = RoomTable::FindRoomByKey(roomKey);
  LoadRoom(room_, false);
  ShowInfo(-1, false, false);
  CreateFadeNetwork();
  for (const int32_t sound : kSounds) Sounds().AcquireSound(sound);
}

RoomOverlay::~RoomOverlay() {
  for (const int32_t sound : kSounds) Sounds().ReleaseSound(sound);
}

VFont* RoomOverlay::Font(int32_t index) const { return fonts_ ? fonts_(index) : nullptr; }

VTextControl* RoomOverlay::TextControl(int32_t id) { return dynamic_cast<VTextControl*>(FindObject(id)); }

void RoomOverlay::MakeFixedChildren() {
  background_ = new VPictureControl(kBackgroundId, kBackgroundPicture, 0, 0, 1, kWidth, kHeight, this);
  // Faded, the background is drawn over what lies below it: its redraws
  // start from the window's root, else each step would blend onto the last.
  background_->SetTransparent(true);
  new VPictureControl(kPlanId, kPlanPicture, kPlanLeft, kPlanTop, 2, 0, 0, this);
  new VPictureButton(kCloseButtonId, kClosePictures, static_cast<uint16_t>(kClosePictures + 1),
                     static_cast<uint16_t>(kClosePictures + 2), uint16_t{0}, VPoint(512, 2), kButtonLayer, 0, 0, this);
  new VPictureButton(kRoomsButtonId, kRoomsPictures, static_cast<uint16_t>(kRoomsPictures + 1),
                     static_cast<uint16_t>(kRoomsPictures + 2), uint16_t{0}, VPoint(23, 3), kButtonLayer, 0, 0, this);
  new VHotspot(kHeaderId, 25, 1, 4, 184, 15, this);
  struct TextSpec {
    int32_t id;
    int32_t left, top, width, height;
    int32_t font;
    const VRGBColor* color;
  };
  const TextSpec texts[] = {
      {kLabelId, 37, 4, 100, 20, kHeaderFont, &kHeaderColor},
      {kNameId, 213, 4, 200, 20, kHeaderFont, &kHeaderColor},
      {kFloorTextId, 230, 29, 100, 20, kHeaderFont, &kInkColor},
      {kTitleId, 20, 41, 170, 30, kTextFont, &kInkColor},
      {kTextId, 20, 80, 160, 217, kTextFont, &kInkColor},
  };
  for (const TextSpec& spec : texts) {
    auto* text = new VTextControl(spec.id, spec.left, spec.top, kTextLayer, spec.width, spec.height, nullptr,
                                  Font(spec.font), kAlignLeft, 0, false, 0, this);
    text->SetTransparent(true);
    text->SetTextColor(*spec.color);
    // A text control takes every pointer move: these only show text, so the
    // moves go on to the buttons and the overlay.
    text->SetEnabled(false);
  }
  TextControl(kLabelId)->SetTextChars(Chars(LoadText(kLabelText)), false);
  MakePlanBoxes();
  // Everything hidden until the overlay has opened; the background starts
  // faded out.
  for (VGraphicObject* child = GetFirstChildObject(); child != nullptr; child = child->GetNextObject()) {
    child->SetVisible(false, false);
  }
  PixelMapAttributes attributes;
  if (background_->GetPixelAttributes(attributes)) {
    attributes.SetLevel(0);
    background_->SetPixelAttributes(attributes, false);
  }
}

void RoomOverlay::MakePlanBoxes() {
  for (int32_t room = 0; room < RoomTable::kRoomCount; ++room) {
    RoomRecord::Box box;
    const int32_t mediaId = kRecordBase + kRecordStride * room + kPlanBoxOffset;
    if (!RoomRecord::LoadBox(static_cast<uint16_t>(mediaId), box)) continue;
    new VHotspot(kFirstPlanBoxId + room, kPlanLeft + box.left, kPlanTop + box.top, kPlanBoxLayer,
                 box.right - box.left, box.bottom - box.top, this);
  }
}

void RoomOverlay::CreateFadeNetwork() {
  fadeTimer_ = new SignalTimer(kFadeTimerId, kFadeInterval, this);
  // From 0, two units per second over the range 63: 0 to 63 in 500 ms.
  auto* ramp = new SignalSpeedRamp(0, 0, 1000.0 / kFadeDuration, kMaxLevel, 0);
  fadeTimer_->Subscribe(ramp, 0);
  ramp->Subscribe(new SignalLevelSink(background_), 0);
}

void RoomOverlay::Show() {
  SetVisible(true, false);
  SetState(kOpening);
}

void RoomOverlay::Hide() { SetState(kClosing); }

void RoomOverlay::SetState(int32_t state) {
  if (state == state_) return;
  state_ = state;
  switch (state) {
    case kOpening:
      if (background_ != nullptr) background_->SetVisible(true, false);
      if (fadeTimer_ != nullptr) {
        fadeTimer_->SetDirection(1);
        fadeTimer_->Start(kFadeDuration);
      }
      break;
    case kOpen:
      MakeFloorButtons();
      ShowControls(true, false);
      Redraw(nullptr, nullptr);
      UpdateFloorControls(true);
      break;
    case kClosing:
      ShowControls(false, false);
      if (background_ != nullptr) background_->SetVisible(true, false);
      if (fadeTimer_ != nullptr) {
        fadeTimer_->SetDirection(-1);
        fadeTimer_->Start(kFadeDuration);
      }
      break;
    case kClosed:
      SetVisible(false, false);
      break;
    default:
      break;
  }
}

void RoomOverlay::MakeFloorButtons() {
  if (FindObject(kFloorDownId) == nullptr) {
    auto* down = new VPictureButton(kFloorDownId, kFloorDownPictures, static_cast<uint16_t>(kFloorDownPictures + 1),
                                    static_cast<uint16_t>(kFloorDownPictures + 2),
                                    static_cast<uint16_t>(kFloorDownPictures + 3), VPoint(211, 27), kButtonLayer, 0,
                                    0, this);
    down->SetVisible(false, false);
  }
  if (FindObject(kFloorUpId) == nullptr) {
    auto* up = new VPictureButton(kFloorUpId, kFloorUpPictures, static_cast<uint16_t>(kFloorUpPictures + 1),
                                  static_cast<uint16_t>(kFloorUpPictures + 2),
                                  static_cast<uint16_t>(kFloorUpPictures + 3), VPoint(218, 27), kButtonLayer, 0, 0,
                                  this);
    up->SetVisible(false, false);
  }
}

void RoomOverlay::ShowControl(int32_t id, bool visible, bool redraw) {
  if (VGraphicObject* object = FindObject(id); object != nullptr && object != this) object->SetVisible(visible, redraw);
}

void RoomOverlay::ShowControls(bool visible, bool redraw) {
  const bool listOpen = FindObject(kListId) != nullptr;
  for (const int32_t id : {kBackgroundId, kPlanId, kListBackdropId, kListBottomId, kListId, kHeaderId,
                           kRoomsButtonId, kFloorDownId, kFloorUpId, kCloseButtonId, kTextId, kTitleId, kLabelId,
                           kNameId, kFloorTextId, kScrollBarId}) {
    // The list's backdrop stays hidden while no list lies on it.
    if (visible && !listOpen && (id == kListBackdropId || id == kListBottomId)) continue;
    ShowControl(id, visible, redraw);
  }
  for (int32_t i = 0; i < RoomRecord::kMaxButtons; ++i) {
    ShowControl(kFirstButtonId + i, visible, redraw);
    ShowControl(kFirstItemId + i, visible, redraw);
  }
  for (int32_t room = 0; room < RoomTable::kRoomCount; ++room) ShowControl(kFirstPlanBoxId + room, visible, redraw);
}

void RoomOverlay::UpdateFloorControls(bool redraw) {
  const RoomTable::Room* row = RoomTable::GetRoom(room_);
  if (row == nullptr) return;
  const bool single = row->floors == 0 || row->floors == 1;
  const bool downEnabled = !single && row->floor != 1;
  const bool upEnabled = !single && row->floor != row->floors;
  for (const auto& [id, enabled] : {std::pair{kFloorDownId, downEnabled}, std::pair{kFloorUpId, upEnabled}}) {
    auto* button = dynamic_cast<VPictureButton*>(FindObject(id));
    if (button == nullptr) continue;
    if (redraw) {
      button->SetEnabled(enabled);
      button->Redraw(nullptr, nullptr);
    } else {
      const bool visible = button->IsVisible();
      button->SetVisible(false, false);
      button->SetEnabled(enabled);
      button->SetVisible(visible, false);
    }
  }
  if (VTextControl* text = TextControl(kFloorTextId)) {
    const std::string floors = std::to_string(row->floor) + " / " + std::to_string(row->floors);
    text->SetTextChars(floors.c_str(), redraw);
  }
}

void RoomOverlay::RemoveChildControl(int32_t id) {
  VGraphicObject* object = FindObject(id);
  if (object == nullptr || object == this) return;
  if (auto* control = dynamic_cast<VControl*>(object)) DeleteControlLater(control);
}

void RoomOverlay::LoadRoom(int32_t room, bool redraw) {
  const RoomTable::Room* row = RoomTable::GetRoom(room);
  if (row == nullptr) return;
  room_ = room;
  UpdateFloorControls(redraw);
  const int32_t base = RoomTable::GetTextBase(room);
  roomTitle_ = LoadText(base + 1);
  roomText_ = LoadText(base + 2);
  roomName_ = LoadText(base);
  if (VTextControl* name = TextControl(kNameId)) name->SetTextChars(Chars(roomName_), redraw);

  const int32_t recordId = kRecordBase + kRecordStride * room;
  RoomRecord record;
  record.Load(static_cast<uint16_t>(recordId));
  // Every id a button can have goes, whatever the previous record held.
  for (int32_t i = 0; i < RoomRecord::kMaxButtons; ++i) {
    RemoveChildControl(kFirstItemId + i);
    RemoveChildControl(kFirstButtonId + i);
  }
  itemCount_ = 0;
  buttonCount_ = 0;
  buttonKinds_.fill(0);
  for (VString& text : itemTitles_) text = VString();
  for (VString& text : itemTexts_) text = VString();

  for (int32_t n = 1; n <= RoomRecord::kMaxItems; ++n) {
    const RoomRecord::Item& item = record.GetItem(n);
    if (!item.present) continue;
    itemTitles_[static_cast<size_t>(n - 1)] = LoadText(base + 1 + 2 * n);
    itemTexts_[static_cast<size_t>(n - 1)] = LoadText(base + 2 + 2 * n);
    const int32_t pictures = recordId + 10 * n;
    auto* button = new VPictureButton(kFirstItemId + n - 1, static_cast<uint16_t>(pictures + 1),
                                      static_cast<uint16_t>(pictures + 2), static_cast<uint16_t>(pictures + 3),
                                      uint16_t{0}, VPoint(item.x + kPlanLeft, item.y + kPlanTop), kButtonLayer, 0, 0,
                                      this);
    if (!redraw) button->SetVisible(false, false);
  }
  itemCount_ = record.GetItemCount();
  for (int32_t i = 0; i < record.GetButtonCount(); ++i) {
    const RoomRecord::Button* entry = record.GetButton(i);
    const uint16_t p = entry->pictureBase;
    auto* button = new VPictureButton(kFirstButtonId + buttonCount_, static_cast<uint16_t>(p + 1),
                                      static_cast<uint16_t>(p + 2), static_cast<uint16_t>(p + 3), uint16_t{0},
                                      VPoint(entry->x + kPlanLeft, entry->y + kPlanTop), kButtonLayer, 0, 0, this);
    buttonKinds_[static_cast<size_t>(buttonCount_)] = entry->kind;
    ++buttonCount_;
    if (!redraw) button->SetVisible(false, false);
  }
  // Only a room with a button that walks into its bubble has the link.
  bubble_ = ItemRef();
  const bool walks = std::any_of(buttonKinds_.begin(), buttonKinds_.begin() + buttonCount_,
                                 [](int32_t kind) { return kind == kBubbleKind || kind == kGoToRoomKind; });
  if (walks) bubble_ = ReadBubbleLink(recordId + kBubbleLinkOffset);
  if (roomListener_) roomListener_(room_, Chars(roomName_));
}

void RoomOverlay::SetRoomListener(RoomListener listener) {
  roomListener_ = std::move(listener);
  if (roomListener_) roomListener_(room_, Chars(roomName_));
}

int32_t RoomOverlay::GetButtonKind(int32_t index) const {
  if (index < 0 || index >= RoomRecord::kMaxButtons) return -1;
  return buttonKinds_[static_cast<size_t>(index)];
}

void RoomOverlay::ShowInfo(int32_t index, bool item, bool redraw) {
  if (index != -1) {
    resetTick_ = 0;
    shownKind_ = index;
    shownItem_ = item;
  }
  const VString* title = &roomTitle_;
  const VString* text = &roomText_;
  if (!item && index >= 0 && index < RoomRecord::kKindCount) {
    title = &kindTitles_[static_cast<size_t>(index)];
    text = &kindTexts_[static_cast<size_t>(index)];
  } else if (item && index >= 0 && index < RoomRecord::kMaxItems) {
    title = &itemTitles_[static_cast<size_t>(index)];
    text = &itemTexts_[static_cast<size_t>(index)];
  }
  VTextControl* titleControl = TextControl(kTitleId);
  VTextControl* textControl = TextControl(kTextId);
  if (titleControl != nullptr) titleControl->SetTextChars(Chars(*title), false);
  if (textControl != nullptr) {
    textControl->SetTextChars(Chars(*text), false);
    textControl->UpdateLayout();
    const int32_t maximum = textControl->GetMax(0);
    if (maximum >= 1 && !item) {
      RemoveScrollBar();
      ShowScrollBar(kScrollLeft, kScrollTop, 0, maximum);
      textControl->ScrollTo(0, 0);
      if (auto* bar = dynamic_cast<VPictureScrollBar*>(FindObject(kScrollBarId))) {
        textControl->SetScrollBar(bar, 0);
        if (redraw) {
          bar->Redraw(nullptr, nullptr);
        } else {
          bar->SetVisible(false, false);
        }
      }
    } else {
      textControl->ScrollTo(0, 0);
      if (VGraphicObject* bar = FindObject(kScrollBarId); bar != nullptr && bar != this) bar->Invalidate();
      RemoveScrollBar();
    }
  }
  if (redraw) {
    if (textControl != nullptr) textControl->Redraw();
    if (titleControl != nullptr) titleControl->Redraw();
  }
}

void RoomOverlay::RemoveScrollBar() {
  auto* bar = dynamic_cast<VPictureScrollBar*>(FindObject(kScrollBarId));
  if (bar == nullptr) return;
  if (VTextControl* text = TextControl(kTextId); text != nullptr && text->GetScrollBar(0) == bar) {
    text->SetScrollBar(nullptr, 0);
  }
  DeleteControlLater(bar);
}

void RoomOverlay::ShowScrollBar(int32_t left, int32_t top, int32_t minimum, int32_t maximum) {
  auto* thumb = new VSliderThumb(kScrollThumbId, kThumbPicture, kThumbPicture, kThumbPicture, kThumbPicture, 0,
                                 kArrowHeight, kArrowLayer, kBarWidth, kBarHeight - 2 * kArrowHeight, nullptr);
  auto* track = new VPictureButton(kScrollTrackId, kTrackPicture, uint16_t{0}, uint16_t{0}, uint16_t{0}, VPoint(0, 0),
                                   kBarLayer, kBarWidth, kBarHeight, nullptr);
  auto* up = new VPictureButton(kScrollUpId, kUpPicture, static_cast<uint16_t>(kUpPicture + 2),
                                static_cast<uint16_t>(kUpPicture + 1), uint16_t{0}, VPoint(0, 0), kArrowLayer,
                                kBarWidth, kArrowHeight, nullptr);
  auto* down = new VPictureButton(kScrollDownId, kDownPicture, static_cast<uint16_t>(kDownPicture + 2),
                                  static_cast<uint16_t>(kDownPicture + 1), uint16_t{0},
                                  VPoint(0, kBarHeight - kArrowHeight - 1), kArrowLayer, kBarWidth, kArrowHeight,
                                  nullptr);
  for (VPictureButton* arrow : {up, down}) {
    arrow->SetRepeatDelay(kArrowRepeatDelay);
    arrow->SetRepeatInterval(kArrowRepeatInterval);
  }
  auto* bar = new VPictureScrollBar(kScrollBarId, minimum, maximum, left - kBarWidth, top, kBarLayer, kBarWidth,
                                    kBarHeight, thumb, track, up, down, this);
  bar->SetLineStep(kBarLineStep);
  bar->SetSmooth(false);
}

void RoomOverlay::OpenRoomsList() {
  Sounds().TriggerSound(kSoundRooms);
  ShowControl(kScrollBarId, false, true);
  RemoveChildControl(kListId);
  RemoveChildControl(kListDetectorId);
  auto* list = new VHTMLTextControl(kListId, kListLeft, kListTop, kListLayer, kListWidth, kListHeight, nullptr,
                                    Font(kListFont), nullptr, kAlignLeft, false, 0, this);
  // Every room, the upper floors' too: each one the plan shows can be
  // chosen here. A link's target is the room's number.
  std::string markup;
  for (const int32_t room : RoomTable::ListOrder()) {
    markup += "<A HREF=\"" + std::to_string(room) + "\">" + Chars(LoadText(RoomTable::GetTextBase(room))) +
              "</A><BR>";
  }
  list->SetTextColor(kInkColor);
  list->SetLinkColor(kInkColor);
  list->SetSecondLinkColor(kInkColor);
  list->SetThirdLinkColor(kVisitedLinkColor);
  list->SetTransparent(true);
  list->SetText(new VString(markup.c_str()), false);
  list->UpdateLayout();
  const int32_t height = list->GetTextHeight() > 0 ? list->GetTextHeight() : 1;

  RemoveChildControl(kListBackdropId);
  auto* backdrop = new VPictureControl(kListBackdropId, kListBackdropPicture, kBackdropLeft, kBackdropTop,
                                       kButtonLayer, kBackdropWidth, height, this);
  backdrop->Redraw(nullptr, nullptr);
  RemoveChildControl(kListBottomId);
  auto* bottom = new VPictureControl(kListBottomId, kListBottomPicture, kBackdropLeft, kBackdropTop + height,
                                     kButtonLayer, 0, 0, this);
  bottom->Redraw(nullptr, nullptr);
  new VMouseDetector(kListDetectorId, kBackdropLeft, kBackdropTop, kDetectorLayer, kBackdropWidth, height, false,
                     this);
  list->Redraw();
}

void RoomOverlay::CloseRoomsList() {
  RemoveChildControl(kListId);
  ShowControl(kListBackdropId, false, true);
  ShowControl(kListBottomId, false, true);
  if (VGraphicObject* detector = FindObject(kListDetectorId); detector != nullptr && detector != this) {
    detector->SetEnabled(false);
  }
  if (VTextControl* text = TextControl(kTextId); text != nullptr && text->GetMax(0) >= 1) {
    ShowControl(kScrollBarId, true, false);
  }
  Redraw(nullptr, nullptr);
}

void RoomOverlay::ChangeRoom(int32_t room) {
  if (RoomTable::GetRoom(room) == nullptr) return;
  LoadRoom(room, false);
  ShowInfo(-1, false, false);
  ShowControls(true, false);
  Redraw(nullptr, nullptr);
}

void RoomOverlay::SendOwnerMessage(uint32_t code, uint32_t value) { SendControlEvent(*this, code, value); }

void RoomOverlay::ButtonClicked(int32_t index) {
  switch (GetButtonKind(index)) {
    case kBubbleKind:
    case kGoToRoomKind:
      if (bubble_.GetCategory() == kBubbleCategory && bubble_.IsItemRefValid() && bubble_.GetNumber() > 0) {
        SendOwnerMessage(kOwnerBubble, static_cast<uint32_t>(bubble_.GetNumber()));
      }
      break;
    case kExitKind:
      Sounds().TriggerSound(kSoundClose);
      SendOwnerMessage(kOwnerCloseRequest, static_cast<uint32_t>(GetId()));
      break;
    default:
      break;
  }
}

bool RoomOverlay::MouseMove(const VMouseEvent& event) {
  VGraphicObject::MouseMove(event);
  // The tour below keeps its mouse look outside the overlay.
  return event.x >= kLeft && event.x <= kLeft + kWidth && event.y >= kTop && event.y <= kTop + kHeight;
}

bool RoomOverlay::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  const RoomTable::Room* row = RoomTable::GetRoom(room_);
  switch (code) {
    case kMessageTick:
      if (state_ == kClosed) {
        SendOwnerMessage(kOwnerHidden, static_cast<uint32_t>(GetId()));
        return true;
      }
      if (resetTick_ != 0 && resetTick_ < Now()) {
        resetTick_ = 0;
        ShowInfo(-1, false, true);
        return true;
      }
      break;
    case kEventPointerLeft:
      if (value1 == static_cast<uint32_t>(kListDetectorId)) {
        CloseRoomsList();
        return true;
      }
      break;
    case kEventButtonClicked:
      if (value1 == static_cast<uint32_t>(kCloseButtonId)) {
        Sounds().TriggerSound(kSoundClose);
        SendOwnerMessage(kOwnerCloseRequest, static_cast<uint32_t>(GetId()));
        return true;
      }
      if (value1 == static_cast<uint32_t>(kFloorDownId) || value1 == static_cast<uint32_t>(kFloorUpId)) {
        const bool down = value1 == static_cast<uint32_t>(kFloorDownId);
        if (row != nullptr && (down ? row->floor > 1 : row->floor < row->floors)) {
          Sounds().TriggerSound(down ? kSoundFloorDown : kSoundFloorUp);
          ChangeRoom(RoomTable::FindRoom(row->area, down ? row->floor - 1 : row->floor + 1));
        }
        return true;
      }
      if (value1 == static_cast<uint32_t>(kRoomsButtonId)) {
        OpenRoomsList();
        return true;
      }
      if (InRange(value1, kFirstButtonId, RoomRecord::kMaxButtons)) {
        ButtonClicked(static_cast<int32_t>(value1) - kFirstButtonId);
        return true;
      }
      break;
    case kEventButtonEntered:
      if (InRange(value1, kFirstButtonId, RoomRecord::kMaxButtons)) {
        Sounds().TriggerSound(kSoundOverButton);
        ShowInfo(GetButtonKind(static_cast<int32_t>(value1) - kFirstButtonId), false, true);
        return true;
      }
      if (InRange(value1, kFirstItemId, RoomRecord::kMaxItems)) {
        Sounds().TriggerSound(kSoundOverButton);
        ShowInfo(static_cast<int32_t>(value1) - kFirstItemId, true, true);
        return true;
      }
      if (value1 == static_cast<uint32_t>(kCloseButtonId)) Sounds().TriggerSound(kSoundOverClose);
      if (value1 == static_cast<uint32_t>(kFloorDownId)) Sounds().TriggerSound(kSoundOverFloorDown);
      if (value1 == static_cast<uint32_t>(kFloorUpId)) Sounds().TriggerSound(kSoundOverFloorUp);
      if (value1 == static_cast<uint32_t>(kRoomsButtonId)) Sounds().TriggerSound(kSoundOverRooms);
      break;
    case kEventButtonLeft:
      if (InRange(value1, kFirstButtonId, RoomRecord::kMaxButtons)) {
        if (!shownItem_ && shownKind_ == GetButtonKind(static_cast<int32_t>(value1) - kFirstButtonId)) {
          resetTick_ = Now() + kResetDelay;
        }
        return true;
      }
      if (InRange(value1, kFirstItemId, RoomRecord::kMaxItems)) {
        if (shownItem_ && shownKind_ == static_cast<int32_t>(value1) - kFirstItemId) resetTick_ = Now() + kResetDelay;
        return true;
      }
      break;
    case kEventHotspotReleased:
      if (value1 == static_cast<uint32_t>(kHeaderId)) {
        SendControlEvent(*this, kEventButtonClicked, static_cast<uint32_t>(kRoomsButtonId));
        return true;
      }
      // A room's box on the plan: that room, as its link in the list.
      if (InRange(value1, kFirstPlanBoxId, RoomTable::kRoomCount)) {
        Sounds().TriggerSound(kSoundLink);
        for (const int32_t id : {kListBackdropId, kListBottomId, kListId, kListDetectorId}) RemoveChildControl(id);
        ChangeRoom(static_cast<int32_t>(value1) - kFirstPlanBoxId);
        return true;
      }
      break;
    case kEventLinkActivated: {
      const VString* target = MessagePointerAs<VString>(value1);
      if (target == nullptr) break;
      Sounds().TriggerSound(kSoundLink);
      const int32_t room = target->GetInteger();
      for (const int32_t id : {kListBackdropId, kListBottomId, kListId, kListDetectorId}) RemoveChildControl(id);
      // A target that names no room leaves the room as it is.
      ChangeRoom(room);
      return true;
    }
    case kMessageSound56:
      Sounds().TriggerSound(kSound56);
      break;
    case SignalTimer::kMessageTimerEnded:
      if (value1 != static_cast<uint32_t>(kFadeTimerId)) break;
      if (state_ == kOpening) {
        SetState(kOpen);
        SendOwnerMessage(kOwnerShown, static_cast<uint32_t>(GetId()));
        return true;
      }
      if (state_ == kClosing) {
        SetState(kClosed);
        return true;
      }
      break;
    default:
      break;
  }
  return PictureFrameControl::HandleEvent(code, value1, value2);
}
