#include "title/shell/SoundItem.h"

#include <charconv>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/MediaAudioStream.h"
#include "title/shell/Channel.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/SequenceTextCursor.h"

namespace {

// The ring a streamed sound of an archive plays through.
constexpr int32_t kStreamRingBytes = 65536;
// How a sound goes on its channel: from the given place, with the lowest
// urgency (it never pushes another sound aside) at the reference pitch.
constexpr int32_t kPlayPriority = 32767;
constexpr int32_t kPlayPitch = 440;

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

VAudioChannel* SoundItem::PeekAudioChannel() const {
  return GetChannel() != nullptr ? GetChannel()->PeekAudioChannel() : nullptr;
}

void SoundItem::Show(int32_t t) {
  LoadMedia();
  VAudioChannel* audio = GetChannel() != nullptr ? GetChannel()->GetAudioChannel() : nullptr;
  VRect unchanged;
  PresentAt(t, unchanged);
  if (stream_ == nullptr || audio == nullptr) return;
  if (!audio->IsPlaying()) {
    // Queued from where t stands in the sound (its start when t is the
    // item's start), so that a sound that becomes current late, or plays
    // again after a stop, keeps time with the pictures.
    const int64_t offset = static_cast<int64_t>(t) - GetStart();
    stream_->PlayOnChannel(audio, offset > 0 ? static_cast<int32_t>(offset) : 0, kPlayPriority, kPlayPitch);
    audio->Resume();  // a channel held by the item before plays again
  } else if (audio->IsHeld()) {
    audio->Resume();
  }
}

void SoundItem::StopAudio() {
  if (VAudioChannel* audio = PeekAudioChannel()) audio->Stop();
}

void SoundItem::Hide() {
  shownVolume_ = -1;
  StopAudio();
}

void SoundItem::Finish(VRect* changed) {
  static_cast<void>(changed);  // a sound changes nothing on screen
  StopAudio();
}

void SoundItem::PresentAt(int32_t t, VRect& changed) {
  static_cast<void>(changed);  // a sound changes nothing on screen
  shownVolume_ = GetVolumeAt(t);
  VAudioChannel* audio = PeekAudioChannel();
  if (audio == nullptr) return;
  // A held channel goes on from t when it is resumed.
  if (audio->IsHeld()) audio->SetPosition(t - GetStart());
  audio->SetVolume(GetVolumeAt(t));
}

void SoundItem::Pause() {
  if (VAudioChannel* audio = PeekAudioChannel()) audio->Pause();
}

void SoundItem::ResumeAt(int32_t t) {
  VAudioChannel* audio = PeekAudioChannel();
  if (t == 0 || audio == nullptr || !audio->IsPlaying()) {
    Show(t);
  } else {
    audio->Resume();
  }
}

bool SoundItem::IsFinished() const {
  if (stream_ == nullptr) return false;
  const VAudioChannel* audio = PeekAudioChannel();
  const bool held = audio != nullptr && audio->IsHeld();
  return held || stream_->IsFinished();
}

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
  // A sound without a reader (a missing medium or file, a type no reader
  // knows) or whose samples no decoder takes is left out: the item is silent.
  if (stream != nullptr && (!stream->HasReader() || !HasAudioDecoder(stream->GetFormat().formatTag))) {
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
  Hide();  // the channel lets go of the stream first
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
