// The mixer: a worker thread that services the output device every 10 ms
// and, when the device asks, adds every busy channel's block with saturation
// in the device's format. Channels register with the current mixer.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/core/Memory.h"
#include "engine/core/VMutex.h"
#include "engine/core/VThread.h"
#include "engine/sound/AudioCallback.h"
#include "engine/sound/AudioFormat.h"

class VAudioChannel;
class VAudioDevice;

class VAudioMixer : public VThread, public VAudioCallback {
 public:
  // With a device: builds the volume tables, becomes the current mixer,
  // registers as the device's callback and starts the thread. Without one
  // the mixer is inert.
  VAudioMixer(VAudioDevice* device, int32_t levelCount);
  // Stops and joins the thread, unregisters, releases every channel.
  ~VAudioMixer() override;

  uint32_t Run() override;
  bool Step() override;
  void AddChannel(VAudioChannel* channel);
  void Activate();
  void PauseWhenIdle();
  uint8_t* FillBuffer(uint8_t* buffer, const VAudioEncodingFormat& format, int32_t frames, bool add) override;
  uint8_t* Mix(uint8_t* buffer, int32_t frames, bool add);
  int32_t CountBusyChannels();
  int32_t CountChannels();
  void DropFinishedChannels();
  // The mixer's state: made, and not yet asked to play; then activated by
  // the first stream queued, after which it stays so.
  static constexpr int32_t kStateMade = 1;
  static constexpr int32_t kStateActivated = 2;
  int32_t GetState() const { return state_; }
  int32_t GetCallbackId() const { return callbackId_; }
  // The output format of the last block; the mixer thread changes it while
  // other threads (a movie's sound clock) ask for it, so it is a copy.
  VAudioEncodingFormat GetFormat() const;
  // The output device (null for an inert mixer).
  VAudioDevice* GetDevice() const { return device_; }

 private:
  // Mix for the formats channels can mix in one pass: every channel's block,
  // scaled, added with saturation to silence (or with `onto` to what `out`
  // holds).
  // The caller holds channelsLock_.
  void MixInOnePass(uint8_t* out, int32_t frames, bool onto);
  // Moves the finished channels out of the list into `dropped`, under the
  // list lock held by the caller; they are released once it is given up.
  void TakeFinishedChannels(std::vector<VAudioChannel*>& dropped);
  // Fades out, over the first few milliseconds of `out`, the last frames of
  // the channels that added to the block before and add nothing to this
  // one, so that a sound stopped mid-wave ends without a click.
  void AddFadeOuts(uint8_t* out, int32_t frames);
  // Adds a last frame (left, right) to the ramp that AddFadeOuts plays.
  void StartFadeOut(int32_t left, int32_t right);

  std::atomic<int32_t> state_{kStateMade};
  std::atomic<int32_t> stopRequested_{0};
  VAudioDevice* device_;
  int32_t callbackId_ = -1;
  // Written on the mixer thread under formatLock_, read there without it.
  VAudioEncodingFormat format_;
  mutable std::mutex formatLock_;
  VByteBuffer mixBuffer_;
  std::vector<VAudioChannel*> channels_;
  VMutex channelsLock_;
  // The ramp of the channels that stopped adding: the summed last frames
  // (left, right) it falls from, its frames done and its length.
  int32_t fadeLeft_ = 0;
  int32_t fadeRight_ = 0;
  int32_t fadeAt_ = 0;
  int32_t fadeLength_ = 0;  // a ramp plays while fadeAt_ < fadeLength_
};

// Adds the block `add` into `into` sample by sample with saturation, for
// 8- or 16-bit signed or unsigned samples (little-endian 16-bit); other
// formats add nothing. `bytes` is the byte size of both.
void AddSaturating(uint8_t* into, const uint8_t* add, int32_t bytes, const VAudioEncodingFormat& format);

// The current mixer, or null.
VAudioMixer* GetCurrentMixer();
// true: Activate, false: PauseWhenIdle on the current mixer (none: nothing).
void NotifyMixer(bool active);
// Registers a new channel with the current mixer when there is one.
void AddChannelToCurrentMixer(VAudioChannel* channel);
