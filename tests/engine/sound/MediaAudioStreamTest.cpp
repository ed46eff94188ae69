// A streamed sound whose file is slow: the ring is refilled without the
// stream lock, so the mixer thread renders from what the ring holds while a
// refill waits for the file, and a looping sound goes on across its loop
// point from the start it keeps in memory, without reading on the mixer
// thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/MediaAudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "engine/sound/SoundReaderRegistry.h"
#include "support/TempDir.h"

namespace {

uint8_t PatternByte(int64_t offset) { return static_cast<uint8_t>(offset * 7 + (offset >> 8) + 1); }

// Where the reads of the gated reader wait, like a disc that spins up.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = true;
  int waiting = 0;
  int32_t dataBytes = 1 << 20;
};
Gate& TheGate() {
  static Gate gate;
  return gate;
}

// 16-bit mono samples of a known pattern, read only while the gate is open.
class GatedReader : public VSoundReader {
 public:
  GatedReader() = default;
  explicit GatedReader(const VFile& file) : VSoundReader(file) {}
  int32_t ReadHeader() override {
    format_ = VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned);
    dataStart_ = 0;
    dataEnd_ = TheGate().dataBytes;
    return 0;
  }
  uint8_t* Read(uint8_t* buffer, int32_t& count, bool& ended) override {
    Gate& gate = TheGate();
    {
      std::unique_lock<std::mutex> hold(gate.mutex);
      ++gate.waiting;
      gate.changed.notify_all();
      // Bounded, so a failing test ends instead of hanging.
      gate.changed.wait_for(hold, std::chrono::seconds(20), [&] { return gate.open; });
      --gate.waiting;
    }
    count = std::max(0, std::min(count, dataEnd_ - position_));
    if (!buffer) {
      if (!buffer_.Ensure(std::max(count, 1))) return nullptr;
      buffer = buffer_.GetData();
    }
    for (int32_t i = 0; i < count; ++i) buffer[i] = PatternByte(position_ + i);
    position_ += count;
    ended = position_ >= dataEnd_;
    return count > 0 ? buffer : nullptr;
  }
  VSoundReader* CreateReader(const VFile& file) override { return new GatedReader(file); }
  uint32_t GetTypeCode() const override { return MakeTypeCode("GATE"); }
};

void SetGate(bool open) {
  Gate& gate = TheGate();
  std::lock_guard<std::mutex> hold(gate.mutex);
  gate.open = open;
  gate.changed.notify_all();
}

void AwaitReadWaiting() {
  Gate& gate = TheGate();
  std::unique_lock<std::mutex> hold(gate.mutex);
  ASSERT_TRUE(gate.changed.wait_for(hold, std::chrono::seconds(20), [&] { return gate.waiting > 0; }));
}

class SlowStream : public testsupport::TempDirTest {
 protected:
  SlowStream() : TempDirTest("sound_slow_"), device_(VAudioFormat(22050, 16, false)) {
    EnsureStandardSoundCodecs();
    if (!HasSoundReader(MakeTypeCode("GATE"))) RegisterSoundReader(new GatedReader);
    device_.Open();
    mixer_ = new VAudioMixer(&device_, 16);
    testsupport::WriteBytes(Path("slow.gate"), "");
  }
  ~SlowStream() override {
    SetGate(true);
    delete mixer_;
  }

  MediaAudioStream* MakeStream(int32_t dataBytes) {
    TheGate().dataBytes = dataBytes;
    return new MediaAudioStream(VFileSpec(Path("slow.gate").c_str()), MakeTypeCode("GATE"));
  }

  // Pulls frames as the mixer thread does; false when that did not finish
  // while a refill waited for the file.
  bool PullOnMixerThread(int32_t frames) {
    auto pulled = std::async(std::launch::async, [&] { device_.PullFrames(frames); });
    const bool done = pulled.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    SetGate(true);  // lets a blocked pull finish before the test goes on
    pulled.wait();
    return done;
  }

  // The captured bytes against the file's, from a data offset.
  static int CountDifferences(const std::vector<uint8_t>& bytes, size_t from, size_t count, int64_t dataOffset) {
    int differences = 0;
    for (size_t i = 0; i < count; ++i) differences += bytes[from + i] != PatternByte(dataOffset + static_cast<int64_t>(i));
    return differences;
  }

  VCaptureAudioDevice device_;
  VAudioMixer* mixer_ = nullptr;
};

// A sound loaded whole never changes: after the first read the mixer reads it
// without the stream's lock, with the same results, and the read position
// still moves so that the user-interface thread sees the sound finish.
TEST_F(SlowStream, LoadedSoundReadsTheSameWithoutTheLockAndFinishes) {
  constexpr int32_t kBytes = 6000;
  MediaAudioStream* stream = MakeStream(kBytes);
  ASSERT_TRUE(stream->IsLoadedWhole());
  struct Read {
    int32_t position;
    int32_t asked;
    int32_t bytes;  // delivered
    int32_t positionAfter;
  };
  const Read reads[] = {{0, 100, 100, 100},       {kBytes - 10, 100, 10, kBytes}, {kBytes, 100, 0, kBytes},
                        {-2, 100, 0, -2},         {40, 0, 0, 40},                 {kBytes + 5, 1, 0, kBytes + 5}};
  for (int round = 0; round < 2; ++round) {  // through the lock first, then without it
    for (const Read& r : reads) {
      SCOPED_TRACE(::testing::Message() << "round " << round << ", position " << r.position);
      int32_t bytes = r.asked;
      bool failed = true, lasting = false;
      const uint8_t* data = stream->ReadSamplesAt(r.position, nullptr, bytes, failed, lasting);
      EXPECT_FALSE(failed);
      EXPECT_TRUE(lasting);
      EXPECT_EQ(bytes, r.bytes);
      EXPECT_EQ(stream->GetReadPosition(), r.positionAfter);
      if (r.bytes > 0) {
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(CountDifferences(std::vector<uint8_t>(data, data + bytes), 0, static_cast<size_t>(bytes), r.position),
                  0);
      } else {
        EXPECT_EQ(data, nullptr);
      }
    }
  }
  stream->Reset(0);
  ASSERT_TRUE(stream->Play(0, 32767, 440));
  std::atomic<bool> stop{false};
  std::thread mixing([&] {
    while (!stop.load()) device_.PullFrames(256);
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!stream->IsFinished() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  stop = true;
  mixing.join();
  EXPECT_TRUE(stream->IsFinished());
  const std::vector<uint8_t>& captured = device_.Captured();
  ASSERT_GE(captured.size(), static_cast<size_t>(kBytes));
  EXPECT_EQ(CountDifferences(captured, 0, kBytes, 0), 0);
  stream->Release();
}

TEST_F(SlowStream, MixerRendersWhileARefillWaitsForTheFile) {
  MediaAudioStream* stream = MakeStream(1 << 20);
  ASSERT_TRUE(stream->HasReader());
  stream->StartStreaming(16384);
  ASSERT_TRUE(stream->Play(0, 32767, 440));
  device_.PullFrames(2048);  // 4096 bytes out of the ring: room for a refill
  SetGate(false);
  std::thread refill([&] { stream->Refill(); });
  AwaitReadWaiting();
  EXPECT_TRUE(PullOnMixerThread(1024)) << "the mixer waited for the file";
  refill.join();
  stream->Refill();
  device_.PullFrames(8192);  // past the end of the first ring's worth
  const std::vector<uint8_t>& bytes = device_.Captured();
  ASSERT_EQ(bytes.size(), (2048u + 1024u + 8192u) * 2);
  EXPECT_EQ(CountDifferences(bytes, 0, bytes.size(), 0), 0);
  stream->Release();
}

TEST_F(SlowStream, LoopPlaysOnAcrossTheLoopPointWithoutTheFile) {
  struct Case {
    const char* name;
    int32_t dataBytes;  // above the load-whole limit
    int32_t ringBytes;
    int32_t pastLoopBytes;  // rendered past the loop point while the file blocks
  };
  const Case cases[] = {
      {"shorter than the ring, through two loop points", 70000, 1 << 17, 72000},
      {"longer than the ring", 100000, 32768, 28768},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device_.ClearCaptured();
    MediaAudioStream* stream = MakeStream(c.dataBytes);
    ASSERT_FALSE(stream->IsLoadedWhole());
    stream->StartStreaming(c.ringBytes);
    stream->SetLoopCount(-1);
    VAudioChannel* channel = nullptr;
    ASSERT_TRUE(stream->PlayOnNewChannel(channel, 0, 32767, 440));
    // The first pass, refilled on this (the user-interface) thread, until
    // the ring holds the end of the sound.
    for (int pass = 0; !stream->IsFinished(); ++pass) {
      ASSERT_LT(pass, 100) << "the refills never reach the end of the sound";
      device_.PullFrames(c.ringBytes / 8);
      stream->Refill();
    }
    const auto tailBytes = static_cast<int32_t>(c.dataBytes - device_.Captured().size());
    ASSERT_GT(tailBytes, 0);
    SetGate(false);
    EXPECT_TRUE(PullOnMixerThread((tailBytes + c.pastLoopBytes) / 2)) << "the loop read the file on the mixer thread";
    // The refill goes on from after the kept start, across the seam.
    stream->Refill();
    device_.PullFrames(c.ringBytes / 2);
    const std::vector<uint8_t>& bytes = device_.Captured();
    ASSERT_EQ(bytes.size(), static_cast<size_t>(c.dataBytes + c.pastLoopBytes + c.ringBytes));
    size_t firstDifference = bytes.size();
    for (size_t i = 0; i < bytes.size() && firstDifference == bytes.size(); ++i) {
      if (bytes[i] != PatternByte(static_cast<int64_t>(i % static_cast<size_t>(c.dataBytes)))) firstDifference = i;
    }
    EXPECT_EQ(firstDifference, bytes.size()) << "the sound's samples do not go on across the loop point";
    channel->Stop();
    channel->Release();
    device_.PullFrames(256);  // the stopped sound's fade-out
    stream->Release();
  }
}

}  // namespace
