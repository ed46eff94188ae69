// The sound of a slide show, played by the sequence player on a fake clock
// through the real mixer into a capture device: the loudness along the fade
// envelope against sox's own fade and volume, pause, seek and stop against an
// uninterrupted run, sounds that cannot be played left out, and the mixer
// rendering on another thread meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/SDLAudioDevices.h"
#include "support/RequireTool.h"
#include "support/TempDir.h"
#include "title/shell/Channel.h"
#include "title/shell/PictureItem.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequencePlayer.h"
#include "title/shell/SoundItem.h"

namespace {

constexpr int32_t kRate = 22050;
constexpr uint32_t kStartTick = 50000;
constexpr uint32_t kStepMs = 10;

// Frames of the output from the start up to ms.
int64_t FramesAt(uint32_t ms) { return int64_t{ms} * kRate / 1000; }
// A sound that stops while it sounds fades out over 5 ms in the mixer.
constexpr size_t kFadeFrames = kRate / 200;

std::vector<int16_t> Samples(const std::string& bytes) {
  std::vector<int16_t> v(bytes.size() / 2);
  if (!v.empty()) std::memcpy(v.data(), bytes.data(), v.size() * 2);
  return v;
}

// The root mean square of count samples from `from` (missing samples are 0).
double Rms(const std::vector<int16_t>& s, size_t from, size_t count) {
  if (count == 0) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < from + count && i < s.size(); ++i) sum += static_cast<double>(s[i]) * s[i];
  return std::sqrt(sum / static_cast<double>(count));
}

class SequenceSoundTest : public testsupport::TempDirTest {
 protected:
  SequenceSoundTest() : TempDirTest("ostrevan_seqsound_") {
    EnsureStandardSoundCodecs();
    device_.Open();
    mixer_ = new VAudioMixer(&device_, 16);
    bench_.clock().SetStepPerRead(0);
    bench_.clock().SetTickCount(kStartTick);
  }
  ~SequenceSoundTest() override {
    player_.reset();
    sequence_.reset();
    delete mixer_;  // after the channels that registered with it are let go
  }

  // A 1 kHz sine of `seconds` at the mixer's format, made by sox.
  std::string MakeSine(const std::string& sox, double seconds) {
    const std::string wave = Path("sine.wav");
    EXPECT_EQ(std::system(("'" + sox + "' -n -r 22050 -c 1 -b 16 '" + wave + "' synth " + std::to_string(seconds) +
                           " sine 1000 vol 0.9")
                              .c_str()),
              0);
    return wave;
  }

  // A slide show of the text on a player of its own.
  void Open(const std::string& text) {
    player_.reset();
    sequence_ = std::make_unique<Sequence>(VString(text.c_str()));
    player_ = std::make_unique<SequencePlayer>(77, 0, 0, 0, 200, 150, bench_.recorder);
    player_->SetDocument(sequence_.get());
    bench_.Idle();  // the task clock reads the fake time
  }

  // Lets the clock run to `until` ms in steps of 10 ms: each step the mixer
  // renders the sound of the time gone by, then the player takes its turn.
  // With a renderer on another thread, each step waits until it has pulled
  // that much instead.
  // The frames a rendering thread has pulled, and how far it may pull: up to
  // the player's clock, so that it never runs ahead of the time the test is at.
  struct RenderedFrames {
    std::atomic<int64_t> rendered{0};
    std::atomic<int64_t> allowed{0};
  };

  // Steps the clock to `until`; the device's frames of each step are pulled
  // here, or, with `thread`, by a rendering thread that is let go that far.
  void RunTo(uint32_t until, RenderedFrames* thread = nullptr) {
    while (now_ < until) {
      if (thread == nullptr) {
        device_.PullFrames(static_cast<int32_t>(FramesAt(now_ + kStepMs) - FramesAt(now_)));
      } else {
        thread->allowed = FramesAt(now_ + kStepMs);
        while (thread->rendered < thread->allowed) std::this_thread::yield();
      }
      now_ += kStepMs;
      bench_.clock().SetTickCount(kStartTick + now_);
      bench_.Idle();
    }
  }

  std::vector<int16_t> Captured() const {
    const std::vector<uint8_t>& bytes = device_.Captured();
    return Samples(std::string(bytes.begin(), bytes.end()));
  }

  SoundItem* Sound() const { return static_cast<SoundItem*>(sequence_->GetSoundItem()); }

  controltest::Bench bench_;
  VCaptureAudioDevice device_{VAudioFormat(kRate, 16, false)};
  VAudioMixer* mixer_ = nullptr;
  std::unique_ptr<Sequence> sequence_;
  std::unique_ptr<SequencePlayer> player_;
  uint32_t now_ = 0;  // ms since the start tick
};

// The loudness per 100 ms follows sox's linear fade and volume 0.8: a sound
// at the start of the show (rise 0.5 s, fade-out ending at 2.0 s over
// 0.5 s), one that starts 300 ms in while a picture is on screen, and two
// sounds one after the other on the same channel.
TEST_F(SequenceSoundTest, LoudnessFollowsTheEnvelopeAsSoxFadesIt) {
  REQUIRE_TOOL(sox, "sox");
  const std::string wave = MakeSine(sox, 2.5);
  const std::string file = " volume 80 file \"" + wave + "\" } ";
  struct Case {
    const char* name;
    std::string text;
    int32_t duration;
    // The sox effects of each part of the expected sound, one after the other.
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"at the start", "channel { item sound { start 0 rise 500 sustain 1000 decay 500" + file + "}\n", 2000,
       {"vol 0.8 fade t 0.5 2.0 0.5"}},
      {"300 ms in",
       "channel { item sound { start 300 rise 500 sustain 1000 decay 500" + file +
           "}\nchannel { item picture { start 0 sustain 2300 } }\n",
       2300,
       {"vol 0.8 fade t 0.5 2.0 0.5 pad 0.3"}},
      {"two in a row",
       "channel { item sound { start 0 rise 500 decay 500" + file + "item sound { start 1000 rise 500 decay 500" +
           file + "}\n",
       2000,
       {"trim 0 1 vol 0.8 fade t 0.5 1 0.5", "trim 0 1 vol 0.8 fade t 0.5 1 0.5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device_.ClearCaptured();
    now_ = 0;
    bench_.clock().SetTickCount(kStartTick);
    Open(c.text);
    player_->Play();
    RunTo(2500);
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_EQ(player_->GetPosition(), c.duration);

    std::vector<int16_t> expected;
    for (const std::string& effects : c.parts) {
      const std::string reference = Path("reference.raw");
      ASSERT_EQ(std::system(("'" + sox + "' -D '" + wave + "' -t raw -e signed -b 16 '" + reference + "' " + effects)
                                .c_str()),
                0);
      const std::vector<int16_t> part = Samples(testsupport::ReadBytes(reference));
      expected.insert(expected.end(), part.begin(), part.end());
    }
    const std::vector<int16_t> got = Captured();
    ASSERT_EQ(expected.size(), static_cast<size_t>(FramesAt(static_cast<uint32_t>(c.duration))));
    // The volume is held for each 10 ms step and kept in whole percent; the
    // loudest window (the sustain) has an RMS of about 0.8 * 0.9 * 32767 /
    // sqrt(2), 16700. A step's lag on a 500 ms ramp moves a window's RMS by
    // up to 2 % of that (1.8 % measured), the mixer's volume steps by 0.4 %.
    constexpr double kBound = 0.025 * 16700;
    const size_t window = static_cast<size_t>(kRate / 10);
    double loudest = 0.0;
    for (size_t from = 0; from < got.size(); from += window) {
      const double want = Rms(expected, from, window);
      EXPECT_NEAR(Rms(got, from, window), want, kBound) << "window at " << from / window * 100 << " ms";
      loudest = std::max(loudest, want);
    }
    EXPECT_GT(loudest, 0.9 * 16700);  // the sound is there to compare
    // Silent after the end and the fade of its last sample.
    EXPECT_EQ(Rms(got, expected.size() + kFadeFrames, got.size() - expected.size() - kFadeFrames), 0.0);
  }
}

// Pausing holds the sound where it is and a resume goes on from there, as if
// nothing had happened; a seek while paused moves the sound with the
// pictures; a stop silences it and a later play goes on from the position.
TEST_F(SequenceSoundTest, PauseSeekAndStopKeepTheSoundWithThePosition) {
  REQUIRE_TOOL(sox, "sox");
  const std::string wave = MakeSine(sox, 2.5);
  const std::string text =
      "channel { item sound { start 0 rise 500 sustain 1000 decay 500 volume 80 file \"" + wave + "\" } }\n";
  Open(text);
  player_->Play();
  RunTo(2500);
  const std::vector<int16_t> straight = Captured();
  ASSERT_GT(Rms(straight, 0, straight.size()), 1000.0);

  enum Action { kPauseResume, kPausePlay, kPauseSeekResume, kStopPlay };
  struct Case {
    Action action;
    const char* name;
    uint32_t goesOnFrom;  // ms of the sound heard after the gap
  };
  const Case cases[] = {{kPauseResume, "pause, resume", 700},
                        {kPausePlay, "pause, play", 700},
                        {kPauseSeekResume, "pause, seek 1200, resume", 1200},
                        {kStopPlay, "stop, play", 700}};
  constexpr uint32_t kGap = 500;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device_.ClearCaptured();
    now_ = 0;
    bench_.clock().SetTickCount(kStartTick);
    Open(text);
    player_->Play();
    RunTo(700);
    if (c.action == kStopPlay) {
      player_->Stop();
    } else {
      player_->Pause();
    }
    if (c.action == kPauseSeekResume) player_->Seek(1200);
    RunTo(700 + kGap);
    if (c.action == kPauseResume || c.action == kPauseSeekResume) {
      player_->Resume();
    } else {
      player_->Play();
    }
    RunTo(3000);
    EXPECT_FALSE(player_->IsPlaying());

    const std::vector<int16_t> got = Captured();
    const auto before = static_cast<size_t>(FramesAt(700));
    const auto gap = static_cast<size_t>(FramesAt(kGap));
    const auto from = static_cast<size_t>(FramesAt(c.goesOnFrom));
    ASSERT_GE(got.size(), before + gap + (straight.size() - from));
    EXPECT_TRUE(std::equal(straight.begin(), straight.begin() + static_cast<std::ptrdiff_t>(before), got.begin()));
    EXPECT_EQ(Rms(got, before + kFadeFrames, gap - kFadeFrames), 0.0);
    const auto after = got.begin() + static_cast<std::ptrdiff_t>(before + gap);
    EXPECT_TRUE(std::equal(straight.begin() + static_cast<std::ptrdiff_t>(from), straight.end(), after));
    const size_t end = before + gap + straight.size() - from;
    EXPECT_EQ(Rms(got, end + kFadeFrames, got.size() - end - kFadeFrames), 0.0);
  }
}

// A sound that cannot be played (a missing file, bytes that are no sound, a
// type no reader knows, samples no decoder takes, a medium no archive holds)
// leaves the show silent; its picture still fades in and the show ends.
TEST_F(SequenceSoundTest, UnplayableSoundIsLeftOutAndThePicturesPlay) {
  REQUIRE_TOOL(sox, "sox");
  testsupport::WriteBytes(Path("noise.wav"), std::string(4000, '\x5a'));
  ASSERT_EQ(std::system(("'" + sox + "' -n -r 22050 -c 1 -b 16 -t wav '" + Path("sine.xyz") + "' synth 1 sine 1000 && '" +
                         sox + "' -n -r 22050 -c 1 -e floating-point -b 32 '" + Path("float.wav") +
                         "' synth 1 sine 1000")
                            .c_str()),
            0);
  const std::string cases[] = {"file \"" + Path("missing.wav") + "\"", "file \"" + Path("noise.wav") + "\"",
                               "file \"" + Path("sine.xyz") + "\"", "file \"" + Path("float.wav") + "\"",
                               "resid 18600"};
  for (const std::string& medium : cases) {
    SCOPED_TRACE(medium);
    device_.ClearCaptured();
    now_ = 0;
    bench_.clock().SetTickCount(kStartTick);
    Open("channel { item sound { start 0 sustain 1000 volume 80 " + medium +
         " } }\nchannel { item picture { start 0 rise 400 sustain 1000 } }\n");
    bench_.log.clear();
    player_->Play();
    RunTo(200);
    auto* picture = static_cast<PictureItem*>(sequence_->GetPicture(0));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetShownLevel(), 63);  // the first picture is opaque at once
    EXPECT_EQ(Sound()->PeekStream(), nullptr);
    RunTo(2000);
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_EQ(player_->GetPosition(), 1400);
    EXPECT_EQ(bench_.log.back(), "116 77");
    const std::vector<int16_t> got = Captured();
    EXPECT_EQ(Rms(got, 0, got.size()), 0.0);
  }
}

// The mixer renders on a thread of its own while the player plays, pauses,
// resumes, seeks, moves from one sound to the next and stops (a
// ThreadSanitizer build runs this too): the sound is heard, and once stopped
// nothing more is.
TEST_F(SequenceSoundTest, SoundPlaysWhileAnotherThreadRenders) {
  REQUIRE_TOOL(sox, "sox");
  const std::string wave = MakeSine(sox, 2.5);
  const std::string file = " volume 80 file \"" + wave + "\" } ";
  Open("channel { item sound { start 0 rise 500 decay 500" + file + "item sound { start 1000 rise 500 decay 500" +
       file + "}\n");
  std::atomic<bool> stop{false};
  RenderedFrames frames;
  std::thread renderer([&] {
    while (!stop) {
      if (frames.rendered < frames.allowed) {
        device_.PullFrames(256);
        frames.rendered += 256;
      }
      std::this_thread::yield();
    }
  });
  player_->Play();
  RunTo(300, &frames);
  EXPECT_FALSE(Sound()->IsFinished());  // asked while the sound is being read
  player_->Pause();
  EXPECT_TRUE(Sound()->IsFinished());  // held
  RunTo(400, &frames);
  player_->Resume();
  RunTo(700, &frames);
  player_->Seek(900);
  player_->Resume();
  RunTo(1500, &frames);
  player_->Stop();
  stop = true;
  renderer.join();
  const std::vector<int16_t> heard = Captured();
  EXPECT_GT(Rms(heard, 0, heard.size()), 100.0);
  device_.PullFrames(kFadeFrames);
  device_.ClearCaptured();
  device_.PullFrames(kRate / 10);
  const std::vector<int16_t> after = Captured();
  EXPECT_EQ(Rms(after, 0, after.size()), 0.0);
}

}  // namespace
