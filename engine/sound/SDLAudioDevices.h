// The two output devices over the platform's sound output: the ring device
// keeps two blocks in a looping ring and writes the block the play cursor
// has left; the queue device keeps three blocks queued ahead of the played
// position. Both degrade a refused format, re-open every 2 s while active
// and run the silent clock while closed.
#pragma once

#include "engine/sound/AudioDevice.h"
#include <vector>

#include "platform/Audio.h"

// Whether the ring device can be used (the system's output starts).
bool ProbeRingAudioDevice();

class VRingAudioDevice : public VAudioDevice {
 public:
  VRingAudioDevice(const VAudioFormat& format, bool priorityLevel);
  ~VRingAudioDevice() override;

  void Service() override;
  int32_t GetLatency() override;
  void Start(int32_t id) override;
  void Close() override;
  bool Open() override;
  bool IsOpen() const override;
  // Times the system's output found the ring not yet rewritten since the open.
  int64_t CountUnderruns() const { return ring_.Underruns(); }
  int64_t CountPlayedBytes() const { return ring_.PlayedBytes(); }
  // Whether the priority level was asked for at construction; SDL output has
  // no such level, so it changes nothing here but is kept for who asks.
  bool HasPriorityLevel() const { return priorityLevel_; }

 private:
  bool WriteBlock(int64_t now);

  platform::AudioRing ring_;
  bool priorityLevel_;
  bool primeNeeded_ = false;
  int32_t blockCount_ = 2;
  int32_t nextBlock_ = 0;
};

class VQueueAudioDevice : public VAudioDevice {
 public:
  explicit VQueueAudioDevice(const VAudioFormat& format);
  ~VQueueAudioDevice() override;

  void Service() override;
  int32_t GetLatency() override;
  void Start(int32_t id) override;
  void Pause(int32_t) override {}
  void Close() override;
  bool Open() override;
  bool IsOpen() const override;
  // Bytes the system has taken from the queue since the open.
  int64_t CountPlayedBytes() const { return queue_.PlayedBytes(); }

 private:
  bool WriteBlock(int64_t now);

  platform::AudioQueue queue_;
  bool startNeeded_ = false;
  int32_t blockCount_ = 2;
  int64_t bytesWritten_ = 0;
};

// A device for tests and tools: nothing is played; each PullBlocks asks the
// callback for blocks and keeps them.
class VCaptureAudioDevice : public VAudioDevice {
 public:
  explicit VCaptureAudioDevice(const VAudioFormat& format);
  ~VCaptureAudioDevice() override;
  void Close() override { open_ = false; }
  bool Open() override;
  bool IsOpen() const override { return open_; }
  // Asks the callback for `blocks` blocks of the device's block size
  // (silence where it gives none) and appends them to the capture.
  void PullBlocks(int32_t blocks);
  // Pulls frames (any count) the same way.
  void PullFrames(int32_t frames);
  const std::vector<uint8_t>& Captured() const { return captured_; }
  void ClearCaptured() { captured_.clear(); }

 private:
  bool open_ = false;
  std::vector<uint8_t> captured_;
};
