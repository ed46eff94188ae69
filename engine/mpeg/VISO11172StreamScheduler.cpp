// Demultiplexing an ISO 11172-1 system stream into child schedulers.
#include "engine/mpeg/VISO11172StreamScheduler.h"

#include <algorithm>
#include <cstring>

#include "engine/core/ByteFields.h"
#include "engine/core/VFile.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VMPAScheduler.h"
#include "engine/mpeg/VMPVScheduler.h"

namespace {

constexpr size_t kStageSize = 256 * 1024;  // well above the largest packet (65541 bytes)
constexpr uint32_t kMaxChildBuffer = 4u << 20;
constexpr uint32_t kMinChildBuffer = 4096;

uint32_t NextPowerOfTwo(uint64_t n) {
  uint64_t p = 1;
  while (p < n) p <<= 1;
  return static_cast<uint32_t>(std::min<uint64_t>(p, 0x80000000u));
}

}  // namespace

// A child's bit stream: filled by the demultiplexer from its staging block.
class VISO11172StreamScheduler::ChildBitstream : public VBitstream {
 public:
  explicit ChildBitstream(uint32_t size) : VBitstream(nullptr, size, false) {}
  uint32_t FillFrom(const uint8_t* data, uint32_t count) {
    data_ = data;
    left_ = count;
    const uint32_t got = count ? Fill(count) : 0;
    data_ = nullptr;
    left_ = 0;
    return got;
  }

 protected:
  int32_t ReadSource(uint8_t* destination, int32_t count) override {
    const uint32_t n = std::min(left_, static_cast<uint32_t>(count));
    if (n) std::memcpy(destination, data_, n);
    data_ += n;
    left_ -= n;
    return static_cast<int32_t>(n);
  }

 private:
  const uint8_t* data_ = nullptr;
  uint32_t left_ = 0;
};

VISO11172StreamScheduler::VISO11172StreamScheduler(uint32_t streamId, VFile* file, float bufferingFactor,
                                                   float reserveFactor)
    : VMPSScheduler(streamId, bufferingFactor, reserveFactor),
      file_(file),
      fileLength_(file ? file->GetLength() : 0) {
  stage_.resize(kStageSize);
}

VISO11172StreamScheduler::~VISO11172StreamScheduler() = default;

uint32_t VISO11172StreamScheduler::AudioBufferSize(uint32_t scale, uint32_t bound) {
  const uint64_t size = uint64_t{bound} * (scale ? 1024 : 128);
  return static_cast<uint32_t>(std::clamp<uint64_t>(size, kMinChildBuffer, kMaxChildBuffer));
}

uint32_t VISO11172StreamScheduler::VideoBufferSize(uint32_t rateBound, uint32_t scale, uint32_t bound) {
  const double size = double(rateBound) * 50.0 * 0.77 + ((scale != 0 && bound != 0) ? 1024 : 128);
  const auto truncated = static_cast<uint64_t>(size);
  return std::clamp(NextPowerOfTwo(truncated), kMinChildBuffer, kMaxChildBuffer);
}

size_t VISO11172StreamScheduler::Ensure(size_t count) {
  const int64_t have = stageStart_ + static_cast<int64_t>(stageLength_) - position_;
  if (position_ >= stageStart_ && have >= static_cast<int64_t>(count)) return count;
  if (position_ < stageStart_ || have < 0) {
    stageStart_ = position_;
    stageLength_ = 0;
  } else if (position_ > stageStart_) {
    const size_t offset = static_cast<size_t>(position_ - stageStart_);
    std::memmove(stage_.data(), stage_.data() + offset, stageLength_ - offset);
    stageLength_ -= offset;
    stageStart_ = position_;
  }
  while (stageLength_ < stage_.size() && !fileEnded_ && file_ != nullptr) {
    const int64_t at = stageStart_ + static_cast<int64_t>(stageLength_);
    if (file_->GetPosition() != at) file_->Seek(at, true);
    const int32_t got = file_->Read(stage_.data() + stageLength_, static_cast<int32_t>(stage_.size() - stageLength_));
    if (got <= 0) {
      fileEnded_ = true;
      break;
    }
    stageLength_ += static_cast<size_t>(got);
  }
  return std::min(count, stageLength_);
}

std::unique_ptr<VStreamScheduler> VISO11172StreamScheduler::CreateAudioChild(uint32_t streamId, VBitstream* bitstream) {
  return std::make_unique<VMPAScheduler>(streamId, bitstream, bufferingFactor_, 1.0f);
}

std::unique_ptr<VStreamScheduler> VISO11172StreamScheduler::CreateVideoChild(uint32_t streamId, VBitstream* bitstream) {
  return std::make_unique<VMPVScheduler>(streamId, bitstream, bufferingFactor_, reserveFactor_, false);
}

void VISO11172StreamScheduler::DeliverPayload(VStreamScheduler& child, const uint8_t* data, uint32_t length) {
  static_cast<ChildBitstream*>(child.GetBitstream())->FillFrom(data, length);
}

void VISO11172StreamScheduler::CreateChild(uint32_t streamId, uint32_t scale, uint32_t bound) {
  if (FindChild(streamId) != nullptr) return;
  std::unique_ptr<VStreamScheduler> child;
  if (streamId >= 0xC0 && streamId <= 0xDF) {
    auto* bitstream = new ChildBitstream(AudioBufferSize(scale, bound));
    child = CreateAudioChild(streamId, bitstream);
    if (child) audioChild_ = child.get();
  } else if (streamId >= 0xE0 && streamId <= 0xEF) {
    auto* bitstream = new ChildBitstream(VideoBufferSize(rateBound_, scale, bound));
    child = CreateVideoChild(streamId, bitstream);
    if (child) videoChild_ = child.get();
  }
  if (child) AddChild(std::move(child));
}

bool VISO11172StreamScheduler::ParsePackHeader() {
  if (Ensure(12) < 12) {
    position_ = fileLength_;
    CheckEnd();
    return false;
  }
  const uint8_t* p = At();
  if ((p[4] & 0xF0) != 0x20) {
    // Not the MPEG-1 pack layout ('0010' before the clock reference): an
    // MPEG-2 program stream, which this demultiplexer does not read.
    refused_ = true;
    SetEndOfStream();
    return false;
  }
  scr_ = (uint64_t{p[4] & 0x0Eu} << 29) | (uint64_t{p[5]} << 22) | (uint64_t{p[6] & 0xFEu} << 14) |
         (uint64_t{p[7]} << 7) | (uint64_t{p[8]} >> 1);
  muxRate_ = ((uint32_t{p[9]} & 0x7F) << 15) | (uint32_t{p[10]} << 7) | (uint32_t{p[11]} >> 1);
  position_ += 12;
  if (Ensure(4) == 4 && bytefields::LoadBE32(At()) == 0x000001BB) ParseSystemHeader();
  return true;
}

bool VISO11172StreamScheduler::ParseSystemHeader() {
  if (Ensure(6) < 6) {
    // Cut short before its length: the rest of the data is passed over, so
    // that the next read meets the end instead of this header again.
    position_ += static_cast<int64_t>(Ensure(6));
    ++brokenPackets_;
    return false;
  }
  const uint32_t headerLength = bytefields::LoadBE16(At() + 4);
  const size_t total = 6 + size_t{headerLength};
  if (Ensure(total) < total || headerLength < 6) {
    // Cut short: pass over what there is.
    position_ += static_cast<int64_t>(std::min(total, Ensure(total)));
    ++brokenPackets_;
    return false;
  }
  const uint8_t* p = At();
  rateBound_ = ((uint32_t{p[6]} & 0x7F) << 15) | (uint32_t{p[7]} << 7) | (uint32_t{p[8]} >> 1);
  audioBound_ = p[9] >> 2;
  fixedFlag_ = (p[9] >> 1) & 1;
  cspsFlag_ = p[9] & 1;
  audioLock_ = (p[10] >> 7) & 1;
  videoLock_ = (p[10] >> 6) & 1;
  videoBound_ = p[10] & 0x1F;
  for (size_t at = 12; at + 3 <= total && (p[at] & 0x80); at += 3) {
    const uint32_t id = p[at];
    const uint32_t scale = (p[at + 1] >> 5) & 1;
    const uint32_t bound = ((uint32_t{p[at + 1]} & 0x1F) << 8) | p[at + 2];
    CreateChild(id, scale, bound);
  }
  position_ += static_cast<int64_t>(total);
  return true;
}

bool VISO11172StreamScheduler::Resync() {
  // Start codes of the system layer are 00 00 01 followed by B9 or above.
  ++position_;
  ++skippedBytes_;
  for (;;) {
    const size_t have = Ensure(4096);
    if (have < 4) {
      skippedBytes_ += have;
      position_ += static_cast<int64_t>(have);
      CheckEnd();
      return false;
    }
    const uint8_t* p = At();
    for (size_t i = 0; i + 4 <= have; ++i) {
      if (p[i + 2] > 1) {
        i += 2;
        continue;
      }
      if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1 && p[i + 3] >= 0xB9) {
        position_ += static_cast<int64_t>(i);
        skippedBytes_ += i;
        return true;
      }
    }
    position_ += static_cast<int64_t>(have - 3);
    skippedBytes_ += have - 3;
  }
}

bool VISO11172StreamScheduler::ReadPacket() {
  if (refused_ || endOfStream_) return false;
  if (Ensure(4) < 4) {
    position_ += static_cast<int64_t>(Ensure(4));
    CheckEnd();
    return false;
  }
  const uint32_t code = bytefields::LoadBE32(At());
  if ((code >> 8) != 1 || code < 0x000001B9) return Resync();
  if (code == 0x000001BA) return ParsePackHeader();
  if (code == 0x000001B9) {
    position_ += 4;
    SetEndOfStream();
    return false;
  }
  if (code == 0x000001BB) return ParseSystemHeader() || !endOfStream_;

  // A packet.
  const size_t prefix = Ensure(6);
  if (prefix < 6) {
    position_ += static_cast<int64_t>(prefix);
    CheckEnd();
    return false;
  }
  const size_t total = 6 + size_t{bytefields::LoadBE16(At() + 4)};
  const size_t have = Ensure(total);
  if (header_.Parse(At(), have) < 0) {
    // A header that does not fit its packet: the packet is passed over.
    ++brokenPackets_;
    position_ += static_cast<int64_t>(have);
    return true;
  }
  VStreamScheduler* child = FindChild(header_.streamId);
  VBitstream* bitstream = child != nullptr ? child->GetBitstream() : nullptr;
  if (bitstream == nullptr) {
    position_ += static_cast<int64_t>(have);
    return true;
  }
  // The payload may be cut short by the end of the file.
  const uint32_t length =
      static_cast<uint32_t>(std::min<size_t>(header_.dataLength, have - std::min<size_t>(have, header_.headerBytes)));
  if (length > bitstream->GetBufferSize()) {
    // A packet larger than the whole buffer would hold the stream forever.
    bitstream->SetBufferSize(NextPowerOfTwo(uint64_t{length} + (bitstream->GetBufferSize() - bitstream->GetFreeCount())));
    if (length > bitstream->GetBufferSize()) {
      ++brokenPackets_;
      position_ += static_cast<int64_t>(have);
      return true;
    }
  }
  if (bitstream->GetFreeCount() < length) return false;  // the child must consume first
  const uint64_t streamPosition = bitstream->GetProducedCount();
  if (observer_)
    observer_(PacketInfo{header_.streamId, position_, streamPosition, length, header_.hasPts, header_.pts});
  if (header_.hasPts) child->AddTimeStamp(header_.pts);
  DeliverPayload(*child, At() + header_.headerBytes, length);
  position_ += static_cast<int64_t>(have);
  if (!child->IsStarted()) {
    child->SetRate(rate_);
    child->Start();
  }
  return true;
}

void VISO11172StreamScheduler::CheckEnd() {
  if (position_ >= fileLength_ || (fileEnded_ && position_ >= stageStart_ + static_cast<int64_t>(stageLength_)))
    SetEndOfStream();
}

void VISO11172StreamScheduler::SetEndOfStream() {
  VMPSScheduler::SetEndOfStream();
  for (const auto& child : children_)
    if (VBitstream* bitstream = child->GetBitstream()) bitstream->MarkSourceEnded();
}

int64_t VISO11172StreamScheduler::GetTime() {
  if (audioChild_) return audioChild_->GetTime();
  if (videoChild_) return videoChild_->GetTime();
  return 0;
}

int64_t VISO11172StreamScheduler::GetPresentationTime() {
  if (audioChild_) return audioChild_->GetPresentationTime();
  if (videoChild_) return videoChild_->GetPresentationTime();
  return 0;
}
