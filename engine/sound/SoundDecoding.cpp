#include "engine/sound/SoundDecoding.h"

#include <cstdio>
#include <memory>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VRef.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/MediaAudioStream.h"

namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void PutTag(std::vector<uint8_t>& v, const char* tag) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

bool DecodeSoundFile(const std::string& path, DecodedSound& out, std::string& error) {
  out.samples.clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  char magic[4] = {};
  const size_t got = std::fread(magic, 1, 4, f);
  std::fclose(f);
  uint32_t type = 0;
  if (got == 4 && std::string(magic, 4) == "RIFF") type = MakeTypeCode("WAVE");
  if (got == 4 && std::string(magic, 4) == "RSX ") type = MakeTypeCode("RSX ");
  if (type == 0) {
    error = "not a WAVE or raw sound file";
    return false;
  }
  EnsureStandardSoundCodecs();
  VRef<MediaAudioStream> stream(new MediaAudioStream(VFileSpec(path.c_str()), type));
  if (!stream->HasReader()) {
    error = "the sound's header is refused";
    return false;
  }
  std::unique_ptr<VAudioDecoder> decoder(stream->CreateDecoder());
  if (!decoder) {
    error = "no decoder for the sound's data";
    return false;
  }
  const VAudioEncodingFormat in = decoder->GetFormat();
  if ((in.bits != 8 && in.bits != 16) || in.FrameBytes() <= 0) {
    error = "unsupported sample width";
    return false;
  }
  out.format = VAudioEncodingFormat(in.rate, in.bits, in.stereo != 0,
                                    in.bits == 8 ? kAudioEncodingUnsigned : kAudioEncodingSigned);
  for (;;) {
    int32_t frames = 4096;
    bool failed = false;
    uint8_t* data = decoder->Decode(nullptr, frames, out.format, failed);
    if (failed) {
      error = "the sound's data cannot be decoded";
      return false;
    }
    if (!data || frames <= 0) {
      if (decoder->IsAtEnd()) return true;
      error = "the sound's data ended early";
      return false;
    }
    const size_t bytes = static_cast<size_t>(frames) * static_cast<size_t>(in.FrameBytes());
    out.samples.insert(out.samples.end(), data, data + bytes);
  }
}

std::vector<uint8_t> MakePCMWaveHeader(const VAudioEncodingFormat& format, uint32_t dataBytes) {
  std::vector<uint8_t> v;
  v.reserve(44);
  const uint32_t pad = dataBytes & 1;
  PutTag(v, "RIFF");
  Put32(v, 36 + dataBytes + pad);
  PutTag(v, "WAVE");
  PutTag(v, "fmt ");
  Put32(v, 16);
  Put16(v, 1);
  Put16(v, static_cast<uint32_t>(format.Channels()));
  Put32(v, static_cast<uint32_t>(format.rate));
  Put32(v, static_cast<uint32_t>(format.BytesPerSecond()));
  Put16(v, static_cast<uint32_t>(format.FrameBytes()));
  Put16(v, static_cast<uint32_t>(format.bits));
  PutTag(v, "data");
  Put32(v, dataBytes);
  return v;
}

std::vector<uint8_t> MakePCMWave(const DecodedSound& sound) {
  const auto dataBytes = static_cast<uint32_t>(sound.samples.size());
  std::vector<uint8_t> v = MakePCMWaveHeader(sound.format, dataBytes);
  v.reserve(44 + sound.samples.size() + 1);
  v.insert(v.end(), sound.samples.begin(), sound.samples.end());
  if (dataBytes & 1) v.push_back(0);
  return v;
}
