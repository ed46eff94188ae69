// Fuzz target: the channel sequence reader over arbitrary text, and what the
// document promises afterwards: at most kMaxChannels channels and kMaxItems
// items, times within 0..kMaxTime, opacity within 0..63, volume within
// 0..100, levels within 0..1, and a written document that reads back with the
// same number of channels and items.
#include <cstdint>
#include <string>

#include "engine/core/VString.h"
#include "fuzz/driver/FuzzText.h"
#include "title/shell/Channel.h"
#include "title/shell/PictureItem.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequenceDocument.h"
#include "title/shell/SequenceItem.h"
#include "title/shell/SoundItem.h"

namespace {

// extraChannels: the sound channel a slide show may add to what was read.
int32_t CheckDocument(const SequenceDocument& doc, int32_t extraChannels = 0) {
  if (doc.GetChannelCount() > SequenceDocument::kMaxChannels + extraChannels) __builtin_trap();
  int32_t items = 0;
  for (int32_t c = 0; c < doc.GetChannelCount(); ++c) {
    const Channel* channel = doc.GetChannel(c);
    if (channel == nullptr) __builtin_trap();
    for (int32_t i = 0; i < channel->GetItemCount(); ++i) {
      const SequenceItem* item = channel->GetItem(i);
      if (item == nullptr || item->GetChannel() != channel) __builtin_trap();
      for (int32_t t : {item->GetStart(), item->GetRise(), item->GetSustain(), item->GetDecay()}) {
        if (t < 0 || t > SequenceItem::kMaxTime) __builtin_trap();
      }
      for (int32_t t : {item->GetStart() - 1, item->GetStart(), item->GetEnd(), item->GetEnd() + 10}) {
        const double level = item->GetLevelAt(t);
        if (!(level >= 0.0 && level <= 1.0)) __builtin_trap();
      }
      if (const auto* p = dynamic_cast<const PictureItem*>(item)) {
        if (p->GetOpacity() < 0 || p->GetOpacity() > PictureItem::kOpaque) __builtin_trap();
        if (p->GetBounds().right < p->GetBounds().left || p->GetBounds().bottom < p->GetBounds().top) __builtin_trap();
      }
      if (const auto* s = dynamic_cast<const SoundItem*>(item)) {
        if (s->GetVolume() < 0 || s->GetVolume() > 100) __builtin_trap();
      }
      ++items;
    }
  }
  if (items > SequenceDocument::kMaxItems) __builtin_trap();
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);

  SequenceDocument doc(text);
  const int32_t items = CheckDocument(doc);
  std::string written;
  doc.Write(written);
  SequenceDocument back;
  back.ReadChannels(written);
  if (back.GetChannelCount() != doc.GetChannelCount() || CheckDocument(back) != items) __builtin_trap();

  // The slide show over the same text: a sound channel in front, and edits
  // that keep every time in range.
  Sequence show(text);
  if (show.GetSoundItem() == nullptr || !show.GetSoundItem()->IsSound()) __builtin_trap();
  show.SetTransition(1, 4, 500);
  show.SetFinalTransition(2, 300);
  show.RemovePicture(0);
  CheckDocument(show, 1);
  return 0;
}
