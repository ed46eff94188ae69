// Sounds through the tool and the archive: "sound decode" writes the PCM
// WAVE that sox reads back as the source's samples; conversion code 60
// stores a raw sound that plays from the archive; the archive stream's
// whole, on-demand and ring modes; the sound manager's effects and loops;
// and the media services' audio set-up.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "engine/app/MediaServices.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/BuilderTestSupport.h"
#include "engine/archive/MediaArchive.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/MediaAudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "engine/sound/SoundDecoding.h"
#include "engine/mpeg/LayerIIFile.h"
#include "engine/sound/SoundManager.h"
#include "engine/app/SoundMediaServices.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "title/controls/TitleSoundTable.h"
#include "tools/ArchiveCommands.h"
#include "tools/PictureConversions.h"
#include "tools/ToolCommands.h"

namespace {


class SoundTool : public BuilderFixture {
 protected:
  SoundTool() {
    EnsureStandardSoundCodecs();
    RegisterToolConversions();
  }
  int Run(const std::vector<std::string>& args, std::string* errText = nullptr) {
    std::ostringstream out, err;
    const int result = RunTool(args, out, err);
    if (errText) *errText = err.str();
    return result;
  }
  Built ToolBuild(const std::string& script) {
    WriteFile("script.txt", script);
    std::ostringstream out, err;
    Built b;
    b.ok = BuildArchive(Path("script.txt"), Path("out.msf"), "", out, err) == 0;
    b.log = ReadBytes(Path("out.log"));
    return b;
  }
  // A 16-bit mono WAVE of `frames` frames whose samples count up from 1.
  std::string CountingWave(const std::string& name, int frames, int rate = 22050) {
    std::string data;
    for (int i = 0; i < frames; ++i) {
      const auto v = static_cast<uint16_t>(i + 1);
      data.push_back(static_cast<char>(v & 0xFF));
      data.push_back(static_cast<char>(v >> 8));
    }
    std::string fmt;
    auto put16 = [&](uint32_t v) {
      fmt.push_back(static_cast<char>(v & 0xFF));
      fmt.push_back(static_cast<char>((v >> 8) & 0xFF));
    };
    put16(1);
    put16(1);
    put16(static_cast<uint32_t>(rate) & 0xFFFF);
    put16(static_cast<uint32_t>(rate) >> 16);
    put16(static_cast<uint32_t>(rate * 2) & 0xFFFF);
    put16(static_cast<uint32_t>(rate * 2) >> 16);
    put16(2);
    put16(16);
    std::string riff = "WAVEfmt ";
    riff += std::string("\x10\0\0\0", 4) + fmt + "data";
    const auto n = static_cast<uint32_t>(data.size());
    riff += std::string{static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                        static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)};
    riff += data;
    const auto total = static_cast<uint32_t>(riff.size());
    const std::string file = "RIFF" + std::string{static_cast<char>(total & 0xFF), static_cast<char>((total >> 8) & 0xFF),
                                                  static_cast<char>((total >> 16) & 0xFF),
                                                  static_cast<char>(total >> 24)} +
                             riff;
    WriteFile(name, file);
    return Path(name);
  }
  std::vector<int16_t> Ints(const uint8_t* p, size_t bytes) {
    std::vector<int16_t> v(bytes / 2);
    std::memcpy(v.data(), p, v.size() * 2);
    return v;
  }
};

TEST_F(SoundTool, DecodeWritesPcmWave) {
  const std::string in = CountingWave("tone.wav", 3000, 11025);
  ASSERT_EQ(Run({"sound", "decode", in, Path("out.wav")}), 0);
  DecodedSound back;
  std::string error;
  ASSERT_TRUE(DecodeSoundFile(Path("out.wav"), back, error)) << error;
  EXPECT_EQ(back.format.rate, 11025);
  ASSERT_EQ(back.samples.size(), 6000u);
  EXPECT_EQ(Ints(back.samples.data(), 4), (std::vector<int16_t>{1, 2}));
  if (!testsupport::RequireTool("sox").empty()) {
    ASSERT_EQ(std::system(("sox '" + Path("out.wav") + "' -t raw '" + Path("a.raw") + "' && sox '" + in + "' -t raw '" +
                           Path("b.raw") + "'")
                              .c_str()),
              0);
    EXPECT_EQ(ReadBytes(Path("a.raw")), ReadBytes(Path("b.raw")));
    EXPECT_EQ(ReadBytes(Path("a.raw")).size(), 6000u);
  }
  std::string err;
  WriteFile("bad.wav", "RIFF\x04\0\0\0WAVE");
  EXPECT_EQ(Run({"sound", "decode", Path("bad.wav"), Path("o.wav")}, &err), 1);
  EXPECT_NE(err.find("refused"), std::string::npos) << err;
  EXPECT_EQ(Run({"sound", "decode", Path("missing.wav"), Path("o.wav")}), 1);
  EXPECT_EQ(Run({"sound", "decode", in}), 2);
}

// What "sound decode" reads: a FIFO is read once (a writer feeds it while the
// tool reads), and inputs that hold no sound get one line that says why.
TEST_F(SoundTool, DecodeReadsFifosAndNamesWhatIsNoSound) {
  const std::string source = CountingWave("source.wav", 10000, 16000);
  const std::string sourceBytes = ReadBytes(source);
  ASSERT_EQ(Run({"sound", "decode", source, Path("regular.wav")}), 0);
  const std::string expected = ReadBytes(Path("regular.wav"));
  std::filesystem::create_directory(Path("folder"));
  WriteFile("text.txt", "these are not samples\n");
  WriteFile("empty.wav", "");
  struct Case {
    const char* name;
    std::string input;
    bool fifo;
    int exit;
    std::string err;
  };
  const Case cases[] = {
      {"WAVE through a FIFO", Path("fifo.wav"), true, 0, ""},
      {"a folder", Path("folder"), false, 1, "ostrevan-tool: " + Path("folder") + ": is a folder, not a sound file\n"},
      {"a missing file", Path("missing.wav"), false, 1, "ostrevan-tool: " + Path("missing.wav") + ": no such file\n"},
      {"an empty file", Path("empty.wav"), false, 1, "ostrevan-tool: " + Path("empty.wav") + ": the file is empty\n"},
      {"text", Path("text.txt"), false, 1,
       "ostrevan-tool: " + Path("text.txt") + ": not a WAVE, raw (RSX) or MPEG Layer II sound file\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(Path("out.wav"));
    std::atomic<bool> finished{false};
    std::thread writer;
    if (c.fifo) {
      ASSERT_EQ(::mkfifo(c.input.c_str(), 0600), 0);
      writer = std::thread([&] {
        const int fd = ::open(c.input.c_str(), O_WRONLY);
        if (fd >= 0) {
          for (size_t done = 0; done < sourceBytes.size();) {
            const ssize_t n = ::write(fd, sourceBytes.data() + done, sourceBytes.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
          }
          ::close(fd);
        }
        // A reader that opens the FIFO again would wait for a writer for
        // ever: after a while it gets an empty one, and the test fails
        // instead of hanging.
        for (int i = 0; i < 500 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        while (!finished) {
          const int again = ::open(c.input.c_str(), O_WRONLY | O_NONBLOCK);
          if (again >= 0) ::close(again);
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
      });
    }
    std::string err;
    EXPECT_EQ(Run({"sound", "decode", c.input, Path("out.wav")}, &err), c.exit);
    finished = true;
    if (writer.joinable()) writer.join();
    EXPECT_EQ(err, c.err);
    if (c.exit == 0) {
      EXPECT_TRUE(ReadBytes(Path("out.wav")) == expected);
    }
  }
}

TEST_F(SoundTool, DecodeTurnsLayerIIAudioIntoWave) {
  const std::string ffmpeg = testsupport::RequireTool("ffmpeg");
  if (ffmpeg.empty()) return;
  const std::string mp2 = Path("clip.mp2");
  ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i \"sine=frequency=500:sample_rate=32000:duration=0.2\" " +
                         "-ac 2 -c:a mp2 -b:a 128k -f mp2 '" + mp2 + "' && " + ffmpeg +
                         " -nostdin -loglevel error -y -c:a mp2float -i '" + mp2 + "' -f s16le '" + Path("ref.raw") + "'")
                            .c_str()),
            0);
  ASSERT_EQ(Run({"sound", "decode", mp2, Path("clip.wav")}), 0);
  DecodedSound back;
  std::string error;
  ASSERT_TRUE(DecodeSoundFile(Path("clip.wav"), back, error)) << error;
  EXPECT_EQ(back.format.rate, 32000);
  EXPECT_EQ(back.format.Channels(), 2);
  EXPECT_EQ(back.format.bits, 16);
  // As many samples as ffmpeg's decoder gives, and the same sound.
  const std::string reference = ReadBytes(Path("ref.raw"));
  ASSERT_EQ(back.samples.size(), reference.size());
  const std::vector<int16_t> ours = Ints(back.samples.data(), back.samples.size());
  const std::vector<int16_t> ref = Ints(reinterpret_cast<const uint8_t*>(reference.data()), reference.size());
  double signal = 0, noise = 0;
  for (size_t i = 0; i < ref.size(); ++i) {
    const double r = ref[i], d = r - ours[i];
    signal += r * r;
    noise += d * d;
  }
  EXPECT_GT(signal, 0);
  EXPECT_LT(noise, signal * 1e-5);
  // An ID3 tag before the frames (holding chance sync words) is passed over.
  const std::string tag = std::string("ID3\x03\0\0\0\0\0\x14", 10) + std::string(4, '\xFF') +
                          std::string("\xFF\xFB\x90\x00\xFF\xFB\x90\x00", 8) + std::string(8, '\0');
  WriteFile("tagged.mp2", tag + ReadBytes(mp2));
  ASSERT_EQ(Run({"sound", "decode", Path("tagged.mp2"), Path("tagged.wav")}), 0);
  EXPECT_EQ(ReadBytes(Path("tagged.wav")), ReadBytes(Path("clip.wav")));
  // A free-format stream (bit-rate index 0) is refused with a reason.
  std::string bytes = ReadBytes(mp2);
  for (size_t at = 0; at + 2 < bytes.size(); at += 576) bytes[at + 2] = static_cast<char>(bytes[at + 2] & 0x0F);
  WriteFile("free.mp2", bytes);
  std::string err;
  EXPECT_EQ(Run({"sound", "decode", Path("free.mp2"), Path("free.wav")}, &err), 1);
  EXPECT_NE(err.find("free-format"), std::string::npos) << err;
}

// The samples go to the file as they are decoded and the header is written
// last: the bytes are those of the whole sound made into a WAVE in memory,
// into a file and into a pipe alike (which cannot be written at its start
// again), for MPEG and WAVE input; a sound that cannot be decoded leaves the
// file it would have replaced as it was.
TEST_F(SoundTool, DecodedWaveIsTheWholeSoundsWaveInFilesAndPipes) {
  const std::string ffmpeg = testsupport::RequireTool("ffmpeg");
  if (ffmpeg.empty()) return;
  const std::string mp2 = Path("long.mp2");
  // Several seconds: more than one write's worth of samples.
  ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i \"sine=frequency=300:sample_rate=48000:"
                                  "duration=6\" -ac 2 -c:a mp2 -b:a 192k -f mp2 '" + mp2 + "'").c_str()),
            0);
  const std::string mpeg = ReadBytes(mp2);
  DecodedSound whole;
  std::string error;
  ASSERT_TRUE(DecodeLayerIIBytes(reinterpret_cast<const uint8_t*>(mpeg.data()), mpeg.size(), whole, error)) << error;
  const std::vector<uint8_t> wave = MakePCMWave(whole);
  const std::string want(wave.begin(), wave.end());
  ASSERT_GT(want.size(), size_t{1} << 20);
  const std::string wavInput = CountingWave("odd.wav", 1001);
  DecodedSound counting;
  ASSERT_TRUE(DecodeSoundFile(wavInput, counting, error)) << error;
  const std::vector<uint8_t> countingWave = MakePCMWave(counting);
  struct Case {
    const char* name;
    std::string input;
    std::string want;
  } cases[] = {{"layer II", mp2, want}, {"wave", wavInput, std::string(countingWave.begin(), countingWave.end())}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string err;
    ASSERT_EQ(Run({"sound", "decode", c.input, Path("out.wav")}, &err), 0) << err;
    EXPECT_TRUE(ReadBytes(Path("out.wav")) == c.want);
    // A FIFO read by another thread while the tool writes into it.
    const std::string fifo = Path("out.fifo");
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string piped;
    std::thread reader([&] { piped = ReadBytes(fifo); });
    EXPECT_EQ(Run({"sound", "decode", c.input, fifo}, &err), 0) << err;
    reader.join();
    EXPECT_TRUE(piped == c.want) << piped.size() << " bytes, not " << c.want.size();
  }
  // A stream that yields no sound: an error, and the old file untouched.
  WriteFile("kept.wav", "old contents");
  std::string bytes = mpeg;
  for (size_t at = 0; at + 2 < bytes.size(); at += 576) bytes[at + 2] = static_cast<char>(bytes[at + 2] & 0x0F);
  WriteFile("free.mp2", bytes);
  std::string err;
  EXPECT_EQ(Run({"sound", "decode", Path("free.mp2"), Path("kept.wav")}, &err), 1);
  EXPECT_EQ(ReadBytes(Path("kept.wav")), "old contents");
}

TEST_F(SoundTool, BuilderStoresRawSoundsThatPlayFromTheArchive) {
  CountingWave("small.wav", 1000);
  CountingWave("large.wav", 40000);  // 80000 bytes: read on demand
  WriteFile("junk.wav", "not a sound at all");
  Built bad = ToolBuild("600 60 \"junk.wav\"\r\n");
  EXPECT_FALSE(bad.ok);
  EXPECT_NE(bad.log.find("Build aborted: An error occurred when reading/converting/writing the audio file"),
            std::string::npos)
      << bad.log;
  Built b = ToolBuild("600 60 \"small.wav\"\r\n601 60 \"large.wav\"\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  EXPECT_NE(b.log.find(" 600\t'RSX '\t"), std::string::npos) << b.log;
  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec(Path("out.msf").c_str()), false));
  ScopedMediaArchive scope(&archive);

  auto* small = new MediaAudioStream(600);
  EXPECT_EQ(small->GetTypeCode(), MakeTypeCode("RSX "));
  EXPECT_TRUE(small->IsLoadedWhole());
  EXPECT_EQ(small->GetDataSize(), 2000);
  small->Release();

  auto* large = new MediaAudioStream(601);
  ASSERT_TRUE(large->HasReader());
  EXPECT_FALSE(large->IsLoadedWhole());
  EXPECT_EQ(large->GetDurationMs(), 1814);
  // On demand: reads follow the position.
  large->Reset(1000);
  int32_t bytes = 4;
  bool failed = true;
  uint8_t buffer[4];
  uint8_t* data = large->ReadSamples(buffer, bytes, failed);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(Ints(data, 4), (std::vector<int16_t>{501, 502}));
  // Streaming through a 32768-byte ring: a read that wraps comes back joined.
  large->StartStreaming(32768);
  std::vector<int16_t> got;
  while (got.size() < 15000) {
    bytes = 3000;
    data = large->ReadSamples(nullptr, bytes, failed);
    ASSERT_NE(data, nullptr);
    const auto v = Ints(data, static_cast<size_t>(bytes));
    got.insert(got.end(), v.begin(), v.end());
    large->Refill();
  }
  bytes = 4096;  // from byte 30000: 2768 bytes to the ring's end and 1328 from its start
  data = large->ReadSamples(nullptr, bytes, failed);
  ASSERT_EQ(bytes, 4096);
  const auto joined = Ints(data, 4096);
  for (size_t i = 0; i < joined.size(); ++i) ASSERT_EQ(joined[i], static_cast<int16_t>(15001 + i)) << i;
  for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], static_cast<int16_t>(i + 1)) << i;
  // A request larger than the ring is bounded by it.
  large->Refill();
  bytes = 100000;
  data = large->ReadSamples(nullptr, bytes, failed);
  EXPECT_LE(bytes, 32768);
  // Reset: 1000 is ignored, 0 restarts with a refilled ring.
  large->Reset(1000);
  bytes = 2;
  data = large->ReadSamples(nullptr, bytes, failed);
  EXPECT_NE(Ints(data, 2)[0], 1);
  large->Reset(0);
  bytes = 2;
  data = large->ReadSamples(nullptr, bytes, failed);
  EXPECT_EQ(Ints(data, 2)[0], 1);
  // A dry ring gives silence rather than the end.
  while (true) {
    bytes = 32768;
    data = large->ReadSamples(nullptr, bytes, failed);
    if (Ints(data, 2)[0] == 0) break;
  }
  EXPECT_FALSE(large->IsAtEnd(large->GetReadPosition()));
  large->Release();

  // Played from the archive through a mixer.
  VCaptureAudioDevice device(VAudioFormat(22050, 16, false));
  auto* mixer = new VAudioMixer(&device, 16);
  auto* again = new MediaAudioStream(601);
  ASSERT_TRUE(again->Play(0, 32767, 440));
  again->Release();
  device.PullFrames(40000);
  const auto mixed = Ints(device.Captured().data(), device.Captured().size());
  for (size_t i = 0; i < mixed.size(); ++i) ASSERT_EQ(mixed[i], static_cast<int16_t>(i + 1)) << i;
  delete mixer;
}

TEST_F(SoundTool, SoundManagerEffectsAndLoops) {
  CountingWave("a.wav", 500);
  CountingWave("b.wav", 300);
  Built b = ToolBuild("600 60 \"a.wav\"\r\n602 60 \"b.wav\"\r\n605 60 \"a.wav\"\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec(Path("out.msf").c_str()), false));
  ScopedMediaArchive scope(&archive);
  VCaptureAudioDevice device(VAudioFormat(22050, 16, false));
  auto* mixer = new VAudioMixer(&device, 16);
  SoundManager& manager = InstallTitleSoundTable();
  EXPECT_EQ(manager.MediaIdForSound(3), 602);
  EXPECT_EQ(manager.MediaIdForSound(66), 0);
  manager.AcquireSound(7);
  manager.AcquireSound(7);
  manager.ReleaseSound(7);
  EXPECT_EQ(manager.GetUseCount(7), 1);  // still loaded
  ASSERT_NE(manager.GetEffectStream(7), nullptr);
  manager.ReleaseSound(7);
  EXPECT_EQ(manager.GetUseCount(7), 0);
  manager.AcquireSound(2);
  manager.AcquireSound(3);
  EXPECT_NE(manager.GetEffectStream(2), manager.GetEffectStream(3));  // one media id, two items
  manager.AcquireSound(70);  // outside the table: nothing
  EXPECT_EQ(manager.GetUseCount(70), 0);
  manager.TriggerSound(2);
  manager.TriggerSound(2);  // two overlapping copies
  manager.TriggerSound(9);  // never acquired: nothing
  device.PullFrames(4);
  EXPECT_EQ(Ints(device.Captured().data(), 8), (std::vector<int16_t>{2, 4, 6, 8}));
  // The ambient loop repeats until stopped and is not restarted while it plays.
  manager.AcquireSound(0);
  manager.SetLoopSound0(manager.GetEffectStream(0));
  manager.StartLoopSound0();
  device.ClearCaptured();
  device.PullFrames(1200);
  manager.StartLoopSound0();
  device.PullFrames(100);
  const auto loop = Ints(device.Captured().data(), device.Captured().size());
  for (int i = 0; i < 1300; ++i) {
    const int loopValue = i % 500 + 1;
    const int effects = i + 5 <= 300 ? 2 * (i + 5) : 0;  // the two triggered copies end after 300 frames
    ASSERT_EQ(loop[static_cast<size_t>(i)], loopValue + effects) << i;
  }
  EXPECT_TRUE(manager.GetLoopChannel(0)->IsPlaying());
  manager.StopLoopSound0();
  EXPECT_FALSE(manager.GetLoopChannel(0)->IsPlaying());
  // Footsteps play once per start.
  manager.SetLoopSound1(manager.GetEffectStream(3));
  manager.StartLoopSound1();
  device.ClearCaptured();
  device.PullFrames(400);
  const auto steps = Ints(device.Captured().data(), device.Captured().size());
  EXPECT_EQ(steps[299], 300);
  EXPECT_EQ(steps[300], 0);
  DestroySoundManager();
  delete mixer;
}

TEST_F(SoundTool, MediaServicesSetUpAudio) {
  SoundMediaServices& services = GetSoundMediaServices();
  VMediaServices* previous = SetMediaServices(&services);
  EXPECT_FALSE(StartMovieLibrary());
  VAudioDevice* made = nullptr;
  SetAudioDeviceFactory([&made](const VAudioFormat& format, bool) {
    made = new VCaptureAudioDevice(format);
    return made;
  });
  ASSERT_TRUE(services.SetupAudio(AudioSetup{.format = VAudioFormat(11025, 8, true), .priorityLevel = true,
                                             .levelCount = 16}));
  EXPECT_EQ(services.GetDevice(), made);
  EXPECT_TRUE(made->GetEncodingFormat().SameFormat(VAudioFormat(11025, 8, true)));
  EXPECT_EQ(GetCurrentMixer(), services.GetMixer());
  SetAudioActive(true);
  EXPECT_TRUE(made->IsOpen());
  EXPECT_TRUE(GetAudioFollowsActivation());
  SetAudioActive(false);
  EXPECT_FALSE(made->IsOpen());
  services.ShutdownAudio();
  EXPECT_EQ(GetCurrentMixer(), nullptr);
  EXPECT_EQ(GetCurrentAudioDevice(), nullptr);
  SetAudioDeviceFactory(nullptr);
  SetMediaServices(previous);
}

}  // namespace
