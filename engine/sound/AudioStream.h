// One sound as a medium: its stored format, its data (read on demand or
// loaded whole), its playing defaults, and the ways to put it on a channel.
// Streams are shared between the user-interface thread and the mixer thread:
// their one reference count (the medium's) is atomic and their data guarded.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/core/Memory.h"
#include "engine/core/VMutex.h"
#include "engine/graphics/VMedia.h"
#include "engine/sound/AudioFormat.h"

class VAudioChannel;
class VAudioDecoder;
class VAudioDecoderConfig;

class VAudioStream : public VMedia {
 public:
  VAudioStream() = default;
  ~VAudioStream() override = default;

  // A decoder for the format tag, attached to this stream, or null.
  virtual VAudioDecoder* CreateDecoder();
  virtual const VAudioDecoderConfig* GetDecoderConfig() const { return nullptr; }
  virtual void ReleaseDecoder(VAudioDecoder* decoder);
  // Up to `bytes` bytes at the read position (in `destination` when given and
  // possible); `bytes` becomes the count delivered; null with `failed` clear
  // means no data now or the end.
  virtual uint8_t* ReadSamples(uint8_t* destination, int32_t& bytes, bool& failed) = 0;
  // Reset(position) followed by ReadSamples. `lasting` tells whether the
  // data handed out stays where it is while the stream lives (its loaded
  // samples, which never change), rather than in a buffer of the stream
  // that its next read may overwrite.
  virtual uint8_t* ReadSamplesAt(int32_t position, uint8_t* destination, int32_t& bytes, bool& failed,
                                 bool& lasting);
  // Reads the whole sample data into memory; true when it is there.
  virtual bool LoadWhole();
  virtual bool IsAtEnd(int32_t position) const;
  virtual bool IsFinished() const;
  virtual void Reset(int32_t position);
  // The loaded data at the read position (count clamped to what is left).
  virtual uint8_t* ReadLoaded(int32_t& bytes, bool& failed);
  // The whole sound's bytes when they are fixed (see samplesFixed_): they
  // stay where they are, unchanged, while the stream lives. Null otherwise.
  const uint8_t* FixedSamples(int32_t& bytes) const;

  // Plays on a new channel that the mixer drops when it is done.
  bool Play(int32_t offsetMs, int32_t priority, int32_t pitch);
  // Plays on a new persistent channel returned to the caller (one reference).
  bool PlayOnNewChannel(VAudioChannel*& channel, int32_t offsetMs, int32_t priority, int32_t pitch);
  bool PlayOnChannel(VAudioChannel* channel, int32_t offsetMs, int32_t priority, int32_t pitch);
  int32_t AddPlay();
  int32_t DropPlay();

  const VAudioEncodingFormat& GetFormat() const { return format_; }
  void SetFormat(const VAudioEncodingFormat& format) { format_ = format; }
  int32_t GetDurationMs() const { return durationMs_; }
  int32_t GetDataSize() const { return dataSize_; }
  int32_t GetVolume() const { return volume_; }
  void SetVolume(int32_t volume) { volume_ = volume; }
  int32_t GetLoopCount() const { return loopCount_; }
  void SetLoopCount(int32_t count) { loopCount_ = count; }
  int32_t GetPlayCount() const;
  int32_t GetReferencePitch() const { return referencePitch_; }
  bool IsLoadedWhole() const { return loadedWhole_; }
  int32_t GetReadPosition() const { return readPosition_; }

 protected:
  // ReadLoaded's work, for a caller that holds the lock already.
  uint8_t* TakeLoaded(int32_t& bytes, bool& failed);
  // ReadSamplesAt over samples that are fixed (see samplesFixed_), without
  // the lock: the mixer reads every channel's samples each block, and a lock
  // taken for data that cannot change is only cost.
  uint8_t* TakeFixedAt(int32_t position, int32_t& bytes, bool& failed, bool& lasting);
  // The loaded bytes at `position` (count clamped to what is left); the read
  // position moves past them.
  uint8_t* TakeAt(int32_t position, int32_t& bytes);

  VAudioEncodingFormat format_;
  int32_t durationMs_ = 0;
  int32_t dataSize_ = 0;
  // Set by the program while the mixer thread starts the stream.
  std::atomic<int32_t> volume_{100};
  std::atomic<int32_t> loopCount_{1};
  int32_t playCount_ = 0;
  // Fixed for the stream's life: a channel that found its pitch steady
  // against it checks it once, not on every block.
  const int32_t referencePitch_ = 440;
  bool loadedWhole_ = false;
  VByteBuffer data_;
  // Written under the lock, except by reads of fixed samples, which store it
  // without one; the value is a plain int either way (relaxed accesses).
  class ReadPosition {
   public:
    operator int32_t() const { return value_.load(std::memory_order_relaxed); }
    ReadPosition& operator=(int32_t position) {
      value_.store(position, std::memory_order_relaxed);
      return *this;
    }
    ReadPosition& operator+=(int32_t bytes) { return *this = *this + bytes; }

   private:
    std::atomic<int32_t> value_{0};
  };
  ReadPosition readPosition_;
  // Set (release) once data_ holds the whole sound and will not change while
  // the stream lives: samples given at construction, or a sound loaded whole
  // that is not streamed. Reads then need no lock (TakeFixedAt).
  std::atomic<bool> samplesFixed_{false};
  mutable VMutex lock_;
};

// A stream over samples given in memory (movie audio, generated sounds, tests).
class VMemoryAudioStream : public VAudioStream {
 public:
  VMemoryAudioStream(const VAudioEncodingFormat& format, const void* samples, int32_t bytes);
  uint8_t* ReadSamples(uint8_t* destination, int32_t& bytes, bool& failed) override;
  // Under one hold of the stream's lock: the mixer reads every channel's
  // samples this way each block.
  uint8_t* ReadSamplesAt(int32_t position, uint8_t* destination, int32_t& bytes, bool& failed,
                         bool& lasting) override;
};
