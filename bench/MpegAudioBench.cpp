// Decoding an MPEG-1 Layer II stream (48 kHz stereo at 192 kbit/s, 10
// seconds, made by ffmpeg at start) to 16-bit samples with the engine's
// decoder, against libmpg123 (16-bit output, its SIMD synthesis) and
// libavcodec's "mp2float" decoder (the one ffmpeg itself picks; planar float
// output) over the same bytes, and for reference libavcodec's fixed-point
// "mp2" decoder (16-bit output, about half as fast). The repetitions of all
// of them are interleaved at random and timed by the same clock. The summary
// gives the engine's time as a ratio of each reference's and of the faster of
// libmpg123 and mp2float.
//
//   bench_MpegAudioBench [--benchmark_* options]
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}
#include <mpg123.h>

#include "LibavcodecDecode.h"
#include "MedianRatioReporter.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/mpeg/VMemoryBitstream.h"

namespace {

std::vector<uint8_t> gStream;

bool MakeStream() {
  char folder[] = "/tmp/ostrevan_mp2_bench_XXXXXX";
  if (!mkdtemp(folder)) return false;
  const std::string path = std::string(folder) + "/clip.mp2";
  const std::string command =
      "ffmpeg -nostdin -loglevel error -y -f lavfi -i \"aevalsrc=exprs='0.3*sin(2*PI*440*t)+0.2*sin(2*PI*3150*t)+"
      "0.05*(random(0)-0.5)|0.3*sin(2*PI*660*t)+0.15*sin(2*PI*7000*t)+0.05*(random(1)-0.5)':s=48000:d=10\" "
      "-c:a mp2 -b:a 192k -f mp2 " + path;
  if (std::system(command.c_str()) == 0) {
    std::ifstream in(path, std::ios::binary);
    gStream.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::remove(path.c_str());
  rmdir(folder);
  return !gStream.empty();
}

void BM_EngineDecoder(benchmark::State& state) {
  std::vector<int16_t> out(1152 * 2);
  int64_t samples = 0;
  for (auto _ : state) {
    // The bit stream at the size the decoder asks for at this rate (48 KB
    // rounded up), so no resize is timed.
    VMemoryBitstream bits(gStream.data(), gStream.size(), 65536);
    VMPADecoder decoder(&bits, 1.0f, 1.0f);
    for (;;) {
      const int32_t result = decoder.DecodeFrame();
      if (result == kMPANeedMoreData) break;
      int32_t frames = 1152;
      bool failed = false;
      decoder.Decode(reinterpret_cast<uint8_t*>(out.data()), frames, decoder.GetFormat(), failed);
      benchmark::DoNotOptimize(out[0]);
      samples += frames;
    }
  }
  state.counters["frames"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}

void BM_Libmpg123(benchmark::State& state) {
  std::vector<unsigned char> out(1152 * 4 * 4);
  int64_t samples = 0;
  for (auto _ : state) {
    int error = 0;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    if (!handle) {
      state.SkipWithError("libmpg123 could not start");
      return;
    }
    mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(handle);
    mpg123_format(handle, 48000, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(handle);
    mpg123_feed(handle, gStream.data(), gStream.size());
    for (;;) {
      size_t done = 0;
      const int r = mpg123_read(handle, out.data(), out.size(), &done);
      samples += static_cast<int64_t>(done / 4);
      benchmark::DoNotOptimize(out[0]);
      if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
    }
    mpg123_delete(handle);
  }
  state.counters["frames"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}

void Libavcodec(benchmark::State& state, const char* name) {
  const AVCodec* codec = avcodec_find_decoder_by_name(name);
  if (!codec) {
    state.SkipWithError("decoder missing from libavcodec");
    return;
  }
  int64_t samples = 0;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  for (auto _ : state) samples += benchsupport::DecodeWithLibavcodec(codec, gStream, packet, frame);
  av_frame_free(&frame);
  av_packet_free(&packet);
  state.counters["frames"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}

void BM_LibavcodecFloat(benchmark::State& state) { Libavcodec(state, "mp2float"); }
void BM_LibavcodecFixed(benchmark::State& state) { Libavcodec(state, "mp2"); }

}  // namespace

BENCHMARK(BM_EngineDecoder)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_Libmpg123)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_LibavcodecFloat)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_LibavcodecFixed)->Apply(benchsupport::MillisecondMedians);

int main(int argc, char** argv) {
  if (!MakeStream()) {
    std::printf("ffmpeg could not make the test stream; nothing measured\n");
    return 0;
  }
  const std::string heading = "Ratio of medians (" + std::to_string(benchsupport::kRepetitions) +
                              " repetitions each), 48 kHz stereo 192 kbit/s:";
  return benchsupport::RunWithMedianRatios(
      argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& reporter) {
        reporter.PrintRatio("engine / libmpg123", "BM_EngineDecoder", "BM_Libmpg123", "target < 1");
        reporter.PrintRatio("engine / libavcodec mp2float", "BM_EngineDecoder", "BM_LibavcodecFloat", "target < 1");
        reporter.PrintRatio("engine / libavcodec mp2 (fixed point)", "BM_EngineDecoder", "BM_LibavcodecFixed");
        const double faster = std::min(reporter.Median("BM_Libmpg123"), reporter.Median("BM_LibavcodecFloat"));
        const double ours = reporter.Median("BM_EngineDecoder");
        if (ours > 0 && faster > 0)
          std::printf("%-52s %8.3f  target < 1\n", "engine / the faster of libmpg123 and mp2float", ours / faster);
      });
}
