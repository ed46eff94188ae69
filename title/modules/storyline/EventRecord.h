// One dated event of the house's history, read from its EVENT script:
//
//   EVENT { ID EV012 DATE 15 6 1672 INFO VI001 TIMELINE TL001 STORYLINE ST001 }
//
// DATE is day, month, year. Fields are read in exactly this order; a field
// left out, or standing out of order, keeps its default. Media of an event
// with base id B (entry of its number in category table 3): B the script,
// B + 1 the card text.
//
// The event's INFO item is the content it shows and holds its visit flag:
// item references of events reach it through the script library's event
// record hook (MakeEventRecord is the factory to install there). Each series
// loads its own copies of its events; a series owns its records.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"
#include "engine/core/VTime.h"
#include "engine/script/EventRecordHook.h"
#include "engine/script/ItemRef.h"

class BandEventCard;
class PanelEventCard;

class EventRecord : public VListElement, public EventRecordInterface {
 public:
  // The category table of events.
  static constexpr int32_t kEventTable = 3;

  // Key set, text empty, date all 0, references (0, 0), no cards; then Load.
  explicit EventRecord(const ItemRef& key);
  ~EventRecord() override = default;
  EventRecord(const EventRecord&) = delete;
  EventRecord& operator=(const EventRecord&) = delete;

  // Reads the event of the key's number: its card text, then its script.
  // False when the event has no media (a key that is no valid reference, no
  // table entry) or its script holds no EVENT block; the record then keeps
  // what it had.
  bool Load();
  // Reads an EVENT script (in place: `script` must not change while it is
  // read). A DATE with fewer than three numbers leaves the date as it was.
  // False when no EVENT block opens.
  bool ReadScript(const VString& script);

  // Whether an EVENT block was read.
  bool IsLoaded() const { return loaded_; }
  // The reference it was made with, then the ID of its script.
  const ItemRef& GetKey() const { return key_; }
  VString GetText() const { return text_; }
  VTime GetDate() const { return date_; }
  void SetDate(const VTime& date) { date_ = date; }
  // The INFO item: the content the event shows, whose flag is the event's
  // visit state.
  ItemRef GetEventKey() const { return info_; }
  void GetEventKey(ItemRef& key) const override { key = info_; }
  ItemRef GetStorylineRef() const { return storyline_; }
  ItemRef GetTimelineRef() const { return timeline_; }

  // The cards that show the event on a timeline band and on the storyline
  // panel, kept here by their owners (not owned; null when none).
  BandEventCard* GetBandCard() const { return bandCard_; }
  void SetBandCard(BandEventCard* card) { bandCard_ = card; }
  PanelEventCard* GetPanelCard() const { return panelCard_; }
  void SetPanelCard(PanelEventCard* card) { panelCard_ = card; }

 private:
  ItemRef key_;
  VString text_;
  VTime date_;
  ItemRef info_;
  ItemRef storyline_;
  ItemRef timeline_;
  BandEventCard* bandCard_ = nullptr;
  PanelEventCard* panelCard_ = nullptr;
  bool loaded_ = false;
};

// The factory of event records for item references of events (install it
// with SetEventRecordFactory or in the script services): a loaded record;
// null when the allocation fails.
std::unique_ptr<EventRecordInterface> MakeEventRecord(ItemRef event);
