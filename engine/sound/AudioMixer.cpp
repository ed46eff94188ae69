#include "engine/sound/AudioMixer.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/SampleKernels.h"
#include "engine/sound/VolumeTables.h"
#include "platform/Audio.h"

namespace {

std::recursive_mutex& CurrentMixerMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

VAudioMixer*& CurrentMixer() {
  static VAudioMixer* mixer = nullptr;
  return mixer;
}

constexpr int kTimeCriticalPriority = 15;

}  // namespace

VAudioMixer* GetCurrentMixer() {
  std::lock_guard<std::recursive_mutex> hold(CurrentMixerMutex());
  return CurrentMixer();
}

void NotifyMixer(bool active) {
  // The mixer is called outside the mutex: the mixer thread reaches here with
  // the device locked, and activation locks the device.
  VAudioMixer* mixer = GetCurrentMixer();
  if (!mixer) return;
  if (active) {
    mixer->Activate();
  } else {
    mixer->PauseWhenIdle();
  }
}

void AddChannelToCurrentMixer(VAudioChannel* channel) {
  std::lock_guard<std::recursive_mutex> hold(CurrentMixerMutex());
  if (CurrentMixer()) CurrentMixer()->AddChannel(channel);
}

VAudioMixer::VAudioMixer(VAudioDevice* device, int32_t levelCount) : device_(device) {
  if (!device_) return;
  BuildVolumeTables(levelCount);
  {
    std::lock_guard<std::mutex> hold(formatLock_);
    format_ = device_->GetEncodingFormat();
  }
  {
    std::lock_guard<std::recursive_mutex> hold(CurrentMixerMutex());
    CurrentMixer() = this;
  }
  if (device_->UsesCallback() == 1) callbackId_ = device_->RegisterCallback(this);
  Start(kTimeCriticalPriority);
}

VAudioMixer::~VAudioMixer() {
  stopRequested_ = 1;
  Join();  // the thread must be gone before the mixer's parts are
  if (device_ && callbackId_ >= 0) device_->UnregisterCallback(callbackId_);
  bool wasCurrent = false;
  {
    std::lock_guard<std::recursive_mutex> hold(CurrentMixerMutex());
    wasCurrent = CurrentMixer() == this;
    if (wasCurrent) CurrentMixer() = nullptr;
  }
  std::vector<VAudioChannel*> channels;
  {
    VMutexLock list(channelsLock_);
    channels.swap(channels_);
  }
  for (VAudioChannel* c : channels) c->Release();
  if (wasCurrent) FreeVolumeTables();
}

uint32_t VAudioMixer::Run() {
  while (stopRequested_ == 0) {
    Step();
    VThread::Sleep(10);
  }
  platform::EndAudioThread();
  return 0;
}

bool VAudioMixer::Step() {
  if (device_) device_->Service();
  return stopRequested_ == 0;
}

VAudioEncodingFormat VAudioMixer::GetFormat() const {
  std::lock_guard<std::mutex> hold(formatLock_);
  return format_;
}

void VAudioMixer::AddChannel(VAudioChannel* channel) {
  if (!channel) return;
  channel->AddReference();
  VMutexLock hold(channelsLock_);
  channels_.push_back(channel);
}

void VAudioMixer::Activate() {
  if (!device_) return;
  if (state_ == kStateMade) state_ = kStateActivated;
  if (state_ == kStateActivated) device_->Start(callbackId_);
}

void VAudioMixer::PauseWhenIdle() {
  if (!device_ || state_ != kStateActivated) return;
  bool empty;
  {
    VMutexLock hold(channelsLock_);
    empty = channels_.empty();
  }
  if (empty) device_->Pause(callbackId_);
}

int32_t VAudioMixer::CountBusyChannels() {
  VMutexLock hold(channelsLock_);
  int32_t n = 0;
  for (VAudioChannel* c : channels_) n += c->HasStreams() ? 1 : 0;
  return n;
}

int32_t VAudioMixer::CountChannels() {
  VMutexLock hold(channelsLock_);
  return static_cast<int32_t>(channels_.size());
}

void VAudioMixer::TakeFinishedChannels(std::vector<VAudioChannel*>& dropped) {
  // Most blocks drop nothing: the partition (which takes a buffer) only then.
  if (std::none_of(channels_.begin(), channels_.end(), [](VAudioChannel* c) { return c->IsFinished(); })) return;
  auto keep =
      std::stable_partition(channels_.begin(), channels_.end(), [](VAudioChannel* c) { return !c->IsFinished(); });
  dropped.assign(keep, channels_.end());
  channels_.erase(keep, channels_.end());
  // A channel stopped while it sounded leaves its last frame to be faded out.
  for (VAudioChannel* c : dropped) {
    VAudioChannel::MixedEnd& end = c->LastMixedEnd();
    if (!end.mixed) continue;
    StartFadeOut(end.left, end.right);
    end = {};
  }
}

namespace {

// Released outside the list lock: a channel's destructor notifies the mixer.
void ReleaseChannels(const std::vector<VAudioChannel*>& channels) {
  for (VAudioChannel* c : channels) c->Release();
}

}  // namespace

void VAudioMixer::DropFinishedChannels() {
  std::vector<VAudioChannel*> dropped;
  {
    VMutexLock hold(channelsLock_);
    TakeFinishedChannels(dropped);
  }
  ReleaseChannels(dropped);
}

uint8_t* VAudioMixer::FillBuffer(uint8_t* buffer, const VAudioEncodingFormat& format, int32_t frames, bool add) {
  if (frames <= 0) return nullptr;
  const bool swap = format.bits == 16 && format.byteOrder != 1;
  VAudioEncodingFormat mixed = format;
  if (swap) mixed.byteOrder = 1;
  // Only this thread writes the format, so it reads it without the lock; the
  // lock is taken to change it, for other threads' GetFormat.
  if (!format_.SameEncoding(mixed)) {
    std::lock_guard<std::mutex> hold(formatLock_);
    format_ = mixed;
  }
  if (swap) {
    // Mixing adds to little-endian samples: bring the caller's block there first.
    if (add && buffer) SwapBytes16(buffer, static_cast<int32_t>(format_.SamplesForFrames(frames)));
  }
  uint8_t* out = Mix(buffer, frames, add);
  if (!out) {
    if (device_) device_->Pause(callbackId_);
    return nullptr;
  }
  if (swap) SwapBytes16(out, static_cast<int32_t>(format_.SamplesForFrames(frames)));
  return out;
}

void AddSaturating(uint8_t* into, const uint8_t* add, int32_t bytes, const VAudioEncodingFormat& format) {
  if (!into || !add || bytes <= 0) return;
  const bool isUnsigned = format.encoding == kAudioEncodingUnsigned;
  if (!isUnsigned && format.encoding != kAudioEncodingSigned) return;
  if (format.bits == 8) AddSaturating8(into, add, bytes, isUnsigned);
  if (format.bits == 16) AddSaturating16(into, add, bytes / 2, isUnsigned);
}

namespace {

// Sample `index` of 16-bit little-endian samples as signed, scaled as the
// mixing kernel scales it.
int32_t ScaledSample(const uint8_t* samples, int32_t index, int32_t factor, bool isUnsigned) {
  const auto raw = static_cast<uint16_t>(samples[2 * index] | (samples[2 * index + 1] << 8));
  const int32_t v = static_cast<int16_t>(static_cast<uint16_t>(raw ^ (isUnsigned ? 0x8000u : 0u)));
  return static_cast<int16_t>((v * factor) >> 8);
}

// The channels whose blocks are being added: each stays locked (and its
// samples valid) until its group has been added; released however the pass ends.
class HeldChannels {
 public:
  HeldChannels() = default;
  HeldChannels(const HeldChannels&) = delete;
  HeldChannels& operator=(const HeldChannels&) = delete;
  ~HeldChannels() { EndAll(); }
  static constexpr int32_t kCapacity = 16;
  bool Full() const { return count_ == kCapacity; }
  int32_t Count() const { return count_; }
  const ScaledBlock16* Blocks() const { return blocks_; }
  // Takes the channel's block, and notes the block's last frame as the
  // channel adds it; a channel that added to the block before and adds
  // nothing now gives its last frame to `fade` (left, right).
  void Begin(VAudioChannel* channel, const VAudioEncodingFormat& format, int32_t frames, int32_t samples,
             bool isUnsigned, int32_t (&fade)[2]) {
    ScaledBlock16& block = blocks_[count_];
    VAudioChannel::MixedEnd& end = channel->LastMixedEnd();
    if (channel->BeginMix(format, frames, block)) {
      channels_[count_++] = channel;
      const int32_t last = format.stereo != 0 ? samples - 2 : samples - 1;
      end.left = ScaledSample(block.samples, last, block.leftFactor, isUnsigned);
      end.right = format.stereo != 0 ? ScaledSample(block.samples, last + 1, block.rightFactor, isUnsigned) : end.left;
      end.mixed = true;
    } else if (end.mixed) {
      fade[0] += end.left;
      fade[1] += end.right;
      end = {};
    }
  }
  void EndAll() {
    for (int32_t i = 0; i < count_; ++i) channels_[i]->EndMix();
    count_ = 0;
  }

 private:
  VAudioChannel* channels_[kCapacity] = {};
  ScaledBlock16 blocks_[kCapacity] = {};
  int32_t count_ = 0;
};

}  // namespace

void VAudioMixer::MixInOnePass(uint8_t* out, int32_t frames, bool onto) {
  // The channels' blocks are added, scaled, in list order in one pass over
  // the block per group of channels: the same bytes as the first channel's
  // block copied and the others added one by one.
  const auto samples = static_cast<int32_t>(format_.SamplesForFrames(frames));
  const bool isUnsigned = format_.encoding == kAudioEncodingUnsigned;
  bool fromSilence = !onto;
  int32_t fade[2] = {0, 0};
  HeldChannels held;
  for (size_t next = 0; next < channels_.size();) {
    while (next < channels_.size() && !held.Full()) {
      held.Begin(channels_[next++], format_, frames, samples, isUnsigned, fade);
    }
    if (held.Count() == 0) break;
    AddScaledBlocksSaturating16(out, held.Blocks(), held.Count(), samples, isUnsigned, fromSilence);
    held.EndAll();
    fromSilence = false;
  }
  if (fromSilence) FillSilence(out, format_, frames);
  StartFadeOut(fade[0], fade[1]);
  if (fadeAt_ < fadeLength_) AddFadeOuts(out, frames);
}

void VAudioMixer::StartFadeOut(int32_t left, int32_t right) {
  if (left == 0 && right == 0) return;
  // What is left of a running ramp starts again from its present level.
  if (fadeAt_ < fadeLength_) {
    const int32_t weight = fadeLength_ - fadeAt_;
    left += static_cast<int32_t>(int64_t{fadeLeft_} * weight / fadeLength_);
    right += static_cast<int32_t>(int64_t{fadeRight_} * weight / fadeLength_);
  }
  fadeLeft_ = left;
  fadeRight_ = right;
  fadeAt_ = 0;
  fadeLength_ = std::max(format_.rate / 200, 1);
}

void VAudioMixer::AddFadeOuts(uint8_t* out, int32_t frames) {
  // A straight ramp from the last frames to zero over 5 ms: short enough to
  // be heard as the stop, long enough to leave no click. A ramp goes on into
  // the next blocks when a block is shorter.
  const int32_t channels = format_.stereo != 0 ? 2 : 1;
  const uint16_t flip = format_.encoding == kAudioEncodingUnsigned ? 0x8000u : 0u;
  int32_t f = 0;
  for (; f < frames && fadeAt_ < fadeLength_; ++f, ++fadeAt_) {
    const int32_t weight = fadeLength_ - fadeAt_;
    for (int32_t c = 0; c < channels; ++c) {
      const int64_t level = c == 0 ? fadeLeft_ : fadeRight_;
      uint8_t* at = out + 2 * (int64_t{f} * channels + c);
      const int32_t a = static_cast<int16_t>(static_cast<uint16_t>((at[0] | (at[1] << 8)) ^ flip));
      const auto add = static_cast<int32_t>(level * weight / fadeLength_);
      const auto sum = static_cast<uint16_t>(static_cast<uint16_t>(std::clamp(a + add, -32768, 32767)) ^ flip);
      at[0] = static_cast<uint8_t>(sum & 0xFF);
      at[1] = static_cast<uint8_t>(sum >> 8);
    }
  }
}

uint8_t* VAudioMixer::Mix(uint8_t* buffer, int32_t frames, bool add) {
  const int64_t bytes64 = format_.BytesForFrames(frames);
  if (bytes64 <= 0 || bytes64 > INT32_MAX) return nullptr;
  const auto bytes = static_cast<int32_t>(bytes64);
  const bool own = buffer != nullptr;
  uint8_t* out = buffer;
  if (!out) {
    if (!mixBuffer_.Ensure(bytes)) return nullptr;
    out = mixBuffer_.GetData();
  }
  if (VAudioChannel::CanMix(format_)) {
    // The finished channels are dropped and the rest mixed under one hold of
    // the list lock.
    std::vector<VAudioChannel*> dropped;
    {
      VMutexLock hold(channelsLock_);
      TakeFinishedChannels(dropped);
      MixInOnePass(out, frames, add && own);
    }
    ReleaseChannels(dropped);
    return out;
  }
  DropFinishedChannels();
  if (CountBusyChannels() == 0) {
    if (add && own) return out;
    FillSilence(out, format_, frames);
    return out;
  }
  VMutexLock hold(channelsLock_);
  size_t next = 0;
  if (!(add && own)) {
    bool first = false;
    for (; next < channels_.size() && !first; ++next) {
      int32_t n = frames;
      uint8_t* data = channels_[next]->RenderBlockForMixing(out, format_, n);
      if (data) {
        if (data != out) std::memcpy(out, data, static_cast<size_t>(bytes));
        first = true;
      }
    }
    if (!first) {
      FillSilence(out, format_, frames);
      return out;
    }
  }
  for (; next < channels_.size(); ++next) {
    int32_t n = frames;
    uint8_t* data = channels_[next]->RenderBlockForMixing(nullptr, format_, n);
    if (data) AddSaturating(out, data, bytes, format_);
  }
  return out;
}
