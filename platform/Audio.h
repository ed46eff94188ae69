// Sound output for the engine's audio devices: a looping ring that the
// system's audio callback drains (its play cursor follows the drain) and a
// queue of written blocks with its played position. A list of refused
// formats stands in for hardware that rejects a format, so the fallbacks
// can be tested. A ring or queue whose open failed keeps SDL's audio started
// for its next try (stopping it can take 100 ms); its end stops it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

struct AudioOutputFormat {
  int32_t rate = 22050;
  int32_t bits = 16;
  int32_t channels = 1;
  bool isSigned = true;
  bool bigEndian = false;
  bool operator==(const AudioOutputFormat& o) const {
    return rate == o.rate && bits == o.bits && channels == o.channels && isSigned == o.isSigned &&
           bigEndian == o.bigEndian;
  }
};

enum class AudioOpenResult { kOk, kBadFormat, kFailed };

// Formats (rate, bits, channels) every open refuses with kBadFormat.
void SetRefusedAudioFormats(const std::vector<AudioOutputFormat>& formats);
// Every format an open was asked for, in order (tests); cleared by the setter above.
std::vector<AudioOutputFormat> GetAudioOpenAttempts();
// Whether the system's audio output can be started.
bool ProbeAudioOutput();
// Frees what the sound layer keeps for the calling thread; a worker thread
// that opened or closed sound calls it before it ends.
void EndAudioThread();

// A ring of `bytes` bytes played in a loop once Play is called.
class AudioRing {
 public:
  AudioRing();
  ~AudioRing();
  AudioRing(const AudioRing&) = delete;
  AudioRing& operator=(const AudioRing&) = delete;

  AudioOpenResult Open(const AudioOutputFormat& format, int32_t bytes);
  void Close();
  bool IsOpen() const;
  void Play();
  void Stop();
  // The byte offset in the ring that is being played.
  int32_t PlayCursor() const;
  // Copies bytes into the ring at the offset (clipped to the ring).
  void Write(int32_t offset, const void* data, int32_t bytes);
  // Times the system's callback found less written than it had to play
  // (the writer fell behind and old or silent bytes were played); counted
  // from the last open.
  int64_t Underruns() const;
  // Bytes the system's callback has taken from the ring since the open.
  int64_t PlayedBytes() const;
  // Bytes of the system's own output buffer: what the callback took last and
  // is still to be played (0 when closed).
  int32_t DeviceBufferBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A queue of written sound, played in order.
class AudioQueue {
 public:
  AudioQueue();
  ~AudioQueue();
  AudioQueue(const AudioQueue&) = delete;
  AudioQueue& operator=(const AudioQueue&) = delete;

  AudioOpenResult Open(const AudioOutputFormat& format);
  void Close();
  bool IsOpen() const;
  bool Write(const void* data, int32_t bytes);
  void Pause(bool paused);
  // Bytes written and not yet played are dropped.
  void Reset();
  // Bytes taken from the queue since the open (the system's buffer holds
  // the last of them until they are played).
  int64_t PlayedBytes() const;
  // Bytes written and not yet taken.
  int64_t QueuedBytes() const;
  // Bytes of the system's own output buffer (0 when closed).
  int32_t DeviceBufferBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
