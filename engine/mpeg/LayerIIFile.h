// Decoding a whole MPEG audio Layer II elementary stream (an .mp2 file or
// bytes in memory) into 16-bit samples, for the tools and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/sound/SoundDecoding.h"

class VBitstream;

struct LayerIIDecodeReport {
  int64_t frames = 0;          // frames decoded into samples
  int64_t skippedFrames = 0;   // frames passed over (other layers, bad mode, overrun)
  int64_t refusedHeaders = 0;  // sync words passed over
  bool truncated = false;      // the data ended inside a frame
};

// Decodes every frame; the output is 16-bit signed little-endian at the
// stream's rate and channel count. False with a reason when no frame could
// be decoded (free-format and half-rate streams are refused).
bool DecodeLayerIIBytes(const uint8_t* data, size_t size, DecodedSound& out, std::string& error,
                        LayerIIDecodeReport* report = nullptr);
// The same, handing the samples out as they are decoded instead of keeping
// them: `sink` receives the layout they are in and the next `bytes` bytes;
// `format` ends as the layout of the last samples (16-bit, the stream's rate
// and channel count). A sink that returns false stops the decoding, which
// then returns false with `error` empty.
using LayerIISampleSink = std::function<bool(const VAudioEncodingFormat& format, const uint8_t* samples, size_t bytes)>;
bool DecodeLayerIIStream(const uint8_t* data, size_t size, const LayerIISampleSink& sink,
                         VAudioEncodingFormat& format, std::string& error, LayerIIDecodeReport* report = nullptr);
// The same over a bit stream that refills on demand (a file or a stream
// read as it comes), from its current position to the end of its source.
bool DecodeLayerIIStream(VBitstream& bits, const LayerIISampleSink& sink, VAudioEncodingFormat& format,
                         std::string& error, LayerIIDecodeReport* report = nullptr);
// Whether the bytes begin like an MPEG audio stream (a sync word and a Layer II header).
bool LooksLikeLayerII(const uint8_t* data, size_t size);
