#include "title/shell/Sequence.h"

#include <cmath>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "title/shell/Channel.h"
#include "title/shell/PictureItem.h"
#include "title/shell/SequenceItem.h"
#include "title/shell/SoundItem.h"

namespace {

VString ReadSequenceText(uint16_t mediaId) {
  VString text;
  MediaArchive* archive = GetArchiveForMedia(mediaId);
  if (archive == nullptr || !archive->ReadMedia(mediaId, text)) text.Clear();
  return text;
}

int32_t HoldDuration(int32_t duration) { return SequenceItem::HoldTime(duration); }

}  // namespace

Sequence::Sequence(uint16_t mediaId) : Sequence(ReadSequenceText(mediaId)) {}

Sequence::Sequence(const VString& text) : SequenceDocument(text) {
  preloadLead_ = kPreloadLead;
  GetSoundItem();
}

Sequence::~Sequence() = default;

SequenceItem* Sequence::GetSoundItem() {
  Channel* first = GetChannel(0);
  SequenceItem* item = first != nullptr ? first->GetItem(0) : nullptr;
  if (item == nullptr || !item->GetKindName().Equals("sound")) {
    Channel* channel = new Channel(this);
    channel->InsertItem(new SoundItem());
    InsertChannel(channel, 0);
  }
  return GetChannel(0)->GetItem(0);
}

void Sequence::SetSound(const VFileSpec* file, double volume) {
  if (file == nullptr) {
    Channel* first = GetChannel(0);
    if (first != nullptr) first->RemoveItemAt(0, true);
    return;
  }
  SoundItem* sound = dynamic_cast<SoundItem*>(GetSoundItem());
  if (sound == nullptr) return;
  sound->SetFile(*file);
  const double percent = volume * 100.0;
  sound->SetVolume(SoundItem::HoldVolume(std::isfinite(percent) ? std::trunc(percent) : 0.0));
  sound->SetSustain(sound->GetSoundLength());
}

int32_t Sequence::GetPictureCount() const {
  const int32_t channels = GetChannelCount();
  return channels > 0 ? channels - 1 : 0;
}

SequenceItem* Sequence::GetPicture(int32_t index) const {
  if (index < 0) return nullptr;
  const Channel* channel = GetChannel(index + 1);
  return channel != nullptr ? channel->GetItem(0) : nullptr;
}

void Sequence::ShiftPicturesFrom(int32_t index, int64_t delta) {
  if (delta == 0) return;
  for (int32_t i = index < 0 ? 0 : index; i < GetPictureCount(); ++i) {
    SequenceItem* picture = GetPicture(i);
    if (picture != nullptr) picture->SetStart(picture->GetStart() + delta);
  }
}

void Sequence::SetTransition(int32_t index, int32_t kind, int32_t duration) {
  if (kind < 0 || kind > 4) kind = 0;  // kinds beyond the table are cuts
  int32_t d = kind == 0 ? 0 : HoldDuration(duration);
  SequenceItem* previous = GetPicture(index - 1);
  SequenceItem* current = GetPicture(index);
  int32_t decay = 0;
  int32_t rise = 0;
  switch (kind) {
    case 1: rise = d; break;
    case 2: decay = d; break;
    case 3:
      decay = d / 2;
      rise = d - d / 2;
      break;
    case 4:
      decay = d;
      rise = d;
      break;
    default: break;
  }
  if (previous != nullptr) previous->SetDecay(decay);
  if (current != nullptr) {
    const int64_t oldEnd = current->GetEnd();
    int64_t start = 0;
    if (previous != nullptr) start = kind == 4 ? previous->GetEnd() - previous->GetDecay() : previous->GetEnd();
    current->SetStart(start);
    current->SetRise(rise);
    ShiftPicturesFrom(index + 1, static_cast<int64_t>(current->GetEnd()) - oldEnd);
  }
  if (index == GetPictureCount()) {
    finalKind_ = kind;
    finalDuration_ = d;
  }
}

void Sequence::SetFinalTransition(int32_t kind, int32_t duration) { SetTransition(GetPictureCount(), kind, duration); }

int32_t Sequence::GetTransitionKind(int32_t index) const {
  if (index == GetPictureCount()) return finalKind_;
  const SequenceItem* previous = GetPicture(index - 1);
  const SequenceItem* current = GetPicture(index);
  const int32_t a = previous != nullptr ? previous->GetDecay() : 0;
  const int32_t b = current != nullptr ? current->GetRise() : 0;
  if (a == 0 && b == 0) return 0;
  if (a == 0 && b > 0) return 1;
  if (a > 0 && b == 0) return 2;
  if (a > 0 && b > 0) return current->GetStart() < previous->GetEnd() ? 4 : 3;
  return 0;
}

int32_t Sequence::GetTransitionDuration(int32_t index) const {
  if (index == GetPictureCount()) return finalDuration_;
  const SequenceItem* previous = GetPicture(index - 1);
  const SequenceItem* current = GetPicture(index);
  if (previous == nullptr && current == nullptr) return 0;
  if (previous == nullptr) return current->GetRise();
  if (current == nullptr) return previous->GetDecay();
  return (current->GetStart() + current->GetRise()) -
         (previous->GetStart() + previous->GetRise() + previous->GetSustain());
}

void Sequence::InsertPicture(int32_t index, const VFileSpec& file, int32_t duration, int32_t kind,
                             int32_t transitionDuration) {
  if (GetChannelCount() >= kMaxChannels) return;  // as many pictures as a document holds
  const int32_t count = GetPictureCount();
  if (index < 0) index = 0;
  if (index > count) index = count;
  const int32_t savedKind = GetTransitionKind(index);
  const int32_t savedDuration = GetTransitionDuration(index);
  SetTransition(index, 0, 0);
  PictureItem* picture = new PictureItem();
  picture->SetFile(file);
  const SequenceItem* previous = GetPicture(index - 1);
  picture->SetStart(previous != nullptr ? previous->GetEnd() : 0);
  picture->SetSustain(HoldDuration(duration));
  ShiftPicturesFrom(index, picture->GetSustain());
  Channel* channel = new Channel(this);
  channel->InsertItem(picture);
  InsertChannel(channel, index + 1);
  SetTransition(index, kind, transitionDuration);
  SetTransition(index + 1, savedKind, savedDuration);
}

void Sequence::Remove(int32_t index, bool withTransition, int32_t kind, int32_t duration) {
  const SequenceItem* picture = GetPicture(index);
  if (picture == nullptr) return;
  int32_t savedKind = GetTransitionKind(index + 1);
  int32_t savedDuration = GetTransitionDuration(index + 1);
  if (withTransition) {
    savedKind = kind;
    savedDuration = duration;
  }
  SetTransition(index, 0, 0);
  SetTransition(index + 1, 0, 0);
  ShiftPicturesFrom(index, -static_cast<int64_t>(GetPicture(index)->GetLength()));
  RemoveChannelAt(index + 1, true);
  SetTransition(index, savedKind, savedDuration);
}

void Sequence::RemovePicture(int32_t index) { Remove(index, false, 0, 0); }

void Sequence::RemovePictureWithTransition(int32_t index, int32_t kind, int32_t duration) {
  Remove(index, true, kind, duration);
}

void Sequence::SetPictureFile(int32_t index, const VFileSpec& file, int32_t duration) {
  SequenceItem* picture = GetPicture(index);
  if (picture == nullptr) return;
  picture->SetFile(file);
  const int32_t old = picture->GetSustain();
  picture->SetSustain(HoldDuration(duration));
  ShiftPicturesFrom(index + 1, static_cast<int64_t>(picture->GetSustain()) - old);
}
