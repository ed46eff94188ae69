// Output devices over SDL audio: the degrade order of refused formats, the
// block arithmetic, the disk driver's capture of what the mixer produced,
// the latency against what SDL has taken, the silent clock while inactive
// and the 2-second re-open interval.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "SoundTestSupport.h"

namespace {

using platform::AudioOutputFormat;

AudioOutputFormat Out(int rate, int bits, int channels) {
  AudioOutputFormat f;
  f.rate = rate;
  f.bits = bits;
  f.channels = channels;
  f.isSigned = bits == 16;
  return f;
}

// Restores the audio switches and the refused list after each test.
class Devices : public testsupport::TempDirTest {
 protected:
  Devices() : TempDirTest("sound_dev_") {
    setenv("SDL_AUDIODRIVER", "dummy", 1);  // no sound card needed
    EnsureStandardSoundCodecs();
    platform::SetRefusedAudioFormats({});
  }
  ~Devices() override {
    platform::SetRefusedAudioFormats({});
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
};

TEST_F(Devices, BlockArithmeticAndDegradeOrder) {
  EXPECT_EQ(AudioBlockBytes(VAudioFormat(22050, 16, false)), 2048);
  EXPECT_EQ(AudioBlockBytes(VAudioFormat(44100, 16, true)), 8192);
  EXPECT_EQ(AudioBlockBytes(VAudioFormat(11025, 8, false)), 512);
  EXPECT_EQ(AudioBlockMilliseconds(2048, VAudioFormat(22050, 16, false)), 46);
  VAudioFormat f(48000, 16, true);
  std::vector<std::vector<int>> steps;
  while (DegradeAudioFormat(f)) steps.push_back({f.rate, f.bits, f.Channels()});
  const std::vector<std::vector<int>> expected = {{48000, 16, 1}, {48000, 8, 1}, {44100, 8, 1}, {32000, 8, 1},
                                                  {24000, 8, 1},  {22050, 8, 1}, {16000, 8, 1}, {11025, 8, 1},
                                                  {8000, 8, 1}};
  EXPECT_EQ(steps, expected);
  VAudioFormat odd(37000, 8, false);
  EXPECT_FALSE(DegradeAudioFormat(odd));
}

TEST_F(Devices, RefusedFormatsFollowTheDegradeOrder) {
  platform::SetRefusedAudioFormats({Out(48000, 16, 2), Out(48000, 16, 1), Out(48000, 8, 1), Out(44100, 8, 1),
                                    Out(32000, 8, 1)});
  VRingAudioDevice ring(VAudioFormat(48000, 16, true), true);
  ASSERT_TRUE(ring.Open());
  const std::vector<AudioOutputFormat> attempts = platform::GetAudioOpenAttempts();
  const std::vector<AudioOutputFormat> expected = {Out(48000, 16, 2), Out(48000, 16, 1), Out(48000, 8, 1),
                                                   Out(44100, 8, 1),  Out(32000, 8, 1),  Out(24000, 8, 1)};
  ASSERT_EQ(attempts.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(attempts[i].rate, expected[i].rate) << i;
    EXPECT_EQ(attempts[i].bits, expected[i].bits) << i;
    EXPECT_EQ(attempts[i].channels, expected[i].channels) << i;
  }
  EXPECT_EQ(ring.GetEncodingFormat().rate, 24000);
  EXPECT_EQ(ring.GetEncodingFormat().encoding, kAudioEncodingUnsigned);
  // Blocks follow the format granted: 24000 Hz 8-bit mono is 3 started 11025 Hz.
  EXPECT_EQ(ring.GetBlockBytes(), 3 * 512);
  EXPECT_EQ(ring.GetBlockMilliseconds(), 64);
  ring.Close();
  // The queue device maps 48000 Hz to 44100 first; nothing acceptable fails.
  std::vector<AudioOutputFormat> all;
  for (int rate : {44100, 22050, 11025, 8000})
    for (int bits : {8, 16})
      for (int channels : {1, 2}) all.push_back(Out(rate, bits, channels));
  platform::SetRefusedAudioFormats(all);
  VQueueAudioDevice queue(VAudioFormat(48000, 16, true));
  EXPECT_FALSE(queue.Open());
  EXPECT_EQ(platform::GetAudioOpenAttempts().front().rate, 44100);
  EXPECT_FALSE(queue.IsOpen());
}

TEST_F(Devices, CallbackRegistration) {
  VCaptureAudioDevice device(VAudioFormat(22050, 16, false));
  struct Silent : VAudioCallback {
    uint8_t* FillBuffer(uint8_t*, const VAudioEncodingFormat&, int32_t, bool) override { return nullptr; }
  } callback;
  const int32_t id = device.RegisterCallback(&callback);
  EXPECT_GT(id, 0);
  EXPECT_EQ(device.RegisterCallback(&callback), -1);
  device.UnregisterCallback(id + 1);
  EXPECT_TRUE(device.HasCallback());
  device.UnregisterCallback(id);
  EXPECT_FALSE(device.HasCallback());
  EXPECT_NE(device.RegisterCallback(&callback), id);  // ids are not reused
}

// Plays a ramp through the device on SDL's disk driver and reads the file.
std::vector<int16_t> CaptureThroughDisk(VAudioDevice* device, const std::vector<int16_t>& sound, int waitMs) {
  auto* mixer = new VAudioMixer(device, 16);
  SetAudioOutputActive(true);
  auto* stream = new VMemoryAudioStream(VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned), sound.data(),
                                        static_cast<int32_t>(sound.size() * 2));
  stream->Play(0, 32767, 440);
  stream->Release();
  std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
  delete mixer;
  SetAudioOutputActive(false);
  return {};
}

TEST_F(Devices, DiskDriverCapturesTheMixedBlocks) {
  std::vector<int16_t> sound(22050 / 2);
  for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<int16_t>(1 + (i * 13) % 20000);
  for (int kind = 0; kind < 2; ++kind) {
    const std::string file = Path(kind == 0 ? "ring.raw" : "queue.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    VAudioDevice* device = kind == 0 ? static_cast<VAudioDevice*>(new VRingAudioDevice(VAudioFormat(22050, 16, false), true))
                                     : new VQueueAudioDevice(VAudioFormat(22050, 16, false));
    CaptureThroughDisk(device, sound, 1200);
    delete device;
    const std::string bytes = testsupport::ReadBytes(file);
    std::vector<int16_t> captured(bytes.size() / 2);
    std::memcpy(captured.data(), bytes.data(), captured.size() * 2);
    size_t first = 0;
    while (first < captured.size() && captured[first] == 0) ++first;
    ASSERT_LT(first + sound.size(), captured.size()) << "kind " << kind << ", " << captured.size() << " samples";
    int differences = 0;
    for (size_t i = 0; i < sound.size(); ++i) differences += captured[first + i] != sound[i];
    EXPECT_EQ(differences, 0) << "kind " << kind;
    for (size_t i = first + sound.size(); i < captured.size(); ++i) ASSERT_EQ(captured[i], 0) << i;
  }
}

// A ring device serviced only when the test says, on the fake clock: the
// mixer thread's own calls do nothing. Built on another thread, as Service
// does nothing on the thread that built the device.
class DrivenRingDevice : public VRingAudioDevice {
 public:
  static std::unique_ptr<DrivenRingDevice> Make(const VAudioFormat& format) {
    std::unique_ptr<DrivenRingDevice> device;
    std::thread([&] { device.reset(new DrivenRingDevice(format)); }).join();
    return device;
  }
  void Service() override {}
  void ServiceNow() { VRingAudioDevice::Service(); }

 private:
  explicit DrivenRingDevice(const VAudioFormat& format) : VRingAudioDevice(format, true) {}
};

// A closed device still pulls the mixer's blocks on time: a sound of one
// second ends with the block that holds its last frame, and the device stays
// closed while audio is inactive.
TEST_F(Devices, InactiveDeviceKeepsTime) {
  platform::FakeClock clock(1000000000ull);
  platform::ScopedClockSource useFake(&clock);
  const std::unique_ptr<DrivenRingDevice> device = DrivenRingDevice::Make(VAudioFormat(22050, 16, false));
  auto* mixer = new VAudioMixer(device.get(), 16);
  SetAudioOutputActive(true);
  EXPECT_TRUE(device->IsOpen());
  SetAudioOutputActive(false);
  EXPECT_FALSE(device->IsOpen());
  std::vector<int16_t> second(22050, 100);
  auto* stream = new VMemoryAudioStream(VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned), second.data(),
                                        static_cast<int32_t>(second.size() * 2));
  VAudioChannel* channel = nullptr;
  ASSERT_TRUE(stream->PlayOnNewChannel(channel, 0, 32767, 440));
  // Block k is due once k block times have passed; the sound ends with the
  // block that holds its last frame, at the first 10 ms step after that.
  const int64_t blockFrames = device->GetBlockBytes() / 2;
  const double lastBlockDueMs = static_cast<double>((int64_t{22050} - 1) / blockFrames * blockFrames) * 1000.0 / 22050;
  const int64_t expectedEndMs = static_cast<int64_t>(std::ceil(lastBlockDueMs / 10)) * 10;
  int64_t elapsedMs = 0;
  for (device->ServiceNow(); channel->IsPlaying() && elapsedMs < 3000; device->ServiceNow()) {
    clock.AdvanceMilliseconds(10);
    elapsedMs += 10;
  }
  EXPECT_FALSE(channel->IsPlaying());
  EXPECT_EQ(elapsedMs, expectedEndMs);
  EXPECT_FALSE(device->IsOpen());  // still closed: audio is inactive
  channel->Release();
  stream->Release();
  delete mixer;
}

// While active and closed, the device tries to open again at the first
// service more than 2 s after its last try, and not before.
TEST_F(Devices, ReopenIsTriedAtMostEveryTwoSeconds) {
  std::vector<AudioOutputFormat> all;
  for (int rate : {22050, 16000, 11025, 8000})
    for (int bits : {8, 16}) all.push_back(Out(rate, bits, 1));
  platform::SetRefusedAudioFormats(all);
  platform::FakeClock clock(1000000000ull);
  platform::ScopedClockSource useFake(&clock);
  const std::unique_ptr<DrivenRingDevice> device = DrivenRingDevice::Make(VAudioFormat(22050, 16, false));
  SetAudioOutputActive(true);  // the first open fails
  EXPECT_FALSE(device->IsOpen());
  auto tries = [] {
    int n = 0;
    for (const AudioOutputFormat& f : platform::GetAudioOpenAttempts()) n += f.rate == 22050 && f.bits == 16;
    return n;
  };
  ASSERT_EQ(tries(), 1);
  std::vector<int64_t> triedAtMs;
  int64_t openedAtMs = -1;
  for (int64_t ms = 10; ms <= 9000 && openedAtMs < 0; ms += 10) {
    if (ms == 6500) platform::SetRefusedAudioFormats({});
    clock.AdvanceMilliseconds(10);
    const int before = tries();
    device->ServiceNow();
    if (tries() != before) triedAtMs.push_back(ms);
    if (device->IsOpen()) openedAtMs = ms;
  }
  EXPECT_EQ(triedAtMs, (std::vector<int64_t>{2010, 4020, 6030, 8040}));
  EXPECT_EQ(openedAtMs, 8040);  // the retry after formats are allowed again succeeds
  SetAudioOutputActive(false);
}

// Counts the frames the device asks for; gives nothing back.
struct CountingCallback : VAudioCallback {
  std::vector<int32_t> calls;
  uint8_t* FillBuffer(uint8_t*, const VAudioEncodingFormat&, int32_t frames, bool) override {
    calls.push_back(frames);
    return nullptr;
  }
  int64_t Frames() const {
    int64_t n = 0;
    for (int32_t f : calls) n += f;
    return n;
  }
};

// The silent clock on the fake clock: the frames pulled follow the time that
// passed exactly (blocks of 46.44 ms are not 46 ms), a stall is caught up by
// a few blocks only, and after a format fallback the blocks hold the granted
// format's frames.
TEST_F(Devices, SilentClockKeepsExactTime) {
  struct Case {
    const char* name;
    VAudioFormat format;
    std::vector<AudioOutputFormat> refused;  // non-empty: opened (and degraded) first, then closed
    int stepMs;
    int steps;
  } cases[] = {
      {"22050 Hz mono, 10 ms steps", VAudioFormat(22050, 16, false), {}, 10, 1000},
      {"44100 Hz stereo, 7 ms steps", VAudioFormat(44100, 16, true), {}, 7, 430},
      {"11025 Hz 8-bit, 1 ms steps", VAudioFormat(11025, 8, false), {}, 1, 3000},
      {"one 60 s stall", VAudioFormat(22050, 16, false), {}, 60000, 1},
      {"16-bit stereo granted as 8-bit mono", VAudioFormat(22050, 16, true), {Out(22050, 16, 2), Out(22050, 16, 1)}, 10, 200},
  };
  platform::FakeClock clock(1000000000ull);
  platform::ScopedClockSource useFake(&clock);
  SetAudioOutputActive(false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::SetRefusedAudioFormats(c.refused);
    // Service does nothing on the thread that built the device.
    std::unique_ptr<VRingAudioDevice> device;
    std::thread([&] { device = std::make_unique<VRingAudioDevice>(c.format, true); }).join();
    if (!c.refused.empty()) {
      ASSERT_TRUE(device->Open());
      device->Close();
    }
    const VAudioEncodingFormat granted = device->GetEncodingFormat();
    const int64_t blockFrames = AudioBlockBytes(granted) / granted.FrameBytes();
    EXPECT_EQ(device->GetBlockBytes(), AudioBlockBytes(granted));
    CountingCallback callback;
    device->RegisterCallback(&callback);
    device->Service();  // the clock starts: the first block at once
    size_t mostAtOnce = 0;
    for (int i = 0; i < c.steps; ++i) {
      clock.AdvanceMilliseconds(static_cast<uint64_t>(c.stepMs));
      const size_t before = callback.calls.size();
      device->Service();
      mostAtOnce = std::max(mostAtOnce, callback.calls.size() - before);
    }
    for (int32_t frames : callback.calls) ASSERT_EQ(frames, blockFrames);
    EXPECT_LE(mostAtOnce, static_cast<size_t>(kSilentClockCatchUpBlocks));
    const int64_t elapsedFrames = int64_t{c.stepMs} * c.steps * granted.rate / 1000;
    if (c.steps > 1) {
      // Block k is due once k block times have passed: every block due is pulled.
      EXPECT_GE(callback.Frames(), elapsedFrames);
      EXPECT_LE(callback.Frames(), elapsedFrames + blockFrames);
    } else {
      // The stall: the first block, then the few of the catch-up.
      EXPECT_EQ(callback.Frames(), (1 + kSilentClockCatchUpBlocks) * blockFrames);
    }
  }
}

// Mixes a count of frames (each sample the low bits of its frame number),
// so what the device asked for is known exactly.
struct CountingMixer : VAudioCallback {
  int64_t given = 0;
  uint8_t* FillBuffer(uint8_t* buffer, const VAudioEncodingFormat& format, int32_t frames, bool) override {
    if (!buffer || format.bits != 16) return nullptr;
    auto* out = reinterpret_cast<int16_t*>(buffer);
    for (int32_t i = 0; i < frames * format.Channels(); ++i)
      out[i] = static_cast<int16_t>(1 + (given + i / format.Channels()) % 30000);
    given += frames;
    return buffer;
  }
};

// The latency subtracted from the frames mixed must give a frame SDL has
// taken and not yet played out of its own buffer (512 frames, as asked):
// the sync clock of a movie counts what is heard this way. Left without the
// mixed block waiting for its turn and SDL's buffer, it names a frame more
// than a block ahead of anything SDL has even taken.
TEST_F(Devices, LatencyReachesBackToWhatSdlHasTaken) {
  constexpr int64_t kSdlBufferFrames = 512;
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind == 0 ? "ring" : "queue");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", Path("latency.raw").c_str(), 1);
    const VAudioFormat format(22050, 16, false);
    std::unique_ptr<VAudioDevice> device;
    // Service works on any thread but the one that built the device.
    std::thread([&] {
      if (kind == 0) {
        device = std::make_unique<VRingAudioDevice>(format, true);
      } else {
        device = std::make_unique<VQueueAudioDevice>(format);
      }
    }).join();
    auto taken = [&] {
      const int64_t bytes = kind == 0 ? static_cast<VRingAudioDevice*>(device.get())->CountPlayedBytes()
                                      : static_cast<VQueueAudioDevice*>(device.get())->CountPlayedBytes();
      return bytes / format.FrameBytes();
    };
    CountingMixer mixer;
    const int32_t id = device->RegisterCallback(&mixer);
    SetAudioOutputActive(true);
    ASSERT_TRUE(device->IsOpen());
    const int64_t blockFrames = device->GetBlockBytes() / format.FrameBytes();
    // The first block in the output is the silence of the open; the mixer's
    // frame n is the output's frame n + one block.
    std::vector<int64_t> offsets;  // heard frame by the latency minus the newest frame SDL took
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
    while (std::chrono::steady_clock::now() < end) {
      device->Service();
      const int64_t takenBefore = taken();
      const int64_t latencyFrames = int64_t{device->GetLatency()} * format.rate / 1000;
      const int64_t takenAfter = taken();
      const int64_t heard = mixer.given - latencyFrames;
      if (takenBefore > blockFrames) {
        offsets.push_back(heard - (takenAfter - blockFrames));
        EXPECT_GE(heard, takenBefore - blockFrames - kSdlBufferFrames - 2 * blockFrames)
            << "the latency counts far more than the output holds";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    SetAudioOutputActive(false);
    device->UnregisterCallback(id);
    ASSERT_GT(offsets.size(), 20u);
    // The thread may be late now and then (the ring then replays old sound):
    // the middle of the readings tells.
    std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
    const int64_t median = offsets[offsets.size() / 2];
    EXPECT_LE(median, blockFrames / 8) << "heard before SDL took it";
    EXPECT_GE(median, -kSdlBufferFrames - blockFrames / 8) << "heard long after SDL played it";
  }
}

}  // namespace
