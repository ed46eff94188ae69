#include "engine/sound/SDLAudioDevices.h"

#include <algorithm>
#include <cstring>

namespace {

platform::AudioOutputFormat OutputFormat(const VAudioEncodingFormat& f) {
  platform::AudioOutputFormat out;
  out.rate = f.rate;
  out.bits = f.bits;
  out.channels = f.Channels();
  out.isSigned = f.encoding != kAudioEncodingUnsigned;
  out.bigEndian = f.byteOrder != 1;
  return out;
}

void EncodingFollowsWidth(VAudioEncodingFormat& f) {
  if (f.bits == 8) f.encoding = kAudioEncodingUnsigned;
  if (f.bits == 16) f.encoding = kAudioEncodingSigned;
}

// Moves the format one step down; false when nothing is left.
bool Degrade(VAudioEncodingFormat& f) {
  VAudioFormat plain = f;
  if (!DegradeAudioFormat(plain)) return false;
  f.stereo = plain.stereo;
  f.bits = plain.bits;
  f.rate = plain.rate;
  EncodingFollowsWidth(f);
  return true;
}

}  // namespace

bool ProbeRingAudioDevice() { return platform::ProbeAudioOutput(); }

// --- Ring device ------------------------------------------------------------------

VRingAudioDevice::VRingAudioDevice(const VAudioFormat& format, bool priorityLevel)
    : VAudioDevice(format), priorityLevel_(priorityLevel) {}

VRingAudioDevice::~VRingAudioDevice() { Close(); }

bool VRingAudioDevice::IsOpen() const { return ring_.IsOpen(); }

bool VRingAudioDevice::Open() {
  VMutexLock hold(lock_);
  lastOpenTry_ = AudioDeviceNowMs();
  EncodingFollowsWidth(format_);
  if (ring_.IsOpen()) return true;
  if (format_.encoding != kAudioEncodingSigned && format_.encoding != kAudioEncodingUnsigned) return false;
  VAudioEncodingFormat tried = format_;
  for (;;) {
    const platform::AudioOpenResult result = ring_.Open(OutputFormat(tried), blockCount_ * AudioBlockBytes(tried));
    if (result == platform::AudioOpenResult::kOk) break;
    if (result == platform::AudioOpenResult::kBadFormat && Degrade(tried)) continue;
    playState_ = 0;
    primeNeeded_ = false;
    return false;
  }
  // Blocks are sized for the format granted: a lesser one kept at the size
  // asked for would hold more time per block than the clocks count.
  UseGrantedFormat(tried);
  if (!block_.Ensure(blockBytes_)) {
    ring_.Close();
    return false;
  }
  FillSilence(block_.GetData(), format_, static_cast<int32_t>(format_.FramesInBytes(blockBytes_)));
  nextBlock_ = 0;
  playState_ = 1;
  primeNeeded_ = true;
  return true;
}

void VRingAudioDevice::Close() {
  VMutexLock hold(lock_);
  primeNeeded_ = false;
  ring_.Stop();
  ring_.Close();
  nextDue_ = -1;
  ResetSilentClock();
}

void VRingAudioDevice::Start(int32_t id) {
  VMutexLock hold(lock_);
  if (id == callbackId_ && ring_.IsOpen() && callback_ && playState_ != 0 && playState_ != 1) {
    playState_ = 1;
    primeNeeded_ = true;
  }
}

bool VRingAudioDevice::WriteBlock(int64_t now) {
  if (!ring_.IsOpen() || !callback_ || !block_.GetData()) return false;
  nextDue_ = now + blockMs_;
  ResetSilentClock();
  ring_.Write(nextBlock_ * blockBytes_, block_.GetData(), blockBytes_);
  const int32_t frames = static_cast<int32_t>(format_.FramesInBytes(blockBytes_));
  nextBlock_ = (nextBlock_ + 1) % blockCount_;
  return MixNextBlock(frames);
}

void VRingAudioDevice::Service() {
  if (OnOwnerThread()) return;
  VMutexLock hold(lock_);
  const int64_t now = AudioDeviceNowMs();
  RetryOpen(now);
  if (!callback_) return;
  if (!ring_.IsOpen() || !IsAudioOutputActive()) {
    RunSilentClock();
    return;
  }
  if (primeNeeded_) {
    WriteBlock(now);
    WriteBlock(now);
    ring_.Play();
    primeNeeded_ = false;
  }
  const int32_t playing = blockBytes_ > 0 ? ring_.PlayCursor() / blockBytes_ : 0;
  if ((nextBlock_ == 0 && playing == 1) || (nextBlock_ == 1 && playing == 0)) WriteBlock(now);
}

int32_t VRingAudioDevice::GetLatency() {
  VMutexLock hold(lock_);
  if (!ring_.IsOpen() || format_.FrameBytes() <= 0 || format_.rate <= 0) return 0;
  // The ring ahead of the play cursor, the block mixed and waiting for its
  // place in the ring, and the system's buffer, which holds what the cursor
  // passed last: the newest mixed sound is heard after all of them.
  const int64_t ahead = int64_t{nextBlock_ + blockCount_} * blockBytes_ - ring_.PlayCursor() + blockBytes_ +
                        ring_.DeviceBufferBytes();
  return static_cast<int32_t>(ahead / format_.FrameBytes() * 1000 / format_.rate);
}

// --- Queue device -----------------------------------------------------------------

VQueueAudioDevice::VQueueAudioDevice(const VAudioFormat& format) : VAudioDevice(format) {}

VQueueAudioDevice::~VQueueAudioDevice() { Close(); }

bool VQueueAudioDevice::IsOpen() const { return queue_.IsOpen(); }

bool VQueueAudioDevice::Open() {
  VMutexLock hold(lock_);
  lastOpenTry_ = AudioDeviceNowMs();
  if (queue_.IsOpen()) return true;
  VAudioEncodingFormat tried = format_;
  for (;;) {
    EncodingFollowsWidth(tried);
    if (tried.rate == 48000) tried.rate = 44100;
    if (tried.rate == 32000 || tried.rate == 24000) tried.rate = 22050;
    if (tried.rate == 16000) tried.rate = 11025;
    const platform::AudioOpenResult result = queue_.Open(OutputFormat(tried));
    if (result == platform::AudioOpenResult::kOk) break;
    if (result == platform::AudioOpenResult::kBadFormat && Degrade(tried)) continue;
    return false;
  }
  UseGrantedFormat(tried);
  if (!block_.Ensure(blockBytes_)) {
    queue_.Close();
    return false;
  }
  FillSilence(block_.GetData(), format_, static_cast<int32_t>(format_.FramesInBytes(blockBytes_)));
  bytesWritten_ = 0;
  startNeeded_ = true;
  return true;
}

void VQueueAudioDevice::Close() {
  VMutexLock hold(lock_);
  startNeeded_ = false;
  if (queue_.IsOpen()) {
    queue_.Reset();
    queue_.Close();
  }
  nextDue_ = -1;
  ResetSilentClock();
}

void VQueueAudioDevice::Start(int32_t id) {
  VMutexLock hold(lock_);
  nextDue_ = AudioDeviceNowMs() + blockMs_;
  if (queue_.IsOpen() && id == callbackId_) playState_ = callback_ ? 1 : 0;
}

bool VQueueAudioDevice::WriteBlock(int64_t now) {
  if (!callback_ || blockBytes_ <= 0 || !block_.GetData()) return false;
  nextDue_ = now + blockMs_;
  ResetSilentClock();
  if (!queue_.Write(block_.GetData(), blockBytes_)) return false;
  bytesWritten_ += blockBytes_;
  return MixNextBlock(static_cast<int32_t>(format_.FramesInBytes(blockBytes_)));
}

void VQueueAudioDevice::Service() {
  if (OnOwnerThread()) return;
  VMutexLock hold(lock_);
  const int64_t now = AudioDeviceNowMs();
  RetryOpen(now);
  if (!callback_) return;
  if (!queue_.IsOpen() || !IsAudioOutputActive()) {
    RunSilentClock();
    return;
  }
  if (startNeeded_) {
    queue_.Pause(true);
    for (int32_t i = 0; i < blockCount_; ++i) WriteBlock(now);
    queue_.Pause(false);
    startNeeded_ = false;
  }
  // Keeps three blocks ahead of the played position (bounded per call).
  for (int i = 0; i < 8 && queue_.PlayedBytes() + 3 * int64_t{blockBytes_} > bytesWritten_; ++i) {
    if (!WriteBlock(now)) break;
  }
}

int32_t VQueueAudioDevice::GetLatency() {
  VMutexLock hold(lock_);
  if (!queue_.IsOpen() || format_.FrameBytes() <= 0 || format_.rate <= 0) return 0;
  // What the system still queues, the block mixed and waiting to be
  // written, and the system's buffer, which holds what it took from the
  // queue last: the newest mixed sound is heard after all of them.
  const int64_t ahead = queue_.QueuedBytes() + blockBytes_ + queue_.DeviceBufferBytes();
  return static_cast<int32_t>(ahead / format_.FrameBytes() * 1000 / format_.rate);
}

// --- Capture device ---------------------------------------------------------------

VCaptureAudioDevice::VCaptureAudioDevice(const VAudioFormat& format) : VAudioDevice(format) {}

VCaptureAudioDevice::~VCaptureAudioDevice() = default;

bool VCaptureAudioDevice::Open() {
  VMutexLock hold(lock_);
  EncodingFollowsWidth(format_);
  open_ = true;
  playState_ = 1;
  return true;
}

void VCaptureAudioDevice::PullFrames(int32_t frames) {
  VMutexLock hold(lock_);
  if (frames <= 0) return;
  const int64_t bytes = format_.BytesForFrames(frames);
  if (bytes > INT32_MAX || !block_.Ensure(static_cast<int32_t>(bytes))) return;
  MixNextBlock(frames);
  captured_.insert(captured_.end(), block_.GetData(), block_.GetData() + bytes);
}

void VCaptureAudioDevice::PullBlocks(int32_t blocks) {
  const int32_t frames = static_cast<int32_t>(format_.FramesInBytes(blockBytes_));
  for (int32_t i = 0; i < blocks; ++i) PullFrames(frames);
}
