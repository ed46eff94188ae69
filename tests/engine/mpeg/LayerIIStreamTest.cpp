// The decoder as the movie path uses it: frames decoded into the ring while
// a mixer channel plays the ring through VMPAStream, the clock of sound
// handed out, the ring filling up, and the rate factor.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/mpeg/LayerIITestSupport.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/mpeg/VMPAStream.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/sound/AudioChannel.h"

namespace {

TEST(LayerIIStream, ChannelPlaysTheDecodedRing) {
  const std::string ffmpeg = mpegtest::Ffmpeg();
  if (ffmpeg.empty()) return;
  testsupport::TempDir dir("mp2stream");
  const std::string path = dir.Path("s.mp2");
  ASSERT_TRUE(mpegtest::RunFfmpeg(mp2test::SignalSource(44100, 2, 0.5) + " -c:a mp2 -b:a 128k -f mp2 " + path));
  const std::string bytes = testsupport::ReadBytes(path);
  const mp2test::Decoded whole = mp2test::DecodeBytes(bytes);
  ASSERT_TRUE(whole.ok);

  const std::vector<uint8_t> data(bytes.begin(), bytes.end());
  VMemoryBitstream bits(data.data(), data.size());
  // A quarter of a second of ring: it fills before the clip is decoded.
  VMPADecoder decoder(&bits, 0.25f, 1.0f);
  auto* stream = new VMPAStream(&decoder);
  EXPECT_EQ(stream->GetFormat().formatTag, kAudioTagMPEGAudio);
  EXPECT_EQ(stream->CreateDecoder(), &decoder);
  auto* channel = new VAudioChannel(true);
  ASSERT_TRUE(channel->QueueStream(stream, 0, 32767, 440));

  const VAudioEncodingFormat out(44100, 16, true, kAudioEncodingSigned);
  std::vector<int16_t> played;
  int frames = 0;
  for (int pass = 0; pass < 200 && played.size() < whole.samples.size(); ++pass) {
    // The decoding side: frames while there is room.
    while (!decoder.IsFull() && decoder.DecodeFrame() == 0) ++frames;
    if (pass == 0) {
      EXPECT_TRUE(decoder.IsFull());
      EXPECT_EQ(decoder.GetRingSize() % (1152 * 2), 0);
      EXPECT_EQ(decoder.GetFormat().rate, 44100);
      EXPECT_EQ(decoder.GetChannels(), 2);
    }
    // The mixer side: one block of 1000 frames.
    int32_t block = 1000;
    const auto* samples = reinterpret_cast<const int16_t*>(channel->RenderBlock(nullptr, out, block, false));
    if (!samples) continue;
    played.insert(played.end(), samples, samples + block * 2);
  }
  EXPECT_EQ(played, whole.samples);
  EXPECT_EQ(frames, whole.report.frames);
  EXPECT_DOUBLE_EQ(decoder.GetClock(), static_cast<double>(played.size() / 2) / 44100.0);
  EXPECT_EQ(decoder.GetSamplesRead(), static_cast<int64_t>(played.size()));
  EXPECT_EQ(decoder.GetSamplesWritten(), static_cast<int64_t>(played.size()));
  // With nothing decoded, the channel waits instead of ending the stream.
  int32_t block = 100;
  EXPECT_EQ(channel->RenderBlock(nullptr, out, block, false), nullptr);
  EXPECT_TRUE(channel->IsPlaying());

  // The rate factor is taken over by the reading side, with the next block.
  decoder.SetRate(0.5);
  block = 100;
  channel->RenderBlock(nullptr, out, block, false);
  EXPECT_EQ(decoder.GetFormat().rate, 22050);
  channel->Stop();
  channel->Release();
  stream->Release();
}

// The registry's prototype (format code 7) has no bit stream: it hands out
// nothing and never fails or ends.
TEST(LayerIIStream, PrototypeWithoutBitStream) {
  VMPADecoder prototype(1.0f, 1.0f);
  std::unique_ptr<VAudioDecoder> clone(prototype.Clone());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->FormatCode(), kAudioTagMPEGAudio);
  EXPECT_EQ(clone->GetFormat().rate, 44100);
  EXPECT_FALSE(clone->GetFormat().stereo);
  int32_t frames = 100;
  bool failed = true;
  EXPECT_EQ(clone->Decode(nullptr, frames, clone->GetFormat(), failed), nullptr);
  EXPECT_EQ(frames, 0);
  EXPECT_FALSE(failed);
  EXPECT_FALSE(clone->IsAtEnd());
  EXPECT_EQ(prototype.DecodeFrame(), kMPANeedMoreData);
  EXPECT_FALSE(prototype.IsFull());
}

}  // namespace
