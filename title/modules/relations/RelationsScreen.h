// The relations screen: the people and things of the house (one record each
// in the linked-record table TEXT 12102) shown against a small turning model
// of the house whose mask regions are the places of the house index. The
// items stand around the model as picture buttons and are listed by name on
// the right.
//
// Pointing at a place of the model marks the items linked to it (their
// buttons rise and show their marked picture, their rows take the list's
// second font); pointing at an item, or choosing its row, turns the model to
// the item's first place and marks the other items of that place.
// Activating an item opens its text in a pop-up text panel with a pointer
// button by its row; the pointer asks the main panel for the tour at the
// place (owner message 140). Captions go to the main interface's caption line.
//
// It enters with the list sliding in, three pictures flying out and the title
// and buttons fading in, then a short animation that gives way to the model
// (owner message 94 at its end); it leaves the same way backwards (95 on the
// tick after the last move). While an item's text is open it answers kind 4.
//
// RegisterRelationsScreen makes it the main panel's module screen of kind 1.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/controls/ControlEvents.h"
#include "engine/core/VString.h"
#include "title/controls/PictureFrameControl.h"

class AnimatedMaskControl;
class AnimatedPictureControl;
class AppTaskListControl;
class HtmlTextPanel;
class IndexEntryList;
class LinkedRecord;
class LinkedRecordTable;
class MarkablePictureButton;
class PlacementList;
class PlacementTransition;
class PlacementTransitionList;
class SignalTimer;
class VPictureButton;

class RelationsScreen : public PictureFrameControl {
 public:
  static constexpr int32_t kScreenKind = 1;
  static constexpr int32_t kTextOpenKind = 4;
  static constexpr int32_t kScreenId = 14419;
  static constexpr uint16_t kRecordsMediaId = 12102;
  static constexpr int32_t kHouseId = 14966;
  static constexpr int32_t kListId = 14967;
  static constexpr int32_t kFirstItemId = 14968;
  static constexpr int32_t kTextPanelId = 14989;
  static constexpr int32_t kIntroId = 14994;
  static constexpr int32_t kTitleId = 12292;
  static constexpr int32_t kPointerId = 14960;
  static constexpr int32_t kFlyingIds[3] = {14991, 14992, 14993};
  // Items beyond this many records get neither a row nor a button: their
  // buttons' layers (2 + record id) stay below the model's, and the rows fit
  // the list.
  static constexpr int32_t kMaxItems = 20;
  // At most this many items are marked at a time.
  static constexpr int32_t kMaxMarked = 4;
  // The model: its area, frames and media.
  static constexpr int32_t kHouseLeft = 127;
  static constexpr int32_t kHouseTop = 143;
  static constexpr int32_t kHouseWidth = 178;
  static constexpr int32_t kHouseHeight = 134;
  static constexpr int32_t kHouseLayer = 23;
  static constexpr int32_t kHouseFrames = 50;
  static constexpr int32_t kRestFrame = 5;
  static constexpr uint16_t kHouseFrameBase = 12400;
  static constexpr uint16_t kHouseRegionBase = 12500;
  static constexpr uint16_t kHouseHighlightBase = 12600;
  static constexpr uint16_t kIntroFrameBase = 12132;
  static constexpr int32_t kIntroFrames = 16;
  // Mask values: 0 no region, 1..253 places, 254 the spin area.
  static constexpr int32_t kSpinArea = 254;
  static constexpr uint32_t kSpinCaptionId = 14990;
  static constexpr uint32_t kOwnerHoverCaption = 28;
  static constexpr uint32_t kOwnerGoToBubble = 140;
  static constexpr uint32_t kOwnerEnterQuery = 130;
  static constexpr int32_t kOpeningSequence = 17;
  static constexpr int32_t kClosingSequence = 18;
  static constexpr int32_t kTransitionMs = 500;
  static constexpr uint32_t kTimerTickMs = 40;
  // Sounds (effect indexes).
  static constexpr int32_t kSoundFrames = 28;
  static constexpr int32_t kSoundRegionEntered = 30;
  static constexpr int32_t kSoundGo = 31;
  static constexpr int32_t kSoundOverGo = 32;

  // An item's button as its record places it: the record's first number p
  // taken as a 16-bit picture id, with the pictures pressed p + 3, over
  // p + 2, marked p - 1000 and disabled p + 1 (16-bit ids, wrapping), at the
  // record's position held to the 640 x 480 screen (records come from the
  // disc). False, no button, for p 0 or 0xFFFF.
  struct ItemButtonPlace {
    uint16_t normal = 0;
    uint16_t pressed = 0;
    uint16_t over = 0;
    uint16_t marked = 0;
    uint16_t disabled = 0;
    int32_t x = 0;
    int32_t y = 0;
  };
  static bool PlaceItemButton(const LinkedRecord& record, ItemButtonPlace& out);

  RelationsScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                  VGraphicObject* owner);
  ~RelationsScreen() override;
  RelationsScreen(const RelationsScreen&) = delete;
  RelationsScreen& operator=(const RelationsScreen&) = delete;

  int32_t GetKind() const override { return textOpen_ ? kTextOpenKind : kScreenKind; }
  void Show() override;
  void Hide() override;

  // Selects the item button (the model turns to its first place, the items
  // of that place are marked) or, with 0, deselects.
  void SelectItem(int32_t controlId);
  void DeselectItem();
  // Opens the record's text in the text panel (and marks it visited).
  void OpenText(int32_t record);

  AnimatedMaskControl* GetHouse() const { return house_; }
  AnimatedPictureControl* GetIntro() const { return intro_; }
  AppTaskListControl* GetList() const { return list_; }
  VPictureButton* GetUpperPointer() const { return upperPointer_; }
  VPictureButton* GetLowerPointer() const { return lowerPointer_; }
  HtmlTextPanel* GetTextPanel() const;
  MarkablePictureButton* GetItemButton(int32_t record) const;
  const LinkedRecordTable& GetRecords() const { return *records_; }
  const IndexEntryList& GetEntries() const { return *entries_; }
  int32_t GetItemCount() const { return static_cast<int32_t>(names_.size()); }
  int32_t GetSelectedItem() const { return selectedItem_; }
  int32_t GetPendingItem() const { return pendingItem_; }
  // Record ids of the marked items, in marking order.
  std::vector<int32_t> GetMarkedRecords() const;
  bool IsTextOpen() const { return textOpen_; }

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  void BuildPlacements(int32_t width);
  void RunTransition(PlacementTransition* transition, int32_t sequenceId);
  void StartCloseSequence();
  void PlayIntroTo(int32_t frame);
  void IntroArrived();
  void OpeningDone();
  void TimerEnded(int32_t id);
  void MarkRelated(int32_t entry, bool includeSelected);
  void Unmark();
  void SetCaption(const VString& text, bool visited);
  void RegionCaption(int32_t entry);
  void ItemCaption(int32_t record);
  void TurnHouseTo(int32_t entry);
  void StopHouse();
  // Has the flying pictures that lie over the model drawn again.
  void RedrawPicturesOverHouse();
  // The first linked id of the record, or -1 when it has none.
  int32_t FirstLinkedId(int32_t record) const;
  int32_t RecordOfButton(int32_t controlId) const;
  bool PointerInside(int32_t controlId);
  void ShowPointerAtRow(int32_t row);
  void HidePointers();
  void SetItemsEnabled(bool enabled);
  void OpenTextOfRow(int32_t row);
  void RegionEntered();
  void RegionLeft();
  void PointerActivated();
  void ItemActivated(int32_t record);
  void ItemEntered(int32_t controlId);
  void ItemLeft(int32_t controlId);
  void ListArrived(int32_t row);
  void ListConfirmed(int32_t row);
  void TextClosed();

  int32_t selectedItem_ = 0;
  int32_t pendingItem_ = 0;
  int32_t lastRegion_ = -1;
  std::vector<int32_t> marked_;
  AnimatedMaskControl* house_ = nullptr;
  std::unique_ptr<LinkedRecordTable> records_;
  std::unique_ptr<IndexEntryList> entries_;
  VPictureButton* upperPointer_ = nullptr;
  VPictureButton* lowerPointer_ = nullptr;
  AppTaskListControl* list_ = nullptr;
  std::unique_ptr<PlacementList> lists_[6];
  std::unique_ptr<PlacementTransitionList> openSequence_;
  std::unique_ptr<PlacementTransitionList> closeSequence_;
  PlacementTransition* running_ = nullptr;
  PlacementTransition* next_ = nullptr;
  AnimatedPictureControl* intro_ = nullptr;
  bool closing_ = false;
  bool hidePending_ = false;
  std::vector<VString> names_;
  bool textOpen_ = false;
  int32_t selectedRecord_ = -1;
  int32_t lastSoundFrame_ = -1;
  SignalTimer* timer_ = nullptr;
  bool built_ = false;
  ControlLife life_;
};

// Registers the maker of the main panel's module screen of kind 1.
void RegisterRelationsScreen();
