// The MPEG audio decoder of movies: finds frame headers in a bit stream,
// decodes Layer II frames through the synthesis filter bank into a ring of
// 16-bit samples, and hands the ring's samples out as an audio decoder (so a
// mixer channel can play them through VMPAStream). One thread decodes
// (DecodeFrame, the writing side), another may read (Decode, the reading
// side). A change of channel count or sampling rate is handed over: the
// writing side waits until every sample of the old layout has been read,
// then posts the new layout, and the reading side takes it over inside
// Decode before it reads a sample of it. So the ring is never reallocated
// and the format (GetFormat) never rewritten while the reading side uses them.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/mpeg/VIDCTFilterBank.h"
#include "engine/mpeg/VMPAHeader.h"
#include "engine/sound/AudioDecoder.h"

class VBitstream;
class VMPAFrame;

// Format tag of MPEG audio streams.
inline constexpr uint16_t kAudioTagMPEGAudio = 7;

// DecodeFrame's result when the next frame is not (yet) whole in the bit stream.
inline constexpr int32_t kMPANeedMoreData = 1;

class VMPADecoder : public VAudioDecoder {
 public:
  // Decodes from `bits` (not owned); the factors are seconds of data the
  // bit stream and the output ring are sized for.
  VMPADecoder(VBitstream* bits, float bufferingFactor, float reserveFactor);
  // The registry's prototype: no bit stream, decode on demand.
  VMPADecoder(float bufferingFactor, float reserveFactor);
  ~VMPADecoder() override;

  // Hands out at most `frames` decoded frames (copied to `destination` when
  // given, else into the decoder's own buffer); `frames` becomes the count.
  uint8_t* Decode(uint8_t* destination, int32_t& frames, const VAudioEncodingFormat& outFormat,
                  bool& failed) override;
  void Seek(int32_t) override {}
  bool IsAtEnd() const override { return false; }
  int64_t GetDurationMs() const override { return 0; }
  VAudioDecoder* Clone() const override { return new VMPADecoder(1.0f, 1.0f); }
  uint16_t FormatCode() const override { return kAudioTagMPEGAudio; }

  // Whether another frame of output would not fit into the ring, or the next
  // frame changes the layout and waits for the old samples to be read.
  bool IsFull() const;
  // Drops bytes up to the next acceptable header (refused headers are passed
  // over and counted); kMPAPeekFound with the frame length kept, or
  // kMPAPeekNeedMore.
  int32_t FindFrame();
  // Whether the next frame is found and whole in the bit stream (a bit stream
  // that refills on demand is refilled for it).
  bool HasWholeFrame();
  // Decodes the next frame into the ring: 0 when a frame was taken (Layers I
  // and III give no samples and return kMPAFrameNotLayerII), kMPANeedMoreData
  // when it is not whole yet or the ring has no room for it (nothing
  // consumed), or a negative error (the frame is passed over).
  int32_t DecodeFrame();
  // Playback rate factor: the output rate becomes trunc(sampling frequency *
  // rate). Taken over by the reading side at its next Decode.
  void SetRate(double rate);

  const VMPAHeader& GetHeader() const { return header_; }
  // Channels and sampling frequency of the frames decoded (the writing side's
  // view; GetFormat is that of the samples handed out next).
  int32_t GetChannels() const { return channels_; }
  int32_t GetSampleRate() const { return sampleRate_; }
  int32_t GetFrameBytes() const { return frameBytes_; }
  double GetFrameDuration() const { return frameDuration_; }
  int64_t GetFramesDecoded() const { return framesDecoded_; }
  // Samples (all channels) written into and read from the ring since the start.
  int64_t GetSamplesWritten() const { return samplesWritten_.load(); }
  int64_t GetSamplesRead() const { return samplesRead_.load(); }
  int32_t GetAvailable() const { return available_.load(); }
  int32_t GetRingSize() const { return ringSize_; }
  // Seconds of sound handed out (read by the movie's thread while the
  // mixer's thread advances it).
  double GetClock() const { return clock_.load(); }
  // Headers passed over as refused or as false sync words, and the last refusal code.
  int64_t GetRefusedHeaders() const { return refusedHeaders_; }
  int32_t GetLastRefusal() const { return lastRefusal_; }
  // The first refusal for half rate or free format (a MPAPeekResult) of a
  // header that a header of the same kind follows where its frame ends (or
  // the data ends there), met before any frame was taken: the stream's own
  // headers, not chance sync words in its data. 0 when none.
  int32_t GetStreamRefusal() const { return streamRefusal_; }
  // The header so refused.
  const VMPAHeader& GetStreamRefusalHeader() const { return streamRefusalHeader_; }
  // Headers passed over because the bit stream's source ended inside their frame.
  int64_t GetCutFrames() const { return cutFrames_; }
  VBitstream* GetBitstream() const { return bits_; }

 private:
  void SizeBuffers();
  // Sizes the ring for the layout (the ring is drained and nothing reads it).
  void SizeRing(int32_t channels);
  // The reading side: takes a posted layout and the rate factor over.
  bool TakeOverLayout();
  uint64_t BitPosition() const;
  void SkipTo(uint64_t bitPosition);
  bool ConfirmNextHeader() const;
  // Whether the refused header at the reader is followed by one of its kind.
  bool IsRepeatedHeader() const;

  VBitstream* bits_;
  std::unique_ptr<VMPAFrame> frame_;
  VMPAHeader header_;
  int64_t framesDecoded_ = 0;
  int32_t layer_ = 0;
  int32_t mode_ = -1;
  int32_t sampleRateIndex_ = -1;
  std::vector<int16_t> ring_;
  // Written once (first frame) or while the ring is drained and no layout
  // is pending; read by the reading side only after it sees samples or a
  // posted layout.
  int32_t ringSize_ = 0;
  int32_t readIndex_ = 0;   // the reading side's
  int32_t writeIndex_ = 0;  // the writing side's
  std::atomic<int32_t> available_{0};
  std::atomic<int64_t> samplesWritten_{0};
  std::atomic<int64_t> samplesRead_{0};
  // The writing side's layout: the frames being decoded.
  int32_t channels_ = 1;
  int32_t sampleRate_ = 44100;
  double frameDuration_ = 0;
  int32_t frameBytes_ = 0;
  // The layout handed over: filled by the writing side while `posted_` is
  // false, taken over by the reading side while it is true.
  std::atomic<bool> posted_{false};
  int32_t postedChannels_ = 1;
  int32_t postedSampleRate_ = 44100;
  // Whether the next frame waits for the old layout's samples to be read.
  bool waiting_ = false;
  // The reading side's layout (with format_): samples handed out next.
  int32_t readChannels_ = 1;
  int32_t readSampleRate_ = 44100;
  double readRate_ = 1.0;
  std::atomic<double> rate_{1.0};
  std::atomic<double> clock_{0.0};
  bool decodeOnDemand_;
  bool sized_ = false;
  float bufferingFactor_;
  float reserveFactor_;
  VIDCTFilterBank filterBank_{2};
  // Where the last frame taken ended, to tell a resync from a frame that follows.
  uint64_t expectedPosition_ = 0;
  int64_t refusedHeaders_ = 0;
  int32_t lastRefusal_ = 0;
  int32_t streamRefusal_ = 0;
  VMPAHeader streamRefusalHeader_;
  int64_t cutFrames_ = 0;
};
