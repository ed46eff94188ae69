// Broken and unsupported Layer II input ends cleanly: truncated frames,
// bytes between frames (with and without chance sync words), free-format and
// half-rate streams, frames of other layers or forbidden modes, and loud
// content. No hang, no read outside a buffer (the sanitizers watch).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/mpeg/LayerIITestSupport.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/mpeg/VMemoryBitstream.h"

namespace {

class LayerIIBadInput : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (mpegtest::Ffmpeg().empty()) return;
    dir_ = new testsupport::TempDir("mp2bad");
    const std::string path = dir_->Path("clean.mp2");
    if (mpegtest::RunFfmpeg(mp2test::SignalSource(48000, 2, 0.3) + " -c:a mp2 -b:a 192k -f mp2 " + path)) {
      clean_ = new std::string(testsupport::ReadBytes(path));
    }
  }
  static void TearDownTestSuite() {
    delete clean_;
    clean_ = nullptr;
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (mpegtest::Ffmpeg().empty()) GTEST_SKIP();
    ASSERT_NE(clean_, nullptr);
    offsets_ = mp2test::FrameOffsets(*clean_);
    ASSERT_GT(offsets_.size(), 10u);
    reference_ = mp2test::DecodeBytes(*clean_);
    ASSERT_TRUE(reference_.ok);
  }

  static testsupport::TempDir* dir_;
  static std::string* clean_;
  std::vector<size_t> offsets_;
  mp2test::Decoded reference_;
};

testsupport::TempDir* LayerIIBadInput::dir_ = nullptr;
std::string* LayerIIBadInput::clean_ = nullptr;

TEST_F(LayerIIBadInput, TruncatedStreamKeepsTheWholeFrames) {
  for (size_t cut : {offsets_[5] + 1, offsets_[5] + 100, offsets_[5] + 575, offsets_[1] - 1}) {
    SCOPED_TRACE(cut);
    const mp2test::Decoded d = mp2test::DecodeBytes(clean_->substr(0, cut));
    size_t whole = 0;
    while (whole < offsets_.size() && offsets_[whole] + 576 <= cut) ++whole;
    ASSERT_EQ(d.ok, whole > 0);
    // A header's worth of the cut frame is reported as a truncated frame.
    EXPECT_EQ(d.report.truncated, cut - offsets_[whole] >= 4);
    EXPECT_EQ(d.report.frames, static_cast<int64_t>(whole));
    ASSERT_EQ(d.samples.size(), whole * 1152 * 2);
    EXPECT_TRUE(std::equal(d.samples.begin(), d.samples.end(), reference_.samples.begin()));
  }
  // A lone header, and nothing at all.
  EXPECT_FALSE(mp2test::DecodeBytes(clean_->substr(0, 4)).ok);
  EXPECT_FALSE(mp2test::DecodeBytes(std::string()).ok);
}

TEST_F(LayerIIBadInput, BytesBetweenFramesArePassedOver) {
  // Bytes that cannot hold a sync word, before the stream and after every
  // third frame: the output is that of the clean stream.
  std::mt19937 random(5);
  std::string padded(37, '\x11');
  for (size_t i = 0; i < offsets_.size(); ++i) {
    const size_t end = i + 1 < offsets_.size() ? offsets_[i + 1] : clean_->size();
    padded += clean_->substr(offsets_[i], end - offsets_[i]);
    if (i % 3 != 2) continue;
    const size_t junk = 1 + random() % 300;
    for (size_t k = 0; k < junk; ++k) padded += static_cast<char>(random() % 0x7F);
  }
  const mp2test::Decoded d = mp2test::DecodeBytes(padded);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.report.frames, static_cast<int64_t>(offsets_.size()));
  EXPECT_EQ(d.samples, reference_.samples);

  // Random bytes full of sync words: chance headers are passed over and
  // every real frame is still found.
  for (int seed = 0; seed < 8; ++seed) {
    std::mt19937 noise(static_cast<unsigned>(seed));
    std::string messy;
    for (size_t i = 0; i < offsets_.size(); ++i) {
      const size_t end = i + 1 < offsets_.size() ? offsets_[i + 1] : clean_->size();
      messy += clean_->substr(offsets_[i], end - offsets_[i]);
      if (i % 3 != 2) continue;
      for (size_t k = 1 + noise() % 200; k > 0; --k) {
        messy += static_cast<char>(noise() % 3 == 0 ? 0xFF : noise());
      }
    }
    const mp2test::Decoded m = mp2test::DecodeBytes(messy);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.report.frames, static_cast<int64_t>(offsets_.size())) << seed;
    EXPECT_GT(m.report.refusedHeaders, 0) << seed;
    EXPECT_EQ(m.samples, reference_.samples) << seed;
  }
}

TEST_F(LayerIIBadInput, FreeFormatIsRefused) {
  std::string free = *clean_;
  for (size_t at : offsets_) free[at + 2] = static_cast<char>(free[at + 2] & 0x0F);  // bit-rate index 0
  const mp2test::Decoded d = mp2test::DecodeBytes(free);
  EXPECT_FALSE(d.ok);
  EXPECT_NE(d.error.find("free-format"), std::string::npos) << d.error;
  EXPECT_TRUE(d.samples.empty());
}

TEST_F(LayerIIBadInput, HalfRateStreamIsRefusedForWhatItIs) {
  // ffmpeg writes the half rates as MPEG-2 audio (ID bit 0). Chance sync
  // words in the frames' data must not replace the stream's own reason.
  struct Case {
    int rate;
    int channels;
    const char* bitRate;  // empty: ffmpeg's default
  };
  const Case cases[] = {{16000, 1, ""}, {22050, 1, ""}, {24000, 1, ""}, {24000, 1, "64k"}, {22050, 2, "96k"}};
  testsupport::TempDir dir("mp2lsf");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channels " + c.bitRate);
    const std::string path = dir.Path("lsf.mp2");
    const std::string rate = *c.bitRate ? std::string(" -b:a ") + c.bitRate : std::string();
    ASSERT_TRUE(mpegtest::RunFfmpeg(mp2test::SignalSource(c.rate, c.channels, 1.0) + " -c:a mp2" + rate +
                                    " -f mp2 " + path));
    const std::string bytes = testsupport::ReadBytes(path);
    ASSERT_GT(bytes.size(), 4u);
    ASSERT_EQ(static_cast<uint8_t>(bytes[1]) & 0x08, 0);  // ID bit 0
    const mp2test::Decoded d = mp2test::DecodeBytes(bytes);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.error, "MPEG-2 half-rate audio (Layer 2, " + std::to_string(c.rate) + " Hz) is not supported");
    EXPECT_TRUE(d.samples.empty());
  }
}

// Runs DecodeFrame over the bytes until it needs more data; the results.
std::vector<int32_t> FrameResults(const std::string& bytes) {
  std::vector<uint8_t> data(bytes.begin(), bytes.end());
  VMemoryBitstream bits(data.data(), data.size());
  VMPADecoder decoder(&bits, 1.0f, 1.0f);
  std::vector<int32_t> results;
  for (int i = 0; i < 1000; ++i) {
    const int32_t r = decoder.DecodeFrame();
    if (r == kMPANeedMoreData) break;
    results.push_back(r);
    int32_t frames = 1 << 20;
    bool failed = false;
    decoder.Decode(nullptr, frames, decoder.GetFormat(), failed);
  }
  return results;
}

TEST_F(LayerIIBadInput, OtherLayersAndForbiddenModesAreSkipped) {
  // Layer I frames (32 kbit/s at 44.1 kHz: 32 bytes) give no samples; the
  // Layer II stream after them decodes.
  std::string layerI;
  for (int i = 0; i < 5; ++i) layerI += std::string("\xFF\xFF\x10\xC0", 4) + std::string(28, '\0');
  std::vector<int32_t> results = FrameResults(layerI + *clean_);
  ASSERT_EQ(results.size(), 5 + offsets_.size());
  EXPECT_EQ(std::count(results.begin(), results.begin() + 5, kMPAFrameNotLayerII), 5);
  EXPECT_EQ(std::count(results.begin() + 5, results.end(), 0), static_cast<long>(offsets_.size()));

  // Frames whose headers were damaged to say 56 kbit/s (a rate encoders
  // write for stereo too): the first, in step with the frame before it, is
  // read at its word and refused, as its contents need more bits than that
  // rate's length; the next two, met while searching on, are not confirmed
  // by a header where their (wrong) length ends; and the frames after them
  // are found again.
  std::string damaged = *clean_;
  for (size_t i = 3; i < 6; ++i) {
    damaged[offsets_[i] + 2] = static_cast<char>((damaged[offsets_[i] + 2] & 0x0F) | 0x30);
  }
  results = FrameResults(damaged);
  EXPECT_EQ(results.size(), offsets_.size() - 2);
  EXPECT_EQ(std::count(results.begin(), results.end(), kMPAFrameOverrun), 1);
  EXPECT_EQ(std::count(results.begin(), results.end(), 0), static_cast<long>(offsets_.size()) - 3);

  // A Layer II frame whose header claims Layer I amid the stream: the claim
  // is not confirmed by a header where its length ends, so it is passed
  // over as a chance sync word and the rest decodes.
  std::string relabelled = *clean_;
  relabelled[offsets_[2] + 1] = static_cast<char>(relabelled[offsets_[2] + 1] | 0x06);
  results = FrameResults(relabelled);
  EXPECT_EQ(std::count(results.begin(), results.end(), 0), static_cast<long>(offsets_.size()) - 1);
}

TEST_F(LayerIIBadInput, LoudContentClipsLikeTheReference) {
  testsupport::TempDir dir("mp2loud");
  const std::string stream = dir.Path("loud.mp2");
  const std::string reference = dir.Path("loud.raw");
  // A square wave at full scale with a tone on top: the decoded signal
  // overshoots the 16-bit range around every edge.
  ASSERT_TRUE(mpegtest::RunFfmpeg(
      "-f lavfi -i \"aevalsrc=exprs='0.98*sgn(sin(2*PI*220*t))|0.7*sgn(sin(2*PI*330*t))+0.3*sin(2*PI*5000*t)':s=44100:d=0.3\" "
      "-c:a mp2 -b:a 256k -f mp2 " + stream));
  ASSERT_TRUE(mp2test::ReferenceDecode({stream}, {reference}));
  const mp2test::Decoded d = mp2test::DecodeFile(stream);
  ASSERT_TRUE(d.ok);
  const std::vector<int16_t> ref = mp2test::ReadS16(reference);
  ASSERT_EQ(d.samples.size(), ref.size());
  int rails = 0;
  for (int16_t v : ref) rails += v == 32767 || v == -32768;
  EXPECT_GT(rails, 100);  // the reference does clip
  EXPECT_GT(mp2test::SnrDb(ref, d.samples), 60.0);
  EXPECT_LE(mp2test::MaxError(ref, d.samples), 40);
}

}  // namespace
