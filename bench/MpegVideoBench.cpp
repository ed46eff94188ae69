// Decoding MPEG-1 video streams with the engine's decoder, each picture
// converted to 16 bits (and, separately, decoding alone), against libavcodec's
// MPEG-1 decoder on one thread and against libmpeg2 over the same bytes: each
// of them with every picture it puts out converted to 16 bits (5-6-5, the
// whole picture into a buffer of its own, as the engine's pictures are; by
// libswscale for libavcodec, by libmpeg2's own converter, which works slice by
// slice as it decodes, for libmpeg2), and decoding alone; and the conversion
// of one 640 x 480 picture to 16 and 32 bits alone. The streams (60 pictures, groups of 12 with two B pictures,
// 3 Mbit/s, made by ffmpeg at start into a temporary folder):
//   0  synthetic (testsrc2), 640 x 480
//   1  synthetic (testsrc2), 352 x 240
//   2  photographic, 640 x 480: a pan over a photograph (mountains, from
//      lomiri-wallpapers, scripts/setup-bench.sh) with film grain
//   3  a movie of the sample disc, its video stream: the system stream named
//      by OSTREVAN_BENCH_MOVIE, else the disc's movie where a build of this
//      tree made the disc (this build's folder, then build/test, where the
//      tests' content.SampleDisc makes it), else the copy the disc is made
//      from (content/disc/media/prebuilt); a missing row is said so, loudly
// The repetitions are interleaved at random. The summary gives the engine's
// time as a ratio of each reference's, and the conversions' times per frame.
//
//   bench_MpegVideoBench [--benchmark_* options]
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
#include <mpeg2dec/mpeg2.h>
#include <mpeg2dec/mpeg2convert.h>
}

#include "LibavcodecDecode.h"
#include "MedianRatioReporter.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/mpeg/PlaneRecycler.h"
#include "engine/mpeg/SystemStreamSplitter.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"

namespace {

constexpr int kStreams = 4;
const char* const kStreamNames[kStreams] = {"synthetic 640x480", "synthetic 352x240", "photographic 640x480",
                                            "sample disc movie"};
std::vector<uint8_t> gStreams[kStreams];
// The pictures' size, from the first sequence header.
int32_t gWidth[kStreams], gHeight[kStreams];

const char* const kPhotograph = "/usr/share/backgrounds/picosdeeuropa_by_Aitzol_Berasategi.jpg";
constexpr const char* kEncode =
    " -frames:v 60 -c:v mpeg1video -bf 2 -g 12 -b:v 3000k -maxrate 3000k -bufsize 2000k -f mpeg1video ";

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The video stream of a system stream, demultiplexed by the engine.
std::vector<uint8_t> VideoOfMovie(const std::string& path) {
  if (access(path.c_str(), R_OK) != 0) return {};
  VFile file(VFileSpec(path.c_str()), 0, 0);
  if (!file.Open(1)) return {};
  SystemStreamSplitter splitter(&file);
  if (!splitter.SplitAll() || !splitter.FindVideo()) return {};
  return splitter.FindVideo()->bytes;
}

// The places the sample disc's movie is looked for, in order: the one named
// by OSTREVAN_BENCH_MOVIE alone when it is set.
std::vector<std::string> SampleDiscMovieCandidates() {
  if (const char* named = std::getenv("OSTREVAN_BENCH_MOVIE"); named && *named) return {named};
  const std::string movie = "/content/disc/work/media/19701.mpg";
  return {std::string(OSTREVAN_BINARY_DIR) + movie, std::string(OSTREVAN_SOURCE_DIR) + "/build/test" + movie,
          std::string(OSTREVAN_SOURCE_DIR) + "/content/disc/media/prebuilt/19701.mpg"};
}

// Why the sample disc movie's row is missing (empty when it is there).
std::string gMovieMissing;

// The video stream of the first candidate that holds one, saying which it took.
std::vector<uint8_t> SampleDiscVideo() {
  std::string tried;
  for (const std::string& path : SampleDiscMovieCandidates()) {
    std::vector<uint8_t> video = VideoOfMovie(path);
    if (!video.empty()) {
      std::printf("sample disc movie: %s\n", path.c_str());
      return video;
    }
    tried += (tried.empty() ? "" : ", ") + path + (access(path.c_str(), R_OK) == 0 ? " (no video stream)" : " (absent)");
  }
  gMovieMissing = "no sample disc movie (looked at " + tried +
                  "; run ctest -R '^content.SampleDisc$' in build/test or set OSTREVAN_BENCH_MOVIE)";
  return {};
}

bool MakeStreams() {
  char folder[] = "/tmp/ostrevan_mpeg_bench_XXXXXX";
  if (!mkdtemp(folder)) return false;
  const std::string dir = folder;
  for (int i = 0; i < 2; ++i) {
    const std::string size = i == 0 ? "640x480" : "352x240";
    const std::string path = dir + "/" + size + ".m1v";
    const std::string command = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=" + size +
                                ":rate=30000/1001" + kEncode + path;
    if (std::system(command.c_str()) == 0) gStreams[i] = ReadWhole(path);
    std::remove(path.c_str());
  }
  // The photograph scaled once to 1280 wide, then a 640 x 480 window moving
  // across it with fresh grain in every picture.
  if (access(kPhotograph, R_OK) == 0) {
    const std::string still = dir + "/still.png", path = dir + "/photo.m1v";
    const std::string command = "ffmpeg -nostdin -loglevel error -y -i " + std::string(kPhotograph) +
                                " -vf scale=1280:-2 " + still +
                                " && ffmpeg -nostdin -loglevel error -y -loop 1 -framerate 30000/1001 -i " + still +
                                " -vf \"crop=640:480:x='t*160':y='(ih-480)/2+t*30',noise=alls=12:allf=t,"
                                "format=yuv420p\"" + kEncode + path;
    if (std::system(command.c_str()) == 0) gStreams[2] = ReadWhole(path);
    std::remove(still.c_str());
    std::remove(path.c_str());
  } else {
    std::fprintf(stderr, "*** %s is missing (scripts/setup-bench.sh installs it): no photographic stream ***\n",
                 kPhotograph);
  }
  rmdir(folder);
  gStreams[3] = SampleDiscVideo();
  if (!gMovieMissing.empty()) std::fprintf(stderr, "*** %s ***\n", gMovieMissing.c_str());
  for (int i = 0; i < kStreams; ++i) {
    if (gStreams[i].empty()) continue;
    VMemoryBitstream bitstream(gStreams[i].data(), gStreams[i].size());
    VideoStreamDecoder decoder(bitstream);
    auto picture = decoder.Start() ? decoder.Next() : nullptr;
    if (!picture) {
      gStreams[i].clear();
      if (i == 3) gMovieMissing = "the sample disc movie's video stream does not decode";
      continue;
    }
    gWidth[i] = decoder.GetDecoder().GetHorizontalSize();
    gHeight[i] = decoder.GetDecoder().GetVerticalSize();
  }
  return !gStreams[0].empty() && !gStreams[1].empty();
}

PixelBuffer BufferFor(std::vector<uint8_t>& pixels, int32_t width, int32_t height, int32_t depth, int32_t format) {
  pixels.assign(size_t(width) * height * (depth / 8), 0);
  PixelBuffer buffer;
  buffer.pixels = pixels.data();
  buffer.width = width;
  buffer.height = height;
  buffer.depth = depth;
  buffer.rowBytes = width * (depth / 8);
  buffer.pixelFormat = static_cast<uint16_t>(format);
  return buffer;
}

// The engine's decoder over stream `index`, each picture converted to 16 bits
// when `convert` is set.
void EngineDecode(benchmark::State& state, bool convert) {
  const int index = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& stream = gStreams[index];
  if (stream.empty()) {
    state.SkipWithError("stream not made");
    return;
  }
  std::vector<uint8_t> pixels;
  const PixelBuffer buffer = BufferFor(pixels, gWidth[index], gHeight[index], 16, kFormat565LE);
  int64_t pictures = 0;
  for (auto _ : state) {
    VMemoryBitstream bitstream(stream.data(), stream.size());
    VideoStreamDecoder decoder(bitstream);
    if (!decoder.Start()) {
      state.SkipWithError("no sequence header");
      return;
    }
    while (auto picture = decoder.Next()) {
      if (convert) {
        picture->ConvertToPixels(buffer, 0, 0, buffer.width, buffer.height);
        benchmark::DoNotOptimize(pixels[0]);
      } else {
        benchmark::DoNotOptimize(picture->Y()[0]);
      }
      ++pictures;
    }
  }
  state.counters["pictures"] = benchmark::Counter(static_cast<double>(pictures), benchmark::Counter::kIsRate);
  // The plane storage the decoder keeps for its next start is let go, so that
  // the references measured next allocate as they would alone (kept blocks
  // change the allocator's thresholds and so how often their buffers fault in).
  PlaneRecycler::Get().Clear();
}

void BM_EngineDecoder(benchmark::State& state) { EngineDecode(state, true); }
void BM_EngineDecodeOnly(benchmark::State& state) { EngineDecode(state, false); }

// libavcodec's decoder, each picture converted to 16 bits by libswscale
// (its unscaled YUV to RGB path, with its SIMD) when `convert` is set.
void LibavcodecDecode(benchmark::State& state, bool convert) {
  const int index = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& stream = gStreams[index];
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG1VIDEO);
  if (!codec || stream.empty()) {
    state.SkipWithError(stream.empty() ? "stream not made" : "no MPEG-1 decoder in libavcodec");
    return;
  }
  const int width = gWidth[index], height = gHeight[index];
  SwsContext* scaler = nullptr;
  if (convert) {
    scaler = sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_RGB565LE, SWS_POINT,
                            nullptr, nullptr, nullptr);
    if (!scaler) {
      state.SkipWithError("libswscale has no conversion to 16 bits");
      return;
    }
  }
  std::vector<uint8_t> pixels(size_t(width) * height * 2);
  uint8_t* const planes[4] = {pixels.data(), nullptr, nullptr, nullptr};
  const int strides[4] = {2 * width, 0, 0, 0};
  int64_t pictures = 0;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  for (auto _ : state) {
    if (convert) {
      pictures += benchsupport::DecodeWithLibavcodec(codec, stream, packet, frame, [&](const AVFrame* f) {
        sws_scale(scaler, f->data, f->linesize, 0, height, planes, strides);
        benchmark::DoNotOptimize(pixels[0]);
      });
    } else {
      pictures += benchsupport::DecodeWithLibavcodec(codec, stream, packet, frame);
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  sws_freeContext(scaler);
  state.counters["pictures"] = benchmark::Counter(static_cast<double>(pictures), benchmark::Counter::kIsRate);
}

void BM_Libavcodec(benchmark::State& state) { LibavcodecDecode(state, false); }
void BM_LibavcodecTo16Bits(benchmark::State& state) { LibavcodecDecode(state, true); }

// libmpeg2's decoder; with `convert`, its converter to 16 bits (5-6-5, the
// best form its processor detection picks), which converts each slice as it
// is decoded into a picture buffer of its own.
void Libmpeg2Decode(benchmark::State& state, bool convert) {
  const std::vector<uint8_t>& stream = gStreams[state.range(0)];
  if (stream.empty()) {
    state.SkipWithError("stream not made");
    return;
  }
  int64_t pictures = 0;
  for (auto _ : state) {
    mpeg2dec_t* decoder = mpeg2_init();
    if (!decoder) {
      state.SkipWithError("libmpeg2 could not start");
      return;
    }
    const mpeg2_info_t* info = mpeg2_info(decoder);
    mpeg2_buffer(decoder, const_cast<uint8_t*>(stream.data()), const_cast<uint8_t*>(stream.data() + stream.size()));
    bool fed = false;
    for (;;) {
      const mpeg2_state_t s = mpeg2_parse(decoder);
      if (s == STATE_BUFFER) {
        if (fed) break;
        // A sequence end code lets the last picture out.
        static uint8_t end[4] = {0, 0, 1, 0xB7};
        mpeg2_buffer(decoder, end, end + 4);
        fed = true;
      } else if (s == STATE_SEQUENCE && convert) {
        if (mpeg2_convert(decoder, mpeg2convert_rgb(MPEG2CONVERT_RGB, 16), nullptr) != 0) {
          mpeg2_close(decoder);
          state.SkipWithError("libmpeg2 has no conversion to 16 bits");
          return;
        }
      } else if ((s == STATE_SLICE || s == STATE_END) && info->display_fbuf) {
        benchmark::DoNotOptimize(info->display_fbuf->buf[0][0]);
        ++pictures;
      }
    }
    mpeg2_close(decoder);
  }
  state.counters["pictures"] = benchmark::Counter(static_cast<double>(pictures), benchmark::Counter::kIsRate);
}

void BM_Libmpeg2(benchmark::State& state) { Libmpeg2Decode(state, false); }
void BM_Libmpeg2To16Bits(benchmark::State& state) { Libmpeg2Decode(state, true); }

void Convert(benchmark::State& state, int32_t depth, int32_t format) {
  VMemoryBitstream bitstream(gStreams[0].data(), gStreams[0].size());
  VideoStreamDecoder decoder(bitstream);
  if (!decoder.Start()) {
    state.SkipWithError("no sequence header");
    return;
  }
  auto picture = decoder.Next();
  std::vector<uint8_t> pixels;
  const PixelBuffer buffer = BufferFor(pixels, 640, 480, depth, format);
  for (auto _ : state) {
    picture->ConvertToPixels(buffer, 0, 0, 640, 480);
    benchmark::DoNotOptimize(pixels[0]);
  }
}

void BM_ConvertTo16Bits(benchmark::State& state) { Convert(state, 16, kFormat565LE); }
void BM_ConvertTo32Bits(benchmark::State& state) { Convert(state, 32, kFormatBGRX32); }

}  // namespace

void AllStreams(benchmark::internal::Benchmark* b) {
  b->DenseRange(0, kStreams - 1)->Apply(benchsupport::MillisecondMedians);
}

BENCHMARK(BM_EngineDecoder)->Apply(AllStreams);
BENCHMARK(BM_EngineDecodeOnly)->Apply(AllStreams);
BENCHMARK(BM_Libavcodec)->Apply(AllStreams);
BENCHMARK(BM_Libmpeg2)->Apply(AllStreams);
BENCHMARK(BM_LibavcodecTo16Bits)->Apply(AllStreams);
BENCHMARK(BM_Libmpeg2To16Bits)->Apply(AllStreams);
BENCHMARK(BM_ConvertTo16Bits)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertTo32Bits)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  if (!MakeStreams()) {
    std::printf("ffmpeg could not make the test streams; nothing measured\n");
    return 0;
  }
  const std::string heading =
      "Ratio of medians (" + std::to_string(benchsupport::kRepetitions) + " repetitions each, interleaved):";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& r) {
    for (int i = 0; i < kStreams; ++i) {
      if (gStreams[i].empty()) {
        // A row that is not there says why, at the end where the figures are read.
        std::printf("%s: NOT MEASURED: %s\n", kStreamNames[i],
                    i == 3 ? gMovieMissing.c_str()
                    : i == 2 ? "no photographic stream (see the message at start)"
                             : "ffmpeg could not make the stream");
        continue;
      }
      const std::string n = "/" + std::to_string(i);
      const std::string what = std::string(kStreamNames[i]);
      r.PrintRatio(("decode+16 bits / libavcodec+swscale, " + what).c_str(), "BM_EngineDecoder" + n,
                   "BM_LibavcodecTo16Bits" + n, "target <= 1");
      r.PrintRatio(("decode+16 bits / libmpeg2+convert, " + what).c_str(), "BM_EngineDecoder" + n,
                   "BM_Libmpeg2To16Bits" + n, "target < 1");
      r.PrintRatio(("decode+16 bits / libavcodec decode only, " + what).c_str(), "BM_EngineDecoder" + n,
                   "BM_Libavcodec" + n);
      r.PrintRatio(("decode+16 bits / libmpeg2 decode only, " + what).c_str(), "BM_EngineDecoder" + n,
                   "BM_Libmpeg2" + n);
      r.PrintRatio(("decode / libavcodec, " + what).c_str(), "BM_EngineDecodeOnly" + n, "BM_Libavcodec" + n);
      r.PrintRatio(("decode / libmpeg2, " + what).c_str(), "BM_EngineDecodeOnly" + n, "BM_Libmpeg2" + n);
    }
    const double convert = r.Median("BM_ConvertTo16Bits");
    if (convert >= 0)
      std::printf("%-52s %8.3f ms  (target < 1)\n", "conversion to 16 bits per 640x480 frame", convert / 1e3);
    const double convert32 = r.Median("BM_ConvertTo32Bits");
    if (convert32 >= 0) std::printf("%-52s %8.3f ms\n", "conversion to 32 bits per 640x480 frame", convert32 / 1e3);
  });
}
