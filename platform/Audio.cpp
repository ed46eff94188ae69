#include "platform/Audio.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

std::mutex& FormatsMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<AudioOutputFormat>& Refused() {
  static std::vector<AudioOutputFormat> formats;
  return formats;
}
std::vector<AudioOutputFormat>& Attempts() {
  static std::vector<AudioOutputFormat> formats;
  return formats;
}

// Records the attempt; true when the format is on the refused list.
bool IsRefused(const AudioOutputFormat& format) {
  std::lock_guard<std::mutex> hold(FormatsMutex());
  Attempts().push_back(format);
  for (const AudioOutputFormat& r : Refused()) {
    if (r.rate == format.rate && r.bits == format.bits && r.channels == format.channels) return true;
  }
  return false;
}

SDL_AudioFormat SdlFormat(const AudioOutputFormat& f) {
  if (f.bits == 8) return f.isSigned ? AUDIO_S8 : AUDIO_U8;
  if (f.isSigned) return f.bigEndian ? AUDIO_S16MSB : AUDIO_S16LSB;
  return f.bigEndian ? AUDIO_U16MSB : AUDIO_U16LSB;
}

// Every open starts SDL's audio and every close stops it again. After an
// open that failed (no sound device) it stays started until the next try or
// the end of the ring or queue: stopping it waits for SDL's device-watch
// thread, which ALSA's driver wakes only every 100 ms, so each failed try
// would hold up its caller that long (the program's start among them).
bool StartAudio() { return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }
void StopAudio() { SDL_QuitSubSystem(SDL_INIT_AUDIO); }

// Opens the default output; `bufferBytes` becomes the size of the device's
// buffer in the format asked for.
SDL_AudioDeviceID OpenDevice(const AudioOutputFormat& format, SDL_AudioCallback callback, void* user,
                             int32_t& bufferBytes) {
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = format.rate;
  want.format = SdlFormat(format);
  want.channels = static_cast<Uint8>(format.channels);
  want.samples = 512;
  want.callback = callback;
  want.userdata = user;
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  bufferBytes = device != 0 ? static_cast<int32_t>(have.size) : 0;
  return device;
}

}  // namespace

void SetRefusedAudioFormats(const std::vector<AudioOutputFormat>& formats) {
  std::lock_guard<std::mutex> hold(FormatsMutex());
  Refused() = formats;
  Attempts().clear();
}

std::vector<AudioOutputFormat> GetAudioOpenAttempts() {
  std::lock_guard<std::mutex> hold(FormatsMutex());
  return Attempts();
}

bool ProbeAudioOutput() {
  if (!StartAudio()) return false;
  const bool ok = SDL_GetCurrentAudioDriver() != nullptr;
  StopAudio();
  return ok;
}

void EndAudioThread() { SDL_TLSCleanup(); }

// --- Ring -------------------------------------------------------------------

struct AudioRing::Impl {
  // Read by IsOpen from any thread while the owner opens or closes.
  std::atomic<SDL_AudioDeviceID> device{0};
  std::mutex mutex;
  std::vector<uint8_t> ring;
  size_t cursor = 0;
  bool started = false;
  // Bytes written and not yet played (at most the ring), and the callbacks
  // that found fewer than they had to play.
  size_t fresh = 0;
  int64_t underruns = 0;
  int64_t played = 0;
  std::atomic<int32_t> bufferBytes{0};
  // SDL's audio, started for an open that failed, kept for the next try.
  bool keptStarted = false;

  static void Drain(void* user, Uint8* stream, int length) {
    auto* self = static_cast<Impl*>(user);
    std::lock_guard<std::mutex> hold(self->mutex);
    const size_t size = self->ring.size();
    if (length <= 0 || size == 0) return;
    if (self->fresh < static_cast<size_t>(length)) {
      ++self->underruns;
      self->fresh = 0;
    } else {
      self->fresh -= static_cast<size_t>(length);
    }
    self->played += length;
    for (int done = 0; done < length;) {
      const size_t piece = std::min<size_t>(static_cast<size_t>(length - done), size - self->cursor);
      std::memcpy(stream + done, self->ring.data() + self->cursor, piece);
      done += static_cast<int>(piece);
      self->cursor = (self->cursor + piece) % size;
    }
  }
};

AudioRing::AudioRing() : impl_(std::make_unique<Impl>()) {}
AudioRing::~AudioRing() {
  Close();
  if (impl_->keptStarted) StopAudio();
}

AudioOpenResult AudioRing::Open(const AudioOutputFormat& format, int32_t bytes) {
  Close();
  if (bytes <= 0) return AudioOpenResult::kFailed;
  if (IsRefused(format)) return AudioOpenResult::kBadFormat;
  if (!impl_->keptStarted && !StartAudio()) return AudioOpenResult::kFailed;
  impl_->keptStarted = false;
  {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    impl_->ring.assign(static_cast<size_t>(bytes), 0);
    impl_->cursor = 0;
    impl_->fresh = 0;
    impl_->underruns = 0;
    impl_->played = 0;
  }
  int32_t bufferBytes = 0;
  impl_->device = OpenDevice(format, &Impl::Drain, impl_.get(), bufferBytes);
  impl_->bufferBytes = bufferBytes;
  if (impl_->device == 0) {
    impl_->keptStarted = true;  // see StartAudio
    return AudioOpenResult::kFailed;
  }
  return AudioOpenResult::kOk;
}

void AudioRing::Close() {
  if (impl_->device == 0) return;
  SDL_CloseAudioDevice(impl_->device);
  impl_->device = 0;
  impl_->started = false;
  StopAudio();
}

bool AudioRing::IsOpen() const { return impl_->device != 0; }

void AudioRing::Play() {
  if (impl_->device == 0) return;
  SDL_PauseAudioDevice(impl_->device, 0);
  impl_->started = true;
}

void AudioRing::Stop() {
  if (impl_->device != 0) SDL_PauseAudioDevice(impl_->device, 1);
}

int32_t AudioRing::PlayCursor() const {
  std::lock_guard<std::mutex> hold(impl_->mutex);
  return static_cast<int32_t>(impl_->cursor);
}

void AudioRing::Write(int32_t offset, const void* data, int32_t bytes) {
  std::lock_guard<std::mutex> hold(impl_->mutex);
  if (offset < 0 || bytes <= 0 || static_cast<size_t>(offset) >= impl_->ring.size()) return;
  const size_t n = std::min(static_cast<size_t>(bytes), impl_->ring.size() - static_cast<size_t>(offset));
  std::memcpy(impl_->ring.data() + offset, data, n);
  impl_->fresh = std::min(impl_->fresh + n, impl_->ring.size());
}

int64_t AudioRing::PlayedBytes() const {
  std::lock_guard<std::mutex> hold(impl_->mutex);
  return impl_->played;
}

int32_t AudioRing::DeviceBufferBytes() const { return impl_->device != 0 ? impl_->bufferBytes.load() : 0; }

int64_t AudioRing::Underruns() const {
  std::lock_guard<std::mutex> hold(impl_->mutex);
  return impl_->underruns;
}

// --- Queue ------------------------------------------------------------------

struct AudioQueue::Impl {
  std::atomic<SDL_AudioDeviceID> device{0};
  int64_t written = 0;
  int32_t bufferBytes = 0;
  bool keptStarted = false;  // as AudioRing's
};

AudioQueue::AudioQueue() : impl_(std::make_unique<Impl>()) {}
AudioQueue::~AudioQueue() {
  Close();
  if (impl_->keptStarted) StopAudio();
}

AudioOpenResult AudioQueue::Open(const AudioOutputFormat& format) {
  Close();
  if (IsRefused(format)) return AudioOpenResult::kBadFormat;
  if (!impl_->keptStarted && !StartAudio()) return AudioOpenResult::kFailed;
  impl_->keptStarted = false;
  impl_->device = OpenDevice(format, nullptr, nullptr, impl_->bufferBytes);
  if (impl_->device == 0) {
    impl_->keptStarted = true;  // see StartAudio
    return AudioOpenResult::kFailed;
  }
  impl_->written = 0;
  SDL_PauseAudioDevice(impl_->device, 0);
  return AudioOpenResult::kOk;
}

void AudioQueue::Close() {
  if (impl_->device == 0) return;
  SDL_CloseAudioDevice(impl_->device);
  impl_->device = 0;
  StopAudio();
}

bool AudioQueue::IsOpen() const { return impl_->device != 0; }

bool AudioQueue::Write(const void* data, int32_t bytes) {
  if (impl_->device == 0 || bytes <= 0) return false;
  if (SDL_QueueAudio(impl_->device, data, static_cast<Uint32>(bytes)) != 0) return false;
  impl_->written += bytes;
  return true;
}

void AudioQueue::Pause(bool paused) {
  if (impl_->device != 0) SDL_PauseAudioDevice(impl_->device, paused ? 1 : 0);
}

void AudioQueue::Reset() {
  if (impl_->device == 0) return;
  impl_->written -= SDL_GetQueuedAudioSize(impl_->device);
  SDL_ClearQueuedAudio(impl_->device);
}

int64_t AudioQueue::PlayedBytes() const {
  if (impl_->device == 0) return 0;
  return impl_->written - SDL_GetQueuedAudioSize(impl_->device);
}

int64_t AudioQueue::QueuedBytes() const {
  return impl_->device != 0 ? int64_t{SDL_GetQueuedAudioSize(impl_->device)} : 0;
}

int32_t AudioQueue::DeviceBufferBytes() const { return impl_->device != 0 ? impl_->bufferBytes : 0; }

}  // namespace platform
