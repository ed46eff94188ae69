// The movie's sound decoded on one thread while a mixer thread takes it out
// of the ring: a stream whose channel count and rate change between its
// parts is handed over without a sample lost, duplicated or read in the
// wrong layout (and a ThreadSanitizer build reports nothing).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "engine/mpeg/LayerIITestSupport.h"
#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/mpeg/VMemoryBitstream.h"

namespace {

struct Part {
  int rate;
  int channels;
};

// A run of samples handed out in one layout.
struct LayoutRun {
  int rate;
  int channels;
  size_t samples;
  bool operator==(const LayoutRun&) const = default;
};

void PrintTo(const LayoutRun& run, std::ostream* out) {
  *out << run.samples << " samples at " << run.rate << " Hz, " << run.channels << " channels";
}

void Extend(std::vector<LayoutRun>& runs, int rate, int channels, size_t samples) {
  if (!runs.empty() && runs.back().rate == rate && runs.back().channels == channels) {
    runs.back().samples += samples;
  } else {
    runs.push_back({rate, channels, samples});
  }
}

TEST(LayerIIThreading, LayoutChangesWhileTheMixerReads) {
  if (mpegtest::Ffmpeg().empty()) return;
  testsupport::TempDir dir("mp2threads");
  const Part parts[] = {{44100, 2}, {32000, 1}, {48000, 2}, {48000, 1}, {44100, 1}, {32000, 2}};
  std::string bytes;
  std::vector<LayoutRun> expected;
  std::vector<int16_t> expectedSamples;
  for (const Part& p : parts) {
    const std::string path = dir.Path(std::to_string(p.rate) + "-" + std::to_string(p.channels) + ".mp2");
    ASSERT_TRUE(mpegtest::RunFfmpeg(mp2test::SignalSource(p.rate, p.channels, 0.4) + " -c:a mp2 -b:a 128k -f mp2 " +
                                    path));
    const std::string part = testsupport::ReadBytes(path);
    const mp2test::Decoded alone = mp2test::DecodeBytes(part);
    ASSERT_TRUE(alone.ok) << alone.error;
    bytes += part;
    Extend(expected, p.rate, p.channels, alone.samples.size());
    expectedSamples.insert(expectedSamples.end(), alone.samples.begin(), alone.samples.end());
  }

  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    const std::vector<uint8_t> data(bytes.begin(), bytes.end());
    VMemoryBitstream bits(data.data(), data.size());
    // A small ring, so that the writer waits for the reader often.
    VMPADecoder decoder(&bits, 0.1f, 1.0f);
    std::atomic<bool> done{false};
    std::vector<LayoutRun> runs;
    std::vector<int16_t> heard;
    // The mixer's side, as a channel uses the decoder: the format is read
    // before and after taking samples.
    std::thread mixer([&] {
      for (;;) {
        const bool last = done.load();
        const int32_t before = decoder.GetFormat().rate;
        int32_t frames = 700 + round * 300;
        bool failed = false;
        const auto* samples = reinterpret_cast<const int16_t*>(
            decoder.Decode(nullptr, frames, decoder.GetFormat(), failed));
        const VAudioEncodingFormat& format = decoder.GetFormat();
        if (samples && frames > 0) {
          EXPECT_EQ(before, format.rate);
          const size_t count = static_cast<size_t>(frames) * format.Channels();
          heard.insert(heard.end(), samples, samples + count);
          Extend(runs, format.rate, format.Channels(), count);
        } else if (last && decoder.GetAvailable() == 0) {
          break;
        } else {
          std::this_thread::yield();
        }
      }
    });
    // The movie's side.
    try {
      for (;;) {
        bits.Fill(0);
        if (decoder.DecodeFrame() != kMPANeedMoreData) continue;
        if (bits.IsSourceEnded() && !decoder.HasWholeFrame()) break;
        std::this_thread::yield();
      }
    } catch (const VBitstreamEmptyException&) {
      // The data ended inside a frame: everything whole has been decoded.
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
    done = true;
    mixer.join();
    EXPECT_EQ(runs, expected);
    EXPECT_TRUE(heard == expectedSamples);
    EXPECT_EQ(decoder.GetSamplesRead(), decoder.GetSamplesWritten());
  }
}

}  // namespace
