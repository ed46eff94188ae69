#include "title/shell/SoundItem.h"

#include <charconv>
#include <string>

#include "title/shell/SequenceTextCursor.h"

SoundItem::SoundItem() : SequenceItem("sound") {}

SoundItem::~SoundItem() = default;

int32_t SoundItem::HoldVolume(double percent) {
  if (!(percent > 0.0)) return 0;  // negatives and NaN
  if (percent >= 100.0) return 100;
  return static_cast<int32_t>(percent);
}

void SoundItem::SetVolume(int32_t percent) { volume_ = percent < 0 ? 0 : (percent > 100 ? 100 : percent); }

bool SoundItem::ReadFields(SequenceTextCursor& cursor) {
  for (;;) {
    if (!ReadBaseFields(cursor)) return false;
    bool matched = false;
    if (!ReadMediaField(cursor, matched)) return false;
    if (matched) continue;
    if (cursor.Keyword("volume")) {
      double value = 0.0;
      if (!cursor.Real(value)) return false;
      volume_ = HoldVolume(value);
      continue;
    }
    return true;
  }
}

void SoundItem::WriteFields(std::string& out) const {
  SequenceItem::WriteFields(out);
  WriteMediaFields(out);
  char buffer[32];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(volume_), std::chars_format::fixed, 2);
  out += "\t\tvolume\t" + std::string(buffer, r.ptr) + "\r\n";
}

int32_t SoundItem::GetVolumeAt(int32_t t) const {
  return HoldVolume(GetLevelAt(t) * static_cast<double>(volume_));
}

void SoundItem::Show(int32_t t) {
  if (shownVolume_ < 0) shownVolume_ = 0;
  VRect unchanged;
  PresentAt(t, unchanged);
}

void SoundItem::PresentAt(int32_t t, VRect& changed) {
  static_cast<void>(changed);  // a sound changes nothing on screen
  shownVolume_ = GetVolumeAt(t);
}

void SoundItem::ResumeAt(int32_t t) { Show(t); }
