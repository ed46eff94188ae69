// The sound manager's loop channels: the loop count is in place before the
// mixer can render the sound, so a sound shorter than one block repeats.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "engine/sound/SoundManager.h"

namespace {

// Renders a block the moment the mixer starts it, as the mixer thread may do
// as soon as a channel becomes playable.
class EagerDevice : public VCaptureAudioDevice {
 public:
  using VCaptureAudioDevice::VCaptureAudioDevice;
  void Start(int32_t id) override {
    VCaptureAudioDevice::Start(id);
    PullBlocks(1);
  }
};

TEST(SoundManagerLoops, ShortSoundLoopsFromTheFirstBlock) {
  EnsureStandardSoundCodecs();
  const VAudioEncodingFormat format(22050, 16, false, kAudioEncodingSigned);
  const std::vector<int16_t> sound(100, 1000);  // far shorter than a block of 1024 frames
  struct Case {
    const char* name;
    int which;
    int64_t soundFrames;  // frames of the sound in three blocks
  } cases[] = {
      {"ambient loops until stopped", 0, 3 * 1024},
      {"footsteps play once per start", 1, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EagerDevice device(VAudioFormat(22050, 16, false));
    device.Open();
    auto* mixer = new VAudioMixer(&device, 16);
    {
      SoundManager manager;
      auto* stream = new VMemoryAudioStream(format, sound.data(), static_cast<int32_t>(sound.size() * 2));
      if (c.which == 0) {
        manager.SetLoopSound0(stream);
        manager.StartLoopSound0();
      } else {
        manager.SetLoopSound1(stream);
        manager.StartLoopSound1();
      }
      stream->Release();
      device.PullBlocks(2);
      const std::vector<uint8_t>& bytes = device.Captured();
      ASSERT_EQ(bytes.size(), 3u * 1024 * 2);
      std::vector<int16_t> samples(bytes.size() / 2);
      std::memcpy(samples.data(), bytes.data(), bytes.size());
      int64_t heard = 0;
      for (int16_t s : samples) heard += s == 1000;
      EXPECT_EQ(heard, c.soundFrames);
      manager.StopLoopSound0();
      manager.StopLoopSound1();
    }
    delete mixer;
  }
}

}  // namespace
