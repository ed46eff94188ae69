// Drives one MPEG audio stream of a movie: decodes Layer II frames from the
// bit stream the demultiplexer fills, plays the decoded sound on a mixer
// channel, and pulls the movie's clock towards the time stamps of what is
// heard, so that the pictures follow the sound.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/mpeg/VSchedulerInfoList.h"
#include "engine/mpeg/VStreamScheduler.h"

class VMPADecoder;
class VMPAStream;

class VMPAScheduler : public VStreamScheduler {
 public:
  // Takes the bit stream.
  VMPAScheduler(uint32_t streamId, VBitstream* bitstream, float bufferingFactor, float reserveFactor);
  ~VMPAScheduler() override;

  bool Start() override;
  void Decode() override;
  // Reports the time stamps that reached the output to the clock and, while
  // playing, queues the sound on its channel. False once the input has
  // ended and every sample was handed to the mixer.
  bool Present(PixelMap* map, const VRect* rect) override;
  void CheckEnd() override;
  int32_t GetKind() const override { return kAudio; }
  void GetFrameBounds(VRect& bounds) override { bounds = VRect(); }
  bool DrawFrame(PixelMap*, const VRect*) override { return false; }
  bool TakeFrameChanged() override { return false; }
  void SetNoDrop(bool) override {}
  void SetVolume(int32_t volume) override;
  VAudioChannel* GetAudioChannel() override { return channel_; }
  bool SetPlaying(bool playing) override;
  int64_t GetMediaTime() override;
  int64_t GetTime() override;
  void SyncClock(int64_t ticks) override;
  int64_t GetPresentationTime() override;
  void SetRate(double rate) override;
  void AddTimeStamp(uint64_t ticks) override;
  // Enough sound is decoded to start: a frame, or whatever the input held.
  bool IsReadyToPresent() override;

  VMPADecoder& GetDecoder() const { return *decoder_; }
  // The output latency of the audio device, in 90 kHz ticks (0 without one).
  static int64_t AudioLatency();

 private:
  VSchedulerInfoList input_;   // bit-stream positions
  VSchedulerInfoList output_;  // decoder sample counts
  std::unique_ptr<VMPADecoder> decoder_;
  VMPAStream* stream_ = nullptr;  // one reference
  VAudioChannel* channel_ = nullptr;
  float bufferingFactor_;
  float reserveFactor_;
  bool queued_ = false;
};
