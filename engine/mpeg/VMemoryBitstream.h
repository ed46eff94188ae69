// A bit stream over bytes in memory (not owned), refilled on demand at most
// `chunk` bytes at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/mpeg/VBitstream.h"

class VMemoryBitstream : public VBitstream {
 public:
  VMemoryBitstream(const uint8_t* data, size_t size, uint32_t bufferSize = 32768, size_t chunk = SIZE_MAX)
      : VBitstream(nullptr, bufferSize, true), data_(data), size_(size), chunk_(chunk ? chunk : 1) {}

 protected:
  int32_t ReadSource(uint8_t* destination, int32_t count) override {
    const size_t n = std::min({static_cast<size_t>(count), chunk_, size_ - position_});
    if (n) std::memcpy(destination, data_ + position_, n);
    position_ += n;
    return static_cast<int32_t>(n);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t chunk_;
  size_t position_ = 0;
};
