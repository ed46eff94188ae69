#include "title/shell/Channel.h"

#include <memory>
#include <string>

#include "engine/sound/AudioChannel.h"
#include "title/shell/PictureItem.h"
#include "title/shell/SequenceDocument.h"
#include "title/shell/SequenceTextCursor.h"
#include "title/shell/SoundItem.h"

Channel::Channel(SequenceDocument* owner) : owner_(owner) {}

// The items stop their sounds while the audio channel is still there; the
// list then deletes them.
Channel::~Channel() { UnloadMedia(false); }

SequenceItem* Channel::GetItem(int32_t index) const { return static_cast<SequenceItem*>(items_.GetAt(index)); }

void Channel::InsertItem(SequenceItem* item) {
  if (item == nullptr) return;
  int32_t index = 0;
  int32_t at = 0;
  for (VListElement* e = items_.GetFirst(); e != nullptr; e = e->GetNext(), ++at) {
    if (static_cast<SequenceItem*>(e)->GetStart() < item->GetStart()) index = at + 1;
  }
  item->SetChannel(this);
  items_.InsertAt(item, index);
}

SequenceItem* Channel::FindItemAt(int32_t t) {
  if (currentItem_ != nullptr && currentItem_->IsActiveAt(t)) return currentItem_;
  if (searchPosition_ == nullptr || searchPosition_->GetStart() > t) {
    searchPosition_ = static_cast<SequenceItem*>(items_.GetFirst());
  }
  for (SequenceItem* item = searchPosition_; item != nullptr; item = static_cast<SequenceItem*>(item->GetNext())) {
    if (item->GetStart() > t) return nullptr;
    searchPosition_ = item;
    if (item->IsActiveAt(t)) return item;
  }
  return nullptr;
}

SequenceItem* Channel::RemoveItemAt(int32_t index, bool deleteItem) {
  currentItem_ = nullptr;
  searchPosition_ = nullptr;
  SequenceItem* item = GetItem(index);
  if (item == nullptr) return nullptr;
  items_.Remove(item, deleteItem);
  if (deleteItem) return nullptr;
  item->SetChannel(nullptr);
  return item;
}

int32_t Channel::GetDuration() const {
  int32_t duration = 0;
  for (VListElement* e = items_.GetFirst(); e != nullptr; e = e->GetNext()) {
    const int32_t end = static_cast<SequenceItem*>(e)->GetEnd();
    if (end > duration) duration = end;
  }
  return duration;
}

bool Channel::Read(SequenceTextCursor& cursor, int32_t& itemBudget) {
  if (!cursor.Keyword("channel")) return false;
  cursor.Expect('{');
  for (;;) {
    if (!cursor.Keyword("item")) {
      cursor.Expect('}');
      return true;
    }
    std::string kind;
    cursor.Word(kind);
    cursor.Expect('{');
    std::unique_ptr<SequenceItem> item;
    if (kind == "picture") {
      item = std::make_unique<PictureItem>();
    } else if (kind == "sound") {
      item = std::make_unique<SoundItem>();
    } else {
      return false;
    }
    if (itemBudget <= 0) return false;  // the document holds as many items as it may
    const bool good = item->ReadFields(cursor);
    if (good) {
      --itemBudget;
      InsertItem(item.release());
    }
    cursor.Expect('}');
    if (!good) {
      cursor.Expect('}');
      return true;
    }
  }
}

void Channel::Write(std::string& out) const {
  out += "channel {\r\n";
  for (VListElement* e = items_.GetFirst(); e != nullptr; e = e->GetNext()) {
    const SequenceItem* item = static_cast<const SequenceItem*>(e);
    out += "\titem ";
    out += item->GetKindName().GetChars();
    out += " {\r\n";
    item->WriteFields(out);
    out += "\t}\r\n";
  }
  out += "}\r\n";
}

void Channel::StartAt(int32_t t) {
  currentItem_ = FindItemAt(t);
  if (currentItem_ != nullptr) currentItem_->Show(t);
}

void Channel::Pause() {
  if (currentItem_ != nullptr) currentItem_->Pause();
}

void Channel::ResumeAt(int32_t t) {
  if (currentItem_ != nullptr) currentItem_->ResumeAt(t);
}

void Channel::Stop() {
  if (currentItem_ == nullptr) return;
  currentItem_->Finish(nullptr);
  currentItem_->Hide();
  currentItem_ = nullptr;
}

void Channel::PresentAt(int32_t t, VRect& changed) {
  const int32_t lead = owner_ != nullptr ? owner_->GetPreloadLead() : 0;
  const bool playing = owner_ != nullptr && owner_->IsPlaying();
  if (lead > 0 && playing) {
    // Searched apart from the current item so the search position stays
    // where the current time is.
    const int64_t ahead = static_cast<int64_t>(t) + lead;
    for (VListElement* e = items_.GetFirst(); e != nullptr; e = e->GetNext()) {
      auto* item = static_cast<SequenceItem*>(e);
      if (item->GetStart() > ahead) break;
      if (item->GetEnd() > ahead) {
        item->LoadMedia();
        break;
      }
    }
  }
  SequenceItem* item = FindItemAt(t);
  if (item != currentItem_ && currentItem_ != nullptr) {
    currentItem_->Pause();
    if (lead == 0) {
      currentItem_->Hide();
    } else {
      currentItem_->PresentAt(t, changed);
      currentItem_->UnloadMedia(false);
    }
    currentItem_ = nullptr;
  }
  if (item != nullptr && item != currentItem_) {
    currentItem_ = item;
    item->LoadMedia();
    if (playing) item->ResumeAt(t);
  }
  if (currentItem_ != nullptr) currentItem_->PresentAt(t, changed);
}

void Channel::LoadMedia() {
  for (VListElement* e = items_.GetFirst(); e != nullptr; e = e->GetNext()) static_cast<SequenceItem*>(e)->LoadMedia();
}

void Channel::UnloadMedia(bool redraw) {
  for (VListElement* e = items_.GetFirst(); e != nullptr; e = e->GetNext()) {
    static_cast<SequenceItem*>(e)->UnloadMedia(redraw);
  }
  if (audioChannel_ != nullptr) {
    // The mixer holds a reference of its own and drops the channel on its
    // next pass.
    audioChannel_->MarkFinished();
    audioChannel_->Release();
    audioChannel_ = nullptr;
  }
}

VAudioChannel* Channel::GetAudioChannel() {
  if (audioChannel_ == nullptr) audioChannel_ = new VAudioChannel(true);
  return audioChannel_;
}
