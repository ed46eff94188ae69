// Collecting children and the read-to-the-end loop of the stream splitter.
#include "engine/mpeg/SystemStreamSplitter.h"

#include <algorithm>
#include <cstring>

#include "engine/core/VFile.h"
#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VBitstream.h"
#include "platform/LargePages.h"

class SystemStreamSplitter::CollectingChild : public VStreamScheduler {
 public:
  CollectingChild(uint32_t streamId, VBitstream* bitstream, int32_t kind, Stream* stream, bool keep,
                  SystemStreamSplitter& splitter)
      : VStreamScheduler(streamId, bitstream), kind_(kind), stream_(stream), keep_(keep), splitter_(splitter) {}

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

  // A packet's payload, straight from the demultiplexer.
  void Take(const uint8_t* data, uint32_t length) {
    stream_->byteCount += length;
    if (keep_) Keep(data, length);
    if (followed_) splitter_.TakeFollowed(data, length);
  }
  // From now on the payload also goes to the splitter's reader.
  void Follow() { followed_ = true; }

  // Whatever reached the bit stream's ring (nothing, as payloads are taken directly).
  void Drain() {
    uint8_t block[16384];
    for (;;) {
      const uint32_t n = bitstream_->TakeBytes(keep_ ? block : nullptr, sizeof(block));
      if (n == 0) break;
      stream_->byteCount += n;
      if (keep_) Keep(block, n);
      if (followed_) splitter_.TakeFollowed(block, n);
    }
  }

 private:
  void Keep(const uint8_t* data, uint32_t length) {
    std::vector<uint8_t>& bytes = stream_->bytes;
    // Room, at the first payload, for every byte the rest of the file could
    // give this stream: the list is then never moved while it grows, and
    // only the pages written to are ever touched, in large pages where the
    // system gives them (a fault per 4 KB costs more than the copy).
    if (bytes.capacity() == 0) {
      bytes.reserve(splitter_.RoomForPayload());
      platform::AdviseLargePages(bytes.data(), bytes.capacity());
    }
    bytes.insert(bytes.end(), data, data + length);
  }

  int32_t kind_;
  Stream* stream_;
  bool keep_;
  SystemStreamSplitter& splitter_;
  bool followed_ = false;
};

// The followed stream as a bit stream that refills on demand.
class SystemStreamSplitter::StreamReader : public VBitstream {
 public:
  StreamReader(SystemStreamSplitter& splitter, uint32_t bufferSize)
      : VBitstream(nullptr, bufferSize, true), splitter_(splitter) {}

 protected:
  int32_t ReadSource(uint8_t* destination, int32_t count) override {
    return count > 0 ? static_cast<int32_t>(splitter_.ReadFollowed(destination, static_cast<size_t>(count))) : 0;
  }

 private:
  SystemStreamSplitter& splitter_;
};

SystemStreamSplitter::SystemStreamSplitter(VFile* file, bool keepBytes)
    : VISO11172StreamScheduler(0, file, 0.7f, 0.3f), source_(file), keepBytes_(keepBytes) {
  // Streams are referred to by pointer: room for every possible stream id.
  streams_.reserve(64);
  SetPacketObserver([this](const PacketInfo& info) {
    if (streaming_) return;
    for (Stream& s : streams_)
      if (s.streamId == info.streamId) {
        if (s.packets.empty()) s.packets.reserve(ExpectedPackets());
        s.packets.push_back(info);
        // The payload goes to the stream rather than to a bit stream's ring:
        // its position is the count of the stream's bytes before it.
        s.packets.back().streamPosition = s.byteCount;
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
  auto child = std::make_unique<CollectingChild>(streamId, bitstream, kind, &streams_.back(), keepBytes_, *this);
  collectors_.push_back(child.get());
  return child;
}

void SystemStreamSplitter::DeliverPayload(VStreamScheduler& child, const uint8_t* data, uint32_t length) {
  // Every child of the splitter is a collector (MakeChild).
  static_cast<CollectingChild&>(child).Take(data, length);
}

size_t SystemStreamSplitter::ExpectedPackets() const {
  // Room for the packets of a stream made of packets of 2 KB or more (the
  // usual size, a CD sector's payload), so that a long stream's list does
  // not grow by copying many times; at most a million entries up front.
  const int64_t length = source_ ? source_->GetLength() : 0;
  return static_cast<size_t>(std::clamp<int64_t>(length / 2048, 16, 1 << 20));
}

size_t SystemStreamSplitter::RoomForPayload() const {
  // What is left of the file from the packet being delivered; past 1 GiB
  // the list grows as it needs (the reservation is address space only, but
  // a few of that size may not be granted).
  const int64_t length = source_ ? source_->GetLength() : 0;
  return static_cast<size_t>(std::clamp<int64_t>(length - GetPosition(), 0, int64_t{1} << 30));
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

bool SystemStreamSplitter::Step() {
  if (!started_) {
    VStreamScheduler::Start();
    started_ = true;
  }
  if (IsEndOfStream() || IsRefused() || stopped_) return false;
  // As SplitAll, a packet at a time: a read that stops without the end is
  // looked at once more, and one that got nowhere ends the reading.
  const int64_t before = GetPosition();
  bool more = false;
  try {
    more = ReadPacket();
  } catch (const VBitstreamEmptyException&) {
    CheckEnd();
  } catch (const VMPEGException&) {
    CheckEnd();
  }
  Drain();
  if (!more && !IsEndOfStream() && GetPosition() == before) {
    CheckEnd();
    if (GetPosition() == before) stopped_ = true;
  }
  return !IsEndOfStream() && !IsRefused() && !stopped_;
}

std::unique_ptr<VBitstream> SystemStreamSplitter::OpenStream(Kind kind, uint32_t bufferSize) {
  streaming_ = true;
  keepBytes_ = false;
  for (;;) {
    const Stream* found = kind == Kind::kVideo ? FindVideo() : FindAudio();
    if (found != nullptr) {
      for (size_t i = 0; i < streams_.size(); ++i)
        if (&streams_[i] == found) collectors_[i]->Follow();
      auto reader = std::make_unique<StreamReader>(*this, bufferSize);
      if (reader->GetBufferSize() == 0) return nullptr;
      return reader;
    }
    if (!Step()) return nullptr;
  }
}

size_t SystemStreamSplitter::ReadFollowed(uint8_t* destination, size_t count) {
  if (queueHead_ < queue_.size()) {
    // What did not fit the last reader's room.
    const size_t n = std::min(count, queue_.size() - queueHead_);
    std::memcpy(destination, queue_.data() + queueHead_, n);
    queueHead_ += n;
    if (queueHead_ == queue_.size()) {
      queue_.clear();
      queueHead_ = 0;
    }
    return n;
  }
  // Payloads go straight from the staging block to the reader.
  direct_ = destination;
  directRoom_ = count;
  directUsed_ = 0;
  while (directUsed_ < directRoom_ && Step()) {
  }
  direct_ = nullptr;
  return directUsed_;
}

void SystemStreamSplitter::TakeFollowed(const uint8_t* data, size_t length) {
  size_t n = 0;
  if (direct_ != nullptr) {
    n = std::min(length, directRoom_ - directUsed_);
    std::memcpy(direct_ + directUsed_, data, n);
    directUsed_ += n;
  }
  if (n < length) queue_.insert(queue_.end(), data + n, data + length);
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
