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

// Sound indexes play the media ids of the table the manager was given;
// before it has one, and outside it, acquiring loads nothing.
TEST(SoundManagerTable, AcquiresOnlyIndexesOfTheInstalledTable) {
  SoundManager manager;
  EXPECT_EQ(manager.GetSoundCount(), 0);
  manager.AcquireSound(0);
  EXPECT_EQ(manager.GetUseCount(0), 0);
  const uint16_t table[] = {700, 701, 700};
  manager.SetSoundTable(table);
  EXPECT_EQ(manager.GetSoundCount(), 3);
  struct Case {
    int32_t index;
    uint16_t mediaId;
    int32_t useCount;
  } cases[] = {{-1, 0, 0}, {0, 700, 1}, {1, 701, 1}, {2, 700, 1}, {3, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(manager.MediaIdForSound(c.index), c.mediaId);
    manager.AcquireSound(c.index);
    EXPECT_EQ(manager.GetUseCount(c.index), c.useCount);
  }
  // Effects already acquired stay when the table changes.
  manager.SetSoundTable({});
  EXPECT_EQ(manager.MediaIdForSound(1), 0);
  EXPECT_EQ(manager.GetUseCount(1), 1);
  manager.ReleaseSound(1);
  EXPECT_EQ(manager.GetUseCount(1), 0);
}

}  // namespace
