// The audio output device: the base that keeps the format, the block size
// and the mixer's callback; the format arithmetic of blocks and the degrade
// order of refused formats; the device factory (with a replaceable factory
// for tests) and the process-wide activation switch. Devices have no thread
// of their own: the mixer thread calls Service every 10 ms.
#pragma once

#include <cstdint>
#include <functional>
#include <thread>

#include "engine/core/Memory.h"
#include "engine/core/VMutex.h"
#include "engine/sound/AudioCallback.h"
#include "engine/sound/AudioFormat.h"

class VAudioDevice {
 public:
  // Becomes the current device.
  explicit VAudioDevice(const VAudioFormat& format);
  // Stops being the current device.
  virtual ~VAudioDevice();
  VAudioDevice(const VAudioDevice&) = delete;
  VAudioDevice& operator=(const VAudioDevice&) = delete;

  // Pulls the blocks the device's schedule needs (mixer thread).
  virtual void Service() {}
  // Milliseconds from the newest mixed sound to the moment it is heard: the
  // mixed block not yet handed over, what the output holds ahead of its play
  // position and the system's own buffer. Subtracted from the frames a
  // channel has rendered, it gives the frame being heard (0 when closed).
  virtual int32_t GetLatency() { return 0; }
  virtual int32_t UsesCallback() const { return kind_; }
  // Takes rate, bits and channels, keeping encoding, byte order and tag.
  virtual bool SetFormat(const VAudioFormat& format);
  // The callback's id (counted from 1), or -1 when one is registered.
  virtual int32_t RegisterCallback(VAudioCallback* callback);
  virtual void UnregisterCallback(int32_t id);
  virtual void Start(int32_t id);
  virtual void Pause(int32_t id);
  virtual void Close() = 0;
  virtual bool Open() = 0;
  // Closes when open, takes the format and the block size, re-opens.
  virtual bool SetEncodingFormat(const VAudioEncodingFormat& format);
  virtual bool IsOpen() const = 0;

  const VAudioEncodingFormat& GetEncodingFormat() const { return format_; }
  int32_t GetBlockBytes() const { return blockBytes_; }
  int32_t GetBlockMilliseconds() const { return blockMs_; }
  int32_t GetPlayState() const { return playState_; }
  bool HasCallback() const { return callback_ != nullptr; }

 protected:
  // Closed or inactive: pulls and discards one block per block time due, so
  // that sounds keep their timing. Caller holds the lock.
  void RunSilentClock();
  // The silent clock starts afresh the next time it runs.
  void ResetSilentClock() { silentStartUs_ = -1; }
  // Takes the block size and time of the format the output was granted.
  void UseGrantedFormat(const VAudioEncodingFormat& granted);
  // Asks the callback for the next block into block_, as `frames` frames of
  // the device's format; silence where it gives none. True when mixed.
  // Caller holds the lock.
  bool MixNextBlock(int32_t frames);
  // Re-opens when active, allowed, closed and 2 s past the last try.
  void RetryOpen(int64_t now);
  bool OnOwnerThread() const { return std::this_thread::get_id() == ownerThread_; }

  int32_t kind_ = 1;
  int32_t blockBytes_ = 0;
  int32_t blockMs_ = 0;
  VAudioEncodingFormat format_;
  VMutex lock_;
  VByteBuffer block_;
  VAudioCallback* callback_ = nullptr;
  int32_t callbackId_ = 0;
  int32_t playState_ = 0;  // 0 not started, 1 playing, 2 paused
  int64_t nextDue_ = -1;
  // The silent clock: its start (microseconds of the device clock, -1 when
  // stopped) and the frames pulled since then, so block times add up exactly.
  int64_t silentStartUs_ = -1;
  int64_t silentFrames_ = 0;
  int64_t lastOpenTry_ = -1;
  std::thread::id ownerThread_;
};

// 512 frames for every started 11025 Hz of rate.
int32_t AudioBlockBytes(const VAudioFormat& format);
int32_t AudioBlockMilliseconds(int32_t blockBytes, const VAudioFormat& format);
// One step down: stereo to mono, 16 to 8 bits, then the rate 48000 44100
// 32000 24000 22050 16000 11025 8000; false when nothing is left.
bool DegradeAudioFormat(VAudioFormat& format);

using AudioDeviceFactory = std::function<VAudioDevice*(const VAudioFormat& format, bool priorityLevel)>;
// Replaces the factory CreateAudioDevice uses (empty: the SDL devices).
// Returns the previous one.
AudioDeviceFactory SetAudioDeviceFactory(AudioDeviceFactory factory);
// The ring device when the probe finds an output, else the queue device.
VAudioDevice* CreateAudioDevice(const VAudioFormat& format, bool priorityLevel);

VAudioDevice* GetCurrentAudioDevice();
// false: closes the current device; true: re-opens it, then marks audio active.
void SetAudioOutputActive(bool active);
bool IsAudioOutputActive();
bool GetAudioOutputFollowsActivation();
// The devices' clock in milliseconds and microseconds (the platform clock,
// replaceable in tests).
int64_t AudioDeviceNowMs();
int64_t AudioDeviceNowUs();
// The most blocks the silent clock pulls at once to catch up.
constexpr int32_t kSilentClockCatchUpBlocks = 4;
