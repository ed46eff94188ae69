// Decoding a 352 x 240 MPEG-1 video stream (60 pictures, groups of 12 with
// two B pictures, made by ffmpeg at start) with the engine's decoder, against
// libavcodec's MPEG-1 decoder on one thread over the same bytes; and the
// conversion of one decoded picture to 32 bits. The summary gives the
// engine's time as a ratio of libavcodec's.
//
//   bench_MpegVideoBench [--benchmark_* options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "MedianRatioReporter.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"

namespace {

std::vector<uint8_t> gStream;

bool MakeStream() {
  const std::string path = "/tmp/ostrevan_mpeg_bench.m1v";
  const std::string command =
      "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=352x240:rate=30000/1001 -frames:v 60 "
      "-c:v mpeg1video -bf 2 -g 12 -b:v 1500k -f mpeg1video " + path;
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream in(path, std::ios::binary);
  gStream.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  return !gStream.empty();
}

void BM_EngineDecoder(benchmark::State& state) {
  int64_t pictures = 0;
  for (auto _ : state) {
    VMemoryBitstream bitstream(gStream.data(), gStream.size());
    VideoStreamDecoder decoder(bitstream);
    if (!decoder.Start()) {
      state.SkipWithError("no sequence header");
      return;
    }
    while (auto picture = decoder.Next()) {
      benchmark::DoNotOptimize(picture->Y()[0]);
      ++pictures;
    }
  }
  state.counters["pictures"] = benchmark::Counter(static_cast<double>(pictures), benchmark::Counter::kIsRate);
}

void BM_Libavcodec(benchmark::State& state) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG1VIDEO);
  if (!codec) {
    state.SkipWithError("no MPEG-1 decoder in libavcodec");
    return;
  }
  int64_t pictures = 0;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  for (auto _ : state) {
    AVCodecParserContext* parser = av_parser_init(codec->id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->thread_count = 1;
    avcodec_open2(context, codec, nullptr);
    const uint8_t* data = gStream.data();
    int size = static_cast<int>(gStream.size());
    auto receive = [&] {
      while (avcodec_receive_frame(context, frame) == 0) {
        benchmark::DoNotOptimize(frame->data[0][0]);
        ++pictures;
      }
    };
    while (size > 0) {
      const int used = av_parser_parse2(parser, context, &packet->data, &packet->size, data, size, AV_NOPTS_VALUE,
                                        AV_NOPTS_VALUE, 0);
      data += used;
      size -= used;
      if (packet->size) {
        avcodec_send_packet(context, packet);
        receive();
      }
    }
    av_parser_parse2(parser, context, &packet->data, &packet->size, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    if (packet->size) {
      avcodec_send_packet(context, packet);
      receive();
    }
    avcodec_send_packet(context, nullptr);
    receive();
    av_parser_close(parser);
    avcodec_free_context(&context);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  state.counters["pictures"] = benchmark::Counter(static_cast<double>(pictures), benchmark::Counter::kIsRate);
}

void BM_ConvertTo32Bits(benchmark::State& state) {
  VMemoryBitstream bitstream(gStream.data(), gStream.size());
  VideoStreamDecoder decoder(bitstream);
  if (!decoder.Start()) {
    state.SkipWithError("no sequence header");
    return;
  }
  auto picture = decoder.Next();
  std::vector<uint8_t> pixels(352 * 240 * 4);
  PixelBuffer buffer;
  buffer.pixels = pixels.data();
  buffer.width = 352;
  buffer.height = 240;
  buffer.depth = 32;
  buffer.rowBytes = 352 * 4;
  buffer.pixelFormat = kFormatBGRX32;
  for (auto _ : state) {
    picture->ConvertToPixels(buffer, 0, 0, 352, 240);
    benchmark::DoNotOptimize(pixels[0]);
  }
}

}  // namespace

BENCHMARK(BM_EngineDecoder)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libavcodec)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertTo32Bits)->Repetitions(benchsupport::kRepetitions)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  if (!MakeStream()) {
    std::printf("ffmpeg could not make the test stream; nothing measured\n");
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchsupport::MedianRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("engine decoder / libavcodec (60 pictures, 352x240)", "BM_EngineDecoder", "BM_Libavcodec");
  benchmark::Shutdown();
  return 0;
}
