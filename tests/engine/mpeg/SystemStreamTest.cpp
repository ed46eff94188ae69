// The system stream demultiplexer against ffmpeg's own demultiplexer:
// elementary streams byte for byte, packet time stamps against ffprobe,
// and streams that are broken or not MPEG-1.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/SystemStreamSplitter.h"
#include "engine/mpeg/SystemStreamSupport.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VPacketHeader.h"

namespace {

using mpegtest::Bytes;
using mpegtest::PacketStamps;

struct SplitResult {
  bool ok = false;
  bool refused = false;
  std::string video, audio;
  std::set<std::pair<int64_t, uint64_t>> videoStamps, audioStamps;
  std::set<int64_t> videoUnstamped, audioUnstamped;  // positions of packets without a time stamp
  uint64_t skipped = 0;
  uint32_t broken = 0;
  // Whether every packet's stream position is the count of its stream's
  // bytes before it, and the last packet ends where the stream does.
  bool positionsInStep = true;
};

SplitResult Split(const std::string& path) {
  SplitResult r;
  VFile file(VFileSpec(path.c_str()), 0, 0);
  if (!file.Open(1)) return r;
  SystemStreamSplitter splitter(&file);
  r.ok = splitter.SplitAll();
  r.refused = splitter.IsRefused();
  r.video = Bytes(splitter.FindVideo());
  r.audio = Bytes(splitter.FindAudio());
  r.videoStamps = PacketStamps(splitter.FindVideo());
  r.audioStamps = PacketStamps(splitter.FindAudio());
  for (const auto* stream : {splitter.FindVideo(), splitter.FindAudio()})
    if (stream)
      for (const auto& p : stream->packets)
        if (!p.hasPts) (stream == splitter.FindVideo() ? r.videoUnstamped : r.audioUnstamped).insert(p.filePosition);
  for (const auto& stream : splitter.GetStreams()) {
    uint64_t at = 0;
    for (const auto& p : stream.packets) {
      r.positionsInStep = r.positionsInStep && p.streamPosition == at;
      at += p.dataLength;
    }
    r.positionsInStep = r.positionsInStep && at == stream.byteCount && at == stream.bytes.size();
  }
  r.skipped = splitter.GetSkippedBytes();
  r.broken = splitter.GetBrokenPackets();
  return r;
}

// One stream read as it comes (SystemStreamSplitter::OpenStream) through a
// ring of `ring` bytes, until its reader meets the end.
std::string ReadAsItComes(const std::string& path, SystemStreamSplitter::Kind kind, uint32_t ring) {
  VFile file(VFileSpec(path.c_str()), 0, 0);
  if (!file.Open(1)) return "";
  SystemStreamSplitter splitter(&file, false);
  std::unique_ptr<VBitstream> bits = splitter.OpenStream(kind, ring);
  if (!bits) return "";
  std::string bytes;
  uint8_t block[64];
  for (;;) {
    bits->Fill(0);
    const uint32_t n = bits->TakeBytes(block, sizeof(block));
    if (n == 0 && bits->IsSourceEnded() && bits->GetProducedCount() == bits->GetConsumedCount()) break;
    bytes.append(reinterpret_cast<const char*>(block), n);
  }
  return bytes;
}

struct MuxCase {
  const char* name;
  const char* options;
  bool zeroFill;  // packs are filled up with zero bytes after their packets
  bool audio;
};

// Compares the packets' time stamps with ffprobe's: every stamped packet
// must be there with its time; ffprobe also dates frames that begin in a
// packet without a stamp (interpolated), which must be such packets.
// Answers the differences ("" when none).
std::string CompareStamps(const std::set<std::pair<int64_t, uint64_t>>& ours, const std::set<int64_t>& unstamped,
                          const std::set<std::pair<int64_t, uint64_t>>& probe) {
  std::string out;
  for (const auto& p : ours)
    if (!probe.count(p)) out += " ours(" + std::to_string(p.first) + "," + std::to_string(p.second) + ")";
  for (const auto& p : probe)
    if (!ours.count(p) && !unstamped.count(p.first))
      out += " probe(" + std::to_string(p.first) + "," + std::to_string(p.second) + ")";
  return out;
}

class SystemStreamOracleTest : public testsupport::TempDirTest, public ::testing::WithParamInterface<MuxCase> {
 protected:
  SystemStreamOracleTest() : TempDirTest("mpegsys") {}
};

TEST_P(SystemStreamOracleTest, ElementaryStreamsAndTimeStampsMatchFfmpeg) {
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  const std::string stream = Path("s.mpg");
  ASSERT_TRUE(mpegtest::MakeSystemStream(GetParam().options, stream));
  const SplitResult r = Split(stream);
  ASSERT_TRUE(r.ok);
  if (!GetParam().zeroFill) {
    EXPECT_EQ(r.skipped, 0u);
  }
  EXPECT_EQ(r.broken, 0u);
  EXPECT_TRUE(r.positionsInStep);
  const std::string video = mpegtest::ReferenceElementaryStream(stream, "v", Path("v.m1v"));
  const std::string audio = GetParam().audio ? mpegtest::ReferenceElementaryStream(stream, "a", Path("a.mp2")) : "";
  ASSERT_FALSE(video.empty());
  EXPECT_EQ(audio.empty(), !GetParam().audio);
  EXPECT_TRUE(r.video == video) << "video " << r.video.size() << " bytes, ffmpeg " << video.size();
  EXPECT_TRUE(r.audio == audio) << "audio " << r.audio.size() << " bytes, ffmpeg " << audio.size();
  // The same bytes when each stream is read as it comes, whatever the
  // reader's ring holds against the packets' sizes.
  for (const uint32_t ring : {16u, 4096u, 65536u}) {
    EXPECT_TRUE(ReadAsItComes(stream, SystemStreamSplitter::Kind::kVideo, ring) == video) << "video, ring " << ring;
    EXPECT_TRUE(ReadAsItComes(stream, SystemStreamSplitter::Kind::kAudio, ring) == audio) << "audio, ring " << ring;
  }
  const auto videoProbe = mpegtest::ProbePacketStamps(stream, 0);
  const auto audioProbe = mpegtest::ProbePacketStamps(stream, 1);
  ASSERT_FALSE(videoProbe.empty());
  EXPECT_EQ(CompareStamps(r.videoStamps, r.videoUnstamped, videoProbe), "");
  EXPECT_EQ(CompareStamps(r.audioStamps, r.audioUnstamped, audioProbe), "");
  EXPECT_GE(r.videoStamps.size() * 4, videoProbe.size() * 3);
}

INSTANTIATE_TEST_SUITE_P(
    Muxers, SystemStreamOracleTest,
    ::testing::Values(MuxCase{"Plain", "-c:v mpeg1video -bf 2 -g 12 -c:a mp2 -b:a 128k -f mpeg", false, true},
                      MuxCase{"PalVcd", "-target pal-vcd -s 160x120", true, true},
                      MuxCase{"NtscVcd", "-target ntsc-vcd -s 160x120", true, true},
                      MuxCase{"SmallPackets", "-c:v mpeg1video -c:a mp2 -packetsize 512 -f mpeg", false, true},
                      MuxCase{"LargePackets", "-c:v mpeg1video -c:a mp2 -packetsize 16384 -f mpeg", false, true},
                      MuxCase{"VideoOnly", "-c:v mpeg1video -an -f mpeg", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

class SystemStreamTest : public testsupport::TempDirTest {
 protected:
  SystemStreamTest() : TempDirTest("mpegsys") {}
};

TEST_F(SystemStreamTest, ProgramStreamOfMpeg2IsRefused) {
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  const std::string stream = Path("s.vob");
  ASSERT_TRUE(mpegtest::RunFfmpeg("-f lavfi -i testsrc=size=160x120:rate=25 -t 1 -c:v mpeg2video -f vob " + stream));
  const SplitResult r = Split(stream);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.refused);
  EXPECT_TRUE(r.video.empty());
}

// Packs of a stream cut apart at their start codes.
std::vector<std::string> Packs(const std::string& bytes) {
  std::vector<std::string> packs;
  size_t start = 0;
  for (size_t i = 4; i + 4 <= bytes.size(); ++i)
    if (std::memcmp(bytes.data() + i, "\x00\x00\x01\xBA", 4) == 0) {
      packs.push_back(bytes.substr(start, i - start));
      start = i;
    }
  packs.push_back(bytes.substr(start));
  return packs;
}

TEST_F(SystemStreamTest, GarbageBetweenPacksIsPassedOverByteByByte) {
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  const std::string stream = Path("s.mpg");
  ASSERT_TRUE(mpegtest::MakeSystemStream("-c:v mpeg1video -c:a mp2 -packetsize 1024 -f mpeg", stream));
  const SplitResult clean = Split(stream);
  ASSERT_TRUE(clean.ok);
  // Garbage of every length from 1 to 70 bytes, with runs of zeros and a
  // start code prefix that leads nowhere, before every pack but the first.
  std::mt19937 random(7);
  std::string garbled;
  size_t inserted = 0;
  const auto packs = Packs(testsupport::ReadBytes(stream));
  for (size_t i = 0; i < packs.size(); ++i) {
    if (i > 0) {
      std::string junk(1 + i % 70, '\0');
      for (char& c : junk) c = static_cast<char>(random() % 3 == 0 ? 0 : random());
      if (junk.size() > 4) junk.replace(0, 4, std::string("\x00\x00\x01\x42", 4));
      // Never a system start code by chance.
      for (size_t k = 0; k + 3 < junk.size(); ++k)
        if (junk[k] == 0 && junk[k + 1] == 0 && junk[k + 2] == 1) junk[k + 3] = 0x20;
      if (junk.size() >= 2 && junk[junk.size() - 1] == 0) junk.back() = 0x55;
      inserted += junk.size();
      garbled += junk;
    }
    garbled += packs[i];
  }
  testsupport::WriteBytes(Path("g.mpg"), garbled);
  const SplitResult r = Split(Path("g.mpg"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.skipped, inserted);
  EXPECT_TRUE(r.video == clean.video);
  EXPECT_TRUE(r.audio == clean.audio);
}

// A hand-made stream: one pack with a system header announcing video 0xE0
// with the given buffer bound, then the given packets.
std::string Pack(uint32_t bufferBound) {
  std::string s("\x00\x00\x01\xBA\x21\x00\x01\x00\x01\x80\x00\x01", 12);
  s += std::string("\x00\x00\x01\xBB\x00\x09\x80\x00\x01\x04\xE1\xFF", 12);
  s += static_cast<char>(0xE0);
  s += static_cast<char>(0xC0 | ((bufferBound >> 8) & 0x1F));
  s += static_cast<char>(bufferBound & 0xFF);
  return s;
}

std::string Packet(uint8_t id, const std::string& header, const std::string& payload) {
  const size_t length = header.size() + payload.size();
  std::string s("\x00\x00\x01", 3);
  s += static_cast<char>(id);
  s += static_cast<char>(length >> 8);
  s += static_cast<char>(length & 0xFF);
  return s + header + payload;
}

std::string Payload(size_t size, int seed) {
  std::string p(size, '\0');
  for (size_t i = 0; i < size; ++i) p[i] = static_cast<char>((i * 31 + static_cast<size_t>(seed)) & 0xFF);
  return p;
}

TEST_F(SystemStreamTest, HandMadePacketsOfEveryShape) {
  const std::string pts("\x21\x00\x01\x00\x01", 5);  // PTS 0 with markers
  const std::string ptsDts("\x31\x00\x01\x00\x01\x11\x00\x01\x00\x01", 10);
  const std::string a = Payload(100, 1), b = Payload(60000, 2), c = Payload(30, 3), d = Payload(5, 4);
  std::string s = Pack(1);  // a buffer bound of 1 KB
  s += Packet(0xE0, std::string(40, '\xFF') + "\x40\x20" + ptsDts, a);  // 40 stuffing bytes, STD, PTS and DTS
  s += Packet(0xE0, "\x0F", b);                                         // larger than the child's buffer
  s += Packet(0xBF, "", Payload(50, 9));                                // private stream 2: skipped whole
  s += Packet(0xE1, pts, Payload(70, 5));                               // not announced: skipped whole
  s += Packet(0xE0, std::string(70000 % 65000, '\xFF'), "");            // header as long as the packet
  s += Packet(0xE0, pts, c);
  s += Packet(0xE0, "\x0F", d);
  s += std::string("\x00\x00\x01\xB9", 4);
  testsupport::WriteBytes(Path("h.mpg"), s);
  const SplitResult r = Split(Path("h.mpg"));
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.video == a + b + c + d) << r.video.size();
  EXPECT_EQ(r.skipped, 0u);
  EXPECT_EQ(r.broken, 1u);
}

// Cuts inside the pack header, the system header (16 and 17: within the six
// bytes that give its length) and the packets.
TEST_F(SystemStreamTest, CutShortStreamsEndWithoutReadingPastTheirData) {
  std::string s = Pack(46) + Packet(0xE0, "\x0F", Payload(3000, 1)) + Packet(0xE0, "\x0F", Payload(500, 2));
  for (size_t cut : {size_t{3}, size_t{13}, size_t{16}, size_t{17}, size_t{20}, size_t{31}, size_t{40}, size_t{1000},
                     s.size() - 7}) {
    testsupport::WriteBytes(Path("t.mpg"), s.substr(0, cut));
    const SplitResult r = Split(Path("t.mpg"));
    EXPECT_TRUE(std::string(Payload(3000, 1) + Payload(500, 2)).starts_with(r.video)) << cut;
  }
}

TEST(PacketHeaderTest, HeaderBytesAndTimeStamps) {
  struct Case {
    const char* name;
    std::string bytes;
    int32_t dataLength;
    uint32_t headerBytes;
    bool hasPts;
    uint64_t pts;
  };
  // PTS 0x1'2345'6789 coded with its marker bits.
  const std::string pts("\x29\x8D\x15\xCF\x13", 5);
  const std::vector<Case> cases = {
      {"Plain", std::string("\x00\x00\x01\xE0\x00\x05\x0F", 7) + "abcd", 4, 7, false, 0},
      {"StuffingStdPtsDts",
       std::string("\x00\x00\x01\xE0\x00\x10\xFF\xFF\x40\x20", 10) + std::string("\x39\x8D\x15\xCF\x13", 5) +
           std::string("\x11\x00\x01\x00\x01", 5) + "xy",
       2, 6 + 2 + 2 + 10, true, 0x123456789ull},
      {"Pts", std::string("\x00\x00\x01\xC0\x00\x07", 6) + pts + "zz", 2, 11, true, 0x123456789ull},
      {"PrivateStream2", std::string("\x00\x00\x01\xBF\x00\x03", 6) + "\xFF\x0F\x40", 3, 6, false, 0},
      {"OtherMarker", std::string("\x00\x00\x01\xE0\x00\x02\x81\x00", 8), 2, 6, false, 0},
  };
  for (const Case& c : cases) {
    VPacketHeader h;
    EXPECT_EQ(h.Parse(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.dataLength) << c.name;
    EXPECT_EQ(h.headerBytes, c.headerBytes) << c.name;
    EXPECT_EQ(h.hasPts, c.hasPts) << c.name;
    EXPECT_EQ(h.pts, c.pts) << c.name;
  }
  // Broken: a time stamp cut by the end of the packet, stuffing to the end.
  for (const std::string& bad : {std::string("\x00\x00\x01\xE0\x00\x03\x21\x00\x01", 9),
                                 std::string("\x00\x00\x01\xE0\x00\x03\xFF\xFF\xFF", 9),
                                 std::string("\x00\x00\x01\xE0\x00", 5)}) {
    VPacketHeader h;
    EXPECT_EQ(h.Parse(reinterpret_cast<const uint8_t*>(bad.data()), bad.size()), -1);
  }
}

TEST(PacketHeaderTest, ChildBufferSizesFromTheSystemHeader) {
  EXPECT_EQ(VISO11172StreamScheduler::VideoBufferSize(3528, 1, 46), 262144u);
  EXPECT_EQ(VISO11172StreamScheduler::AudioBufferSize(0, 32), 4096u);
  EXPECT_EQ(VISO11172StreamScheduler::AudioBufferSize(1, 4), 4096u);
  // Absurd bounds stay within a few megabytes.
  EXPECT_LE(VISO11172StreamScheduler::VideoBufferSize(0x3FFFFF, 1, 8191), 4u << 20);
  EXPECT_LE(VISO11172StreamScheduler::AudioBufferSize(1, 8191), 4u << 20);
}

}  // namespace
