// The one interface through which a movie control drives a movie: every
// stream scheduler (video, audio, or a system stream holding children of
// both) starts, decodes, presents, pauses and reports its time through it.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/VGeometry.h"

class PixelMap;
class StreamClock;
class VAudioChannel;
class VBitstream;

class VStreamScheduler {
 public:
  enum Kind : int32_t { kVideo = 0, kAudio = 1, kSystem = 2 };

  // Takes the bit stream (may be null).
  VStreamScheduler(uint32_t streamId, VBitstream* bitstream);
  virtual ~VStreamScheduler();
  VStreamScheduler(const VStreamScheduler&) = delete;
  VStreamScheduler& operator=(const VStreamScheduler&) = delete;

  // Clears end of stream; the subclasses set `started`.
  virtual bool Start();
  // Decodes as much as the time allows.
  virtual void Decode() {}
  // Shows what is due; false means the movie has ended.
  virtual bool Present(PixelMap* /*map*/, const VRect* /*rect*/) { return false; }
  // Sets end of stream when the source is exhausted.
  virtual void CheckEnd() {}
  virtual void MarkStepTime() {}
  virtual int32_t GetKind() const = 0;
  virtual void GetFrameBounds(VRect& bounds) = 0;
  virtual bool DrawFrame(PixelMap* map, const VRect* rect) = 0;
  // Whether a new picture was drawn since the last call; clears the mark.
  virtual bool TakeFrameChanged() = 0;
  virtual void SetNoDrop(bool noDrop) = 0;
  virtual bool SetShowFirstFrame(bool /*show*/) { return false; }
  virtual bool HasShownFirstFrame() { return false; }
  virtual void SetVolume(int32_t volume) = 0;
  virtual VAudioChannel* GetAudioChannel() = 0;
  // Returns the old value.
  virtual bool SetPlaying(bool playing);
  virtual bool IsPlaying() { return playing_; }
  // 90 kHz ticks.
  virtual int64_t GetMediaTime() { return 0; }
  virtual void SetTime(int64_t ticks) { timeOffset_ = ticks - GetMediaTime(); }
  virtual int64_t GetTime() { return GetMediaTime() + timeOffset_; }
  virtual void SyncClock(int64_t /*ticks*/) {}
  virtual int64_t GetPresentationTime() { return 0; }
  virtual void SetEndOfStream() { endOfStream_ = true; }
  virtual void SetRate(double rate) { rate_ = rate; }
  virtual void AddTimeStamp(uint64_t /*ticks*/) {}
  virtual void SetClock(StreamClock* clock) { clock_ = clock; }
  virtual StreamClock* GetClock() { return clock_; }

  // Whether presentation may begin: a video scheduler once its queue of
  // decoded pictures is filled (or its input has ended), an audio scheduler
  // once it has buffered enough sound.
  virtual bool IsReadyToPresent() { return true; }

  // One step of the movie: Decode, Present, MarkStepTime; Present's result.
  bool Run(PixelMap* map, const VRect* rect);

  uint32_t GetStreamId() const { return streamId_; }
  VBitstream* GetBitstream() const { return bitstream_.get(); }
  bool IsStarted() const { return started_; }
  bool IsEndOfStream() const { return endOfStream_; }
  double GetRate() const { return rate_; }
  bool GetShowFirstFrame() const { return showFirstFrame_; }

 protected:
  uint32_t streamId_;
  std::unique_ptr<VBitstream> bitstream_;
  double rate_ = 1.0;
  bool started_ = false;
  bool endOfStream_ = false;
  bool playing_ = false;
  bool showFirstFrame_ = true;
  int64_t timeOffset_ = 0;
  StreamClock* clock_ = nullptr;
};
