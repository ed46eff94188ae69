// The mixer and its channels through a capture device: several sounds mixed
// equal `sox -m` (saturating sum, no dither) at the device format; volume,
// pan, pitch, priorities, loops and the dropping of finished channels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/MediaAudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "engine/sound/SoundDecoding.h"
#include "engine/sound/VolumeTables.h"
#include "SoundTestSupport.h"

namespace {

using namespace soundtest;

const VAudioEncodingFormat kS16Mono(22050, 16, false, kAudioEncodingSigned);

std::vector<int16_t> Samples16(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> v(bytes.size() / 2);
  std::memcpy(v.data(), bytes.data(), v.size() * 2);
  return v;
}

VAudioStream* Stream16(const std::vector<int16_t>& samples, const VAudioEncodingFormat& format = kS16Mono) {
  return new VMemoryAudioStream(format, samples.data(), static_cast<int32_t>(samples.size() * 2));
}

// Frames of the fade-out of a channel that stops adding to the mix: 5 ms.
constexpr int32_t kFadeFrames = 22050 / 200;

// A fade from a last frame of `from`: a straight ramp to zero over
// kFadeFrames frames, then silence.
void ExpectFadeFrom(const std::vector<int16_t>& out, int from) {
  ASSERT_GT(out.size(), static_cast<size_t>(kFadeFrames));
  for (int f = 0; f < kFadeFrames; ++f) {
    ASSERT_EQ(out[static_cast<size_t>(f)], from * (kFadeFrames - f) / kFadeFrames) << "frame " << f;
  }
  for (size_t f = kFadeFrames; f < out.size(); ++f) ASSERT_EQ(out[f], 0) << "frame " << f;
}

class Mixing : public testsupport::TempDirTest {
 protected:
  explicit Mixing(const VAudioFormat& format = VAudioFormat(22050, 16, false))
      : TempDirTest("sound_mix_"), device_(format), mixer_(new VAudioMixer(&device_, 16)) {
    EnsureStandardSoundCodecs();
    device_.Open();
  }
  ~Mixing() override { delete mixer_; }

  std::vector<int16_t> Pull(int32_t frames) {
    device_.ClearCaptured();
    device_.PullFrames(frames);
    return Samples16(device_.Captured());
  }

  VCaptureAudioDevice device_;
  VAudioMixer* mixer_;
};

// Two loud sounds saturate; sixteen quiet ones stay in range (the mixer clips
// after each addition, sox once per sum: they agree while partial sums fit).
TEST_F(Mixing, ManySoundsEqualSoxMix) {
  REQUIRE_SOUND_TOOL("sox");
  for (int count : {2, 16}) {
    std::string soxArgs;
    int longest = 0;
    for (int i = 0; i < count; ++i) {
      const std::string wav = Path("in" + std::to_string(i) + ".wav");
      const double seconds = 0.2 + 0.03 * i;
      ASSERT_EQ(Shell("sox -n -r 22050 -c 1 -b 16 '" + wav + "' synth " + std::to_string(seconds) + " sine " +
                      std::to_string(150 + 97 * i) + (count == 2 ? " vol 0.7" : " vol 0.06")),
                0);
      soxArgs += " -v 1 '" + wav + "'";
      DecodedSound sound;
      std::string error;
      ASSERT_TRUE(DecodeSoundFile(wav, sound, error)) << error;
      longest = std::max(longest, static_cast<int>(sound.samples.size() / 2));
      auto* stream = new VMemoryAudioStream(sound.format, sound.samples.data(),
                                            static_cast<int32_t>(sound.samples.size()));
      ASSERT_TRUE(stream->Play(0, 32767, 440));
      stream->Release();
    }
    ASSERT_EQ(Shell("sox -D -m" + soxArgs + " -t raw -e signed -b 16 '" + Path("ref.raw") + "' 2>/dev/null"), 0);
    const std::string refBytes = testsupport::ReadBytes(Path("ref.raw"));
    std::vector<int16_t> ref(refBytes.size() / 2);
    std::memcpy(ref.data(), refBytes.data(), ref.size() * 2);
    ASSERT_EQ(static_cast<int>(ref.size()), longest);
    // Pulled in device blocks: 512 frames each at 22050 Hz.
    device_.ClearCaptured();
    device_.PullBlocks(longest / 1024 + 2);
    const std::vector<int16_t> mixed = Samples16(device_.Captured());
    ASSERT_GE(mixed.size(), ref.size());
    int differences = 0;
    for (size_t i = 0; i < ref.size(); ++i) differences += mixed[i] != ref[i];
    EXPECT_EQ(differences, 0) << count << " sounds";
    for (size_t i = ref.size(); i < mixed.size(); ++i) ASSERT_EQ(mixed[i], 0) << i;
    EXPECT_EQ(mixer_->CountChannels(), 0);  // every finished channel dropped
  }
}

TEST_F(Mixing, SaturatingSumsPerFormat) {
  struct Case {
    int bits;
    int32_t encoding;
    std::vector<uint8_t> a, b, expected;
  } cases[] = {
      {8, kAudioEncodingUnsigned, {200, 10}, {200, 20}, {255, 0}},
      {8, kAudioEncodingSigned, {100, 0x9C}, {100, 0x9C}, {127, 0x80}},
      {16, kAudioEncodingSigned, {0xFF, 0x7F, 0x00, 0x80}, {0x01, 0x00, 0xFF, 0xFF}, {0xFF, 0x7F, 0x00, 0x80}},
      {16, kAudioEncodingUnsigned, {0x00, 0xF0, 0x00, 0x10}, {0x00, 0xF0, 0x00, 0x10}, {0xFF, 0xFF, 0x00, 0x00}},
  };
  for (Case& c : cases) {
    AddSaturating(c.a.data(), c.b.data(), static_cast<int32_t>(c.a.size()),
                  VAudioEncodingFormat(22050, c.bits, false, c.encoding));
    EXPECT_EQ(c.a, c.expected) << c.bits << " bits, encoding " << c.encoding;
  }
}

TEST_F(Mixing, NoBusyChannelGivesSilence) {
  device_.PullFrames(4);
  EXPECT_EQ(device_.Captured(), std::vector<uint8_t>(8, 0));
}

TEST_F(Mixing, VolumeAndPitch) {
  std::vector<int16_t> ramp(4000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i * 8 - 16000);
  VAudioStream* stream = Stream16(ramp);
  VAudioChannel* channel = nullptr;
  ASSERT_TRUE(stream->PlayOnNewChannel(channel, 0, 32767, 440));
  std::vector<int16_t> out = Pull(100);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(out[static_cast<size_t>(i)], ramp[static_cast<size_t>(i)]);  // bit-identical
  channel->SetChannelVolume(50);
  channel->SetVolume(50);  // 25 percent: factor 64
  out = Pull(10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], (ramp[static_cast<size_t>(100 + i)] * 64) >> 8);
  channel->SetChannelVolume(100);
  channel->SetVolume(100);
  channel->Stop();
  // Pitch 880 against 440: every second frame.
  ASSERT_TRUE(stream->PlayOnChannel(channel, 0, 32767, 880));
  out = Pull(50);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], ramp[static_cast<size_t>(2 * i)]);
  channel->Stop();
  // Pitch 220: each frame twice.
  ASSERT_TRUE(stream->PlayOnChannel(channel, 0, 32767, 220));
  out = Pull(50);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], ramp[static_cast<size_t>(i / 2)]);
  channel->SetChannelVolume(0);
  ExpectFadeFrom(Pull(kFadeFrames + 10), ramp[24]);  // volume 0 renders nothing, after the fade-out
  channel->Stop();
  channel->Release();
  stream->Release();
}

// A sound for the single-pass comparisons: its format and loop count.
struct Sound {
  VAudioEncodingFormat format;
  int32_t loops;
};

// A channel playing one of the streams.
struct Voice {
  size_t stream;
  int32_t pitch, volume, pan, offsetMs;
};

// Noise of a length of its own for each sound, in memory.
std::vector<VAudioStream*> MemoryStreams(const std::vector<Sound>& sounds) {
  std::vector<VAudioStream*> streams;
  for (size_t v = 0; v < sounds.size(); ++v) {
    const Sound& sound = sounds[v];
    std::vector<uint8_t> bytes(static_cast<size_t>(sound.format.BytesForFrames(700 + 300 * static_cast<int64_t>(v))));
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i * 7 + v * 13) * 2654435761u >> 24);
    auto* stream = new VMemoryAudioStream(sound.format, bytes.data(), static_cast<int32_t>(bytes.size()));
    stream->SetLoopCount(sound.loops);
    streams.push_back(stream);
  }
  return streams;
}

// The mixer adds each channel's scaled samples in one pass; that equals the
// plain way written out here: the first channel's rendered block copied (or,
// with `add`, every block added to what the device's block held) and every
// other one rendered and added with saturation. Twin channels of the same
// streams, outside the mixer, give the plain blocks. Releases the streams.
void ExpectMixEqualsRenderedBlocksAdded(const std::vector<VAudioStream*>& streams, const std::vector<Voice>& voices,
                                        bool add) {
  EnsureStandardSoundCodecs();
  auto play = [&](const Voice& voice) {
    auto* channel = new VAudioChannel(true);
    EXPECT_TRUE(channel->QueueStream(streams[voice.stream], voice.offsetMs, 0, voice.pitch));
    channel->SetChannelVolume(voice.volume);
    channel->SetPan(voice.pan);
    return channel;
  };
  for (const VAudioEncodingFormat& output : {VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned),
                                              VAudioEncodingFormat(22050, 16, true, kAudioEncodingSigned),
                                              VAudioEncodingFormat(22050, 16, true, kAudioEncodingUnsigned)}) {
    std::vector<VAudioChannel*> plain;
    for (const Voice& voice : voices) plain.push_back(play(voice));  // no mixer yet: they stay outside
    VCaptureAudioDevice device(output);
    device.Open();
    auto* mixer = new VAudioMixer(&device, 16);
    std::vector<VAudioChannel*> mixed;
    for (const Voice& voice : voices) mixed.push_back(play(voice));
    const int32_t frames = 333;
    const size_t bytes = static_cast<size_t>(output.BytesForFrames(frames));
    for (int block = 0; block < 12; ++block) {
      std::vector<uint8_t> before(bytes);
      for (size_t i = 0; i < bytes; ++i) before[i] = static_cast<uint8_t>((i * 5 + block * 11) * 2654435761u >> 24);
      std::vector<uint8_t> expected = before, actual = before;
      bool first = !add;
      for (VAudioChannel* channel : plain) {
        int32_t n = frames;
        uint8_t* data = channel->RenderBlock(first ? expected.data() : nullptr, output, n, true);
        if (!data) continue;
        if (first) {
          if (data != expected.data()) std::memcpy(expected.data(), data, bytes);
          first = false;
        } else {
          AddSaturating(expected.data(), data, static_cast<int32_t>(bytes), output);
        }
      }
      if (first) FillSilence(expected.data(), output, frames);
      ASSERT_NE(mixer->FillBuffer(actual.data(), output, frames, add), nullptr);
      ASSERT_EQ(actual, expected) << "block " << block << ", output " << output.bits << " bits"
                                  << (output.stereo ? " stereo" : " mono") << " encoding " << output.encoding
                                  << (add ? ", added" : "");
    }
    for (VAudioChannel* c : mixed) {
      c->Stop();
      c->Release();
    }
    delete mixer;
    for (VAudioChannel* c : plain) {
      c->Stop();
      c->Release();
    }
  }
  for (VAudioStream* s : streams) s->Release();
}

const VAudioEncodingFormat kU8(11025, 8, false, kAudioEncodingUnsigned);
const VAudioEncodingFormat kS16Stereo(44100, 16, true, kAudioEncodingSigned);

// Formats converted and not, loops and a stream that ends mid-block.
const std::vector<Sound> kSounds = {{kS16Mono, -1},   {kS16Mono, 2}, {kU8, -1},     {kS16Mono, 1},
                                    {kS16Stereo, -1}, {kS16Mono, 1}, {kU8, 3}};
// One voice for each, with pitches, volumes and pans.
const std::vector<Voice> kVoices = {{0, 440, 100, 45, 0}, {1, 440, 60, -60, 0}, {2, 494, 75, 45, 0},
                                    {3, 392, 33, -60, 0}, {4, 523, 90, 45, 0},  {5, 440, 100, -60, 0},
                                    {6, 440, 50, 45, 0}};

TEST(MixerSinglePass, EqualsRenderedBlocksAdded) {
  ExpectMixEqualsRenderedBlocksAdded(MemoryStreams(kSounds), kVoices, false);
}

// The channels are added in groups (each channel held while its group is
// added): more channels than one group, volumes on both sides of half (where
// the scaling changes) and pans that scale the sides apart, onto silence and
// onto what the device's block already held.
TEST(MixerSinglePass, ManyChannelsInGroupsEqualRenderedBlocksAdded) {
  std::vector<Sound> sounds;
  std::vector<Voice> voices;
  for (size_t i = 0; i < 37; ++i) {
    sounds.push_back(kSounds[i % kSounds.size()]);
    const Voice& like = kVoices[i % kVoices.size()];
    const auto n = static_cast<int32_t>(i);
    voices.push_back({i, like.pitch, 20 + n * 37 % 81, (n % 3 - 1) * (10 + n), 0});
  }
  for (const bool add : {false, true}) ExpectMixEqualsRenderedBlocksAdded(MemoryStreams(sounds), voices, add);
}

// One sound read from its file as it plays (too large to be loaded whole) on
// several channels at once, at different places: each read of the file
// lands in the same buffer of the stream, so a channel's samples must be
// taken before the next channel reads.
TEST(MixerSinglePass, OneSoundReadOnDemandOnSeveralChannels) {
  testsupport::TempDir dir("sound_mix_");
  std::string samples;
  for (uint32_t i = 0; i < 50000; ++i) Put16(samples, (i * 2654435761u) >> 16);
  const std::string path = dir.Path("large.wav");
  {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const std::string wave = Riff(Chunk("fmt ", PcmFormat(1, 1, 22050, 16)) + Chunk("data", samples));
    ASSERT_EQ(std::fwrite(wave.data(), 1, wave.size(), file), wave.size());
    std::fclose(file);
  }
  auto* stream = new MediaAudioStream(VFileSpec(path.c_str()), MakeTypeCode("WAVE"));
  ASSERT_TRUE(stream->HasReader());
  ASSERT_FALSE(stream->IsLoadedWhole());
  stream->SetLoopCount(-1);
  const std::vector<Voice> voices = {{0, 440, 90, 0, 0}, {0, 440, 70, 0, 300}, {0, 440, 100, 0, 1100}};
  for (const bool add : {false, true}) {
    stream->AddReference();
    ExpectMixEqualsRenderedBlocksAdded({stream}, voices, add);
  }
  stream->Release();
}

// A channel that stops adding to the mix while it sounds (stopped, held,
// silenced, or stopped and dropped by the mixer) fades its last frame out
// over a few milliseconds instead of dropping to zero in one sample.
TEST_F(Mixing, ASoundThatStopsAddingFadesOutInsteadOfClicking) {
  std::vector<int16_t> ramp(4000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(12000 - static_cast<int>(i));
  struct Case {
    const char* name;
    bool persistent;
    void (*stop)(VAudioChannel*);
  };
  const Case cases[] = {
      {"stopped", true, [](VAudioChannel* c) { c->Stop(); }},
      {"held", true, [](VAudioChannel* c) { c->Pause(); }},
      {"silenced", true, [](VAudioChannel* c) { c->SetChannelVolume(0); }},
      {"stopped and dropped", false, [](VAudioChannel* c) { c->Stop(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VAudioStream* stream = Stream16(ramp);
    VAudioChannel* channel = c.persistent ? nullptr : new VAudioChannel(false);
    if (c.persistent) {
      ASSERT_TRUE(stream->PlayOnNewChannel(channel, 0, 32767, 440));
    } else {
      ASSERT_TRUE(stream->PlayOnChannel(channel, 0, 32767, 440));
    }
    EXPECT_EQ(Pull(100)[99], ramp[99]);
    const int32_t channels = mixer_->CountChannels();
    c.stop(channel);
    ExpectFadeFrom(Pull(kFadeFrames + 20), ramp[99]);
    if (!c.persistent) {
      EXPECT_EQ(mixer_->CountChannels(), channels - 1);
    }
    channel->Stop();
    channel->Release();
    stream->Release();
    EXPECT_EQ(Pull(10), std::vector<int16_t>(10, 0));
  }
}

TEST_F(Mixing, PrioritiesAndPause) {
  VAudioStream* first = Stream16(std::vector<int16_t>(5000, 1000));
  VAudioStream* second = Stream16(std::vector<int16_t>(5000, 2000));
  VAudioChannel* channel = nullptr;
  ASSERT_TRUE(first->PlayOnNewChannel(channel, 0, 32767, 440));
  ASSERT_TRUE(second->PlayOnChannel(channel, 0, 32767, 440));  // equal priority: ignored
  EXPECT_EQ(Pull(4), std::vector<int16_t>(4, 1000));
  EXPECT_EQ(second->GetPlayCount(), 0);
  ASSERT_TRUE(second->PlayOnChannel(channel, 0, 100, 440));  // smaller number wins
  EXPECT_EQ(Pull(4), std::vector<int16_t>(4, 2000));
  EXPECT_EQ(first->GetPlayCount(), 0);
  channel->Pause();
  EXPECT_TRUE(channel->IsPlaying());
  ExpectFadeFrom(Pull(kFadeFrames + 4), 2000);
  channel->Resume();
  EXPECT_EQ(Pull(4), std::vector<int16_t>(4, 2000));
  EXPECT_EQ(channel->GetFramePosition(), 8);  // held time did not advance the sound
  channel->Stop();
  channel->Release();
  first->Release();
  second->Release();
}

TEST_F(Mixing, LoopsAndDropping) {
  std::vector<int16_t> tick = {1, 2, 3};
  VAudioStream* stream = Stream16(tick);
  stream->SetLoopCount(3);
  ASSERT_TRUE(stream->Play(0, 32767, 440));
  EXPECT_EQ(mixer_->CountChannels(), 1);
  EXPECT_EQ(Pull(12), (std::vector<int16_t>{1, 2, 3, 1, 2, 3, 1, 2, 3, 0, 0, 0}));
  Pull(1);
  EXPECT_EQ(mixer_->CountChannels(), 0);  // non-persistent: dropped on the next pass
  // Endless loop on a persistent channel until Stop.
  stream->SetLoopCount(-1);
  VAudioChannel* channel = nullptr;
  ASSERT_TRUE(stream->PlayOnNewChannel(channel, 0, 32767, 440));
  std::vector<int16_t> out = Pull(3000);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], tick[i % 3]) << i;
  channel->Stop();
  EXPECT_FALSE(channel->IsPlaying());
  Pull(kFadeFrames);
  EXPECT_EQ(mixer_->CountChannels(), 1);  // persistent: kept for its owner
  ASSERT_TRUE(stream->PlayOnChannel(channel, 0, 32767, 440));
  EXPECT_EQ(Pull(3), tick);
  channel->Stop();
  channel->Release();
  Pull(kFadeFrames);
  // An empty sound set to loop for ever ends instead of spinning.
  VAudioStream* empty = Stream16({});
  empty->SetLoopCount(-1);
  ASSERT_TRUE(empty->Play(0, 32767, 440));
  EXPECT_EQ(Pull(4), std::vector<int16_t>(4, 0));
  empty->Release();
  stream->Release();
}

TEST_F(Mixing, QueuedStreamsPlayInOrderAndOffsetsSkip) {
  VAudioStream* stream = Stream16({10, 20, 30, 40, 50});
  VAudioChannel* channel = nullptr;
  ASSERT_TRUE(stream->PlayOnNewChannel(channel, 0, 32767, 440));
  channel->SetPosition(0);
  EXPECT_EQ(Pull(2), (std::vector<int16_t>{10, 20}));
  channel->Stop();
  std::vector<int16_t> second(22050, 7);
  second[11025] = 99;
  VAudioStream* longer = Stream16(second);
  ASSERT_TRUE(longer->PlayOnChannel(channel, 500, 32767, 440));  // half a second in
  EXPECT_EQ(Pull(1), std::vector<int16_t>{99});
  channel->Stop();
  channel->Release();
  stream->Release();
  longer->Release();
}

TEST(VolumeTables, LevelsAndPan) {
  BuildVolumeTables(16);
  // Volume 50 with 16 levels uses level 8 (gain 8/16); 99 uses level 15.
  uint8_t u[] = {255, 0, 128};
  ApplyVolumeAndPan(u, VAudioEncodingFormat(11025, 8, false, kAudioEncodingUnsigned), 3, 50, 0);
  EXPECT_EQ(u[0], static_cast<uint8_t>(0.5 * 127 + 128));
  EXPECT_EQ(u[1], 64);
  EXPECT_EQ(u[2], 128);
  uint8_t s[] = {0x80, 100};
  ApplyVolumeAndPan(s, VAudioEncodingFormat(11025, 8, false, kAudioEncodingSigned), 2, 99, 0);
  EXPECT_EQ(static_cast<int8_t>(s[0]), static_cast<int8_t>(15.0 / 16 * -128));
  EXPECT_EQ(s[1], static_cast<uint8_t>(15.0 / 16 * 100));
  // Stereo pan: -50 keeps the left, right gets (pan + 100) * volume / 100 = 50.
  int16_t st[] = {1000, 1000, -1000, -1000};
  ApplyVolumeAndPan(reinterpret_cast<uint8_t*>(st), VAudioEncodingFormat(22050, 16, true, kAudioEncodingSigned), 2,
                    100, -50);
  EXPECT_EQ(st[0], 1000);
  EXPECT_EQ(st[1], (1000 * 128) >> 8);
  EXPECT_EQ(st[3], (-1000 * 128) >> 8);
  // Volume 100 with pan 0 is bit-identical; volume 0 is silence.
  int16_t same[] = {12345, -7};
  ApplyVolumeAndPan(reinterpret_cast<uint8_t*>(same), VAudioEncodingFormat(22050, 16, true, 2), 1, 100, 0);
  EXPECT_EQ(same[0], 12345);
  ApplyVolumeAndPan(reinterpret_cast<uint8_t*>(same), VAudioEncodingFormat(22050, 16, true, 2), 1, 0, 0);
  EXPECT_EQ(same[0], 0);
  EXPECT_EQ(same[1], 0);
  EXPECT_EQ(GetSignedVolumeTable(16), nullptr);
  EXPECT_EQ(GetUnsignedVolumeTable(-1), nullptr);
  FreeVolumeTables();
  EXPECT_EQ(GetSignedVolumeTable(0), nullptr);
}

TEST(MixerFormats, BigEndianDeviceGetsSwappedSamples) {
  EnsureStandardSoundCodecs();
  VCaptureAudioDevice device(VAudioFormat(22050, 16, false));
  VAudioEncodingFormat big(22050, 16, false, kAudioEncodingSigned);
  big.byteOrder = 0;
  device.SetEncodingFormat(big);
  device.Open();
  auto* mixer = new VAudioMixer(&device, 16);
  VAudioStream* stream = Stream16({0x1234, -2});
  ASSERT_TRUE(stream->Play(0, 32767, 440));
  device.PullFrames(2);
  EXPECT_EQ(device.Captured(), (std::vector<uint8_t>{0x12, 0x34, 0xFF, 0xFE}));
  stream->Release();
  delete mixer;
}

TEST(MixerLifetime, DestroyingTheMixerReleasesChannels) {
  VCaptureAudioDevice device(VAudioFormat(22050, 16, false));
  auto* mixer = new VAudioMixer(&device, 16);
  EXPECT_TRUE(device.HasCallback());
  EXPECT_GT(mixer->GetCallbackId(), 0);
  VAudioStream* stream = Stream16(std::vector<int16_t>(100000, 5));
  VAudioChannel* kept = nullptr;
  ASSERT_TRUE(stream->PlayOnNewChannel(kept, 0, 32767, 440));
  ASSERT_TRUE(stream->Play(0, 32767, 440));
  EXPECT_EQ(mixer->GetState(), VAudioMixer::kStateActivated);
  delete mixer;
  EXPECT_FALSE(device.HasCallback());
  EXPECT_EQ(GetCurrentMixer(), nullptr);
  EXPECT_EQ(kept->GetReferenceCount(), 1);  // ours survives without a mixer
  kept->Stop();
  kept->Release();
  EXPECT_EQ(stream->GetReferenceCount(), 1);
  stream->Release();
}

// A reference taken through the medium interface is the stream's own: the
// holder of the medium keeps the stream alive after the creator lets go.
TEST(MixerLifetime, StreamAndMediumShareOneCount) {
  VAudioStream* stream = Stream16({7, 8});
  VMedia* medium = stream;
  EXPECT_EQ(medium->AddReference(), 2);
  EXPECT_EQ(stream->Release(), 1);
  EXPECT_EQ(stream->GetReferenceCount(), 1);
  EXPECT_EQ(stream->GetDataSize(), 4);
  EXPECT_EQ(medium->Release(), 0);
}

}  // namespace

namespace {

// Two loud sounds at other device formats (8-bit unsigned, 16-bit stereo at
// 44100 Hz): the device's samples equal sox's saturated mix in that format.
TEST(MixerDeviceFormats, TwoSoundsEqualSoxMix) {
  REQUIRE_SOUND_TOOL("sox");
  EnsureStandardSoundCodecs();
  testsupport::TempDir dir("sound_mixfmt_");
  struct Case {
    int bits;
    int channels;
    int rate;
    const char* encoding;
  } cases[] = {{8, 1, 22050, "unsigned-integer"}, {16, 2, 44100, "signed-integer"}, {8, 2, 11025, "unsigned-integer"}};
  for (const Case& c : cases) {
    VCaptureAudioDevice device(VAudioFormat(c.rate, c.bits, c.channels == 2));
    device.Open();
    auto* mixer = new VAudioMixer(&device, 16);
    std::string soxArgs;
    const std::string spec = " -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) + " -b " +
                             std::to_string(c.bits) + " -e " + c.encoding + " ";
    for (int i = 0; i < 2; ++i) {
      const std::string wav = dir.Path("in" + std::to_string(i) + ".wav");
      ASSERT_EQ(Shell("sox -n" + spec + "'" + wav + "' synth " + std::to_string(0.15 + 0.05 * i) + " sine " +
                      std::to_string(200 + 310 * i) + " sine " + std::to_string(90 + 40 * i) + " vol 0.8"),
                0);
      soxArgs += " -v 1 '" + wav + "'";
      DecodedSound sound;
      std::string error;
      ASSERT_TRUE(DecodeSoundFile(wav, sound, error)) << error;
      auto* stream = new VMemoryAudioStream(sound.format, sound.samples.data(),
                                            static_cast<int32_t>(sound.samples.size()));
      ASSERT_TRUE(stream->Play(0, 32767, 440));
      stream->Release();
    }
    ASSERT_EQ(Shell("sox -D -m" + soxArgs + " -t raw" + spec + "'" + dir.Path("ref.raw") + "' 2>/dev/null"), 0);
    const std::string ref = testsupport::ReadBytes(dir.Path("ref.raw"));
    device.PullFrames(static_cast<int32_t>(ref.size() / static_cast<size_t>(c.channels * c.bits / 8)));
    ASSERT_EQ(device.Captured().size(), ref.size()) << c.bits << "/" << c.channels;
    int differences = 0;
    for (size_t i = 0; i < ref.size(); ++i) differences += device.Captured()[i] != static_cast<uint8_t>(ref[i]);
    EXPECT_EQ(differences, 0) << c.bits << " bits, " << c.channels << " channels";
    delete mixer;
  }
}

}  // namespace
