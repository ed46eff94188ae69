#include "title/shell/SoundItem.h"

#include <charconv>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/sound/MediaAudioStream.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/SequenceTextCursor.h"

namespace {

// The ring a streamed sound of an archive plays through.
constexpr int32_t kStreamRingBytes = 65536;

}  // namespace

SoundItem::SoundItem() : SequenceItem("sound") {}

SoundItem::~SoundItem() { UnloadMedia(false); }

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

MediaAudioStream* SoundItem::OpenStream(bool streamed) {
  MediaAudioStream* stream = nullptr;
  if (GetResid() != 0) {
    MediaArchive* saved = SaveCurrentArchive();
    SelectLanguageArchive();
    stream = new MediaAudioStream(GetResid());
    if (stream->HasReader() && streamed) stream->StartStreaming(kStreamRingBytes);
    RestoreCurrentArchive(saved);
  } else if (GetFile().Exists()) {
    stream = new MediaAudioStream(GetFile(), kUnknownFileType);
  }
  if (stream != nullptr && !stream->HasReader()) {
    stream->Release();
    stream = nullptr;
  }
  return stream;
}

void SoundItem::LoadMedia() {
  if (stream_ == nullptr) stream_ = OpenStream(true);
}

void SoundItem::UnloadMedia(bool redraw) {
  static_cast<void>(redraw);
  Hide();
  if (stream_ != nullptr) stream_->Release();
  stream_ = nullptr;
}

int32_t SoundItem::GetSoundLength() {
  if (stream_ != nullptr) return stream_->GetDurationMs();
  MediaAudioStream* stream = OpenStream(false);
  if (stream == nullptr) return 0;
  const int32_t length = stream->GetDurationMs();
  stream->Release();
  return length;
}
