// The mixer pulling blocks on its own thread while the program thread plays,
// queues, stops, pauses, moves and questions channels and streams. Two
// channels of constant sound play through all of it, untouched, while every
// other sound is silence: each block pulled must hold exactly their sum, and
// each of them must have played exactly the frames pulled. A channel lost
// from the mixer's list, mixed twice or written over instead of added shows
// in both. A ThreadSanitizer build runs these tests too (see scripts/test.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <thread>
#include <utility>
#include <vector>

#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/SDLAudioDevices.h"

namespace {

// 120 ms of one sample value in every channel of the format (the stored
// bytes of `value`, 8-bit samples unsigned).
VAudioStream* ConstantStream(const VAudioEncodingFormat& format, int16_t value) {
  std::vector<uint8_t> data(static_cast<size_t>(format.BytesForMilliseconds(120)));
  if (format.bits == 8) {
    std::fill(data.begin(), data.end(), static_cast<uint8_t>(128 + value));
  } else {
    for (size_t i = 0; i + 1 < data.size(); i += 2) std::memcpy(&data[i], &value, 2);
  }
  return new VMemoryAudioStream(format, data.data(), static_cast<int32_t>(data.size()));
}

// The 16-bit stereo frames of a captured block.
std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Pulls one block on the calling thread; the frames that are not all
// `left`/`right` are counted.
int64_t PullAndCountWrongFrames(VCaptureAudioDevice& device, int32_t frames, int16_t left, int16_t right) {
  device.PullFrames(frames);
  const std::vector<int16_t> s = Samples(device.Captured());
  device.ClearCaptured();
  int64_t wrong = static_cast<int64_t>(frames) - static_cast<int64_t>(s.size() / 2);
  for (size_t i = 0; i + 1 < s.size(); i += 2) wrong += s[i] != left || s[i + 1] != right;
  return wrong;
}

// The value of the first frame of one block pulled on the calling thread.
std::pair<int16_t, int16_t> PullOneFrame(VCaptureAudioDevice& device) {
  device.PullFrames(16);
  const std::vector<int16_t> s = Samples(device.Captured());
  device.ClearCaptured();
  return s.size() >= 2 ? std::make_pair(s[0], s[1]) : std::make_pair(int16_t{0}, int16_t{0});
}

TEST(MixerThreading, ChannelsChangeWhileTheMixerPulls) {
  EnsureStandardSoundCodecs();
  constexpr int32_t kBlockFrames = 256;
  VCaptureAudioDevice device(VAudioFormat(22050, 16, true));
  device.Open();
  auto* mixer = new VAudioMixer(&device, 16);

  // The two witnesses: one in the output's format, one converted from 8-bit mono.
  VAudioStream* witnessStreams[] = {
      ConstantStream(VAudioEncodingFormat(22050, 16, true, kAudioEncodingSigned), 1000),
      ConstantStream(VAudioEncodingFormat(22050, 8, false, kAudioEncodingUnsigned), 40),
  };
  VAudioChannel* witnesses[2] = {};
  for (int i = 0; i < 2; ++i) {
    witnessStreams[i]->SetLoopCount(-1);
    ASSERT_TRUE(witnessStreams[i]->PlayOnNewChannel(witnesses[i], 0, 1, 440));
  }
  // What each gives alone, and that the two add up.
  // A channel held while it sounds fades out over a few milliseconds: the
  // frame is measured after that.
  const auto pullPastFade = [&device] {
    device.PullFrames(256);
    device.ClearCaptured();
  };
  witnesses[1]->Pause();
  pullPastFade();
  const auto first = PullOneFrame(device);
  witnesses[1]->Resume();
  witnesses[0]->Pause();
  pullPastFade();
  const auto second = PullOneFrame(device);
  witnesses[0]->Resume();
  pullPastFade();
  ASSERT_NE(first.first, 0);
  ASSERT_NE(second.first, 0);
  const auto left = static_cast<int16_t>(first.first + second.first);
  const auto right = static_cast<int16_t>(first.second + second.second);
  ASSERT_EQ(PullAndCountWrongFrames(device, kBlockFrames, left, right), 0);

  // Silence in three formats, looping (for channels the test keeps) and not
  // (for channels the mixer drops when they end). 16-bit only: 8-bit samples
  // widen by 257, which leaves their middle value 128 a little above zero.
  const VAudioEncodingFormat formats[] = {
      VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned),
      VAudioEncodingFormat(11025, 16, false, kAudioEncodingSigned),
      VAudioEncodingFormat(44100, 16, true, kAudioEncodingSigned),
  };
  std::vector<VAudioStream*> looping, finite;
  for (const VAudioEncodingFormat& f : formats) {
    looping.push_back(ConstantStream(f, 0));
    looping.back()->SetLoopCount(-1);
    finite.push_back(ConstantStream(f, 0));
  }

  int64_t playedBefore[2];
  for (int i = 0; i < 2; ++i) playedBefore[i] = witnesses[i]->GetFramesPlayed();
  std::atomic<bool> stop{false};
  std::atomic<int64_t> pulled{0};
  std::atomic<int64_t> wrongFrames{0};
  std::thread puller([&] {
    while (!stop) {
      wrongFrames += PullAndCountWrongFrames(device, kBlockFrames, left, right);
      pulled += kBlockFrames;
      std::this_thread::yield();
    }
  });

  constexpr size_t kMostKept = 8;
  std::vector<VAudioChannel*> channels;
  for (int round = 0; round < 300; ++round) {
    const size_t kind = static_cast<size_t>(round) % std::size(formats);
    finite[kind]->SetLoopCount(1 + round % 2);
    finite[kind]->SetVolume(40 + round % 60);
    if (round % 3 == 0) {
      VAudioStream* stream = round % 4 == 0 ? looping[kind] : finite[kind];
      VAudioChannel* channel = nullptr;
      if (stream->PlayOnNewChannel(channel, round % 50, round % 5, 300 + round)) channels.push_back(channel);
    } else {
      finite[kind]->Play(0, 1, 440);
    }
    for (VAudioChannel* c : channels) {
      c->SetVolume(round % 101);
      c->SetPan(round % 201 - 100);
      c->SetChannelVolume(100 - round % 100);
      if (round % 7 == 0) c->SetPosition(round % 40);
      if (round % 11 == 0) c->SetLoopsLeft(3);
      if (round % 13 == 0) c->Pause();
      if (round % 13 == 5) c->Resume();
      (void)c->GetFramesPlayed();
      (void)c->GetFramePosition();
      (void)c->GetPitch();
      (void)c->GetLoopsLeft();
      (void)c->IsPlaying();
      (void)c->HasStreams();
    }
    if ((round % 17 == 0 && !channels.empty()) || channels.size() > kMostKept) {
      channels.front()->Stop();
      channels.front()->Release();
      channels.erase(channels.begin());
    }
    // The witnesses never end; a kept channel stays registered.
    EXPECT_GE(mixer->CountBusyChannels(), 2) << "round " << round;
    EXPECT_GE(mixer->CountChannels(), static_cast<int32_t>(channels.size()) + 2) << "round " << round;
    std::this_thread::yield();
  }
  stop = true;
  puller.join();

  EXPECT_GT(pulled, 0);
  EXPECT_EQ(wrongFrames, 0) << "of " << pulled << " frames pulled, not the witnesses' sum";
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(witnesses[i]->GetFramesPlayed() - playedBefore[i], pulled) << "witness " << i;

  // Every kept channel with sound left is still mixed: it moves with a pull.
  for (VAudioChannel* c : channels) {
    c->Resume();
    c->SetVolume(100);
    c->SetLoopsLeft(-1);
  }
  std::vector<int64_t> before;
  for (VAudioChannel* c : channels) before.push_back(c->HasStreams() ? c->GetFramesPlayed() : -1);
  EXPECT_EQ(PullAndCountWrongFrames(device, kBlockFrames, left, right), 0);
  for (size_t i = 0; i < channels.size(); ++i) {
    if (before[i] < 0) continue;
    EXPECT_EQ(channels[i]->GetFramesPlayed(), before[i] + kBlockFrames) << "kept channel " << i;
  }

  for (VAudioChannel* c : channels) {
    c->Stop();
    EXPECT_FALSE(c->HasStreams());
    c->Release();
  }
  for (VAudioChannel* w : witnesses) {
    w->Stop();
    w->Release();
  }
  delete mixer;
  for (VAudioStream* s : looping) s->Release();
  for (VAudioStream* s : finite) {
    EXPECT_EQ(s->GetPlayCount(), 0);
    s->Release();
  }
  for (VAudioStream* s : witnessStreams) {
    EXPECT_EQ(s->GetPlayCount(), 0);
    s->Release();
  }
}

// A movie's sound clock asks for the mixer's rate on its own thread while
// the mixer takes the device's format for every block.
TEST(MixerThreading, FormatIsAskedWhileTheMixerPulls) {
  VCaptureAudioDevice device(VAudioFormat(22050, 16, false));
  device.Open();
  auto* mixer = new VAudioMixer(&device, 16);
  std::atomic<bool> stop{false};
  std::thread puller([&] {
    while (!stop) {
      device.PullFrames(64);
      device.ClearCaptured();
    }
  });
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(mixer->GetFormat().rate, 22050);
  stop = true;
  puller.join();
  delete mixer;
}

}  // namespace
