// The video scheduler on a simulated clock: display times against ffprobe,
// skipping and dropping when the steps come late, every picture with
// no-drop, and the sizes of the picture queue.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "engine/core/Clock.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/mpeg/MpegTestSupport.h"
#include "engine/mpeg/StreamClock.h"
#include "engine/mpeg/SystemStreamSupport.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VISO11172StreamScheduler.h"
#include "engine/mpeg/VMPVScheduler.h"
#include "platform/Clock.h"

namespace {

struct Shown {
  std::vector<uint64_t> times;
  std::vector<int32_t> types;
};

void NoteShown(void* context, const VMPVScheduler::DisplayEntry& entry) {
  auto* shown = static_cast<Shown*>(context);
  shown->times.push_back(entry.time);
  shown->types.push_back(entry.type);
}

constexpr uint64_t kUnknown = ~uint64_t{0};

// ffprobe's presentation time of a video frame in 90 kHz ticks: its own
// stamp, or ffprobe's best effort (interpolated from decoding times, which
// ffprobe rounds on its own) for a frame without one.
struct ProbedTime {
  uint64_t time = kUnknown;
  bool stamped = false;
};

std::vector<ProbedTime> ProbeFrameTimes(const std::string& stream) {
  const std::string ffprobe = testsupport::RequireTool("ffprobe");
  std::vector<ProbedTime> times;
  if (ffprobe.empty()) return times;
  std::istringstream lines(testsupport::Capture(ffprobe + " -v error -select_streams v -show_entries "
                                                "frame=pts,best_effort_timestamp,pkt_pos -of csv " + stream +
                                                " 2>&1"));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("frame,", 0) != 0) continue;
    // Columns: pts, best effort, position of the packet. ffprobe gives a B
    // picture without a stamp of its own a pts too (its decoding time,
    // counted on in ffmpeg's own rounding); only a picture whose packet
    // begins a stream packet of the file (it has a position) carries the
    // stamp written in the stream.
    char pts[32] = {}, best[32] = {}, pos[32] = {};
    ProbedTime t;
    if (std::sscanf(line.c_str(), "frame,%31[^,],%31[^,],%31[^,]", pts, best, pos) == 3) {
      t.stamped = std::string(pts) != "N/A" && std::string(pos) != "N/A";
      if (std::string(best) != "N/A") t.time = std::stoull(best);
    }
    times.push_back(t);
  }
  return times;
}

// Plays a movie to its end on a fake clock that advances `stepMs` per step.
struct Playback {
  Shown shown;
  VMPVScheduler::Counts counts;
  int steps = 0;
  bool ended = false;
};

class VideoSchedulerTest : public testsupport::TempDirTest {
 protected:
  VideoSchedulerTest() : TempDirTest("mpegsched") {}
  void SetUp() override {
    TempDirTest::SetUp();
    InitClock();
  }

  Playback Play(VStreamScheduler& scheduler, VMPVScheduler& video, uint64_t stepMs, bool noDrop) {
    Playback p;
    video.SetShowObserver(&NoteShown, &p.shown);
    scheduler.SetClock(&clock_);
    scheduler.SetNoDrop(noDrop);
    clock_.Resume();
    scheduler.SetPlaying(true);
    for (p.steps = 0; p.steps < 20000; ++p.steps) {
      if (!scheduler.Run(nullptr, nullptr)) {
        p.ended = true;
        break;
      }
      fake_.AdvanceMilliseconds(stepMs);
    }
    p.counts = video.GetCounts();
    return p;
  }

  platform::FakeClock fake_{1000000000ull};
  platform::ScopedClockSource source_{&fake_};
  StreamClock clock_;
};

struct TimingCase {
  const char* name;
  const char* rate;
  const char* packetSize;
  size_t frames;
};

class VideoSchedulerPacketTest : public VideoSchedulerTest, public ::testing::WithParamInterface<TimingCase> {};

// Packets of 128 bytes split even the sequence header. One encoder thread:
// ffmpeg cuts its pictures into as many slices as it has threads, so the
// stream (and where its packets and time stamps fall) would otherwise depend
// on the machine's processor count.
TEST_P(VideoSchedulerPacketTest, SystemStreamPicturesAreShownAtTheirTimeStamps) {
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  const std::string stream = Path("s.mpg");
  ASSERT_TRUE(mpegtest::RunFfmpeg("-f lavfi -i testsrc=size=160x120:rate=" + std::string(GetParam().rate) +
                                  " -frames:v 50 -c:v mpeg1video -threads 1 -bf 2 -g 12 -packetsize " +
                                  GetParam().packetSize +
                                  " -f mpeg " + stream));
  const auto expected = ProbeFrameTimes(stream);
  ASSERT_EQ(expected.size(), GetParam().frames);
  VFile file(VFileSpec(stream.c_str()), 0, 0);
  ASSERT_TRUE(file.Open(1));
  VISO11172StreamScheduler scheduler(0, &file, 0.7f, 0.3f);
  scheduler.SetClock(&clock_);
  scheduler.Start();
  ASSERT_EQ(scheduler.GetChildCount(), 1u);
  auto& video = *static_cast<VMPVScheduler*>(scheduler.GetChild(0));
  const Playback p = Play(scheduler, video, 10, false);
  EXPECT_TRUE(p.ended);
  ASSERT_EQ(p.shown.times.size(), expected.size());
  size_t stamped = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i].time == kUnknown) continue;
    stamped += expected[i].stamped;
    // ffprobe's guess for a frame without a stamp may itself be a tick and
    // a quarter off the frame grid (23.976 frames a second).
    EXPECT_NEAR(double(p.shown.times[i]), double(expected[i].time), expected[i].stamped ? 1.0 : 2.0) << "picture " << i;
  }
  // Enough pictures carry a stamp of their own for the check to mean something.
  EXPECT_GE(stamped * 4, expected.size());
  EXPECT_EQ(p.counts.dropped, 0);
}

INSTANTIATE_TEST_SUITE_P(PacketSizes, VideoSchedulerPacketTest,
                         ::testing::Values(TimingCase{"Pal128", "25", "128", 50}, TimingCase{"Pal2048", "25", "2048", 50},
                                           TimingCase{"Ntsc", "30000/1001", "2048", 50},
                                           TimingCase{"Film", "24000/1001", "2048", 50}),
                         [](const auto& info) { return std::string(info.param.name); });

class VideoOnlySchedulerTest : public VideoSchedulerTest {
 protected:
  void SetUp() override {
    VideoSchedulerTest::SetUp();
    if (mpegtest::Ffmpeg().empty()) return;
    stream_ = Path("s.m1v");
    ASSERT_TRUE(mpegtest::RunFfmpeg("-f lavfi -i testsrc=size=160x120:rate=25 -t 4 -c:v mpeg1video -bf 2 -g 12 " +
                                    stream_));
    file_ = std::make_unique<VFile>(VFileSpec(stream_.c_str()), 0, 0);
    ASSERT_TRUE(file_->Open(1));
    video_ = std::make_unique<VMPVScheduler>(0, new VBitstream(file_.get(), 32768, true), 0.7f, 0.3f, true);
    video_->Start();
  }
  std::string stream_;
  std::unique_ptr<VFile> file_;
  std::unique_ptr<VMPVScheduler> video_;
};

int Total(const int32_t (&byType)[5]) { return byType[1] + byType[2] + byType[3] + byType[4] + byType[0]; }

TEST_F(VideoOnlySchedulerTest, OnTimeStepsShowEveryPictureInOrder) {
  if (!video_) return;  // marked by RequireTool
  const Playback p = Play(*video_, *video_, 10, false);
  EXPECT_TRUE(p.ended);
  ASSERT_EQ(p.shown.times.size(), 100u);
  for (size_t i = 0; i < p.shown.times.size(); ++i) EXPECT_EQ(p.shown.times[i], i * 3600) << i;
  EXPECT_EQ(Total(p.counts.skipped), 0);
}

TEST_F(VideoOnlySchedulerTest, LateStepsSkipBPicturesFirstThenP) {
  if (!video_) return;  // marked by RequireTool
  // Steps a frame and a half apart: only B pictures give way.
  const Playback moderate = Play(*video_, *video_, 60, false);
  EXPECT_TRUE(moderate.ended);
  EXPECT_GT(moderate.counts.skipped[3] + moderate.counts.dropped, 0);
  EXPECT_EQ(moderate.counts.skipped[1], 0);
  EXPECT_LT(moderate.shown.times.size(), 100u);
  // Times only grow.
  for (size_t i = 1; i < moderate.shown.times.size(); ++i) EXPECT_GT(moderate.shown.times[i], moderate.shown.times[i - 1]);
  RecordProperty("moderate", std::to_string(moderate.shown.times.size()));
  std::printf("[ late ] 60 ms steps: shown %zu, skipped I %d P %d B %d, dropped %d\n", moderate.shown.times.size(),
              moderate.counts.skipped[1], moderate.counts.skipped[2], moderate.counts.skipped[3],
              moderate.counts.dropped);
}

TEST_F(VideoOnlySchedulerTest, VeryLateStepsAlsoSkipPPictures) {
  if (!video_) return;  // marked by RequireTool
  const Playback slow = Play(*video_, *video_, 200, false);
  EXPECT_TRUE(slow.ended);
  std::printf("[ late ] 200 ms steps: shown %zu, skipped I %d P %d B %d, dropped %d\n", slow.shown.times.size(),
              slow.counts.skipped[1], slow.counts.skipped[2], slow.counts.skipped[3], slow.counts.dropped);
  EXPECT_GT(slow.counts.skipped[3], 0);
  EXPECT_GT(slow.counts.skipped[2] + slow.counts.dropped, 0);
  // B pictures go before P pictures.
  EXPECT_GE(slow.counts.skipped[3], slow.counts.skipped[2]);
}

TEST_F(VideoOnlySchedulerTest, NoDropShowsEveryPictureHoweverLate) {
  if (!video_) return;  // marked by RequireTool
  const Playback p = Play(*video_, *video_, 200, true);
  EXPECT_TRUE(p.ended);
  EXPECT_EQ(p.shown.times.size(), 100u);
  EXPECT_EQ(Total(p.counts.skipped), 0);
  EXPECT_EQ(p.counts.dropped, 0);
}

TEST(VideoSchedulerQueueTest, QueueSizesFromTheFrameRate) {
  struct Case {
    double rate;
    int32_t target, reserve;
  };
  for (const Case& c : {Case{25, 17, 8}, Case{30, 21, 9}, Case{15, 10, 5}, Case{5, 5, 2}}) {
    EXPECT_EQ(VMPVScheduler::QueueTarget(c.rate, 0.7f), c.target) << c.rate;
    EXPECT_EQ(VMPVScheduler::QueueReserve(c.rate, 0.3f), c.reserve) << c.rate;
  }
}

TEST(VideoSchedulerStartTest, VideoWithoutSequenceHeaderFailsToStartWithTheEmptyError) {
  static const uint8_t kNoHeader[] = {0x00, 0x00, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9A};
  testsupport::TempDir dir("mpegsched");
  testsupport::WriteBytes(dir.Path("x.m1v"), std::string(reinterpret_cast<const char*>(kNoHeader), sizeof(kNoHeader)));
  VFile file(VFileSpec(dir.Path("x.m1v").c_str()), 0, 0);
  ASSERT_TRUE(file.Open(1));
  VMPVScheduler video(0, new VBitstream(&file, 32768, true), 0.7f, 0.3f, true);
  EXPECT_ANY_THROW(video.Start());
  EXPECT_FALSE(video.IsStarted());
}

}  // namespace
