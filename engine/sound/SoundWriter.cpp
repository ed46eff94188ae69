#include "engine/sound/SoundWriter.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioStream.h"

namespace {
constexpr int32_t kPieceBytes = 32768;

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
}  // namespace

int32_t VSoundWriter::Write(VAudioStream& stream) {
  if (WriteHeader(stream, stream.GetFormat()) != 0) return -1;
  return WriteSamples(stream);
}

VSoundWriter* CreateSoundWriter(VFile& file, uint32_t typeCode) {
  if (typeCode == MakeTypeCode("RSX ")) return new VRawSoundWriter(file);
  return nullptr;
}

int32_t VRawSoundWriter::Write(VAudioStream& stream) {
  // The samples are those the stream's decoder gives (ADPCM becomes 16-bit).
  std::unique_ptr<VAudioDecoder, void (*)(VAudioDecoder*)> decoder(stream.CreateDecoder(),
                                                                    [](VAudioDecoder* d) { delete d; });
  if (!decoder) return -1;
  if (WriteHeader(stream, decoder->GetFormat()) != 0) return -1;
  return WriteSamples(stream);
}

int32_t VRawSoundWriter::WriteHeader(VAudioStream& /*stream*/, const VAudioEncodingFormat& sampleFormat) {
  const int32_t bits = sampleFormat.bits < 9 ? 8 : 16;
  target_ = VAudioEncodingFormat(sampleFormat.rate, bits, sampleFormat.stereo != 0,
                                 bits == 8 ? kAudioEncodingUnsigned : kAudioEncodingSigned);
  uint8_t header[14] = {'R', 'S', 'X', ' '};
  const auto rate = static_cast<uint32_t>(sampleFormat.rate);
  Put16(header + 4, rate & 0xFFFF);
  Put16(header + 6, rate >> 16);
  Put16(header + 8, static_cast<uint32_t>(bits));
  Put16(header + 10, sampleFormat.stereo ? 2u : 1u);
  Put16(header + 12, 0);
  return file_.Write(header, 14) == 14 ? 0 : -1;
}

int32_t VRawSoundWriter::WriteSamples(VAudioStream& stream) {
  std::unique_ptr<VAudioDecoder, void (*)(VAudioDecoder*)> decoder(stream.CreateDecoder(),
                                                                    [](VAudioDecoder* d) { delete d; });
  if (!decoder) return -1;
  stream.Reset(0);
  decoder->Rewind();
  const VAudioEncodingFormat in = decoder->GetFormat();
  if (in.FrameBytes() <= 0) return -1;
  const int32_t pieceFrames = std::max(kPieceBytes / in.FrameBytes(), 1);
  std::vector<uint8_t> out(static_cast<size_t>(target_.BytesForFrames(pieceFrames)));
  for (;;) {
    int32_t frames = pieceFrames;
    bool failed = false;
    uint8_t* data = decoder->Decode(nullptr, frames, target_, failed);
    if (failed) return -1;
    if (!data || frames <= 0) {
      if (decoder->IsAtEnd()) return 0;
      return -1;  // a stream that stops delivering before its end
    }
    const int32_t bytes = ConvertAudioFormat(data, in, frames, out.data(), target_, frames, 0, nullptr);
    if (bytes <= 0 || file_.Write(out.data(), bytes) != bytes) return -1;
  }
}
