// Whole-stream decoding through VMPADecoder over a memory bit stream, its
// samples handed out as they come or gathered.
#include "engine/mpeg/LayerIIFile.h"

#include <functional>
#include <vector>

#include "engine/core/ByteFields.h"
#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/mpeg/VMemoryBitstream.h"

bool DecodeLayerIIStream(const uint8_t* data, size_t size, const LayerIISampleSink& sink,
                         VAudioEncodingFormat& format, std::string& error, LayerIIDecodeReport* report) {
  VMemoryBitstream bits(data, size, 65536);
  return DecodeLayerIIStream(bits, sink, format, error, report);
}

bool DecodeLayerIIStream(VBitstream& bits, const LayerIISampleSink& sink, VAudioEncodingFormat& format,
                         std::string& error, LayerIIDecodeReport* report) {
  LayerIIDecodeReport local;
  LayerIIDecodeReport& r = report ? *report : local;
  r = LayerIIDecodeReport();
  VMPADecoder decoder(&bits, 1.0f, 1.0f);
  int32_t lastError = 0;
  bool haveFormat = false;
  bool stopped = false;
  // Hands out what the ring holds (a change of layout is taken over on the
  // way: one call gives nothing, the next the samples of the new layout).
  auto drain = [&] {
    bool tookOver = false;
    for (;;) {
      int32_t frames = 1 << 20;
      bool failed = false;
      const uint8_t* samples = decoder.Decode(nullptr, frames, decoder.GetFormat(), failed);
      if (failed || stopped) break;
      if (!samples || frames <= 0) {
        if (!tookOver && decoder.GetAvailable() > 0) {
          tookOver = true;
          continue;
        }
        break;
      }
      tookOver = false;
      format = decoder.GetFormat();
      haveFormat = true;
      if (!sink(format, samples, static_cast<size_t>(frames) * format.Channels() * sizeof(int16_t))) {
        stopped = true;
        break;
      }
    }
  };
  try {
    while (!stopped) {
      bits.Fill(0);
      const int32_t result = decoder.DecodeFrame();
      if (result == kMPANeedMoreData) {
        if (decoder.IsFull()) {
          drain();
          continue;
        }
        // Nothing whole is left once the source has ended.
        if (bits.IsSourceEnded()) break;
        continue;
      }
      if (result == 0) {
        ++r.frames;
      } else {
        ++r.skippedFrames;
        lastError = result;
      }
      drain();
    }
  } catch (const VBitstreamEmptyException&) {
    r.truncated = true;
  } catch (const VMPEGException&) {
    r.truncated = true;
  }
  if (!stopped) drain();
  if (stopped) {
    error.clear();
    return false;
  }
  if (!haveFormat) format = decoder.GetFormat();
  r.refusedHeaders = decoder.GetRefusedHeaders();
  r.truncated = r.truncated || decoder.GetCutFrames() > 0;
  format.bits = 16;
  format.encoding = kAudioEncodingSigned;
  format.byteOrder = 1;
  format.formatTag = kAudioTagPlain;
  if (r.frames == 0) {
    // The reason the stream's own headers give, not that of a chance sync
    // word met while searching.
    const int32_t refusal = decoder.GetStreamRefusal();
    if (refusal == kMPAPeekFreeFormat) {
      error = "free-format MPEG audio is not supported";
    } else if (refusal == kMPAPeekLowSampleRate) {
      const VMPAHeader& header = decoder.GetStreamRefusalHeader();
      error = "MPEG-2 half-rate audio (Layer " + std::to_string(header.layer) + ", " +
              std::to_string(header.SampleRate()) + " Hz) is not supported";
    } else if (lastError == kMPAFrameNotLayerII) {
      error = "not a Layer II stream";
    } else {
      error = "no MPEG audio frame found";
    }
    return false;
  }
  return true;
}

bool DecodeLayerIIBytes(const uint8_t* data, size_t size, DecodedSound& out, std::string& error,
                        LayerIIDecodeReport* report) {
  out.samples.clear();
  return DecodeLayerIIStream(
      data, size,
      [&out](const VAudioEncodingFormat&, const uint8_t* samples, size_t bytes) {
        out.samples.insert(out.samples.end(), samples, samples + bytes);
        return true;
      },
      out.format, error, report);
}

bool LooksLikeLayerII(const uint8_t* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || (data[1] & 0xF0) != 0xF0) return false;
  VMPAHeader header;
  const int32_t parsed = header.Parse(bytefields::LoadBE32(data));
  return header.layer == 2 && (parsed == 0 || parsed == kMPAHeaderFreeFormat || parsed == kMPAHeaderLowSampleRate);
}
