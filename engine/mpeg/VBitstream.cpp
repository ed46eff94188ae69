// Ring buffer, refill and bit window of the MPEG bit reader.
#include "engine/mpeg/VBitstream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/core/ByteFields.h"
#include "engine/core/VFile.h"
#include "engine/mpeg/MPEGExceptions.h"

namespace {
// Zero bytes that may be read past the end of the source, so that the last
// bits of a stream can pass through the 32-bit window.
constexpr uint64_t kMaxPadding = 8;
}  // namespace

VBitstream::VBitstream(VFile* source, uint32_t bufferSize, bool refillOnDemand)
    : source_(source), refillOnDemand_(refillOnDemand) {
  SetBufferSize(bufferSize);
}

VBitstream::~VBitstream() { delete[] buffer_; }

uint32_t VBitstream::SetBufferSize(uint32_t size) {
  uint64_t rounded = (uint64_t{size} + 3) & ~uint64_t{3};
  if (rounded == size_ || rounded > 0xFFFFFFFCu) return size_;
  // Never smaller than the bytes waiting to be read: they are kept.
  const uint64_t buffered = produced_ - consumed_;
  if (rounded < buffered) rounded = (buffered + 3) & ~uint64_t{3};
  if (rounded == size_) return size_;
  const auto newSize = static_cast<uint32_t>(rounded);
  uint8_t* fresh = newSize ? new (std::nothrow) uint8_t[newSize] : nullptr;
  if (!fresh) {
    if (buffered > 0) return size_;  // keep the old ring and its bytes
    delete[] buffer_;
    buffer_ = nullptr;
    size_ = 0;
    readOffset_ = 0;
    return 0;
  }
  // The unread bytes move, in stream order, to their new ring positions.
  for (uint64_t i = consumed_; i < produced_; ++i) fresh[i % newSize] = buffer_[i % size_];
  delete[] buffer_;
  buffer_ = fresh;
  size_ = newSize;
  readOffset_ = static_cast<uint32_t>(consumed_ % newSize);
  return size_;
}

int32_t VBitstream::ReadSource(uint8_t* destination, int32_t count) {
  if (!source_) return 0;
  const int32_t got = source_->Read(destination, count);
  return got < 0 ? 0 : got;
}

uint32_t VBitstream::Fill(uint32_t count) {
  if (!buffer_ || size_ == 0) return 0;
  const uint64_t free = size_ - (produced_ - consumed_);
  const uint64_t want = (count == 0 || count > free) ? free : count;
  if (want == 0) return 0;
  uint64_t got = 0;
  while (got < want) {
    const uint32_t position = static_cast<uint32_t>((produced_ + got) % size_);
    const uint64_t chunk = std::min<uint64_t>(want - got, size_ - position);
    const int32_t read = ReadSource(buffer_ + position, static_cast<int32_t>(chunk));
    if (read <= 0) {
      // Nothing more from the source.
      sourceEnded_ = true;
      break;
    }
    // Reads of any length go on at the next ring position: never a gap.
    got += static_cast<uint64_t>(read);
  }
  produced_ += got;
  if (got != want) EndOfSource();
  return static_cast<uint32_t>(got);
}

void VBitstream::Prime() {
  if (primed_) return;
  primed_ = true;
  Top(32);
}

bool VBitstream::LoadWord() {
  if (!buffer_ || size_ == 0) return false;
  if (produced_ - consumed_ < 4 && refillOnDemand_ && !sourceEnded_) Fill(0);
  uint64_t readable = produced_ - consumed_;
  if (readable < 4) {
    if (!sourceEnded_ && refillOnDemand_) return false;
    if (!sourceEnded_) return false;  // more may come later: the reader waits
    if (readable == 0) {
      if (padding_ >= kMaxPadding || produced_ == 0) return false;
      padding_ += 4;
      count_ += 32;  // zero bits
      consumed_ += 4;
      produced_ += 4;
      AdvanceReadOffset();
      return true;
    }
    // A last partial word: complete it with zeros (the free space of the ring
    // always holds the missing bytes, as positions are word-aligned).
    const uint64_t pad = 4 - readable;
    for (uint64_t i = 0; i < pad; ++i) buffer_[(produced_ + i) % size_] = 0;
    produced_ += pad;
    padding_ += pad;
    readable = 4;
  }
  const uint8_t* p = buffer_ + readOffset_;
  const uint32_t word = bytefields::LoadBE32(p);
  bits_ |= uint64_t{word} << (32 - count_);
  count_ += 32;
  consumed_ += 4;
  AdvanceReadOffset();
  return true;
}

void VBitstream::Top(int n) {
  if (!primed_) primed_ = true;
  while (count_ < n) {
    if (!LoadWord()) throw VBitstreamEmptyException();
  }
}

void VBitstream::NextStartCode() {
  SkipBits(count_ & 7);
  for (;;) {
    const uint32_t top = PeekBits(24);
    if (top == 1) {
      SkipBits(24);
      PeekBits(8);  // the start code's value must be there
      return;
    }
    SkipBits((top & 0xFF) != 0 ? 24 : 8);
  }
}

uint32_t VBitstream::TakeBytes(uint8_t* destination, uint32_t count) {
  if (count_ != 0 || padding_ != 0 || !buffer_ || size_ == 0) return 0;
  const uint64_t buffered = produced_ - consumed_;
  const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, buffered));
  const uint32_t at = static_cast<uint32_t>(consumed_ % size_);
  const uint32_t first = std::min(n, size_ - at);
  if (destination != nullptr) {
    std::memcpy(destination, buffer_ + at, first);
    if (n > first) std::memcpy(destination + first, buffer_, n - first);
  }
  consumed_ += n;
  return n;
}

int32_t VBitstream::PeekByteAhead(uint64_t offset) const {
  if ((count_ & 7) != 0 || offset >= GetBitsLeft() / 8) return -1;
  const auto held = static_cast<uint64_t>(count_ / 8);
  if (offset < held) return static_cast<int32_t>((bits_ >> (56 - 8 * offset)) & 0xFF);
  const uint64_t at = consumed_ + (offset - held);
  if (at >= produced_ || !buffer_ || size_ == 0) return -1;
  return buffer_[at % size_];
}

uint64_t VBitstream::GetBitsLeft() const {
  const int64_t bits = static_cast<int64_t>((produced_ - consumed_) * 8) + count_ - static_cast<int64_t>(padding_ * 8);
  return bits > 0 ? static_cast<uint64_t>(bits) : 0;
}
