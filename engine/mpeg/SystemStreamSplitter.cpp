// Collecting children and the read-to-the-end loop of the stream splitter.
#include "engine/mpeg/SystemStreamSplitter.h"

#include "engine/mpeg/VBitstream.h"

class SystemStreamSplitter::CollectingChild : public VStreamScheduler {
 public:
  CollectingChild(uint32_t streamId, VBitstream* bitstream, int32_t kind, Stream* stream, bool keep)
      : VStreamScheduler(streamId, bitstream), kind_(kind), stream_(stream), keep_(keep) {}

  bool Start() override {
    VStreamScheduler::Start();
    started_ = true;
    return false;
  }
  void Decode() override { Drain(); }
  bool Present(PixelMap*, const VRect*) override { return !endOfStream_; }
  int32_t GetKind() const override { return kind_; }
  void GetFrameBounds(VRect& bounds) override { bounds = VRect(); }
  bool DrawFrame(PixelMap*, const VRect*) override { return false; }
  bool TakeFrameChanged() override { return false; }
  void SetNoDrop(bool) override {}
  void SetVolume(int32_t) override {}
  VAudioChannel* GetAudioChannel() override { return nullptr; }

  void Drain() {
    uint8_t block[16384];
    for (;;) {
      const uint32_t n = bitstream_->TakeBytes(keep_ ? block : nullptr, sizeof(block));
      if (n == 0) break;
      stream_->byteCount += n;
      if (keep_) stream_->bytes.insert(stream_->bytes.end(), block, block + n);
    }
  }

 private:
  int32_t kind_;
  Stream* stream_;
  bool keep_;
};

SystemStreamSplitter::SystemStreamSplitter(VFile* file, bool keepBytes)
    : VISO11172StreamScheduler(0, file, 0.7f, 0.3f), keepBytes_(keepBytes) {
  // Streams are referred to by pointer: room for every possible stream id.
  streams_.reserve(64);
  SetPacketObserver([this](const PacketInfo& info) {
    for (Stream& s : streams_)
      if (s.streamId == info.streamId) {
        s.packets.push_back(info);
        return;
      }
  });
}

SystemStreamSplitter::~SystemStreamSplitter() = default;

std::unique_ptr<VStreamScheduler> SystemStreamSplitter::MakeChild(uint32_t streamId, VBitstream* bitstream,
                                                                  int32_t kind) {
  if (streams_.size() >= streams_.capacity()) {
    delete bitstream;
    return nullptr;
  }
  streams_.push_back(Stream{streamId, 0, {}, {}});
  auto child = std::make_unique<CollectingChild>(streamId, bitstream, kind, &streams_.back(), keepBytes_);
  collectors_.push_back(child.get());
  return child;
}

std::unique_ptr<VStreamScheduler> SystemStreamSplitter::CreateAudioChild(uint32_t streamId, VBitstream* bitstream) {
  return MakeChild(streamId, bitstream, kAudio);
}

std::unique_ptr<VStreamScheduler> SystemStreamSplitter::CreateVideoChild(uint32_t streamId, VBitstream* bitstream) {
  return MakeChild(streamId, bitstream, kVideo);
}

void SystemStreamSplitter::Drain() {
  for (CollectingChild* child : collectors_) child->Drain();
}

bool SystemStreamSplitter::SplitAll() {
  VStreamScheduler::Start();
  started_ = true;
  int64_t last = -1;
  while (!IsEndOfStream() && !IsRefused()) {
    Pump();
    Drain();
    // Every pass either reads on or ends; a pass that did neither stops.
    if (GetPosition() == last && !IsEndOfStream()) {
      CheckEnd();
      if (GetPosition() == last) break;
    }
    last = GetPosition();
  }
  Drain();
  return !IsRefused() && !streams_.empty();
}

const SystemStreamSplitter::Stream* SystemStreamSplitter::FindVideo() const {
  for (const Stream& s : streams_)
    if (s.streamId >= 0xE0 && s.streamId <= 0xEF) return &s;
  return nullptr;
}

const SystemStreamSplitter::Stream* SystemStreamSplitter::FindAudio() const {
  for (const Stream& s : streams_)
    if (s.streamId >= 0xC0 && s.streamId <= 0xDF) return &s;
  return nullptr;
}
