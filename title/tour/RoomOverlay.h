// The room overlay (screen kind 10) that the main panel opens over the tour:
// the plan of one room or area of the house with the buttons of its room
// record placed on it (item buttons and navigation buttons), a text column
// on the left that shows the room's title and text or, while the pointer
// rests on a button, that button's title and text (the room's return 250 ms
// after the pointer has left it), two buttons that switch between the floors
// of an area that has two, and a list of every room, area by area with the
// ground floor first (the rooms button or the header opens it; a link loads
// that room). A room with a box on the plan (TEXT 3905 + 100 x room) is
// chosen by a click in its box, as by its link in the list.
//
// Opening fades the background in over 500 ms and then shows the controls;
// closing hides them and fades the background out. The owner hears 94 with
// the overlay's id once it is open, 93 when the close button (or an exit
// button of the room) is clicked, and 95 on every tick once it has closed,
// until it removes the overlay. A bubble button of the room (kinds 5 and 13)
// asks the owner to enter the room's bubble: owner message 140 with the
// bubble's number, read from the item code in TEXT 3904 + 100 x room (no
// message when it names no bubble).
//
// Media: pictures and room records from the interface archive, texts
// (18049-18077 and the rooms' texts) from the language archive, each by the
// archive routing of its id. Picture fonts come from the font lookup given
// at construction (the title's table of picture fonts); without one the
// text controls use their default font.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "title/controls/PictureFrameControl.h"
#include "title/tour/RoomRecord.h"

class SignalTimer;
class VFont;
class VPictureControl;
class VTextControl;

class RoomOverlay : public PictureFrameControl {
 public:
  using FontLookup = std::function<VFont*(int32_t index)>;
  // Hears every room the overlay loads: its number and name.
  using RoomListener = std::function<void(int32_t room, const char* name)>;

  static constexpr int32_t kOverlayKind = 10;
  static constexpr int32_t kOverlayId = 14422;
  static constexpr int32_t kLeft = 56;
  static constexpr int32_t kTop = 25;
  static constexpr int32_t kWidth = 528;
  static constexpr int32_t kHeight = 355;
  // Where the plan lies in the overlay: a record's offsets start here.
  static constexpr int32_t kPlanLeft = 211;
  static constexpr int32_t kPlanTop = 75;

  // Children.
  static constexpr int32_t kScrollThumbId = 14861;
  static constexpr int32_t kScrollTrackId = 14862;
  static constexpr int32_t kScrollUpId = 14863;
  static constexpr int32_t kScrollDownId = 14864;
  static constexpr int32_t kScrollBarId = 14865;
  static constexpr int32_t kBackgroundId = 14895;
  static constexpr int32_t kPlanId = 14896;
  static constexpr int32_t kCloseButtonId = 14897;
  static constexpr int32_t kFloorDownId = 14898;
  static constexpr int32_t kFloorUpId = 14899;
  static constexpr int32_t kFirstButtonId = 14900;  // navigation button i: + i
  static constexpr int32_t kFirstItemId = 14920;    // item button n: + n - 1
  static constexpr int32_t kTextId = 14940;
  static constexpr int32_t kTitleId = 14941;
  static constexpr int32_t kNameId = 14942;
  static constexpr int32_t kLabelId = 14943;
  static constexpr int32_t kFloorTextId = 14944;
  static constexpr int32_t kRoomsButtonId = 14945;
  static constexpr int32_t kListDetectorId = 14946;
  static constexpr int32_t kHeaderId = 14947;
  static constexpr int32_t kListBackdropId = 14948;
  static constexpr int32_t kListBottomId = 14949;
  static constexpr int32_t kListId = 14950;
  static constexpr int32_t kFadeTimerId = 14951;
  static constexpr int32_t kFirstPlanBoxId = 14970;  // the box of room r: + r

  // Media.
  static constexpr uint16_t kBackgroundPicture = 3301;
  static constexpr uint16_t kPlanPicture = 3600;
  static constexpr uint16_t kClosePictures = 3800;
  static constexpr uint16_t kRoomsPictures = 3700;
  static constexpr uint16_t kFloorDownPictures = 3310;
  static constexpr uint16_t kFloorUpPictures = 3320;
  static constexpr uint16_t kListBackdropPicture = 3500;
  static constexpr uint16_t kListBottomPicture = 3510;
  static constexpr uint16_t kLabelText = 18049;
  static constexpr uint16_t kKindTextBase = 18050;
  static constexpr uint16_t kKindTitleBase = 18064;
  static constexpr int32_t kRecordBase = 3900;
  static constexpr int32_t kRecordStride = 100;
  static constexpr int32_t kBubbleLinkOffset = 4;
  static constexpr int32_t kPlanBoxOffset = 5;

  // Picture fonts.
  static constexpr int32_t kHeaderFont = 11;
  static constexpr int32_t kTextFont = 5;
  static constexpr int32_t kListFont = 7;

  // Owner messages and timing.
  static constexpr uint32_t kOwnerCloseRequest = 93;
  static constexpr uint32_t kOwnerBubble = 140;
  static constexpr uint32_t kMessageSound56 = 100;
  static constexpr uint32_t kResetDelay = 250;
  static constexpr uint32_t kFadeDuration = 500;
  static constexpr uint32_t kFadeInterval = 40;

  // Navigation button kinds that do something when clicked.
  static constexpr int32_t kBubbleKind = 5;
  static constexpr int32_t kExitKind = 10;
  static constexpr int32_t kGoToRoomKind = 13;

  enum State : int32_t { kNew = 0, kOpening = 1, kOpen = 2, kClosing = 3, kClosed = 4 };

  // The frame is always at (56, 25), 528 x 355: left, top, width and height
  // are not used. roomKey picks the room (RoomTable::FindRoomByKey).
  RoomOverlay(int32_t id, int32_t roomKey, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
              VGraphicObject* parent, FontLookup fonts = {});
  ~RoomOverlay() override;
  RoomOverlay(const RoomOverlay&) = delete;
  RoomOverlay& operator=(const RoomOverlay&) = delete;

  int32_t GetKind() const override { return kOverlayKind; }
  // Visible without redraw, then the fade in.
  void Show() override;
  // The controls go, then the fade out.
  void Hide() override;
  bool MouseMove(const VMouseEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  // Loads the room: floor controls, texts, header, and the buttons of its
  // record in place of the previous room's. A room the table has not is
  // ignored.
  void LoadRoom(int32_t room, bool redraw);
  // The text column: the room (index -1, or any index outside the arrays),
  // a button kind (item false) or item index (item true).
  void ShowInfo(int32_t index, bool item, bool redraw);
  void SetState(int32_t state);
  void UpdateFloorControls(bool redraw);
  void ShowControls(bool visible, bool redraw);
  void ShowControl(int32_t id, bool visible, bool redraw);
  // Opens the list of the rooms (the rooms button's click).
  void OpenRoomsList();
  // The listener hears the room shown now at once, then every room loaded.
  void SetRoomListener(RoomListener listener);

  int32_t GetState() const { return state_; }
  int32_t GetRoom() const { return room_; }
  int32_t GetItemCount() const { return itemCount_; }
  int32_t GetButtonCount() const { return buttonCount_; }
  int32_t GetButtonKind(int32_t index) const;
  int32_t GetShownKind() const { return shownKind_; }
  bool IsShowingItem() const { return shownItem_; }
  uint32_t GetResetTick() const { return resetTick_; }
  const ItemRef& GetBubble() const { return bubble_; }
  SignalTimer* GetFadeTimer() const { return fadeTimer_; }
  VPictureControl* GetBackground() const { return background_; }

 private:
  VFont* Font(int32_t index) const;
  VTextControl* TextControl(int32_t id);
  void MakeFixedChildren();
  void CreateFadeNetwork();
  void ShowScrollBar(int32_t left, int32_t top, int32_t minimum, int32_t maximum);
  void RemoveScrollBar();
  void RemoveChildControl(int32_t id);
  void MakeFloorButtons();
  void MakePlanBoxes();
  void CloseRoomsList();
  void ChangeRoom(int32_t room);
  void SendOwnerMessage(uint32_t code, uint32_t value);
  void ButtonClicked(int32_t index);

  FontLookup fonts_;
  RoomListener roomListener_;
  VString roomName_;
  std::array<int32_t, RoomRecord::kMaxButtons> buttonKinds_{};
  std::array<VString, RoomRecord::kKindCount> kindTitles_;
  std::array<VString, RoomRecord::kKindCount> kindTexts_;
  VString roomTitle_;
  VString roomText_;
  std::array<VString, RoomRecord::kMaxItems> itemTitles_;
  std::array<VString, RoomRecord::kMaxItems> itemTexts_;
  int32_t itemCount_ = 0;
  int32_t buttonCount_ = 0;
  int32_t shownKind_ = -1;
  bool shownItem_ = false;
  int32_t room_ = 0;
  uint32_t resetTick_ = 0;
  VPictureControl* background_ = nullptr;  // a child
  SignalTimer* fadeTimer_ = nullptr;       // a child
  int32_t state_ = kNew;
  ItemRef bubble_;
};
