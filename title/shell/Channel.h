// Channel is one line of a channel sequence: its items in ascending order of
// start, the item the player showed last and where the next time search
// continues. The channel owns its items, and the audio channel of the mixer
// its sound items play on.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/VGeometry.h"
#include "engine/core/VLinkedList.h"

class SequenceDocument;
class VAudioChannel;
class SequenceItem;
class SequenceTextCursor;

class Channel : public VListElement {
 public:
  explicit Channel(SequenceDocument* owner = nullptr);
  ~Channel() override;
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  SequenceDocument* GetOwner() const { return owner_; }
  void SetOwner(SequenceDocument* owner) { owner_ = owner; }

  // Inserts the item after the last item whose start is smaller than its own
  // (at the front when there is none, so an item goes before items of the
  // same start) and links it to this channel. The channel takes ownership.
  void InsertItem(SequenceItem* item);
  // The current item when active at t; otherwise walks on from the search
  // position (restarting at the first item when there is none or it starts
  // after t) to the first active item; none once an item starts after t.
  SequenceItem* FindItemAt(int32_t t);
  // Removes the item at index (deleted with deleteItem, else handed back).
  // Clears the current item and the search position.
  SequenceItem* RemoveItemAt(int32_t index, bool deleteItem);
  SequenceItem* GetItem(int32_t index) const;
  int32_t GetItemCount() const { return items_.GetCount(); }
  SequenceItem* GetCurrentItem() const { return currentItem_; }
  void SetCurrentItem(SequenceItem* item) { currentItem_ = item; }
  // The largest end among the items; 0 when empty.
  int32_t GetDuration() const;

  // Reads "channel { item <kind> { fields } ... }". False when the text does
  // not begin with "channel", when an item's kind is neither "picture" nor
  // "sound", or when itemBudget (the items the document may still hold) is
  // used up; the reader of the document stops there. An item whose fields
  // cannot be read is dropped together with the rest of the channel.
  // Playing: the item active at t becomes current and is shown; Pause and
  // ResumeAt go to the current item; Stop finishes and hides it and leaves
  // no current item.
  void StartAt(int32_t t);
  void Pause();
  void ResumeAt(int32_t t);
  void Stop();
  // Makes the item active at t current (hiding the one before, or with a
  // preload lead unloading it) and presents it; the area that changed on
  // screen is united into changed. While the document plays, the item due
  // one preload lead ahead loads its medium.
  void PresentAt(int32_t t, VRect& changed);
  void LoadMedia();
  // Every item lets go of its medium; then the audio channel is finished
  // and let go.
  void UnloadMedia(bool redraw);

  // The persistent audio channel the sound items play on, made on the first
  // request (one reference, the channel's own).
  VAudioChannel* GetAudioChannel();
  // The audio channel when one was made, else none.
  VAudioChannel* PeekAudioChannel() const { return audioChannel_; }

  bool Read(SequenceTextCursor& cursor, int32_t& itemBudget);
  void Write(std::string& out) const;

 private:
  SequenceDocument* owner_;
  // Before the items, so that it is still there while they are deleted.
  VAudioChannel* audioChannel_ = nullptr;
  VLinkedList items_;
  SequenceItem* currentItem_ = nullptr;
  SequenceItem* searchPosition_ = nullptr;
};
