// Fuzz target: arbitrary bytes read as a WAVE or raw "RSX " sound through the
// readers and decoders, then played for two blocks through a channel into a
// capture device at another rate and width; the first bytes also drive the
// ADPCM block decoder directly with a layout taken from the input.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ImageFuzzSupport.h"
#include "engine/core/MediaTypes.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/MediaAudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "engine/sound/SoundDecoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnsureStandardSoundCodecs();
  if (!imagefuzz::WriteScratch("snd", data, size)) return 0;
  const std::string path = imagefuzz::ScratchPath("snd");
  DecodedSound sound;
  std::string error;
  DecodeSoundFile(path, sound, error);

  for (uint32_t type : {MakeTypeCode("WAVE"), MakeTypeCode("RSX ")}) {
    VCaptureAudioDevice device(VAudioFormat(size & 1 ? 11025 : 44100, size & 2 ? 8 : 16, (size & 4) != 0));
    device.Open();
    auto* mixer = new VAudioMixer(&device, 16);
    auto* stream = new MediaAudioStream(VFileSpec(path.c_str()), type);
    if (size > 64 && (data[5] & 1)) stream->StartStreaming(4096);
    stream->SetLoopCount(2);
    stream->Play(0, 32767, 200 + (size > 9 ? data[9] * 4 : 240));
    stream->Release();
    device.PullBlocks(2);
    delete mixer;
  }

  if (size >= 8) {
    VMicrosoftADPCMConfig config;
    config.channels = static_cast<uint16_t>(1 + (data[0] & 1));
    config.blockAlign = static_cast<uint16_t>(data[1] | (data[2] << 8));
    config.samplesPerBlock = static_cast<uint16_t>(data[3] | (data[4] << 8));
    for (int i = 0; i < 7; ++i) {
      config.coefficients[i][0] = static_cast<int16_t>(256 - 37 * i);
      config.coefficients[i][1] = static_cast<int16_t>(-29 * i);
    }
    if (config.IsValid()) {
      std::vector<int16_t> out(static_cast<size_t>(config.samplesPerBlock) * config.channels);
      DecodeMicrosoftADPCMBlock(data + 5, static_cast<int32_t>(size - 5), config, out.data());
    }
  }
  return 0;
}
