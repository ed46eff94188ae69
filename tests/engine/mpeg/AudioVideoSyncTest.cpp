// Sound and pictures of a system stream in step: a movie with a white flash
// and a loud click at the same time stamp plays through the demultiplexer,
// the real mixer and an output device on SDL's disk driver. The click is
// found in what the device wrote; the moment the mixer took it, plus the
// latency the device reports, is when it is heard, and the flash must be
// shown within one frame of that.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/core/Clock.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/mpeg/MpegTestSupport.h"
#include "engine/mpeg/StreamClock.h"
#include "engine/mpeg/VISO11172StreamScheduler.h"
#include "engine/mpeg/VMPVScheduler.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/SDLAudioDevices.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Flash {
  Clock::time_point shown{};
  bool seen = false;
};

void NoteShown(void* context, const VMPVScheduler::DisplayEntry& entry) {
  auto* flash = static_cast<Flash*>(context);
  const VMPVPicture& p = *entry.picture;
  if (!flash->seen && p.Y()[(p.height / 2) * p.GetLumaWidth() + p.width / 2] > 200) {
    flash->seen = true;
    flash->shown = Clock::now();
  }
}

class AudioVideoSyncTest : public testsupport::TempDirTest {
 protected:
  AudioVideoSyncTest() : TempDirTest("mpegsync") {}
  ~AudioVideoSyncTest() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

TEST_F(AudioVideoSyncTest, FlashAndClickLeaveTogether) {
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  const std::string movie = Path("m.mpg");
  // The flash is picture 40 (1.6 s); the click starts at 1.6 s.
  ASSERT_TRUE(mpegtest::RunFfmpeg(
      "-f lavfi -i color=c=gray:size=96x64:rate=25 -f lavfi -i "
      "\"aevalsrc=0.05*sin(2*PI*440*t)+0.9*between(t\\,1.6\\,1.604):s=44100\" -t 2.5 "
      "-vf \"drawbox=x=0:y=0:w=96:h=64:color=white:t=fill:enable='eq(n,40)'\" "
      "-c:v mpeg1video -bf 2 -g 12 -c:a mp2 -b:a 128k -f mpeg " + movie));
  const std::string capture = Path("out.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
  EnsureStandardSoundCodecs();
  InitClock();
  auto* device = new VRingAudioDevice(VAudioFormat(22050, 16, false), true);
  auto* mixer = new VAudioMixer(device, 16);
  SetAudioOutputActive(true);

  Flash flash;
  std::vector<std::pair<Clock::time_point, int64_t>> mixed;  // (time, frames the channel gave the mixer)
  std::vector<int64_t> latencies;
  {
    VFile file(VFileSpec(movie.c_str()), 0, 0);
    ASSERT_TRUE(file.Open(1));
    StreamClock clock;
    VISO11172StreamScheduler scheduler(0, &file, 0.7f, 0.3f);
    scheduler.SetClock(&clock);
    scheduler.Start();
    ASSERT_EQ(scheduler.GetChildCount(), 2u);
    for (size_t i = 0; i < scheduler.GetChildCount(); ++i)
      if (auto* video = dynamic_cast<VMPVScheduler*>(scheduler.GetChild(i))) video->SetShowObserver(&NoteShown, &flash);
    clock.Resume();
    scheduler.SetPlaying(true);
    const auto deadline = Clock::now() + std::chrono::seconds(8);
    while (Clock::now() < deadline) {
      const bool going = scheduler.Run(nullptr, nullptr);
      if (VAudioChannel* channel = scheduler.GetAudioChannel()) {
        mixed.emplace_back(Clock::now(), channel->GetFramesPlayed());
        latencies.push_back(device->GetLatency());
      }
      if (!going) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  delete mixer;
  SetAudioOutputActive(false);
  delete device;

  ASSERT_TRUE(flash.seen);
  const std::string bytes = testsupport::ReadBytes(capture);
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  size_t click = 0;
  while (click < samples.size() && std::abs(int(samples[click])) < 12000) ++click;
  ASSERT_LT(click, samples.size()) << "no click in " << samples.size() << " samples";
  // The channel's first frame is the first sound in the capture (the tone).
  size_t start = 0;
  while (start < samples.size() && samples[start] == 0) ++start;
  ASSERT_LT(start, click);
  const auto clickFrame = static_cast<int64_t>(click - start);
  Clock::time_point taken{};
  int64_t latencyMs = 0;
  for (size_t i = 1; i < mixed.size(); ++i)
    if (mixed[i].second > clickFrame && mixed[i - 1].second <= clickFrame) {
      // Between two steps the mixer moves on steadily.
      const double share = double(clickFrame - mixed[i - 1].second) / double(mixed[i].second - mixed[i - 1].second);
      taken = mixed[i - 1].first + std::chrono::duration_cast<Clock::duration>((mixed[i].first - mixed[i - 1].first) * share);
      latencyMs = latencies[i];
      break;
    }
  ASSERT_NE(taken, Clock::time_point{}) << "the click was not mixed while the movie played";
  const auto clickHeard = taken + std::chrono::milliseconds(latencyMs);
  const double offsetMs = std::chrono::duration<double, std::milli>(flash.shown - clickHeard).count();
  std::printf("[ sync ] flash shown %+.1f ms from the click (device latency %lld ms)\n", offsetMs,
              static_cast<long long>(latencyMs));
  RecordProperty("offset_ms", std::to_string(offsetMs));
  EXPECT_LT(std::abs(offsetMs), 40.0);
}

}  // namespace
