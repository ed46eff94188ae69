// ostrevan-tool movie frames: one PPM per picture in display order, close to
// ffmpeg's own decoding and conversion; exit 1 with a message for a file
// that holds no video stream.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/BitWriter.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoKernels.h"
#include "engine/mpeg/VideoStreamDecoder.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "tools/PixelMapPpm.h"
#include "tools/ToolCommands.h"

namespace {

using testsupport::ReadBytes;

class MovieFramesToolTest : public testsupport::TempDirTest {
 protected:
  MovieFramesToolTest() : TempDirTest("movieframes") {}

  // clip.mpg, a 0.6 s system stream (15 pictures with sound), and
  // clip.m1v, its video stream, then the further commands in `more`.
  void MakeClip(const std::string& ffmpeg, const std::string& more) {
    const std::string stream = Path("clip.mpg");
    ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i testsrc2=size=96x64:rate=25 -f lavfi -i "
                                    "sine=sample_rate=44100 -t 0.6 -c:v mpeg1video -bf 2 -g 6 -c:a mp2 -f mpeg " +
                           stream + " && " + ffmpeg + " -nostdin -loglevel error -y -i " + stream +
                           " -map 0:v -c copy -f mpeg1video " + Path("clip.m1v") + more)
                              .c_str()),
              0);
  }

  // Runs `movie frames` on the input into a folder of its own, expecting
  // `count` frames; their files one after another.
  std::string AllFrames(const std::string& input, int count) {
    const std::string dir = Path(input.substr(input.rfind('/') + 1) + ".frames");
    EXPECT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    std::ostringstream out, err;
    EXPECT_EQ(RunTool({"movie", "frames", input, dir}, out, err), 0) << input << ": " << err.str();
    EXPECT_EQ(out.str(), std::to_string(count) + " frames\n") << input;
    std::string all;
    for (int i = 1; i <= count; ++i) {
      char name[32];
      std::snprintf(name, sizeof(name), "/frame-%05d.ppm", i);
      all += ReadBytes(dir + name);
    }
    return all;
  }
};

// Signal-to-noise ratio in dB of 16-bit little-endian PCM against a reference
// of the same length.
double PcmSnr(const std::string& reference, const std::string& pcm) {
  double signal = 0, noise = 0;
  for (size_t i = 0; i + 1 < reference.size() && i + 1 < pcm.size(); i += 2) {
    const double a = int16_t(uint8_t(reference[i]) | (uint8_t(reference[i + 1]) << 8));
    const double b = int16_t(uint8_t(pcm[i]) | (uint8_t(pcm[i + 1]) << 8));
    signal += a * a;
    noise += (a - b) * (a - b);
  }
  return 10 * std::log10(signal / std::max(noise, 1.0));
}

std::string PpmPixels(const std::string& file, int& width, int& height) {
  std::istringstream in(file);
  std::string magic;
  int maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255) return "";
  return file.substr(static_cast<size_t>(in.tellg()));
}

TEST_F(MovieFramesToolTest, WritesEveryFrameInDisplayOrderAtBothDepths) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  const std::string stream = Path("clip.m1v");
  ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i testsrc2=size=200x150:rate=25 -frames:v 9 "
                                  "-c:v mpeg1video -bf 2 -g 6 -q:v 3 -f mpeg1video " + stream + " && " + ffmpeg +
                         " -nostdin -loglevel error -y -i " + stream + " -fps_mode passthrough -f rawvideo "
                         "-pix_fmt rgb24 " + Path("ref.rgb")).c_str()),
            0);
  const std::string reference = ReadBytes(Path("ref.rgb"));
  ASSERT_EQ(reference.size(), size_t(200) * 150 * 3 * 9);
  for (const char* depth : {"32", "16"}) {
    const std::string dir = Path(std::string("out") + depth);
    ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
    std::ostringstream out, err;
    ASSERT_EQ(RunTool({"movie", "frames", stream, dir, "--depth", depth}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "9 frames\n");
    for (int i = 1; i <= 9; ++i) {
      char name[32];
      std::snprintf(name, sizeof(name), "/frame-%05d.ppm", i);
      int width = 0, height = 0;
      const std::string pixels = PpmPixels(ReadBytes(dir + name), width, height);
      ASSERT_EQ(width, 200);
      ASSERT_EQ(height, 150);
      ASSERT_EQ(pixels.size(), size_t(200) * 150 * 3);
      const std::string ref = reference.substr(size_t(200) * 150 * 3 * (i - 1), pixels.size());
      double se = 0;
      for (size_t k = 0; k < pixels.size(); ++k) {
        const double d = double(uint8_t(pixels[k])) - double(uint8_t(ref[k]));
        se += d * d;
      }
      const double psnr = 10 * std::log10(255.0 * 255.0 * double(pixels.size()) / std::max(se, 1.0));
      // The colour conversions differ in rounding and, at 16 bits, in depth.
      EXPECT_GE(psnr, std::string(depth) == "32" ? 38.0 : 30.0) << "frame " << i << " depth " << depth;
    }
  }
}

std::string BigEndian32(uint32_t v) {
  return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

// A system stream, bare and behind container atoms, gives the frames of its
// video elementary stream.
TEST_F(MovieFramesToolTest, SystemStreamsBehindAtomsGiveTheFramesOfTheirVideo) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  const std::string stream = Path("clip.mpg");
  ASSERT_NO_FATAL_FAILURE(MakeClip(ffmpeg, ""));
  const std::string mpeg = ReadBytes(stream);
  // 'moov' of 1000 bytes, 'free' of 16, 'wide', then 'mdat' holding the stream.
  std::string wrapped = BigEndian32(1000) + "moov" + std::string(992, 'm') + BigEndian32(16) + "free" +
                        std::string(8, 'f') + BigEndian32(8) + "wide" + BigEndian32(uint32_t(mpeg.size() + 8)) + "mdat" +
                        mpeg;
  testsupport::WriteBytes(Path("wrapped.mov"), wrapped);
  std::vector<std::string> outputs;
  for (const std::string& input : {Path("clip.m1v"), stream, Path("wrapped.mov")}) outputs.push_back(AllFrames(input, 15));
  EXPECT_TRUE(outputs[0] == outputs[1]);
  EXPECT_TRUE(outputs[0] == outputs[2]);
}

std::string LittleEndian32(uint32_t v) {
  return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

// The RIFF "CDXA" header of a Video CD's ".DAT" file for `dataSize` bytes of
// data: "RIFF", size, "CDXA", a 16-byte "fmt " chunk, "data", size.
std::string CdxaHeader(uint32_t dataSize) {
  // User and group id, attributes, "XA", file number, reserved.
  const std::string format = std::string(4, '\0') + std::string("\x15\x55", 2) + "XA" + std::string("\x01", 1) +
                             std::string(7, '\0');
  return "RIFF" + LittleEndian32(36 + dataSize) + "CDXA" + "fmt " + LittleEndian32(16) + format + "data" +
         LittleEndian32(dataSize);
}

// The raw sectors of a Video CD track as its ".DAT" file holds them: each of
// 2352 bytes, a sync pattern, the sector address, the sub-header, 2324 bytes
// of data (one pack) and a check code (left zero here); `empty` sectors
// without data come first.
std::string VideoCdSectors(const std::string& packs, int empty) {
  std::string sectors;
  const size_t count = size_t(empty) + (packs.size() + 2323) / 2324;
  for (size_t i = 0; i < count; ++i) {
    const size_t lba = 150 + i;
    const auto bcd = [](size_t v) { return char(((v / 10) << 4) | (v % 10)); };
    sectors += std::string("\x00", 1) + std::string(10, '\xFF') + std::string("\x00", 1);
    sectors += std::string{bcd(lba / 4500), bcd(lba / 75 % 60), bcd(lba % 75), '\x02'};
    const bool data = i >= size_t(empty);
    const std::string subheader{'\x01', '\x01', data ? '\x62' : '\x20', '\x0F'};
    sectors += subheader + subheader;
    std::string payload = data ? packs.substr((i - size_t(empty)) * 2324, 2324) : std::string();
    payload.resize(2324, '\0');
    sectors += payload + std::string(4, '\0');
  }
  return sectors;
}

// A system stream behind a few bytes of something else (four zero bytes, the
// header of a Video CD file, the raw sectors of such a file with empty
// sectors first) gives the frames of the plain stream, as does a video
// stream behind zero bytes; a transport stream is refused with a message
// that says what it is.
TEST_F(MovieFramesToolTest, StreamsBehindOtherBytesAreFoundAndTransportStreamsRefused) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  const std::string stream = Path("clip.mpg");
  ASSERT_NO_FATAL_FAILURE(MakeClip(ffmpeg, " && " + ffmpeg + " -nostdin -loglevel error -y -i " + stream +
                                               " -c copy -f mpegts " + Path("clip.ts") + " && " + ffmpeg +
                                               " -nostdin -loglevel error -y -i " + stream +
                                               " -c copy -packetsize 2324 -f vcd " + Path("vcd.mpg")));
  const std::string mpeg = ReadBytes(stream);
  testsupport::WriteBytes(Path("zeros.mpg"), std::string(4, '\0') + mpeg);
  testsupport::WriteBytes(Path("header.dat"), CdxaHeader(uint32_t(mpeg.size())) + mpeg);
  const std::string sectors = VideoCdSectors(ReadBytes(Path("vcd.mpg")), 15);
  testsupport::WriteBytes(Path("avseq01.dat"), CdxaHeader(uint32_t(sectors.size())) + sectors);
  testsupport::WriteBytes(Path("zeros.m1v"), std::string(4, '\0') + ReadBytes(Path("clip.m1v")));
  const auto frames = [&](const std::string& input) { return AllFrames(input, 15); };
  const std::string plain = frames(stream);
  ASSERT_FALSE(plain.empty());
  for (const char* name : {"zeros.mpg", "header.dat", "avseq01.dat", "zeros.m1v"})
    EXPECT_TRUE(frames(Path(name)) == plain) << name;
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"movie", "frames", Path("clip.ts"), Path("")}, out, err), 1);
  EXPECT_NE(err.str().find("is an MPEG transport stream"), std::string::npos) << err.str();
}

// Atoms that are too small or too large end the walk without a hang; what
// follows is then no movie.
TEST_F(MovieFramesToolTest, BrokenAtomsEndTheWalk) {
  for (const std::string& bytes : {BigEndian32(0) + "moov" + std::string(64, 'x'),
                                   BigEndian32(4) + "moov" + std::string(64, 'x'),
                                   BigEndian32(0xFFFFFFF0u) + "moov" + std::string(64, 'x'),
                                   BigEndian32(8) + "wide" + BigEndian32(3) + "moov" + std::string(64, 'x'),
                                   BigEndian32(16) + "moov"}) {
    testsupport::WriteBytes(Path("bad.mov"), bytes);
    std::ostringstream out, err;
    EXPECT_EQ(RunTool({"movie", "frames", Path("bad.mov"), Path("")}, out, err), 1);
  }
}

// The sound of a system stream, written with --audio, against ffmpeg's
// decoding of the same stream: as many samples, and close to them.
TEST_F(MovieFramesToolTest, AudioOfASystemStreamIsWrittenAsWave) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  const std::string stream = Path("clip.mpg");
  ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i testsrc2=size=96x64:rate=25 -f lavfi -i "
                                  "sine=frequency=523:sample_rate=44100 -t 1 -c:v mpeg1video -c:a mp2 -b:a 192k -f mpeg " +
                         stream + " && " + ffmpeg + " -nostdin -loglevel error -y -i " + stream +
                         " -map 0:a -f s16le -acodec pcm_s16le " + Path("ref.raw") + " && " + ffmpeg + " -nostdin -loglevel error -y -i " +
                         stream + " -map 0:v -c copy -f mpeg1video " + Path("clip.m1v")).c_str()),
            0);
  const std::string dir = Path("frames");
  ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
  std::ostringstream out, err;
  ASSERT_EQ(RunTool({"movie", "frames", stream, dir, "--audio", Path("out.wav")}, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "25 frames\n");
  const std::string wave = ReadBytes(Path("out.wav"));
  ASSERT_GT(wave.size(), 44u);
  EXPECT_EQ(wave.substr(0, 4), "RIFF");
  EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
  const std::string reference = ReadBytes(Path("ref.raw"));
  const std::string pcm = wave.substr(44);
  ASSERT_EQ(pcm.size(), reference.size());
  EXPECT_GT(PcmSnr(reference, pcm), 50.0);
  // A video stream has no sound to write.
  std::ostringstream out2, err2;
  EXPECT_EQ(RunTool({"movie", "frames", Path("clip.m1v"), dir, "--audio", Path("none.wav")}, out2, err2), 1);
}

// A data-partitioned video stream (told by its sequence scalable extension)
// is refused with the reason.
TEST_F(MovieFramesToolTest, DataPartitionedVideoIsRefusedWithTheReason) {
  mpegtest::BitWriter w;
  w.StartCode(0xB3);
  w.Put(16, 12), w.Put(16, 12), w.Put(1, 4), w.Put(3, 4), w.Put(0x3FFFF, 18), w.Put(1, 1), w.Put(20, 10);
  w.Put(0, 3);
  w.StartCode(0xB5);  // sequence extension: progressive 4:2:0
  w.Put(1, 4), w.Put(0x48, 8), w.Put(1, 1), w.Put(1, 2), w.Put(0, 16), w.Put(1, 1), w.Put(0, 16);
  w.StartCode(0xB5);  // sequence scalable extension: data partitioning, layer 0
  w.Put(5, 4), w.Put(0, 2), w.Put(0, 4);
  w.StartCode(0xB7);
  testsupport::WriteBytes(Path("partitioned.m2v"), std::string(w.Bytes().begin(), w.Bytes().end()));
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"movie", "frames", Path("partitioned.m2v"), Path("")}, out, err), 1);
  EXPECT_NE(err.str().find("data-partitioned video is not supported"), std::string::npos) << err.str();
}

// The sound of system streams as ffmpeg writes them by default: mono Layer
// II at 384 kbit/s is written like ffmpeg decodes it; half-rate sound (22.05
// kHz, MPEG-2 audio) is not decoded here, which costs the sound only: every
// picture is still written, with a warning that says why.
TEST_F(MovieFramesToolTest, SoundThatCannotBeDecodedCostsOnlyTheSound) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  struct Case {
    const char* name;
    const char* audio;  // ffmpeg's options for the sound
    bool decoded;
  };
  const Case cases[] = {
      {"mono", "-f lavfi -i sine=frequency=523:sample_rate=44100 -ac 1 -c:a mp2", true},
      {"halfrate", "-f lavfi -i sine=frequency=523:sample_rate=22050 -c:a mp2", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string stream = Path(std::string(c.name) + ".mpg");
    const std::string reference = Path(std::string(c.name) + ".raw");
    const std::string wave = Path(std::string(c.name) + ".wav");
    ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i testsrc2=size=96x64:rate=25 " + c.audio +
                           " -t 1 -c:v mpeg1video -f mpeg " + stream + " && " + ffmpeg +
                           " -nostdin -loglevel error -y -i " + stream + " -map 0:a -f s16le " + reference)
                              .c_str()),
              0);
    const std::string dir = Path(std::string(c.name) + "-frames");
    ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
    std::ostringstream out, err;
    ASSERT_EQ(RunTool({"movie", "frames", stream, dir, "--audio", wave}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "25 frames\n");
    EXPECT_FALSE(ReadBytes(dir + "/frame-00025.ppm").empty());
    if (c.decoded) {
      EXPECT_EQ(err.str(), "");
      const std::string pcm = ReadBytes(wave);
      ASSERT_GT(pcm.size(), 44u);
      EXPECT_EQ(pcm.substr(22, 2), std::string("\x01\0", 2));  // one channel
      const std::string ref = ReadBytes(reference);
      ASSERT_EQ(pcm.size() - 44, ref.size());
      EXPECT_GT(PcmSnr(ref, pcm.substr(44)), 50.0);
    } else {
      EXPECT_EQ(err.str(), "ostrevan-tool: warning: the movie's sound cannot be decoded (MPEG-2 half-rate audio "
                           "(Layer 2, 22050 Hz) is not supported); " + wave + " is not written\n");
      EXPECT_TRUE(ReadBytes(wave).empty());
    }
  }
}

// A system stream whose packs turn into those of an MPEG-2 program stream
// part way is refused as a whole, as one that starts with them is: neither
// the pictures nor the sound read before that point are left behind.
TEST_F(MovieFramesToolTest, StreamThatTurnsIntoAProgramStreamIsRefusedWhole) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  MakeClip(ffmpeg, " && " + ffmpeg + " -nostdin -loglevel error -y -f lavfi -i testsrc2=size=96x64:rate=25 -f lavfi "
                   "-i sine -t 0.4 -c:v mpeg2video -c:a mp2 -f vob " + Path("ps.vob"));
  std::string clip = ReadBytes(Path("clip.mpg"));
  clip.resize(clip.size() - 4);  // its end code
  testsupport::WriteBytes(Path("mixed.mpg"), clip + ReadBytes(Path("ps.vob")));
  const std::string dir = Path("mixed");
  ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
  for (const bool sound : {false, true}) {
    SCOPED_TRACE(sound ? "with sound" : "pictures only");
    std::vector<std::string> args{"movie", "frames", Path("mixed.mpg"), dir};
    if (sound) args.insert(args.end(), {"--audio", Path("mixed.wav")});
    std::ostringstream out, err;
    EXPECT_EQ(RunTool(args, out, err), 1);
    EXPECT_EQ(err.str(), "ostrevan-tool: " + Path("mixed.mpg") + " is not an MPEG-1 system stream\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(testsupport::FileExists(dir + "/frame-00001.ppm"));
    EXPECT_FALSE(testsupport::FileExists(Path("mixed.wav")));
  }
}

TEST_F(MovieFramesToolTest, RefusesWhatIsNotAVideoStream) {
  testsupport::WriteBytes(Path("text.m1v"), std::string(3000, 'x'));
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"movie", "frames", Path("text.m1v"), Path("")}, out, err), 1);
  EXPECT_NE(err.str().find("not an MPEG video stream"), std::string::npos) << err.str();
  std::ostringstream out2, err2;
  EXPECT_EQ(RunTool({"movie", "frames", Path("missing.m1v"), Path("")}, out2, err2), 1);
  EXPECT_FALSE(err2.str().empty());
  std::ostringstream out3, err3;
  EXPECT_EQ(RunTool({"movie", "frames", Path("text.m1v"), Path(""), "--depth", "24"}, out3, err3), 2);
}

}  // namespace

namespace {

// The frames the tool writes at 32 bits are the pictures converted into
// 32-bit pixel maps and written from there, byte for byte, at every vector
// level: progressive 4:2:0 and 4:2:2 pictures and interlaced ones (one field
// converted, the other interpolated), at a width that is no multiple of 16.
TEST_F(MovieFramesToolTest, FramesAreThoseOfThePixelMapConversion) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  struct Case {
    const char* name;
    const char* codec;
  } cases[] = {{"420", "-c:v mpeg1video -pix_fmt yuv420p"},
               {"422", "-c:v mpeg2video -pix_fmt yuv422p"},
               {"interlaced", "-c:v mpeg2video -pix_fmt yuv420p -flags +ilme+ildct -top 1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string stream = Path(std::string(c.name) + ".m2v");
    ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i testsrc2=size=200x150:rate=25 "
                                    "-frames:v 5 -bf 1 -g 4 " + c.codec + " -f mpeg2video " + stream).c_str()),
              0);
    // The expected files: every picture through a 32-bit pixel map.
    const std::string bytes = ReadBytes(stream);
    VMemoryBitstream bits(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    VideoStreamDecoder decoder(bits);
    ASSERT_TRUE(decoder.Start());
    std::vector<std::string> want;
    while (auto picture = decoder.Next()) {
      PixelMap map(VRect(0, 0, picture->width, picture->height), 32, nullptr);
      ASSERT_TRUE(picture->ConvertToPicture(map, VRect(0, 0, picture->width, picture->height)));
      ASSERT_EQ(WritePixelMapPPM(Path("want.ppm"), map), "");
      want.push_back(ReadBytes(Path("want.ppm")));
    }
    ASSERT_EQ(want.size(), 5u);
    for (const int32_t level : {int32_t{kVideoSimdScalar}, int32_t{kVideoSimdAvx512}}) {
      const int32_t before = SetVideoSimdLevel(level);
      const std::string dir = Path(std::string(c.name) + "-" + std::to_string(level));
      ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
      std::ostringstream out, err;
      EXPECT_EQ(RunTool({"movie", "frames", stream, dir}, out, err), 0) << err.str();
      SetVideoSimdLevel(before);
      for (size_t i = 0; i < want.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "/frame-%05zu.ppm", i + 1);
        EXPECT_TRUE(ReadBytes(dir + name) == want[i]) << "frame " << i + 1 << " level " << level;
      }
    }
  }
}

}  // namespace
