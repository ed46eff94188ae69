// Plays 16 looping channels (mixed formats, pitches and volumes) for 10 s
// through the ring device on SDL's dummy output and counts the underruns:
// the times the output found a part of the ring the mixer had not yet
// rewritten. One measured run; the count is printed (0 is the goal).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/SDLAudioDevices.h"

namespace {

constexpr int kChannels = 16;
int64_t gUnderruns = -1;
int64_t gPlayedMs = 0;

void BM_RingUnderruns16Channels(benchmark::State& state) {
  EnsureStandardSoundCodecs();
  const VAudioEncodingFormat formats[] = {
      VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned),
      VAudioEncodingFormat(11025, 8, false, kAudioEncodingUnsigned),
      VAudioEncodingFormat(44100, 16, true, kAudioEncodingSigned),
      VAudioEncodingFormat(22050, 8, true, kAudioEncodingUnsigned),
  };
  const int32_t pitches[] = {440, 300, 523, 880};
  for (auto _ : state) {
    auto* device = new VRingAudioDevice(VAudioFormat(22050, 16, false), true);
    auto* mixer = new VAudioMixer(device, 16);
    SetAudioOutputActive(true);
    std::vector<VAudioChannel*> channels;
    std::vector<std::vector<uint8_t>> samples;
    for (int c = 0; c < kChannels; ++c) {
      const VAudioEncodingFormat& f = formats[c % 4];
      std::vector<uint8_t> data(static_cast<size_t>(f.BytesForMilliseconds(1500)));
      for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>((i + c) * 2654435761u >> 24);
      auto* stream = new VMemoryAudioStream(f, data.data(), static_cast<int32_t>(data.size()));
      stream->SetLoopCount(-1);
      VAudioChannel* channel = nullptr;
      if (stream->PlayOnNewChannel(channel, 0, 100, pitches[c % 4])) {
        channel->SetChannelVolume(50 + 3 * c);
        channel->SetPan(c * 12 - 90);
        channels.push_back(channel);
      }
      stream->Release();
    }
    std::this_thread::sleep_for(std::chrono::seconds(10));
    gUnderruns = device->CountUnderruns();
    state.counters["underruns"] = static_cast<double>(gUnderruns);
    state.counters["open"] = device->IsOpen() ? 1 : 0;
    gPlayedMs = device->CountPlayedBytes() * 1000 / device->GetEncodingFormat().BytesPerSecond();
    state.counters["played_ms"] = static_cast<double>(gPlayedMs);
    for (VAudioChannel* c : channels) {
      c->Stop();
      c->Release();
    }
    SetAudioOutputActive(false);
    delete mixer;
    delete device;
  }
}

BENCHMARK(BM_RingUnderruns16Channels)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  std::printf("\nUnderruns over 10 s of 16 channels on the ring device (SDL driver %s): %lld (%lld ms played)\n",
              std::getenv("SDL_AUDIODRIVER"), static_cast<long long>(gUnderruns), static_cast<long long>(gPlayedMs));
  benchmark::Shutdown();
  return gUnderruns == 0 ? 0 : 1;
}
