#include "title/shell/SequenceDocument.h"

#include <vector>

#include "engine/core/VFile.h"
#include "title/shell/Channel.h"
#include "title/shell/SequenceItem.h"
#include "title/shell/SequenceTextCursor.h"

namespace {

constexpr uint32_t kAnyType = 0x3F3F3F3F;  // "????"

bool IsPicture(const SequenceItem* item) { return item->GetKindName().Equals("picture"); }

}  // namespace

SequenceDocument::SequenceDocument() = default;

SequenceDocument::SequenceDocument(const VFileSpec& file) {
  VString text;
  VFile in(file, kAnyType, kAnyType);
  if (in.Open(1)) in.ReadIntoString(text, kMaxTextBytes);
  Parse(text);
}

SequenceDocument::SequenceDocument(const VString& text) { Parse(text); }

SequenceDocument::~SequenceDocument() = default;  // the list deletes the channels

void SequenceDocument::Parse(const VString& text) {
  ReadChannels(std::string(text.GetChars() ? text.GetChars() : "", static_cast<size_t>(text.GetLength())));
  AdjustTiming();
}

void SequenceDocument::ReadChannels(const std::string& text) {
  SequenceTextCursor cursor(text);
  int32_t itemBudget = kMaxItems;
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) {
    itemBudget -= static_cast<Channel*>(e)->GetItemCount();
  }
  while (GetChannelCount() < kMaxChannels) {
    Channel* channel = new Channel(this);
    if (!channel->Read(cursor, itemBudget)) {
      delete channel;
      break;
    }
    channels_.Append(channel);
  }
}

void SequenceDocument::Parse(const std::string& text) {
  ReadChannels(text);
  AdjustTiming();
}

void SequenceDocument::Write(std::string& out) const {
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) {
    static_cast<Channel*>(e)->Write(out);
  }
}

void SequenceDocument::Write(VString& out) const {
  std::string text;
  Write(text);
  out.Assign(text.c_str());
}

int32_t SequenceDocument::GetDuration() const {
  int32_t duration = 0;
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) {
    const int32_t d = static_cast<Channel*>(e)->GetDuration();
    if (d > duration) duration = d;
  }
  return duration;
}

Channel* SequenceDocument::GetChannel(int32_t index) const { return static_cast<Channel*>(channels_.GetAt(index)); }

int32_t SequenceDocument::GetChannelIndex(const Channel* channel) const {
  int32_t index = 0;
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext(), ++index) {
    if (e == channel) return index;
  }
  return -1;
}

void SequenceDocument::InsertChannel(Channel* channel, int32_t index) {
  if (channel == nullptr) return;
  channel->SetOwner(this);
  if (index < 0) index = 0;
  if (index >= channels_.GetCount()) {
    channels_.Append(channel);
  } else {
    channels_.InsertAt(channel, index);
  }
}

Channel* SequenceDocument::RemoveChannelAt(int32_t index, bool deleteChannel) {
  Channel* channel = GetChannel(index);
  if (channel == nullptr) return nullptr;
  channels_.Remove(channel, deleteChannel);
  return deleteChannel ? nullptr : channel;
}

void SequenceDocument::AdjustTiming() {
  std::vector<SequenceItem*> items;
  std::vector<SequenceItem*> pictures;
  for (VListElement* c = channels_.GetFirst(); c != nullptr; c = c->GetNext()) {
    const Channel* channel = static_cast<Channel*>(c);
    for (int32_t i = 0; i < channel->GetItemCount(); ++i) {
      SequenceItem* item = channel->GetItem(i);
      items.push_back(item);
      if (IsPicture(item)) pictures.push_back(item);
    }
  }
  if (items.empty()) return;

  // Overlaps: a picture that a later one starts within stays opaque through
  // its old decay and fades out quickly once the later one is in.
  for (SequenceItem* a : pictures) {
    for (SequenceItem* b : pictures) {
      if (a == b) continue;
      if (a->GetStart() < b->GetStart() && b->GetStart() <= a->GetEnd()) {
        a->SetSustain(static_cast<int64_t>(a->GetSustain()) + kCrossFadeOut + a->GetDecay());
        a->SetDecay(kCrossFadeOut);
      }
    }
  }

  // The first picture is on screen at once, opaque.
  int32_t first = items.front()->GetEnd();
  for (const SequenceItem* p : pictures) {
    if (p->GetStart() < first) first = p->GetStart();
  }
  for (SequenceItem* p : pictures) {
    if (p->GetStart() != first) continue;
    p->SetSustain(static_cast<int64_t>(p->GetSustain()) + p->GetStart() + p->GetRise());
    p->SetStart(0);
    p->SetRise(0);
  }

  // The last pictures stay until the end of the longest channel.
  int32_t last = 0;
  for (const SequenceItem* p : pictures) {
    if (p->GetEnd() > last) last = p->GetEnd();
  }
  const int32_t duration = GetDuration();
  for (SequenceItem* p : pictures) {
    if (p->GetEnd() != last) continue;
    p->SetSustain(static_cast<int64_t>(duration) - p->GetStart() - p->GetRise());
    p->SetDecay(0);
  }
}

void SequenceDocument::StartAt(int32_t t) {
  playing_ = true;
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) static_cast<Channel*>(e)->StartAt(t);
}

void SequenceDocument::Pause() {
  playing_ = false;
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) static_cast<Channel*>(e)->Pause();
}

void SequenceDocument::ResumeAt(int32_t t) {
  playing_ = true;
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) static_cast<Channel*>(e)->ResumeAt(t);
}

void SequenceDocument::Stop() {
  playing_ = false;
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) static_cast<Channel*>(e)->Stop();
}

void SequenceDocument::PresentAt(int32_t t, VRect& changed) {
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) {
    static_cast<Channel*>(e)->PresentAt(t, changed);
  }
}

void SequenceDocument::LoadMedia() {
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) static_cast<Channel*>(e)->LoadMedia();
}

void SequenceDocument::UnloadMedia(bool redraw) {
  for (VListElement* e = channels_.GetFirst(); e != nullptr; e = e->GetNext()) {
    static_cast<Channel*>(e)->UnloadMedia(redraw);
  }
}
