#include "engine/image/Codecs.h"

#include <climits>
#include <cstring>

#include "engine/core/Memory.h"

// ---------------------------------------------------------------------------
// BMP RLE8 / RLE4

VRunLengthCodec::VRunLengthCodec(const uint8_t* source, size_t sourceLength, uint8_t* destination,
                                 size_t destinationLength, int32_t rowBytes)
    : source_(source),
      sourceLength_(sourceLength),
      destination_(destination),
      destinationLength_(destinationLength),
      rowBytes_(rowBytes) {}

int32_t VRunLengthCodec::Decode(int32_t) { return Walk(false); }

int32_t VRunLengthNibbleCodec::Decode(int32_t) { return Walk(true); }

int32_t VRunLengthCodec::Walk(bool nibbles) {
  if (!source_ || !destination_ || rowBytes_ < 1 || destinationLength_ > INT32_MAX) return 0;
  const size_t rowBytes = static_cast<size_t>(rowBytes_);
  const size_t end = destinationLength_;
  size_t s = 0;         // source position
  size_t pos = 0;       // destination position
  size_t rowStart = 0;  // start of the current row

  for (;;) {
    if (sourceLength_ - s < 2) {
      // The source ended without an end-of-bitmap code: accepted only when
      // every row was already filled.
      return (pos >= end && pos > 0) ? static_cast<int32_t>(pos) : 0;
    }
    const uint8_t first = source_[s];
    const uint8_t second = source_[s + 1];
    s += 2;
    if (first > 0) {
      // A run of `first` pixels.
      if (end - pos < first) return 0;
      if (nibbles) {
        for (size_t i = 0; i < first; ++i) destination_[pos + i] = (i & 1) ? (second & 15) : (second >> 4);
      } else {
        std::memset(destination_ + pos, second, first);
      }
      pos += first;
      continue;
    }
    switch (second) {
      case 0: {  // end of line: the rest of the row becomes 0
        size_t next = rowStart + rowBytes;
        if (pos > next) next = (pos + rowBytes - 1) / rowBytes * rowBytes;
        if (next > end) return 0;
        std::memset(destination_ + pos, 0, next - pos);
        pos = rowStart = next;
        break;
      }
      case 1:  // end of bitmap
        return static_cast<int32_t>(pos);
      case 2: {  // delta
        if (sourceLength_ - s < 2) return 0;
        const size_t dx = source_[s];
        const size_t dy = source_[s + 1];
        s += 2;
        const size_t move = dx + dy * rowBytes;
        if (end - pos < move) return 0;
        pos += move;
        rowStart += dy * rowBytes;
        break;
      }
      default: {  // absolute run of `second` pixels, padded to a 16-bit boundary
        const size_t count = second;
        const size_t bytes = nibbles ? (count + 1) / 2 : count;
        const size_t padded = bytes + (bytes & 1);
        if (sourceLength_ - s < padded) return 0;
        if (end - pos < count) return 0;
        if (nibbles) {
          for (size_t i = 0; i < count; ++i) {
            const uint8_t b = source_[s + i / 2];
            destination_[pos + i] = (i & 1) ? (b & 15) : (b >> 4);
          }
        } else {
          std::memcpy(destination_ + pos, source_ + s, count);
        }
        s += padded;
        pos += count;
        break;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Targa run-length packets

VTargaRLECodec::VTargaRLECodec(int32_t depth, const uint8_t* source, size_t sourceLength, uint8_t* destination)
    : depth_(depth), source_(source), sourceLength_(sourceLength), destination_(destination) {}

int32_t VTargaRLECodec::Decode(int32_t total) {
  if (depth_ != 8 && depth_ != 15 && depth_ != 16 && depth_ != 24 && depth_ != 32) return 0;
  if (!source_ || !destination_ || total < 1) return 0;
  const size_t bpp = static_cast<size_t>((depth_ + 7) / 8);
  const size_t limit = static_cast<size_t>(total);
  size_t s = 0;
  size_t written = 0;
  while (written < limit) {
    if (s >= sourceLength_) return 0;
    const uint8_t header = source_[s++];
    size_t pixels = static_cast<size_t>(header & 127) + 1;
    const size_t stored = header < 128 ? pixels * bpp : bpp;
    if (sourceLength_ - s < stored) return 0;
    // A packet running past the image (whole pixels only) is cut at its end.
    if ((limit - written) / bpp < pixels) pixels = (limit - written) / bpp;
    if (pixels == 0) return 0;
    const size_t bytes = pixels * bpp;
    if (header < 128) {
      std::memcpy(destination_ + written, source_ + s, bytes);
    } else {
      for (size_t i = 0; i < pixels; ++i) std::memcpy(destination_ + written + i * bpp, source_ + s, bpp);
    }
    s += stored;
    written += bytes;
  }
  return static_cast<int32_t>(written);
}

// ---------------------------------------------------------------------------
// PackBits

VPackBitsCodec::VPackBitsCodec(const uint8_t** source, const uint8_t* sourceEnd, uint8_t** destination,
                               const uint8_t* destinationEnd, int32_t step)
    : source_(source), sourceEnd_(sourceEnd), destination_(destination), destinationEnd_(destinationEnd), step_(step) {}

int32_t VPackBitsCodec::Decode(int32_t samples) {
  if (!source_ || !*source_ || !destination_ || !*destination_ || !sourceEnd_ || !destinationEnd_) return 0;
  if (samples < 1 || step_ < 1) return 0;
  const uint8_t* src = *source_;
  uint8_t* const base = *destination_;
  if (sourceEnd_ < src || destinationEnd_ < base) return 0;
  const size_t sourceLeft = static_cast<size_t>(sourceEnd_ - src);
  const size_t room = static_cast<size_t>(destinationEnd_ - base);
  const size_t step = static_cast<size_t>(step_);
  size_t s = 0;
  size_t d = 0;  // offset of the next sample
  int32_t wanted = samples;
  auto put = [&](uint8_t value) -> bool {
    if (d >= room) return false;
    base[d] = value;
    d += step;
    return true;
  };
  bool ok = true;
  while (ok && wanted > 0) {
    if (s >= sourceLeft) {
      ok = false;
      break;
    }
    const int8_t header = static_cast<int8_t>(src[s++]);
    if (header >= 0) {
      const int32_t count = header + 1;
      if (sourceLeft - s < static_cast<size_t>(count)) {
        ok = false;
        break;
      }
      const int32_t used = count < wanted ? count : wanted;
      for (int32_t i = 0; i < used && ok; ++i) ok = put(src[s + static_cast<size_t>(i)]);
      s += static_cast<size_t>(count);
      wanted -= used;
    } else if (header != -128) {
      const int32_t count = 1 - header;
      if (s >= sourceLeft) {
        ok = false;
        break;
      }
      const uint8_t value = src[s++];
      const int32_t used = count < wanted ? count : wanted;
      for (int32_t i = 0; i < used && ok; ++i) ok = put(value);
      wanted -= used;
    }
  }
  *source_ = src + s;
  *destination_ = base + (d < room ? d : room);
  return ok ? samples : 0;
}

// ---------------------------------------------------------------------------
// LZW

namespace {
constexpr int32_t kMaxCodes = 4096;
constexpr int32_t kHashSize = 5003;
}  // namespace

VLZWCodec::VLZWCodec(const uint8_t* data, const uint8_t* dataEnd, int32_t initialCodeSize)
    : initialSize_(initialCodeSize), dataEnd_(dataEnd) {
  valid_ = initialCodeSize >= 2 && initialCodeSize <= 8;
  if (!valid_) initialSize_ = 8;
  clearCode_ = 1 << initialSize_;
  endCode_ = clearCode_ + 1;
  ResetWidths();
  blockPos_ = data;
  if (!data || !dataEnd || dataEnd < data) {
    valid_ = false;
    blockPos_ = nullptr;
  }
}

VLZWCodec::~VLZWCodec() {
  FreeMemory(hashCodes_);
  FreeMemory(hashKeys_);
}

void VLZWCodec::ResetWidths() {
  codeWidth_ = initialSize_ + 1;
  codeMask_ = (1 << codeWidth_) - 1;
  widthLimit_ = 1 << codeWidth_;
  nextFree_ = clearCode_ + 2;
}

bool VLZWCodec::ReadCode(int32_t& code) {
  while (reservoirBits_ < codeWidth_) {
    if (blockLeft_ == 0) {
      if (blockPos_ >= dataEnd_) return false;
      const uint8_t size = *blockPos_++;
      if (size == 0) {
        // The terminator: no more codes. Step back so that SkipToEndOfData
        // finds it again.
        --blockPos_;
        return false;
      }
      blockLeft_ = size;
    }
    if (blockPos_ >= dataEnd_) return false;
    reservoir_ |= static_cast<uint32_t>(*blockPos_++) << reservoirBits_;
    --blockLeft_;
    reservoirBits_ += 8;
  }
  code = static_cast<int32_t>(reservoir_ & static_cast<uint32_t>(codeMask_));
  reservoir_ >>= codeWidth_;
  reservoirBits_ -= codeWidth_;
  return true;
}

int32_t VLZWCodec::Decode(uint8_t* destination, int32_t count, bool last) {
  if (!valid_ || !destination || count < 0) return 0;
  int32_t delivered = 0;
  while (delivered < count) {
    if (stackSize_ > 0) {
      destination[delivered++] = stack_[--stackSize_];
      continue;
    }
    if (ended_) break;
    int32_t code = 0;
    if (!ReadCode(code)) {
      ended_ = failed_ = true;
      break;
    }
    if (code == endCode_) {
      ended_ = true;
      break;
    }
    if (code == clearCode_) {
      ResetWidths();
      lastCode_ = -1;
      continue;
    }
    if (lastCode_ < 0) {
      // The first code of a table: a plain byte.
      if (code > clearCode_) {
        ended_ = failed_ = true;
        break;
      }
      lastCode_ = code;
      lastFirstByte_ = static_cast<uint8_t>(code);
      destination[delivered++] = static_cast<uint8_t>(code);
      continue;
    }
    const int32_t incoming = code;
    if (code > nextFree_ || (code == nextFree_ && nextFree_ >= kMaxCodes)) {
      ended_ = failed_ = true;
      break;
    }
    if (code == nextFree_) {
      stack_[stackSize_++] = lastFirstByte_;
      code = lastCode_;
    }
    while (code > endCode_) {
      if (stackSize_ >= kMaxCodes) {
        ended_ = failed_ = true;
        return delivered;
      }
      stack_[stackSize_++] = suffix_[code];
      code = prefix_[code];
    }
    if (code >= clearCode_) {  // a chain cannot end in a control code
      ended_ = failed_ = true;
      stackSize_ = 0;
      break;
    }
    lastFirstByte_ = static_cast<uint8_t>(code);
    stack_[stackSize_++] = lastFirstByte_;
    if (nextFree_ < kMaxCodes) {
      prefix_[nextFree_] = static_cast<uint16_t>(lastCode_);
      suffix_[nextFree_] = lastFirstByte_;
      ++nextFree_;
      if (nextFree_ >= widthLimit_ && codeWidth_ < 12) {
        ++codeWidth_;
        codeMask_ = (1 << codeWidth_) - 1;
        widthLimit_ = 1 << codeWidth_;
      }
    }
    lastCode_ = incoming;
  }
  if (last && delivered == count && stackSize_ == 0 && !ended_) {
    // Consume a directly following end code; anything else stays unread.
    const uint32_t reservoir = reservoir_;
    const int32_t bits = reservoirBits_;
    const uint8_t* pos = blockPos_;
    const int32_t left = blockLeft_;
    int32_t code = 0;
    if (ReadCode(code) && code == endCode_) {
      ended_ = true;
    } else {
      reservoir_ = reservoir;
      reservoirBits_ = bits;
      blockPos_ = pos;
      blockLeft_ = left;
    }
  }
  return delivered;
}

const uint8_t* VLZWCodec::SkipToEndOfData() const {
  if (!blockPos_) return nullptr;
  const uint8_t* p = blockPos_;
  if (dataEnd_ - p < blockLeft_) return nullptr;
  p += blockLeft_;
  for (;;) {
    if (p >= dataEnd_) return nullptr;
    const uint8_t size = *p++;
    if (size == 0) return p;
    if (dataEnd_ - p < size) return nullptr;
    p += size;
  }
}

// Encoding -----------------------------------------------------------------

void VLZWCodec::FlushBlock(bool force) {
  if (blockFill_ == 0 || (!force && blockFill_ < 255)) return;
  encoded_.push_back(static_cast<uint8_t>(blockFill_));
  encoded_.insert(encoded_.end(), block_, block_ + blockFill_);
  blockFill_ = 0;
}

void VLZWCodec::AppendByte(uint8_t byte) {
  block_[blockFill_++] = byte;
  FlushBlock(false);
}

void VLZWCodec::EmitCode(int32_t code) {
  reservoir_ |= static_cast<uint32_t>(code) << reservoirBits_;
  reservoirBits_ += codeWidth_;
  while (reservoirBits_ >= 8) {
    AppendByte(static_cast<uint8_t>(reservoir_ & 255));
    reservoir_ >>= 8;
    reservoirBits_ -= 8;
  }
}

int32_t VLZWCodec::Encode(const uint8_t* bytes, int32_t count, bool last) {
  if (count < 0 || (count > 0 && !bytes)) return -1;
  if (!hashCodes_) {
    hashCodes_ = static_cast<int16_t*>(AllocateMemory(sizeof(int16_t) * kHashSize));
    hashKeys_ = static_cast<int32_t*>(AllocateMemory(sizeof(int32_t) * kHashSize));
    if (!hashCodes_ || !hashKeys_) return -1;
    std::memset(hashCodes_, 0, sizeof(int16_t) * kHashSize);
  }
  const int32_t mask = (1 << initialSize_) - 1;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t c = bytes[i] & mask;
    if (!encodeStarted_) {
      ResetWidths();
      EmitCode(clearCode_);
      currentString_ = c;
      encodeStarted_ = true;
      continue;
    }
    const int32_t key = (c << 12) | currentString_;
    int32_t index = (c << 4) + currentString_;
    if (index >= kHashSize) index -= kHashSize;
    const int32_t displacement = index == 0 ? 1 : kHashSize - index;
    bool found = false;
    while (hashCodes_[index] != 0) {
      if (hashKeys_[index] == key) {
        currentString_ = hashCodes_[index];
        found = true;
        break;
      }
      index -= displacement;
      if (index < 0) index += kHashSize;
    }
    if (found) continue;
    EmitCode(currentString_);
    if (nextFree_ < kMaxCodes) {
      hashCodes_[index] = static_cast<int16_t>(nextFree_++);
      hashKeys_[index] = key;
      if (nextFree_ > widthLimit_ && codeWidth_ < 12) {
        ++codeWidth_;
        codeMask_ = (1 << codeWidth_) - 1;
        widthLimit_ = 1 << codeWidth_;
      }
    } else {
      EmitCode(clearCode_);
      std::memset(hashCodes_, 0, sizeof(int16_t) * kHashSize);
      ResetWidths();
    }
    currentString_ = c;
  }
  if (last) {
    if (!encodeStarted_) {
      ResetWidths();
      EmitCode(clearCode_);
    } else {
      EmitCode(currentString_);
      // The decoder adds one more entry on this code (unless it is the first
      // code of its table): mirror its width change.
      if (nextFree_ > clearCode_ + 2 && nextFree_ < kMaxCodes) {
        ++nextFree_;
        if (nextFree_ > widthLimit_ && codeWidth_ < 12) ++codeWidth_;
      }
    }
    EmitCode(endCode_);
    if (reservoirBits_ > 0) AppendByte(static_cast<uint8_t>(reservoir_ & 255));
    reservoir_ = 0;
    reservoirBits_ = 0;
    FlushBlock(true);
    encoded_.push_back(0);  // the zero-length terminator
    encodeStarted_ = false;
  }
  return count;
}
