// The coefficient reader takes bytes straight from the bit reader's ring when
// enough are stored there, and word by word near the end of the ring or of
// the data. Whatever the ring size and however the data arrives, a stream
// decodes to the same pictures; cut short, it ends cleanly with the same ones.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <tuple>

#include "engine/mpeg/MpegTestSupport.h"
#include "engine/mpeg/VMemoryBitstream.h"

namespace {

using namespace mpegtest;

std::vector<std::vector<uint8_t>> DecodeBytes(const std::vector<uint8_t>& data, uint32_t ring, size_t chunk) {
  VMemoryBitstream bitstream(data.data(), data.size(), ring, chunk);
  VideoStreamDecoder decoder(bitstream);
  std::vector<std::vector<uint8_t>> frames;
  if (!decoder.Start()) return frames;
  while (auto picture = decoder.Next()) frames.push_back(CopyFrame(*picture).bytes);
  return frames;
}

class VideoReaderRingTest : public testsupport::TempDirTest {
 protected:
  VideoReaderRingTest() : TempDirTest("mpegring") {}
};

TEST_F(VideoReaderRingTest, RingSizesAndRefillsDoNotChangeThePictures) {
  if (Ffmpeg().empty()) return;  // marked by RequireTool
  // Dense coefficients (a high rate) and escapes (a fine quantiser) in every picture type.
  const std::string stream = Path("s.mpv");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc2=size=176x144:rate=25 -frames:v 14 -c:v mpeg1video -bf 2 -g 12 "
                        "-qmin 1 -qmax 3 -f mpeg1video " + stream));
  std::ifstream in(stream, std::ios::binary);
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(data.size(), 20000u);

  const auto reference = DecodeBytes(data, 1 << 20, SIZE_MAX);
  ASSERT_EQ(reference.size(), 14u);
  // Rings a little over and under the reader's look-ahead, odd refills.
  const std::tuple<uint32_t, size_t> cases[] = {{256, SIZE_MAX}, {260, 7}, {1024, 100}, {4100, 4099}, {32768, 1}};
  for (const auto& [ring, chunk] : cases) {
    EXPECT_TRUE(DecodeBytes(data, ring, chunk) == reference) << "ring " << ring << " chunk " << chunk;
  }

  // Cut inside the last coded picture: the pictures before it are unchanged.
  std::vector<uint8_t> cut(data.begin(), data.end() - 3001);
  for (const uint32_t ring : {256u, 32768u}) {
    const auto frames = DecodeBytes(cut, ring, 333);
    ASSERT_GE(frames.size(), 10u) << "ring " << ring;
    for (size_t i = 0; i + 2 < frames.size(); ++i) EXPECT_TRUE(frames[i] == reference[i]) << "frame " << i;
  }
}

}  // namespace
