// WAVE and raw sound readers and the decoders: files made by sox and ffmpeg
// give the same sample bytes as `sox -t raw` (plain samples) and as ffmpeg's
// own decoder (Microsoft ADPCM, whole blocks); hand-built files cover the
// header rules and the refusals; a raw sound written is read back equal.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VTask.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/MediaAudioStream.h"
#include "engine/sound/RawSoundReader.h"
#include "engine/sound/SoundDecoding.h"
#include "engine/sound/SoundWriter.h"
#include "engine/sound/WAVESoundReader.h"
#include "SoundTestSupport.h"

namespace {

using namespace soundtest;

class SoundFiles : public testsupport::TempDirTest {
 protected:
  SoundFiles() : TempDirTest("sound_files_") {
    EnsureStandardSoundCodecs();
  }

  // Reads the header of the file with the WAVE reader; -1 on refusal.
  int32_t ReadWaveHeader(const std::string& bytes, VAudioEncodingFormat* format = nullptr, int32_t* start = nullptr,
                         int32_t* end = nullptr) {
    const std::string path = Path("h.wav");
    testsupport::WriteBytes(path, bytes);
    VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
    if (!file.Open(1)) return -2;
    VWAVESoundReader reader(file);
    const int32_t result = reader.ReadHeader();
    if (format) *format = reader.GetFormat();
    if (start) *start = reader.GetDataStart();
    if (end) *end = reader.GetDataEnd();
    file.Close();
    return result;
  }
};

TEST_F(SoundFiles, PlainWavesFromSoxAndFfmpegMatchSoxRaw) {
  REQUIRE_SOUND_TOOL("sox");
  REQUIRE_SOUND_TOOL("ffmpeg");
  struct Case {
    const char* maker;  // shell command writing OUT from a generated tone
    int bits;
    int channels;
    int rate;
  } cases[] = {
      {"sox -n -r 11025 -c 1 -b 8 -e unsigned-integer OUT synth 0.3 sine 440", 8, 1, 11025},
      {"sox -n -r 22050 -c 2 -b 16 -e signed-integer OUT synth 0.25 sine 300 sine 500", 16, 2, 22050},
      {"sox -n -r 44100 -c 1 -b 16 OUT synth 0.2 pinknoise", 16, 1, 44100},
      {"sox -n -r 16000 -c 2 -b 8 -e unsigned-integer OUT synth 0.2 square 200 sine 90", 8, 2, 16000},
      {"ffmpeg -loglevel error -f lavfi -i sine=frequency=330:sample_rate=11025:duration=0.3 -c:a pcm_u8 "
       "-metadata title=hallway -y OUT",
       8, 1, 11025},
      {"ffmpeg -loglevel error -f lavfi -i sine=frequency=700:sample_rate=44100:duration=0.2 -ac 2 -c:a pcm_s16le "
       "-metadata artist=someone -metadata comment=odd -y OUT",
       16, 2, 44100},
      {"ffmpeg -loglevel error -f lavfi -i anoisesrc=r=32000:d=0.13 -c:a pcm_s16le -y OUT", 16, 1, 32000},
  };
  for (const Case& c : cases) {
    std::string command = c.maker;
    const std::string wav = Path("in.wav");
    command.replace(command.find("OUT"), 3, "'" + wav + "'");
    ASSERT_EQ(Shell(command), 0) << command;
    ASSERT_EQ(Shell("sox '" + wav + "' -t raw '" + Path("ref.raw") + "'"), 0);
    DecodedSound sound;
    std::string error;
    ASSERT_TRUE(DecodeSoundFile(wav, sound, error)) << c.maker << ": " << error;
    EXPECT_EQ(sound.format.bits, c.bits) << c.maker;
    EXPECT_EQ(sound.format.Channels(), c.channels) << c.maker;
    EXPECT_EQ(sound.format.rate, c.rate) << c.maker;
    const std::string ref = testsupport::ReadBytes(Path("ref.raw"));
    ASSERT_EQ(sound.samples.size(), ref.size()) << c.maker;
    EXPECT_TRUE(std::memcmp(sound.samples.data(), ref.data(), ref.size()) == 0) << c.maker;
  }
}

TEST_F(SoundFiles, AdpcmMatchesFfmpegsDecoderOverWholeBlocks) {
  REQUIRE_SOUND_TOOL("sox");
  REQUIRE_SOUND_TOOL("ffmpeg");
  const char* makers[] = {
      "ffmpeg -loglevel error -f lavfi -i sine=frequency=440:sample_rate=22050:duration=0.7 -c:a adpcm_ms -y OUT",
      "ffmpeg -loglevel error -f lavfi -i anoisesrc=r=11025:d=0.5:a=0.9 -ac 2 -c:a adpcm_ms -y OUT",
      "ffmpeg -loglevel error -f lavfi -i sine=frequency=1000:sample_rate=44100:duration=0.4 -ac 2 -c:a adpcm_ms "
      "-block_size 512 -y OUT",
      "sox -n -r 22050 -c 1 -e ms-adpcm OUT synth 0.6 sine 200 sine 3000",
      "sox -n -r 11025 -c 2 -e ms-adpcm OUT synth 0.5 whitenoise",
  };
  for (const char* maker : makers) {
    std::string command = maker;
    const std::string wav = Path("adpcm.wav");
    command.replace(command.find("OUT"), 3, "'" + wav + "'");
    ASSERT_EQ(Shell(command), 0) << command;
    ASSERT_EQ(Shell("ffmpeg -loglevel error -i '" + wav + "' -f s16le -c:a pcm_s16le -y '" + Path("ref.raw") + "'"),
              0);
    DecodedSound sound;
    std::string error;
    ASSERT_TRUE(DecodeSoundFile(wav, sound, error)) << maker << ": " << error;
    EXPECT_EQ(sound.format.bits, 16);
    const std::string ref = testsupport::ReadBytes(Path("ref.raw"));
    ASSERT_GT(sound.samples.size(), 1000u) << maker;
    // Whole blocks only: a short last block is not decoded.
    ASSERT_LE(sound.samples.size(), ref.size()) << maker;
    EXPECT_GE(sound.samples.size() + 2048 * 4, ref.size()) << maker;
    EXPECT_TRUE(std::memcmp(sound.samples.data(), ref.data(), sound.samples.size()) == 0) << maker;
  }
}

TEST_F(SoundFiles, WaveHeaderRules) {
  VAudioEncodingFormat f;
  int32_t start = 0, end = 0;
  // A 14-byte "fmt " takes the width from the average rate: 22050 bytes/s mono at 22050 Hz is 8 bits.
  std::string fmt14 = PcmFormat(1, 1, 22050, 8, false);
  ASSERT_EQ(ReadWaveHeader(Riff(Chunk("fmt ", fmt14) + Chunk("data", "abcd")), &f), 0);
  EXPECT_EQ(f.bits, 8);
  EXPECT_EQ(f.encoding, kAudioEncodingUnsigned);
  // "data" before "fmt ": complete at the "fmt ".
  ASSERT_EQ(ReadWaveHeader(Riff(Chunk("data", "abcdef") + Chunk("fmt ", PcmFormat(1, 2, 8000, 16))), &f, &start,
                           &end),
            0);
  EXPECT_EQ(f.Channels(), 2);
  EXPECT_EQ(start, 20);
  EXPECT_EQ(end, 26);
  // Odd chunk sizes are padded: the next chunk starts after the pad byte.
  ASSERT_EQ(ReadWaveHeader(Riff(Chunk("LIST", "abc") + Chunk("fmt ", PcmFormat(1, 1, 11025, 16)) +
                                Chunk("data", "12345678")),
                           &f, &start, &end),
            0);
  EXPECT_EQ(start, 12 + 12 + 24 + 8);
  EXPECT_EQ(end - start, 8);
  // A data chunk longer than the file ends with the file.
  std::string cut = Riff(Chunk("fmt ", PcmFormat(1, 1, 11025, 16)) + Chunk("data", "1234", 1000000));
  ASSERT_EQ(ReadWaveHeader(cut, &f, &start, &end), 0);
  EXPECT_EQ(end, static_cast<int32_t>(cut.size()));

  struct Refusal {
    const char* what;
    std::string bytes;
  } refusals[] = {
      {"three channels", Riff(Chunk("fmt ", PcmFormat(1, 3, 8000, 16)) + Chunk("data", "123456"))},
      {"24-bit", Riff(Chunk("fmt ", PcmFormat(1, 1, 8000, 24)) + Chunk("data", "123"))},
      {"tag 3", Riff(Chunk("fmt ", PcmFormat(3, 1, 8000, 16)) + Chunk("data", "12"))},
      {"short fmt", Riff(Chunk("fmt ", PcmFormat(1, 1, 8000, 16).substr(0, 12)) + Chunk("data", "12"))},
      {"no data", Riff(Chunk("fmt ", PcmFormat(1, 1, 8000, 16)))},
      {"not RIFF", "RIFX" + Riff(Chunk("fmt ", PcmFormat(1, 1, 8000, 16))).substr(4)},
      {"six ADPCM pairs", Riff(Chunk("fmt ", AdpcmFormat(1, 8000, 256, 500, 6)) + Chunk("data", "12"))},
      {"ADPCM block too small for its samples",
       Riff(Chunk("fmt ", AdpcmFormat(1, 8000, 256, 600)) + Chunk("data", std::string(256, '\0')))},
      // A chunk size that wraps a 32-bit sum must not loop or reach back.
      {"wrapping chunk size", Riff(Chunk("fmt ", PcmFormat(1, 1, 8000, 16)) + Chunk("JUNK", "", 0xFFFFFFF8u) +
                                   Chunk("data", "12"))},
      {"fmt past the file", Riff(Chunk("fmt ", PcmFormat(1, 1, 8000, 16), 0x7FFFFFF0))},
      {"zero rate", Riff(Chunk("fmt ", PcmFormat(1, 1, 0, 16)) + Chunk("data", "12"))},
  };
  for (const Refusal& r : refusals) EXPECT_EQ(ReadWaveHeader(r.bytes), -1) << r.what;
}

TEST_F(SoundFiles, RawSoundHeaderRules) {
  auto header = [](uint32_t rate, int bits, int channels, int reserved) {
    std::string s = "RSX ";
    Put32(s, rate);
    Put16(s, static_cast<uint32_t>(bits));
    Put16(s, static_cast<uint32_t>(channels));
    Put16(s, static_cast<uint32_t>(reserved));
    return s;
  };
  struct Case {
    std::string bytes;
    int32_t result;
  } cases[] = {
      {header(22050, 16, 1, 0) + "abcd", 0}, {header(22050, 8, 2, 0), 0},    {header(22050, 16, 1, 1), -1},
      {header(22050, 12, 1, 0), -1},         {header(22050, 16, 3, 0), -1}, {header(0, 16, 1, 0), -1},
      {"RSX 1234", -1},
  };
  for (const Case& c : cases) {
    const std::string path = Path("r.rsx");
    testsupport::WriteBytes(path, c.bytes);
    VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(file.Open(1));
    VRawSoundReader reader(file);
    EXPECT_EQ(reader.ReadHeader(), c.result) << c.bytes.size();
    if (c.result == 0) {
      EXPECT_EQ(reader.GetDataStart(), 14);
      EXPECT_EQ(reader.GetDataEnd(), static_cast<int32_t>(c.bytes.size()));
    }
    file.Close();
  }
}

TEST_F(SoundFiles, RawSoundWrittenThenReadBack) {
  struct Case {
    int bits;
    bool stereo;
    int32_t encoding;
  } cases[] = {{8, false, kAudioEncodingUnsigned}, {16, true, kAudioEncodingSigned}, {16, false, kAudioEncodingSigned}};
  for (const Case& c : cases) {
    std::string samples;
    for (int i = 0; i < 70001; ++i) samples.push_back(static_cast<char>((i * 37) ^ (i >> 3)));
    const VAudioEncodingFormat format(16000, c.bits, c.stereo, c.encoding);
    const int32_t usable = static_cast<int32_t>(samples.size()) / format.FrameBytes() * format.FrameBytes();
    auto* stream = new VMemoryAudioStream(format, samples.data(), usable);
    const std::string path = Path("w.rsx");
    {
      VFile out(VFileSpec(path.c_str()), MakeTypeCode("RSX "), kUnknownFileType);
      ASSERT_TRUE(out.Open(3));
      std::unique_ptr<VSoundWriter> writer(CreateSoundWriter(out, MakeTypeCode("RSX ")));
      ASSERT_NE(writer, nullptr);
      EXPECT_EQ(writer->Write(*stream), 0);
      out.Close();
    }
    stream->Release();
    DecodedSound back;
    std::string error;
    ASSERT_TRUE(DecodeSoundFile(path, back, error)) << error;
    EXPECT_EQ(back.format.rate, 16000);
    EXPECT_EQ(back.format.bits, c.bits);
    EXPECT_EQ(back.format.stereo, c.stereo ? 1 : 0);
    ASSERT_EQ(back.samples.size(), static_cast<size_t>(usable));
    EXPECT_TRUE(std::memcmp(back.samples.data(), samples.data(), static_cast<size_t>(usable)) == 0);
  }
  VFile none;
  EXPECT_EQ(CreateSoundWriter(none, MakeTypeCode("WAVE")), nullptr);
}

TEST_F(SoundFiles, AdpcmBlockRefusals) {
  VMicrosoftADPCMConfig config;
  config.channels = 1;
  config.blockAlign = 16;
  config.samplesPerBlock = 20;  // 7 header bytes + 9 bytes of codes = 18 codes + 2
  for (int i = 0; i < 7; ++i) {
    config.coefficients[i][0] = kAdpcmCoefficients[i][0];
    config.coefficients[i][1] = kAdpcmCoefficients[i][1];
  }
  uint8_t block[16] = {0, 16, 0, 0x10, 0x00, 0x20, 0x00};
  for (int i = 7; i < 16; ++i) block[i] = static_cast<uint8_t>(0x77 + i);
  int16_t out[20] = {};
  EXPECT_TRUE(DecodeMicrosoftADPCMBlock(block, 16, config, out));
  EXPECT_EQ(out[0], 0x20);  // sample 2 first
  EXPECT_EQ(out[1], 0x10);
  block[0] = 7;  // predictor index beyond the table
  EXPECT_FALSE(DecodeMicrosoftADPCMBlock(block, 16, config, out));
  block[0] = 6;
  EXPECT_TRUE(DecodeMicrosoftADPCMBlock(block, 16, config, out));
  EXPECT_FALSE(DecodeMicrosoftADPCMBlock(block, 15, config, out));  // short block
  config.samplesPerBlock = 21;                                       // one code more than the block holds
  EXPECT_FALSE(DecodeMicrosoftADPCMBlock(block, 16, config, out));
  // A huge step size saturates instead of overflowing.
  config.samplesPerBlock = 20;
  uint8_t loud[16] = {1, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F};
  std::memset(loud + 7, 0x77, 9);
  EXPECT_TRUE(DecodeMicrosoftADPCMBlock(loud, 16, config, out));
  EXPECT_EQ(out[19], 32767);
}

TEST_F(SoundFiles, DecodeRefusesBadInput) {
  const std::string path = Path("bad.wav");
  testsupport::WriteBytes(path, Riff(Chunk("fmt ", AdpcmFormat(1, 8000, 16, 20)) + Chunk("data", std::string(32, '\x09'))));
  DecodedSound sound;
  std::string error;
  EXPECT_FALSE(DecodeSoundFile(path, sound, error));  // predictor index 9 in the first block
  EXPECT_FALSE(error.empty());
  testsupport::WriteBytes(path, "hello");
  EXPECT_FALSE(DecodeSoundFile(path, sound, error));
}

TEST_F(SoundFiles, FileStreamTakesItsTypeFromTheExtension) {
  const std::string path = Path("tone.WAV");
  std::string data;
  for (int i = 0; i < 100; ++i) Put16(data, static_cast<uint32_t>(i * 300));
  testsupport::WriteBytes(path, Riff(Chunk("fmt ", PcmFormat(1, 1, 8000, 16)) + Chunk("data", data)));
  auto* stream = new MediaAudioStream(VFileSpec(path.c_str()), kUnknownFileType);
  EXPECT_EQ(stream->GetTypeCode(), MakeTypeCode("WAVE"));
  EXPECT_TRUE(stream->HasReader());
  EXPECT_TRUE(stream->IsLoadedWhole());
  EXPECT_EQ(stream->GetDataSize(), 200);
  EXPECT_EQ(stream->GetDurationMs(), 12);
  stream->Release();
}

}  // namespace

namespace {

TEST_F(SoundFiles, StreamingRefillTaskKeepsTheStreamUntilItIsLast) {
  std::string data;
  for (int i = 0; i < 50000; ++i) Put16(data, static_cast<uint32_t>(i));
  const std::string path = Path("long.wav");
  testsupport::WriteBytes(path, Riff(Chunk("fmt ", PcmFormat(1, 1, 22050, 16)) + Chunk("data", data)));
  VTaskManager manager(1, true, false, nullptr);
  VTaskManager* previous = SetTaskManager(&manager);
  auto* stream = new MediaAudioStream(VFileSpec(path.c_str()), kUnknownFileType);
  EXPECT_FALSE(stream->IsLoadedWhole());  // 100000 bytes: not loaded at once
  stream->StartStreaming(8192);
  EXPECT_EQ(manager.GetTaskCount(), 1);
  EXPECT_EQ(stream->GetReferenceCount(), 2);
  int32_t bytes = 8192;
  bool failed = false;
  ASSERT_NE(stream->ReadSamples(nullptr, bytes, failed), nullptr);
  EXPECT_EQ(bytes, 8192);
  bytes = 2;
  uint8_t* dry = stream->ReadSamples(nullptr, bytes, failed);  // the ring ran dry: silence
  ASSERT_NE(dry, nullptr);
  EXPECT_EQ(dry[0], 0);
  manager.Step(1);  // the task refills
  bytes = 2;
  uint8_t* next = stream->ReadSamples(nullptr, bytes, failed);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next[0] | (next[1] << 8), 4096);
  stream->Release();  // the task now holds the last reference
  manager.Step(2);
  manager.Step(3);
  EXPECT_EQ(manager.GetTaskCount(), 0);
  SetTaskManager(previous);
}

// The title quits while a streamed sound plays: the task manager goes with
// the refill task in it, and the task's reference goes with the task. The
// channel's release is then the last one and deletes the stream (a leak of
// the stream and its ring before).
TEST_F(SoundFiles, StreamingRefillTaskGivesItsReferenceBackWhenDeleted) {
  std::string data;
  for (int i = 0; i < 50000; ++i) Put16(data, static_cast<uint32_t>(i));
  const std::string path = Path("long.wav");
  testsupport::WriteBytes(path, Riff(Chunk("fmt ", PcmFormat(1, 1, 22050, 16)) + Chunk("data", data)));
  auto* manager = new VTaskManager(1, true, false, nullptr);
  VTaskManager* previous = SetTaskManager(manager);
  auto* stream = new MediaAudioStream(VFileSpec(path.c_str()), kUnknownFileType);
  stream->StartStreaming(8192);
  manager->Step(1);
  stream->AddReference();  // a watcher's, so the count can be read after
  EXPECT_EQ(stream->GetReferenceCount(), 3);
  delete manager;  // as the application's shutdown does
  SetTaskManager(previous);
  EXPECT_EQ(stream->GetReferenceCount(), 2);
  stream->Release();  // the player's
  EXPECT_EQ(stream->GetReferenceCount(), 1);
  stream->Release();
}

}  // namespace
