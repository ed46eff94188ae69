// The version 2.0 method of RAR archives.
#include "launchers/common/Rar20Decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "launchers/common/RarCrc32.h"

namespace {

constexpr uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                     24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

struct DistanceTables {
  uint32_t base[48];
  uint8_t bits[48];
  constexpr DistanceTables() : base(), bits() {
    for (int i = 0; i < 48; ++i) {
      uint8_t b = i < 4 ? 0 : static_cast<uint8_t>(i < 36 ? (i - 2) / 2 : 16);
      bits[i] = b;
      base[i] = i == 0 ? 0 : base[i - 1] + (1u << bits[i - 1]);
    }
  }
};
constexpr DistanceTables kDistance;
static_assert(kDistance.base[36] == 262144 && kDistance.base[47] == 983040 && kDistance.base[35] == 196608);

constexpr uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

constexpr int kPreCodeCount = 19;
constexpr int kMainTable = 298 + 48 + 28;
// Slack behind the packed data so that peeking never reads outside the buffer.
constexpr size_t kInputPadding = 32;

}  // namespace

Rar20Decoder::Rar20Decoder() : window_(kWindowSize, 0) { Reset(); }

void Rar20Decoder::Reset() {
  std::fill(window_.begin(), window_.end(), 0);
  writePos_ = copiedPos_ = 0;
  std::fill(std::begin(oldDist_), std::end(oldDist_), 0u);
  oldDistPtr_ = lastDist_ = lastLength_ = 0;
  std::fill(std::begin(previousLengths_), std::end(previousLengths_), 0);
  tablesValid_ = false;
  audioBlock_ = false;
  channels_ = 1;
  channel_ = 0;
  predictor_.Reset();
}

void Rar20Decoder::Build(Code& code, const uint8_t* lengths, int count) {
  code.count = count;
  uint32_t lengthCount[16] = {};
  for (int i = 0; i < count; ++i) lengthCount[lengths[i] & 15]++;
  lengthCount[0] = 0;
  uint32_t running = 0;
  code.limit[0] = 0;
  code.start[0] = 0;
  for (int i = 1; i < 16; ++i) {
    running = 2 * (running + lengthCount[i]);
    uint32_t limit = running << (15 - i);
    code.limit[i] = std::min<uint32_t>(limit, 0xFFFF);
    code.start[i] = code.start[i - 1] + lengthCount[i - 1];
  }
  uint32_t fill[16];
  std::memcpy(fill, code.start, sizeof fill);
  std::fill(std::begin(code.symbols), std::end(code.symbols), 0);
  for (int s = 0; s < count; ++s) {
    int len = lengths[s] & 15;
    if (len != 0) code.symbols[fill[len]++] = static_cast<uint16_t>(s);
  }
  for (uint32_t i = 0; i < (1u << kQuickBits); ++i) {
    int length = 0;
    int symbol = DecodeSlow(code, i << (16 - kQuickBits), &length);
    code.quick[i] = length <= kQuickBits ? static_cast<uint16_t>(symbol << 4 | length) : 0;
  }
}

int Rar20Decoder::DecodeSlow(const Code& code, uint32_t value, int* length) {
  int i = 1;
  while (i < 15 && code.limit[i] <= value) ++i;
  *length = i;
  uint32_t index = code.start[i] + ((value - code.limit[i - 1]) >> (16 - i));
  if (index >= static_cast<uint32_t>(code.count)) index = 0;
  return code.symbols[index];
}

int Rar20Decoder::DecodeSymbol(const Code& code) {
  uint32_t value = Peek16() & 0xFFFE;
  uint16_t q = code.quick[value >> (16 - kQuickBits)];
  if (q != 0) {
    Skip(q & 15);
    return q >> 4;
  }
  int length = 0;
  int symbol = DecodeSlow(code, value, &length);
  Skip(length);
  return symbol;
}

bool Rar20Decoder::ReadTables() {
  tablesValid_ = false;
  if (PastEnd()) return false;
  uint32_t head = Peek16();
  audioBlock_ = (head & 0x8000) != 0;
  if ((head & 0x4000) == 0) std::fill(std::begin(previousLengths_), std::end(previousLengths_), 0);
  Skip(2);
  int tableSize = kMainTable;
  if (audioBlock_) {
    channels_ = static_cast<int>((head >> 12) & 3) + 1;
    if (channel_ >= channels_) channel_ = 0;
    Skip(2);
    tableSize = kAudioCount * channels_;
  }
  uint8_t preLengths[kPreCodeCount];
  for (uint8_t& l : preLengths) l = static_cast<uint8_t>(Bits(4));
  Code pre;
  Build(pre, preLengths, kPreCodeCount);

  uint8_t table[kMaxTable];
  int i = 0;
  while (i < tableSize) {
    if (PastEnd()) return false;
    int s = DecodeSymbol(pre);
    if (s < 16) {
      table[i] = static_cast<uint8_t>((previousLengths_[i] + s) & 15);
      ++i;
    } else if (s == 16) {
      // Repeats the length just written: nothing to repeat at the start.
      if (i == 0) return false;
      int n = 3 + static_cast<int>(Bits(2));
      uint8_t l = table[i - 1];
      for (; n > 0 && i < tableSize; --n) table[i++] = l;
    } else {
      int n = s == 17 ? 3 + static_cast<int>(Bits(3)) : 11 + static_cast<int>(Bits(7));
      for (; n > 0 && i < tableSize; --n) table[i++] = 0;
    }
  }
  if (PastEnd()) return false;
  if (audioBlock_) {
    for (int c = 0; c < channels_; ++c) Build(audio_[c], table + c * kAudioCount, kAudioCount);
  } else {
    Build(literal_, table, 298);
    Build(distance_, table + 298, 48);
    Build(repeat_, table + 298 + 48, 28);
  }
  std::memcpy(previousLengths_, table, static_cast<size_t>(tableSize));
  tablesValid_ = true;
  return true;
}

void Rar20Decoder::CopyMatch(uint32_t length, uint32_t distance) {
  oldDist_[oldDistPtr_++ & 3] = distance;
  lastDist_ = distance;
  lastLength_ = length;
  uint32_t src = (writePos_ - distance) & kWindowMask;
  uint8_t* w = window_.data();
  // Whole-block copy when neither range wraps and they do not overlap (a
  // distance close to the window size puts the source just ahead of the
  // destination).
  if (src + length <= kWindowSize && writePos_ + length <= kWindowSize &&
      (src + length <= writePos_ || writePos_ + length <= src)) {
    std::memcpy(w + writePos_, w + src, length);
    writePos_ = (writePos_ + length) & kWindowMask;
    return;
  }
  for (uint32_t i = 0; i < length; ++i) {
    w[writePos_] = w[src];
    writePos_ = (writePos_ + 1) & kWindowMask;
    src = (src + 1) & kWindowMask;
  }
}

bool Rar20Decoder::Flush() {
  auto emit = [this](const uint8_t* p, uint32_t n) {
    uint32_t take = std::min(n, outLimit_ - produced_);
    if (take > 0) {
      crc_ = RarCrc32(crc_, p, take);
      if (out_ != nullptr) out_->insert(out_->end(), p, p + take);
      produced_ += take;
    }
    return take == n;
  };
  bool more = true;
  if (writePos_ < copiedPos_) {
    more = emit(window_.data() + copiedPos_, kWindowSize - copiedPos_);
    if (more) more = emit(window_.data(), writePos_);
  } else if (writePos_ > copiedPos_) {
    more = emit(window_.data() + copiedPos_, writePos_ - copiedPos_);
  }
  copiedPos_ = writePos_;
  return more && produced_ < outLimit_;
}

bool Rar20Decoder::DecodeMember(const uint8_t* packed, size_t packedSize, uint32_t unpackedSize, bool continuing,
                                std::vector<uint8_t>* out, uint32_t* crc) {
  out_ = out;
  outLimit_ = unpackedSize;
  produced_ = 0;
  crc_ = 0;
  if (crc != nullptr) *crc = 0;
  if (!continuing) Reset();
  if (continuing && !tablesValid_) return false;
  copiedPos_ = writePos_;

  input_.assign(packed, packed + packedSize);
  input_.resize(packedSize + kInputPadding, 0);
  in_ = input_.data();
  bitPos_ = 0;
  packedBytes_ = packedSize;
  endBits_ = packedSize * 8;

  if (!continuing) {
    bool read = packedSize > 0 && ReadTables();
    if (!read && unpackedSize > 0) return false;
  }

  int64_t remaining = unpackedSize;
  while (remaining > 0) {
    if (PastEnd()) {
      tablesValid_ = false;
      return false;
    }
    if (((copiedPos_ - writePos_) & kWindowMask) < 270 && copiedPos_ != writePos_) {
      if (!Flush()) break;
    }
    if (audioBlock_) {
      int s = DecodeSymbol(audio_[channel_]);
      if (s == 256) {
        if (!ReadTables()) return false;
        continue;
      }
      window_[writePos_] = predictor_.Decode(channel_, s);
      writePos_ = (writePos_ + 1) & kWindowMask;
      if (++channel_ == channels_) channel_ = 0;
      --remaining;
      continue;
    }
    int s = DecodeSymbol(literal_);
    if (s < 256) {
      window_[writePos_] = static_cast<uint8_t>(s);
      writePos_ = (writePos_ + 1) & kWindowMask;
      --remaining;
      continue;
    }
    uint32_t length = 0;
    uint32_t distance = 0;
    if (s == 256) {
      length = lastLength_;
      distance = lastDist_;
    } else if (s < 261) {
      distance = oldDist_[(oldDistPtr_ - static_cast<uint32_t>(s - 256)) & 3];
      int ls = DecodeSymbol(repeat_);
      length = 2 + kLengthBase[ls] + Bits(kLengthBits[ls]);
      if (distance >= 0x101) {
        ++length;
        if (distance >= 0x2000) {
          ++length;
          if (distance >= 0x40000) ++length;
        }
      }
    } else if (s < 269) {
      int i = s - 261;
      distance = 1 + kShortBase[i] + Bits(kShortBits[i]);
      length = 2;
    } else if (s == 269) {
      if (!ReadTables()) return false;
      continue;
    } else {
      int i = s - 270;
      length = 3 + kLengthBase[i] + Bits(kLengthBits[i]);
      int ds = DecodeSymbol(distance_);
      distance = 1 + kDistance.base[ds] + Bits(kDistance.bits[ds]);
      if (distance >= 0x2000) {
        ++length;
        if (distance >= 0x40000) ++length;
      }
    }
    CopyMatch(length, distance);
    remaining -= length;
  }
  if (PastEnd()) {
    tablesValid_ = false;
    return false;
  }
  // A member of a solid stream may end with the tables of the next one.
  if (packedBytes_ >= (bitPos_ >> 3) + 5) {
    int s = DecodeSymbol(audioBlock_ ? audio_[channel_] : literal_);
    if (s == (audioBlock_ ? 256 : 269)) ReadTables();
  }
  Flush();
  if (crc != nullptr) *crc = crc_;
  return true;
}
