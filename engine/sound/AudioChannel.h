// One voice of the mixer: a queue of streams played one after the other,
// each decoded by its format tag, converted to the mixer's format and rate
// (with the pitch folded into the rate step) and scaled by volume and pan.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <optional>

#include "engine/core/Memory.h"
#include "engine/core/VBiasedMutex.h"
#include "engine/core/VRefCount.h"
#include "engine/sound/AudioFormat.h"
#include "engine/sound/SampleKernels.h"

class VAudioStream;
class VAudioDecoder;

class VAudioChannel : public VRefCount {
 public:
  // Registers with the current mixer when there is one (the mixer then holds
  // a reference of its own).
  explicit VAudioChannel(bool persistent);
  ~VAudioChannel() override;

  // Queues the stream (see the .cpp for the priority rule); false when the
  // stream is null or memory ran out. `loops`, when given, replaces the
  // stream's loop count for this play; it is in place before the mixer can
  // render the stream.
  bool QueueStream(VAudioStream* stream, int32_t offsetMs, int32_t priority, int32_t pitch,
                   std::optional<int32_t> loops = std::nullopt);
  // Renders `frames` frames of the output format (into `destination`, else
  // the channel's own buffer). Returns the block or null; without
  // fillWithSilence `frames` becomes the frames produced.
  uint8_t* RenderBlock(uint8_t* destination, const VAudioEncodingFormat& outFormat, int32_t& frames,
                       bool fillWithSilence);
  // RenderBlock with silence after the end, for the mixer's pass only (one
  // thread at a time, under the mixer's list lock): it holds the channel's
  // lock as its frequent party.
  uint8_t* RenderBlockForMixing(uint8_t* destination, const VAudioEncodingFormat& outFormat, int32_t& frames);
  // Mixing in one pass over the block, for the formats CanMix accepts:
  // renders `frames` frames as RenderBlock does (silence after the end) but
  // unscaled, and gives them with the factors of the channel's volume and
  // pan (RenderBlock's bytes are these samples scaled). The samples are
  // where they lie when they need no conversion. The channel stays locked,
  // and the samples valid, until EndMix; false (and not locked) when the
  // channel adds nothing to this block.
  // Like RenderBlockForMixing, for the mixer's pass only.
  bool BeginMix(const VAudioEncodingFormat& outFormat, int32_t frames, ScaledBlock16& block);
  void EndMix();
  // 16-bit little-endian signed or unsigned samples.
  static bool CanMix(const VAudioEncodingFormat& format);
  // Empties the queue; a non-persistent channel is then finished.
  void Stop();
  void MarkFinished() { finished_ = true; }
  bool IsFinished() const { return finished_; }
  // Moves the current stream to a time from its start.
  void SetPosition(int32_t milliseconds);
  void SetChannelVolume(int32_t percent);
  void SetVolume(int32_t percent);
  void SetPan(int32_t pan);
  // Whether a stream is playing (queued and not yet run out or stopped).
  bool IsPlaying() const { return active_; }
  // Holds the channel: it renders nothing and keeps its place until Resume.
  void Pause() { held_ = true; }
  void Resume() { held_ = false; }
  bool IsHeld() const { return held_; }
  bool HasStreams() const;
  bool IsPersistent() const { return persistent_; }
  int32_t GetLoopsLeft() const;
  void SetLoopsLeft(int32_t loops);
  int32_t GetVolume() const { return volume_; }
  int32_t GetVolumeScale() const { return volumeScale_; }
  // The mixer thread moves these while it renders: read under the lock.
  int32_t GetPitch() const;
  int32_t GetFramePosition() const;
  int64_t GetFramesPlayed() const;
  // The last frame this channel added to the mix, scaled as it was added;
  // the mixer's pass alone reads and writes it (under the mixer's list
  // lock). When the channel stops adding (stopped, ended, held, silenced)
  // the mixer fades that frame out instead of dropping to zero at once.
  struct MixedEnd {
    int32_t left = 0;
    int32_t right = 0;
    bool mixed = false;
  };
  MixedEnd& LastMixedEnd() { return mixedEnd_; }

 private:
  struct QueueEntry {
    VAudioStream* stream;
    int32_t priority;
    int32_t startFrame;
    int32_t pitch;
    std::optional<int32_t> loops;  // none: the stream's loop count
  };
  void MakeCurrent(const QueueEntry& entry);
  void DropCurrent();
  void DropEntry(const QueueEntry& entry);
  void ClearQueue();
  // Drops the current stream and makes the next playable one current; under
  // the caller's hold of the lock.
  bool AdvanceStream();
  // RenderBlock under the lock held by the caller; for BeginMix when
  // `forMixing` is set (no destination, unscaled, samples left in place when
  // they fill the block).
  uint8_t* RenderLocked(uint8_t* destination, const VAudioEncodingFormat& outFormat, int32_t& frames,
                        bool fillWithSilence, bool forMixing);
  // For mixing, under the lock: the next `frames` frames where they lie when
  // the current sound is steady (see steady_) and the block ends short of
  // its end, the channel moved past them as RenderLocked would; else null.
  const uint8_t* TakeSteadyBlock(const VAudioEncodingFormat& outFormat, int32_t frames);
  // Notes, after a whole block was mixed in place, whether the current
  // sound can be taken steadily from now on.
  void NoteSteady(const VAudioEncodingFormat& outFormat);
  // Only the mixing thread, under the lock, writes the count; the program
  // reads it without the lock.
  void CountPlayed(int32_t frames) {
    framesPlayed_.store(framesPlayed_.load(std::memory_order_relaxed) + frames, std::memory_order_relaxed);
  }

  std::atomic<bool> active_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> held_{false};
  const bool persistent_;
  // Read by the program (a movie's clock) without the lock.
  std::atomic<int64_t> framesPlayed_{0};
  int32_t position_ = 0;
  std::atomic<int32_t> volume_{100};
  std::atomic<int32_t> volumeScale_{100};
  std::atomic<int32_t> pan_{0};
  int32_t loopsLeft_ = 1;
  int32_t pitch_ = 440;
  VByteBuffer buffer_;
  int32_t rateFraction_ = 0;
  // The rate step of the last block and what it was computed from.
  int32_t step_ = 1024;
  int32_t stepPitch_ = -1;
  int32_t stepReference_ = -1;
  int32_t stepInRate_ = -1;
  int32_t stepOutRate_ = -1;
  // The mixing factors of the last block and what they were computed from.
  int32_t leftFactor_ = 256;
  int32_t rightFactor_ = 256;
  int32_t factorVolume_ = -1;
  int32_t factorPan_ = 0;
  int32_t factorStereo_ = -1;
  // A current sound that lies whole in memory, already in the output format
  // and played at its own rate: most blocks are then a pointer into it, with
  // no decoding. Found after a block was mixed where it lay; cleared with the
  // decoder, and unused once the format or the channel's pitch differ from
  // these (the stream's reference pitch is fixed).
  // What the full path reads through the queue and the decoder is copied
  // here: the check is made on every channel for every block, and reads
  // spread over those objects cost the mixer about 5 % of its time.
  struct SteadySound {
    const uint8_t* samples = nullptr;
    int32_t frames = 0;
    int32_t frameBytes = 0;
    VAudioEncodingFormat format;
    int32_t pitch = 0;
  };
  SteadySound steady_;
  MixedEnd mixedEnd_;
  std::deque<QueueEntry> streams_;
  VAudioDecoder* decoder_ = nullptr;
  // Whether streams_ holds any, for HasStreams without the lock.
  std::atomic<bool> queued_{false};
  // The mixer's pass is the lock's frequent party (BeginMix to EndMix, and
  // RenderBlockForMixing); everything else is one of the others.
  mutable VBiasedMutex lock_;
};
