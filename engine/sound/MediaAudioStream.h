// The stream the title plays: a sound stored in a media archive under an id,
// or a sound file on disk, read through the sound reader of its type. Small
// sounds are loaded whole; larger ones are read on demand or streamed
// through a ring that a task refills on the user-interface thread while the
// mixer thread takes samples out of it. The task holds a reference, so a
// streamed sound is always deleted on the user-interface thread. A streamed
// sound keeps its first ring-full in memory, so going back to the start (a
// looping sound) refills the ring at once, without the file.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/sound/AudioStream.h"

class VSoundReader;

class MediaAudioStream : public VAudioStream {
 public:
  // Sounds of up to this many bytes are loaded at construction.
  static constexpr int32_t kLoadWholeLimit = 65536;

  // A medium of the current archive.
  explicit MediaAudioStream(uint16_t mediaId);
  // A sound on disk; "????" takes the type from the extension.
  MediaAudioStream(const VFileSpec& fileSpec, uint32_t typeCode);
  ~MediaAudioStream() override;

  int32_t Open(uint16_t mediaId);
  int32_t CreateReader(VFile& file, uint32_t typeCode);
  const VAudioDecoderConfig* GetDecoderConfig() const override;
  uint8_t* ReadSamples(uint8_t* destination, int32_t& bytes, bool& failed) override;
  // Reset and ReadSamples; a loaded sound under one hold of the lock (the
  // mixer reads every playing sound this way each block).
  uint8_t* ReadSamplesAt(int32_t position, uint8_t* destination, int32_t& bytes, bool& failed,
                         bool& lasting) override;
  bool IsAtEnd(int32_t position) const override;
  bool IsFinished() const override;
  void Reset(int32_t position) override;
  // Streams through a ring of `ringBytes` bytes from now on; with a current
  // task manager a task refills it on every pass.
  void StartStreaming(int32_t ringBytes);
  // Tops the ring up from the reader. The file is read without the stream
  // lock, so the mixer thread never waits for the disc; after a rewind the
  // reader goes on from the end of the kept first ring-full.
  void Refill();
  // Writes this sound through the writer of the type; -1 without one.
  int32_t WriteSound(VFile& file, uint32_t typeCode);

  uint32_t GetTypeCode() const { return typeCode_; }
  bool IsStreaming() const { return streaming_; }
  bool HasReader() const { return reader_ != nullptr; }
  int32_t GetState() const { return loadFailed_; }

 private:
  VFile file_;
  VFileSpec fileSpec_;
  uint32_t typeCode_ = 4;
  uint16_t mediaId_ = 0;
  std::unique_ptr<VSoundReader> reader_;
  std::atomic<bool> streaming_{false};
  std::vector<uint8_t> ring_;
  std::vector<uint8_t> work_;
  // The sound's first ring-full, kept as Refill reads it; headWhole_ once it
  // holds the whole sound. Both change only under lock_.
  std::vector<uint8_t> head_;
  bool headWhole_ = false;
  // What Refill reads into, so that the ring only changes under lock_.
  std::vector<uint8_t> refillBuffer_;
  std::atomic<uint32_t> consumed_{0};
  std::atomic<uint32_t> filled_{0};
  bool refillTaskMade_ = false;
  // While streaming only Refill uses the reader, holding refillLock_ (taken
  // before lock_). The mixer thread learns the reader's end from
  // sourceEnded_ and asks for a rewind through rewindPending_; a rewind
  // bumps ringEpoch_ so that a read begun before it is not published.
  // filled_ is always the data offset the reader reads next.
  std::mutex refillLock_;
  // The thread that built the stream (the user-interface thread): the only
  // one on which Reset reads the file itself.
  const std::thread::id ownerThread_ = std::this_thread::get_id();
  std::atomic<bool> sourceEnded_{false};
  bool rewindPending_ = false;
  uint32_t ringEpoch_ = 0;

  // Under lock_: whether the reader has reached the end of the data.
  bool NoteSourceEnd();
  // Under lock_: appends `bytes` read from the data offset filled_ to the ring
  // (and to the kept head while that is being read).
  void PublishRead(const uint8_t* data, uint32_t bytes);
};
