#include "engine/sound/AudioDevice.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "engine/sound/AudioFormat.h"
#include "engine/sound/SDLAudioDevices.h"
#include "platform/Clock.h"

namespace {

std::recursive_mutex& DeviceMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

VAudioDevice*& CurrentDevice() {
  static VAudioDevice* device = nullptr;
  return device;
}

std::atomic<bool> gAudioActive{false};
constexpr bool kAudioFollowsActivation = true;
constexpr bool kReopenAllowed = true;
constexpr int64_t kReopenIntervalMs = 2000;

std::atomic<int32_t> gNextCallbackId{1};

AudioDeviceFactory& Factory() {
  static AudioDeviceFactory factory;
  return factory;
}

}  // namespace

VAudioDevice::VAudioDevice(const VAudioFormat& format)
    : format_(format), ownerThread_(std::this_thread::get_id()) {
  blockBytes_ = AudioBlockBytes(format_);
  blockMs_ = AudioBlockMilliseconds(blockBytes_, format_);
  std::lock_guard<std::recursive_mutex> hold(DeviceMutex());
  CurrentDevice() = this;
}

VAudioDevice::~VAudioDevice() {
  std::lock_guard<std::recursive_mutex> hold(DeviceMutex());
  if (CurrentDevice() == this) CurrentDevice() = nullptr;
}

bool VAudioDevice::SetFormat(const VAudioFormat& format) {
  VAudioEncodingFormat next = format_;
  next.rate = format.rate;
  next.bits = format.bits;
  next.stereo = format.stereo;
  return SetEncodingFormat(next);
}

bool VAudioDevice::SetEncodingFormat(const VAudioEncodingFormat& format) {
  VMutexLock hold(lock_);
  const bool wasOpen = IsOpen();
  if (wasOpen) Close();
  UseGrantedFormat(format);
  ResetSilentClock();
  return wasOpen ? Open() : true;
}

int32_t VAudioDevice::RegisterCallback(VAudioCallback* callback) {
  VMutexLock hold(lock_);
  if (callback_) return -1;
  callback_ = callback;
  callbackId_ = gNextCallbackId++;
  return callbackId_;
}

void VAudioDevice::UnregisterCallback(int32_t id) {
  VMutexLock hold(lock_);
  if (callback_ && id == callbackId_) {
    callback_ = nullptr;
    callbackId_ = 0;
  }
}

void VAudioDevice::Start(int32_t id) {
  VMutexLock hold(lock_);
  if (id == callbackId_ && callback_) playState_ = 1;
}

void VAudioDevice::Pause(int32_t id) {
  VMutexLock hold(lock_);
  if (id == callbackId_ && playState_ != 0) playState_ = 2;
}

bool VAudioDevice::MixNextBlock(int32_t frames) {
  uint8_t* mixed = callback_ ? callback_->FillBuffer(block_.GetData(), format_, frames, false) : nullptr;
  if (!mixed) {
    FillSilence(block_.GetData(), format_, frames);
    return false;
  }
  if (mixed != block_.GetData()) {
    std::memcpy(block_.GetData(), mixed, static_cast<size_t>(format_.BytesForFrames(frames)));
  }
  return true;
}

void VAudioDevice::RunSilentClock() {
  const int32_t frames = static_cast<int32_t>(format_.FramesInBytes(blockBytes_));
  if (!callback_ || frames <= 0 || format_.rate <= 0) return;
  const int64_t now = AudioDeviceNowUs();
  if (silentStartUs_ < 0) {
    // A start that set the next block time ahead (the queue device) is kept.
    silentStartUs_ = nextDue_ >= 0 && nextDue_ * 1000 > now ? nextDue_ * 1000 : now;
    silentFrames_ = 0;
  }
  if (now < silentStartUs_) return;
  // Frames of time since the start; a block is due once its first frame is.
  const int64_t elapsedFrames = (now - silentStartUs_) * format_.rate / 1000000;
  const int64_t due = elapsedFrames < silentFrames_ ? 0 : (elapsedFrames - silentFrames_) / frames + 1;
  // After a stall (the process stopped, a suspended machine) the backlog
  // beyond a few blocks is dropped: nobody heard that time pass, and pulling
  // thousands of blocks at once would hold the device and the mixer for a
  // long while. The few kept absorb the ordinary lateness of the thread.
  if (due > kSilentClockCatchUpBlocks) silentFrames_ += (due - kSilentClockCatchUpBlocks) * frames;
  for (int64_t i = 0; i < std::min<int64_t>(due, kSilentClockCatchUpBlocks); ++i) {
    callback_->FillBuffer(nullptr, format_, frames, false);
    silentFrames_ += frames;
  }
  // Whole seconds move into the start, so the products above stay small.
  const int64_t seconds = silentFrames_ / format_.rate;
  silentStartUs_ += seconds * 1000000;
  silentFrames_ -= seconds * format_.rate;
  nextDue_ = (silentStartUs_ + silentFrames_ * 1000000 / format_.rate) / 1000;
}

void VAudioDevice::UseGrantedFormat(const VAudioEncodingFormat& granted) {
  format_ = granted;
  blockBytes_ = AudioBlockBytes(format_);
  blockMs_ = AudioBlockMilliseconds(blockBytes_, format_);
}

void VAudioDevice::RetryOpen(int64_t now) {
  if (!IsAudioOutputActive() || !kReopenAllowed || IsOpen()) return;
  if (lastOpenTry_ >= 0 && now - lastOpenTry_ <= kReopenIntervalMs) return;
  lastOpenTry_ = now;
  Open();
}

int32_t AudioBlockBytes(const VAudioFormat& format) {
  const int64_t bytes = int64_t{format.FrameBytes()} * ((int64_t{format.rate} + 11024) / 11025) * 512;
  return bytes > 0 && bytes <= INT32_MAX ? static_cast<int32_t>(bytes) : 0;
}

int32_t AudioBlockMilliseconds(int32_t blockBytes, const VAudioFormat& format) {
  if (format.FrameBytes() <= 0 || format.rate <= 0) return 0;
  return static_cast<int32_t>(static_cast<double>(blockBytes) / format.FrameBytes() * 1000.0 / format.rate);
}

bool DegradeAudioFormat(VAudioFormat& format) {
  if (format.stereo) {
    format.stereo = 0;
    return true;
  }
  if (format.bits == 16) {
    format.bits = 8;
    return true;
  }
  static constexpr int32_t kRates[] = {48000, 44100, 32000, 24000, 22050, 16000, 11025, 8000};
  for (size_t i = 0; i + 1 < sizeof(kRates) / sizeof(kRates[0]); ++i) {
    if (format.rate == kRates[i]) {
      format.rate = kRates[i + 1];
      return true;
    }
  }
  return false;
}

AudioDeviceFactory SetAudioDeviceFactory(AudioDeviceFactory factory) {
  std::lock_guard<std::recursive_mutex> hold(DeviceMutex());
  AudioDeviceFactory previous = std::move(Factory());
  Factory() = std::move(factory);
  return previous;
}

VAudioDevice* CreateAudioDevice(const VAudioFormat& format, bool priorityLevel) {
  AudioDeviceFactory factory;
  {
    std::lock_guard<std::recursive_mutex> hold(DeviceMutex());
    factory = Factory();
  }
  if (factory) return factory(format, priorityLevel);
  if (ProbeRingAudioDevice()) return new VRingAudioDevice(format, priorityLevel);
  return new VQueueAudioDevice(format);
}

VAudioDevice* GetCurrentAudioDevice() {
  std::lock_guard<std::recursive_mutex> hold(DeviceMutex());
  return CurrentDevice();
}

void SetAudioOutputActive(bool active) {
  VAudioDevice* device = GetCurrentAudioDevice();
  if (!device) return;
  if (!active) {
    gAudioActive = false;
    device->Close();
  } else {
    if (kReopenAllowed) device->Open();
    gAudioActive = true;
  }
}

bool IsAudioOutputActive() { return gAudioActive; }
bool GetAudioOutputFollowsActivation() { return kAudioFollowsActivation; }

int64_t AudioDeviceNowMs() { return static_cast<int64_t>(platform::PerformanceCounter() / 1000000u); }
int64_t AudioDeviceNowUs() { return static_cast<int64_t>(platform::PerformanceCounter() / 1000u); }
