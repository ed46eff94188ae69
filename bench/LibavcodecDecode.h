// Benchmark support: one run of a libavcodec decoder over a whole elementary
// stream in memory (parser, one thread), the reference the MPEG benchmarks
// measure our decoders against.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace benchsupport {

// Decodes `stream` with `codec` once; returns what the decoder put out
// (pictures for video, samples for audio). Each frame is handed to
// `onFrame(frame)` as it comes out (a conversion the reference does, say).
inline void NoFrameWork(const AVFrame*) {}
template <typename OnFrame = void (*)(const AVFrame*)>
inline int64_t DecodeWithLibavcodec(const AVCodec* codec, const std::vector<uint8_t>& stream, AVPacket* packet,
                                    AVFrame* frame, OnFrame onFrame = NoFrameWork) {
  int64_t produced = 0;
  AVCodecParserContext* parser = av_parser_init(codec->id);
  AVCodecContext* context = avcodec_alloc_context3(codec);
  context->thread_count = 1;
  avcodec_open2(context, codec, nullptr);
  const uint8_t* data = stream.data();
  int size = static_cast<int>(stream.size());
  auto receive = [&] {
    while (avcodec_receive_frame(context, frame) == 0) {
      benchmark::DoNotOptimize(frame->data[0][0]);
      onFrame(frame);
      produced += codec->type == AVMEDIA_TYPE_AUDIO ? frame->nb_samples : 1;
    }
  };
  while (size > 0) {
    const int used =
        av_parser_parse2(parser, context, &packet->data, &packet->size, data, size, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
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
  return produced;
}

}  // namespace benchsupport
