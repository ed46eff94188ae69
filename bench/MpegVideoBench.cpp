// Decoding MPEG-1 video streams (640 x 480 and 352 x 240, 60 pictures, groups
// of 12 with two B pictures, 3 Mbit/s, made by ffmpeg at start into a temporary
// folder) with the engine's decoder, each picture converted to 16 bits, against
// libavcodec's MPEG-1 decoder on one thread and against libmpeg2, both decoding
// only, over the same bytes; and the conversion of one 640 x 480 picture to 16
// and 32 bits alone. The summary gives the engine's time as a ratio of each
// reference's, and the conversions' times per frame.
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
#include <mpeg2dec/mpeg2.h>
}

#include "LibavcodecDecode.h"
#include "MedianRatioReporter.h"
#include "engine/mpeg/PlaneRecycler.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"

namespace {

struct StreamSize {
  int32_t width, height;
};
constexpr StreamSize kSizes[2] = {{640, 480}, {352, 240}};
std::vector<uint8_t> gStreams[2];

bool MakeStreams() {
  char folder[] = "/tmp/ostrevan_mpeg_bench_XXXXXX";
  if (!mkdtemp(folder)) return false;
  bool made = true;
  for (int i = 0; i < 2; ++i) {
    const std::string size = std::to_string(kSizes[i].width) + "x" + std::to_string(kSizes[i].height);
    const std::string path = std::string(folder) + "/" + size + ".m1v";
    const std::string command = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=" + size +
                                ":rate=30000/1001 -frames:v 60 -c:v mpeg1video -bf 2 -g 12 -b:v 3000k "
                                "-maxrate 3000k -bufsize 2000k -f mpeg1video " + path;
    if (std::system(command.c_str()) == 0) {
      std::ifstream in(path, std::ios::binary);
      gStreams[i].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::remove(path.c_str());
    made = made && !gStreams[i].empty();
  }
  rmdir(folder);
  return made;
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

void BM_EngineDecoder(benchmark::State& state) {
  const int index = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& stream = gStreams[index];
  std::vector<uint8_t> pixels;
  const PixelBuffer buffer = BufferFor(pixels, kSizes[index].width, kSizes[index].height, 16, kFormat565LE);
  int64_t pictures = 0;
  for (auto _ : state) {
    VMemoryBitstream bitstream(stream.data(), stream.size());
    VideoStreamDecoder decoder(bitstream);
    if (!decoder.Start()) {
      state.SkipWithError("no sequence header");
      return;
    }
    while (auto picture = decoder.Next()) {
      picture->ConvertToPixels(buffer, 0, 0, buffer.width, buffer.height);
      benchmark::DoNotOptimize(pixels[0]);
      ++pictures;
    }
  }
  state.counters["pictures"] = benchmark::Counter(static_cast<double>(pictures), benchmark::Counter::kIsRate);
  // The plane storage the decoder keeps for its next start is let go, so that
  // the references measured next allocate as they would alone (kept blocks
  // change the allocator's thresholds and so how often their buffers fault in).
  PlaneRecycler::Get().Clear();
}

void BM_Libavcodec(benchmark::State& state) {
  const std::vector<uint8_t>& stream = gStreams[state.range(0)];
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG1VIDEO);
  if (!codec) {
    state.SkipWithError("no MPEG-1 decoder in libavcodec");
    return;
  }
  int64_t pictures = 0;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  for (auto _ : state) pictures += benchsupport::DecodeWithLibavcodec(codec, stream, packet, frame);
  av_frame_free(&frame);
  av_packet_free(&packet);
  state.counters["pictures"] = benchmark::Counter(static_cast<double>(pictures), benchmark::Counter::kIsRate);
}

void BM_Libmpeg2(benchmark::State& state) {
  const std::vector<uint8_t>& stream = gStreams[state.range(0)];
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
      } else if ((s == STATE_SLICE || s == STATE_END) && info->display_fbuf) {
        benchmark::DoNotOptimize(info->display_fbuf->buf[0][0]);
        ++pictures;
      }
    }
    mpeg2_close(decoder);
  }
  state.counters["pictures"] = benchmark::Counter(static_cast<double>(pictures), benchmark::Counter::kIsRate);
}

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

BENCHMARK(BM_EngineDecoder)->Arg(0)->Arg(1)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libavcodec)->Arg(0)->Arg(1)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libmpeg2)->Arg(0)->Arg(1)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertTo16Bits)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertTo32Bits)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  if (!MakeStreams()) {
    std::printf("ffmpeg could not make the test streams; nothing measured\n");
    return 0;
  }
  benchsupport::InitializeInterleaved(argc, argv);
  benchsupport::MedianRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("engine decode+16 bits / libavcodec, 640x480", "BM_EngineDecoder/0", "BM_Libavcodec/0",
                      "(target <= 1.5)");
  reporter.PrintRatio("engine decode+16 bits / libavcodec, 352x240", "BM_EngineDecoder/1", "BM_Libavcodec/1",
                      "(target <= 1.5)");
  reporter.PrintRatio("engine decode+16 bits / libmpeg2, 640x480", "BM_EngineDecoder/0", "BM_Libmpeg2/0",
                      "(target < 1)");
  reporter.PrintRatio("engine decode+16 bits / libmpeg2, 352x240", "BM_EngineDecoder/1", "BM_Libmpeg2/1",
                      "(target < 1)");
  const double convert = reporter.Median("BM_ConvertTo16Bits");
  if (convert >= 0)
    std::printf("%-52s %8.3f ms  (target < 1)\n", "conversion to 16 bits per 640x480 frame", convert / 1e3);
  const double convert32 = reporter.Median("BM_ConvertTo32Bits");
  if (convert32 >= 0)
    std::printf("%-52s %8.3f ms\n", "conversion to 32 bits per 640x480 frame", convert32 / 1e3);
  benchmark::Shutdown();
  return 0;
}
