// The movie control in an engine window with an off-screen map: opening a
// video stream, a system stream, one behind container atoms and one behind
// a few other bytes, the first picture, play to the end, pause, rewind, loop,
// the owner messages, a frame larger than the control, and files that hold
// no movie it plays (a transport stream among them).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/controls/ControlTestSupport.h"
#include "engine/core/Clock.h"
#include "engine/core/VFileSpec.h"
#include "engine/mpeg/MpegTestSupport.h"
#include "engine/mpeg/VStreamScheduler.h"
#include "support/TempDir.h"
#include "title/controls/AppMovieControl.h"

namespace {

using controltest::Bench;

std::string BigEndian32(uint32_t v) {
  return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

// Movies made once for the whole suite: 64 x 48, 25 frames a second, one
// second; a red first picture on a grey ground.
class MovieControlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testsupport::TempDir("moviectl");
    if (mpegtest::Ffmpeg().empty()) return;
    const std::string source =
        "-f lavfi -i color=c=gray:size=64x48:rate=25 -f lavfi -i sine=sample_rate=44100 -t 1 "
        "-vf \"drawbox=x=0:y=0:w=64:h=48:color=red:t=fill:enable='lt(n,1)'\" ";
    made_ = mpegtest::RunFfmpeg(source + "-map 0:v -c:v mpeg1video -bf 2 -g 6 -f mpeg1video " + Path("v.m1v")) &&
            mpegtest::RunFfmpeg(source + "-c:v mpeg1video -bf 2 -g 6 -c:a mp2 -b:a 64k -f mpeg " + Path("s.mpg")) &&
            mpegtest::RunFfmpeg("-f lavfi -i testsrc=size=160x120:rate=25 -t 0.4 -c:v mpeg1video " + Path("big.m1v")) &&
            mpegtest::RunFfmpeg("-f lavfi -i sine=sample_rate=32000 -t 0.5 -c:a mp2 -b:a 64k -f mpeg " + Path("a.mpg")) &&
            mpegtest::RunFfmpeg(source + "-c:v mpeg1video -c:a mp2 -f mpegts " + Path("t.ts"));
    const std::string mpeg = testsupport::ReadBytes(Path("s.mpg"));
    testsupport::WriteBytes(Path("atoms.mov"), BigEndian32(1000) + "moov" + std::string(992, 'm') + BigEndian32(16) +
                                                   "free" + std::string(8, 'f') + BigEndian32(uint32_t(mpeg.size() + 8)) +
                                                   "mdat" + mpeg);
    // The system stream behind four zero bytes.
    testsupport::WriteBytes(Path("zeros.mpg"), std::string(4, '\0') + mpeg);
    testsupport::WriteBytes(Path("noheader.m1v"), std::string("\x00\x00\x01\x00\x11\x22\x33\x44", 8) +
                                                      std::string(5000, '\x55'));
  }
  static void TearDownTestSuite() { delete dir_; }
  static std::string Path(const std::string& name) { return dir_->Path(name); }

  void SetUp() override {
    if (!made_) GTEST_SKIP() << "no movies (ffmpeg)";
    InitClock();
  }

  std::unique_ptr<AppMovieControl> Make(const std::string& name, int32_t width = 0, int32_t height = 0,
                                        int32_t left = 20, int32_t top = 10) {
    return std::make_unique<AppMovieControl>(12295, 7, VFileSpec(Path(name).c_str()), left, top, true, false, 2, width,
                                             height, nullptr, bench_.recorder);
  }

  // Idle passes 10 ms apart until the control stops or the limit is reached.
  int PlayOut(AppMovieControl& control, int limit = 1000) {
    int passes = 0;
    while (control.IsActive() && passes < limit) {
      bench_.clock().AdvanceMilliseconds(10);
      bench_.Idle();
      ++passes;
    }
    return passes;
  }

  std::vector<std::string> Messages() {
    std::vector<std::string> m;
    for (const std::string& line : bench_.log)
      if (line.rfind("3", 0) == 0 || line.rfind("4", 0) == 0) m.push_back(line);
    return m;
  }

  static bool Reddish(uint32_t c) { return ((c >> 16) & 0xFF) > 180 && ((c >> 8) & 0xFF) < 80; }
  static bool Greyish(uint32_t c) {
    const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return std::abs(r - g) < 24 && std::abs(g - b) < 24 && r > 80;
  }

  static testsupport::TempDir* dir_;
  static bool made_;
  Bench bench_{200, 150};
};

testsupport::TempDir* MovieControlTest::dir_ = nullptr;
bool MovieControlTest::made_ = false;

TEST_F(MovieControlTest, PlaysEachKindOfFileToItsEnd) {
  const struct {
    const char* name;
    int32_t kind;  // of the top scheduler: 0 video, 2 system stream
  } files[] = {{"v.m1v", 0}, {"s.mpg", 2}, {"atoms.mov", 2}, {"zeros.mpg", 2}};
  for (const auto& [name, kind] : files) {
    SCOPED_TRACE(name);
    bench_.log.clear();
    auto control = Make(name);
    ASSERT_NE(control->GetScheduler(), nullptr);
    EXPECT_EQ(control->GetScheduler()->GetKind(), kind);
    EXPECT_EQ(control->GetKindCode(), 270);
    // Sized to the movie.
    EXPECT_EQ(control->GetWidth(), 64);
    EXPECT_EQ(control->GetHeight(), 48);
    EXPECT_FALSE(control->IsActive());
    // The first picture: red.
    control->Rewind();
    EXPECT_TRUE(control->GetScheduler()->HasShownFirstFrame());
    EXPECT_TRUE(Reddish(bench_.PixelAt(20 + 32, 10 + 24))) << std::hex << bench_.PixelAt(52, 34);
    control->Play();
    EXPECT_TRUE(control->IsPlaying());
    const int passes = PlayOut(*control);
    EXPECT_FALSE(control->IsActive());
    // One second of movie takes up to a hundred passes of 10 ms (each
    // reading of the test clock advances it too).
    EXPECT_GT(passes, 30);
    EXPECT_LT(passes, 400);
    EXPECT_TRUE(Greyish(bench_.PixelAt(52, 34))) << std::hex << bench_.PixelAt(52, 34);
    // Nothing drawn outside the control.
    EXPECT_EQ(bench_.PixelAt(10, 5), 0u);
    EXPECT_EQ(bench_.PixelAt(20 + 64, 10 + 48), 0u);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"45 12295", "47 12295"}));
    EXPECT_FALSE(control->IsPlaying());
  }
}

// The first-frame listener hears of the first picture drawn for the screen,
// once: not at the opening, not on the pictures after it.
TEST_F(MovieControlTest, TheFirstFrameListenerHearsOfTheFirstPictureOnce) {
  auto control = Make("s.mpg");
  int heard = 0;
  control->SetFirstFrameListener([&heard] { ++heard; });
  bench_.Idle();
  EXPECT_EQ(heard, 0) << "not playing yet";
  control->Play();
  for (int i = 0; i < 200 && heard == 0; ++i) {
    bench_.clock().AdvanceMilliseconds(10);
    bench_.Idle();
  }
  EXPECT_EQ(heard, 1);
  EXPECT_TRUE(Reddish(bench_.PixelAt(20 + 32, 10 + 24))) << "the first picture is drawn when it is heard of";
  PlayOut(*control);
  EXPECT_EQ(heard, 1);
}

TEST_F(MovieControlTest, PlayPauseAndTheOwnerMessages) {
  auto control = Make("s.mpg");
  control->Play();
  control->Play();  // playing: nothing
  for (int i = 0; i < 20; ++i) {
    bench_.clock().AdvanceMilliseconds(10);
    bench_.Idle();
  }
  control->Pause();
  control->Pause();  // paused: nothing
  EXPECT_FALSE(control->IsActive());
  const int64_t pausedAt = control->GetClock().GetTime();
  bench_.clock().AdvanceMilliseconds(2000);
  EXPECT_EQ(control->GetClock().GetTime(), pausedAt);
  bench_.Down(30, 20);
  bench_.Up(30, 20);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"45 12295", "47 12295", "37 12295", "38 12295"}));
  // Played on after the pause, the movie still ends.
  control->Play();
  PlayOut(*control);
  EXPECT_EQ(Messages().back(), "47 12295");
}

TEST_F(MovieControlTest, LoopModeRestartsWithPlayAndLoopMessages) {
  auto control = Make("v.m1v");
  control->SetLoopMode(1);
  control->Play();
  int passes = 0;
  while (Messages().size() < 3 && passes++ < 1000) {
    bench_.clock().AdvanceMilliseconds(10);
    bench_.Idle();
  }
  EXPECT_EQ(Messages(), (std::vector<std::string>{"45 12295", "45 12295", "46 0"}));
  EXPECT_TRUE(control->IsPlaying());
  // After the restart the first picture is on the screen again.
  EXPECT_TRUE(Reddish(bench_.PixelAt(52, 34)));
}

TEST_F(MovieControlTest, RewindShowsTheFirstPictureAgain) {
  auto control = Make("s.mpg");
  control->Play();
  for (int i = 0; i < 60; ++i) {
    bench_.clock().AdvanceMilliseconds(10);
    bench_.Idle();
  }
  EXPECT_TRUE(Greyish(bench_.PixelAt(52, 34)));
  control->Rewind();
  EXPECT_FALSE(control->IsPlaying());
  EXPECT_TRUE(Reddish(bench_.PixelAt(52, 34)));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"45 12295", "47 12295"}));
}

TEST_F(MovieControlTest, FrameLargerThanTheControlIsCutToIt) {
  auto control = Make("big.m1v", 50, 40, 30, 30);
  ASSERT_NE(control->GetScheduler(), nullptr);
  control->Play();
  for (int i = 0; i < 5; ++i) {
    bench_.clock().AdvanceMilliseconds(10);
    bench_.Idle();
  }
  EXPECT_TRUE(control->IsUsingFramePicture());
  bench_.Redraw();
  // Inside the control the test picture, outside of it nothing.
  int drawn = 0;
  for (int y = 30; y < 70; ++y)
    for (int x = 30; x < 80; ++x) drawn += bench_.PixelAt(x, y) != 0;
  EXPECT_GT(drawn, 50 * 40 / 2);
  for (int y = 0; y < 150; ++y) {
    EXPECT_EQ(bench_.PixelAt(80, y), 0u) << y;
    EXPECT_EQ(bench_.PixelAt(29, y), 0u) << y;
  }
  for (int x = 0; x < 200; ++x) EXPECT_EQ(bench_.PixelAt(x, 70), 0u) << x;
}

TEST_F(MovieControlTest, FilesWithoutAMovieLeaveTheControlEmpty) {
  for (const char* name : {"noheader.m1v", "missing.mpg", "t.ts"}) {
    SCOPED_TRACE(name);
    bench_.log.clear();
    auto control = Make(name, 40, 30);
    EXPECT_EQ(control->GetScheduler(), nullptr);
    control->Play();
    PlayOut(*control, 5);
    control->Rewind();
    EXPECT_FALSE(control->IsPlaying());
    EXPECT_EQ(Messages(), (std::vector<std::string>{"45 12295"}));
  }
}

// A system stream of sound alone: nothing to show, and the end of the sound
// (here, without a mixer, the end of its input) ends the movie.
TEST_F(MovieControlTest, SoundOnlyMovieEnds) {
  auto control = Make("a.mpg", 40, 30);
  ASSERT_NE(control->GetScheduler(), nullptr);
  control->Rewind();
  EXPECT_FALSE(control->GetScheduler()->HasShownFirstFrame());
  bench_.log.clear();
  control->Play();
  PlayOut(*control);
  EXPECT_FALSE(control->IsActive());
  EXPECT_EQ(Messages(), (std::vector<std::string>{"45 12295", "47 12295"}));
  EXPECT_EQ(bench_.PixelAt(30, 20), 0u);
}

TEST_F(MovieControlTest, HoverTrackingPlaysWhileThePointerIsInside) {
  auto control = Make("v.m1v");
  control->SetHoverTracking(true);
  bench_.Move(30, 20);
  EXPECT_TRUE(control->IsPlaying());
  bench_.Move(150, 120);
  EXPECT_FALSE(control->IsPlaying());
  EXPECT_EQ(Messages(), (std::vector<std::string>{"45 12295", "47 12295"}));
}

}  // namespace
