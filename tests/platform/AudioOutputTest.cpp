// Sound output that cannot open: SDL's audio stays started for the next try
// of the same ring or queue (stopping it would wait for SDL's device-watch
// thread each time) and stops with the ring or queue.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Audio.h"

namespace {

using platform::AudioOpenResult;
using platform::AudioOutputFormat;

class AudioOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    savedDriver_ = driver != nullptr ? driver : "";
    // SDL's disk driver writes to a file; one in a folder that does not exist
    // makes every open fail after the audio started.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/nonexistent-ostrevan-folder/sound.raw", 1);
    ASSERT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  }
  void TearDown() override {
    unsetenv("SDL_DISKAUDIOFILE");
    if (savedDriver_.empty()) {
      unsetenv("SDL_AUDIODRIVER");
    } else {
      setenv("SDL_AUDIODRIVER", savedDriver_.c_str(), 1);
    }
  }
  std::string savedDriver_;
};

TEST_F(AudioOutputTest, AFailedOpenKeepsTheAudioStartedUntilTheEnd) {
  const AudioOutputFormat format;
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind == 0 ? "ring" : "queue");
    {
      platform::AudioRing ring;
      platform::AudioQueue queue;
      const auto open = [&] { return kind == 0 ? ring.Open(format, 4096) : queue.Open(format); };
      EXPECT_EQ(open(), AudioOpenResult::kFailed);
      EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);  // kept for the next try
      EXPECT_EQ(open(), AudioOpenResult::kFailed);
      EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
      if (kind == 0) {
        ring.Close();
      } else {
        queue.Close();
      }
      EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);  // a close of nothing open changes nothing
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);  // stopped with its ring or queue
  }
}

}  // namespace
