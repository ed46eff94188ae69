// Decoders turn a stream's stored bytes into plain samples; the decoder
// registry makes one by the stream's format tag. The plain-sample decoder
// passes samples through; the Microsoft ADPCM decoder expands blocks.
#pragma once

#include <cstdint>

#include "engine/core/Memory.h"
#include "engine/sound/AudioDecoderConfig.h"
#include "engine/sound/AudioFormat.h"

class VAudioStream;

class VAudioDecoder {
 public:
  VAudioDecoder() = default;
  VAudioDecoder(const VAudioDecoder&) = delete;
  VAudioDecoder& operator=(const VAudioDecoder&) = delete;
  // Releases the stream.
  virtual ~VAudioDecoder();

  // Keeps the stream (with a reference), releasing any previous one.
  virtual void Attach(VAudioStream* stream);
  // Decodes up to `frames` frames; `frames` becomes the frames delivered.
  // Returns the samples (in `destination` when it was used) or null.
  virtual uint8_t* Decode(uint8_t* destination, int32_t& frames, const VAudioEncodingFormat& outFormat,
                          bool& failed) = 0;
  virtual void Seek(int32_t bytePosition) { position_ = bytePosition; }
  virtual int64_t GetDurationMs() const { return 0; }
  virtual bool IsAtEnd() const;
  virtual bool Rewind();
  virtual VAudioDecoder* Clone() const = 0;
  virtual uint16_t FormatCode() const = 0;
  // When every frame this decoder delivers lies, in its format, in one array
  // that stays unchanged while the stream lives (plain samples held whole in
  // memory): that array, with its frame count in `frames`. Null otherwise.
  virtual const uint8_t* FixedFrames(int32_t& frames) const;

  // Whether the samples the last Decode returned stay where they are until
  // this decoder decodes again, whatever other readers of the stream do.
  bool SamplesLast() const { return samplesLast_; }
  const VAudioEncodingFormat& GetFormat() const { return format_; }
  VAudioStream* GetStream() const { return stream_; }
  int32_t GetPosition() const { return position_; }

 protected:
  VAudioStream* stream_ = nullptr;
  VAudioEncodingFormat format_;
  int32_t position_ = 0;
  VByteBuffer buffer_;
  bool samplesLast_ = false;
};

// Appends the prototype (owned by the registry); null is ignored.
void RegisterAudioDecoder(VAudioDecoder* prototype);
// A new decoder from the first prototype for the code, or null.
VAudioDecoder* CreateAudioDecoder(uint16_t code);
// Deletes every registered prototype.
void ClearAudioDecoders();
// Whether a decoder is registered for the code.
bool HasAudioDecoder(uint16_t code);
// Registers the plain and ADPCM decoders and the raw and WAVE readers.
void RegisterStandardSoundCodecs();
// Registers those of them that are missing (the tools and tests).
void EnsureStandardSoundCodecs();

// Plain samples (format tag 0).
class VAudioNonDecoder : public VAudioDecoder {
 public:
  void Attach(VAudioStream* stream) override;
  uint8_t* Decode(uint8_t* destination, int32_t& frames, const VAudioEncodingFormat& outFormat,
                  bool& failed) override;
  int64_t GetDurationMs() const override;
  const uint8_t* FixedFrames(int32_t& frames) const override;
  VAudioDecoder* Clone() const override { return new VAudioNonDecoder; }
  uint16_t FormatCode() const override { return kAudioTagPlain; }
};

// Expands one Microsoft ADPCM block of config.blockAlign bytes into
// samplesPerBlock frames of signed 16-bit samples (channels interleaved).
// False when the block is short, the layout is invalid or a predictor index
// is beyond the coefficient table.
bool DecodeMicrosoftADPCMBlock(const uint8_t* block, int32_t bytes, const VMicrosoftADPCMConfig& config,
                               int16_t* out);

// Microsoft ADPCM blocks (format tag 8).
class VMicrosoftADPCMDecoder : public VAudioDecoder {
 public:
  void Attach(VAudioStream* stream) override;
  uint8_t* Decode(uint8_t* destination, int32_t& frames, const VAudioEncodingFormat& outFormat,
                  bool& failed) override;
  // Only 0 is honoured (back to the start); ADPCM blocks have no other entry point here.
  void Seek(int32_t bytePosition) override;
  bool Rewind() override;
  int64_t GetDurationMs() const override;
  VAudioDecoder* Clone() const override { return new VMicrosoftADPCMDecoder; }
  uint16_t FormatCode() const override { return kAudioTagMicrosoftADPCM; }

 private:
  VMicrosoftADPCMConfig config_;
  bool haveConfig_ = false;
  VByteBuffer blockBytes_;
  int32_t blockFrames_ = 0;  // frames decoded in the block buffer
  int32_t blockOffset_ = 0;  // frames already handed out
  int64_t handedOut_ = 0;
};
