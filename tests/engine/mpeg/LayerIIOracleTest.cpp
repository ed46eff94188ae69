// Layer II streams from two encoders decode to the same number of samples as
// ffmpeg's floating-point decoder and close to its output: every bit rate at
// 32, 44.1 and 48 kHz in mono and stereo (ffmpeg's encoder), and
// joint stereo, dual channel and CRC-protected streams (twolame).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/mpeg/LayerIITestSupport.h"

namespace {

// The decoder works in 16-bit fixed point (subband samples, synthesis
// vector and window with 13 fraction bits, DCT cosines with 12): against a
// floating-point decoder the difference stays this far below the signal
// (62.2 to 66.6 dB measured over these streams) ...
constexpr double kMinSnrDb = 60.0;
// ... and no sample is further off than this (16-bit steps; 13 to 31 measured).
constexpr int kMaxSampleError = 40;

struct RateCase {
  int rate;
  int channels;
};

std::string PrintRate(const testing::TestParamInfo<RateCase>& info) {
  return std::to_string(info.param.rate) + (info.param.channels == 1 ? "Mono" : "Stereo");
}

class LayerIIEveryBitRate : public testing::TestWithParam<RateCase> {};

// Every bit rate in mono and in stereo.
TEST_P(LayerIIEveryBitRate, MatchesReferenceDecoder) {
  const RateCase c = GetParam();
  const std::string ffmpeg = mpegtest::Ffmpeg();
  if (ffmpeg.empty()) return;
  testsupport::TempDir dir("mp2rates");
  // All of them in both modes: encoders also write the pairs the format does
  // not list (32 to 80 kbit/s stereo; 224 kbit/s and more mono, ffmpeg's
  // default for mono being 384).
  const std::vector<int> rates = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
  std::string encode = mp2test::SignalSource(c.rate, c.channels, 0.3) + " ";
  std::vector<std::string> streams, references;
  for (int kbps : rates) {
    const std::string name = dir.Path(std::to_string(kbps));
    streams.push_back(name + ".mp2");
    references.push_back(name + ".raw");
    encode += "-c:a mp2 -b:a " + std::to_string(kbps) + "k -f mp2 " + streams.back() + " ";
  }
  ASSERT_TRUE(mpegtest::RunFfmpeg(encode));
  ASSERT_TRUE(mp2test::ReferenceDecode(streams, references));
  for (size_t i = 0; i < rates.size(); ++i) {
    SCOPED_TRACE(std::to_string(rates[i]) + " kbit/s");
    const mp2test::Decoded ours = mp2test::DecodeFile(streams[i]);
    ASSERT_TRUE(ours.ok) << ours.error;
    EXPECT_EQ(ours.sound.format.rate, c.rate);
    EXPECT_EQ(ours.sound.format.Channels(), c.channels);
    EXPECT_EQ(ours.report.skippedFrames, 0);
    EXPECT_EQ(ours.report.refusedHeaders, 0);
    const std::vector<int16_t> reference = mp2test::ReadS16(references[i]);
    ASSERT_EQ(ours.samples.size(), reference.size());
    EXPECT_GT(mp2test::SnrDb(reference, ours.samples), kMinSnrDb);
    EXPECT_LE(mp2test::MaxError(reference, ours.samples), kMaxSampleError);
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, LayerIIEveryBitRate,
                         testing::Values(RateCase{32000, 1}, RateCase{44100, 1}, RateCase{48000, 1},
                                         RateCase{32000, 2}, RateCase{44100, 2}, RateCase{48000, 2}),
                         PrintRate);

struct TwolameCase {
  const char* name;
  const char* options;
  int rate;
  int mode;            // the mode field of the frames (joint stereo: some frames, the others stereo)
  bool crc;            // expected protection (CRC present)
  bool someBoundBelowLimit;  // joint stereo that really shares subbands
};

class LayerIITwolame : public testing::TestWithParam<TwolameCase> {};

TEST_P(LayerIITwolame, MatchesReferenceDecoder) {
  const TwolameCase c = GetParam();
  const std::string ffmpeg = mpegtest::Ffmpeg();
  if (ffmpeg.empty()) return;
  REQUIRE_TOOL(twolame, "twolame");
  testsupport::TempDir dir("mp2twolame");
  const std::string wav = dir.Path("source.wav");
  const std::string stream = dir.Path("stream.mp2");
  const std::string reference = dir.Path("reference.raw");
  ASSERT_TRUE(mpegtest::RunFfmpeg(mp2test::SignalSource(c.rate, 2, 0.4) + " " + wav));
  const std::string command = twolame + " --quiet " + c.options + " " + wav + " " + stream + " 2>&1; echo rc=$?";
  const std::string output = testsupport::Capture(command);
  ASSERT_NE(output.find("rc=0"), std::string::npos) << command << "\n" << output;
  ASSERT_TRUE(mp2test::ReferenceDecode({stream}, {reference}));

  // The stream really is of the kind the case is about.
  const std::string bytes = testsupport::ReadBytes(stream);
  const std::vector<size_t> offsets = mp2test::FrameOffsets(bytes);
  ASSERT_GT(offsets.size(), 10u);
  std::set<int> extensions;
  for (size_t at : offsets) {
    VMPAHeader h;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    ASSERT_EQ(h.Parse((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]), 0);
    if (c.mode == 1) {
      EXPECT_LE(h.mode, 1);
    } else {
      EXPECT_EQ(h.mode, c.mode);
    }
    EXPECT_EQ(h.protection == 0, c.crc);
    if (h.mode == 1) extensions.insert(h.modeExtension);
  }
  if (c.someBoundBelowLimit) {
    EXPECT_FALSE(extensions.empty());
  }

  const mp2test::Decoded ours = mp2test::DecodeBytes(bytes);
  ASSERT_TRUE(ours.ok) << ours.error;
  EXPECT_EQ(ours.report.skippedFrames, 0);
  const std::vector<int16_t> ref = mp2test::ReadS16(reference);
  ASSERT_EQ(ours.samples.size(), ref.size());
  EXPECT_GT(mp2test::SnrDb(ref, ours.samples), kMinSnrDb);
  EXPECT_LE(mp2test::MaxError(ref, ours.samples), kMaxSampleError);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LayerIITwolame,
    testing::Values(TwolameCase{"JointStereo128", "-b 128 -m j", 44100, 1, false, true},
                    TwolameCase{"JointStereo64", "-b 64 -m j", 48000, 1, false, true},
                    TwolameCase{"JointStereo96At32k", "-b 96 -m j", 32000, 1, false, true},
                    TwolameCase{"DualChannel", "-b 192 -m d", 44100, 2, false, false},
                    TwolameCase{"StereoWithCrc", "-b 224 -m s --protect", 48000, 0, true, false},
                    TwolameCase{"JointStereoWithCrc", "-b 112 -m j --protect", 32000, 1, true, true}),
    [](const testing::TestParamInfo<TwolameCase>& info) { return std::string(info.param.name); });

}  // namespace
