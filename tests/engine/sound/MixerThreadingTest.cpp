// The mixer pulling blocks on its own thread while the program thread plays,
// queues, stops, pauses, moves and questions channels and streams: every
// shared field is guarded, so a ThreadSanitizer build reports nothing and
// every build finishes with the channels in a consistent state.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/SDLAudioDevices.h"

namespace {

TEST(MixerThreading, ChannelsChangeWhileTheMixerPulls) {
  EnsureStandardSoundCodecs();
  VCaptureAudioDevice device(VAudioFormat(22050, 16, true));
  device.Open();
  auto* mixer = new VAudioMixer(&device, 16);
  const VAudioEncodingFormat formats[] = {
      VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned),
      VAudioEncodingFormat(11025, 8, false, kAudioEncodingUnsigned),
      VAudioEncodingFormat(44100, 16, true, kAudioEncodingSigned),
  };
  std::vector<VAudioStream*> streams;
  for (const VAudioEncodingFormat& f : formats) {
    std::vector<uint8_t> data(static_cast<size_t>(f.BytesForMilliseconds(120)));
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37);
    streams.push_back(new VMemoryAudioStream(f, data.data(), static_cast<int32_t>(data.size())));
  }

  std::atomic<bool> stop{false};
  std::thread puller([&] {
    while (!stop) {
      device.PullFrames(256);
      device.ClearCaptured();
    }
  });

  std::vector<VAudioChannel*> channels;
  for (int round = 0; round < 300; ++round) {
    VAudioStream* stream = streams[static_cast<size_t>(round) % streams.size()];
    stream->SetLoopCount(round % 4 == 0 ? -1 : 2);
    stream->SetVolume(40 + round % 60);
    if (round % 3 == 0) {
      VAudioChannel* channel = nullptr;
      if (stream->PlayOnNewChannel(channel, round % 50, round % 5, 300 + round)) channels.push_back(channel);
    } else {
      stream->Play(0, 1, 440);
    }
    for (VAudioChannel* c : channels) {
      c->SetVolume(round % 101);
      c->SetPan(round % 201 - 100);
      c->SetChannelVolume(100 - round % 100);
      if (round % 7 == 0) c->SetPosition(round % 40);
      if (round % 11 == 0) c->SetLoopsLeft(3);
      if (round % 13 == 0) c->Pause();
      if (round % 13 == 5) c->Resume();
      EXPECT_GE(c->GetFramesPlayed(), 0);
      EXPECT_GE(c->GetFramePosition(), 0);
      EXPECT_GT(c->GetPitch(), 0);
      EXPECT_GE(c->GetLoopsLeft(), -1);
      (void)c->IsPlaying();
      (void)c->HasStreams();
    }
    if (round % 17 == 0 && !channels.empty()) {
      channels.front()->Stop();
      channels.front()->Release();
      channels.erase(channels.begin());
    }
    EXPECT_GE(mixer->CountChannels(), mixer->CountBusyChannels());
    std::this_thread::yield();
  }
  stop = true;
  puller.join();
  for (VAudioChannel* c : channels) {
    c->Stop();
    EXPECT_FALSE(c->HasStreams());
    c->Release();
  }
  delete mixer;
  for (VAudioStream* s : streams) {
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
