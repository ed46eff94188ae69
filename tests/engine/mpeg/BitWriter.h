// A writer of bits, most significant first, for hand-made video streams in tests.
#pragma once

#include <cstdint>
#include <vector>

namespace mpegtest {

// Writes bits most significant first.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> used_);
      used_ = (used_ + 1) & 7;
    }
  }
  void Put(const char* code) {
    for (const char* c = code; *c; ++c) Put(*c == '1' ? 1 : 0, 1);
  }
  void Align() {
    while (used_ != 0) Put(0, 1);
  }
  void StartCode(uint8_t value) {
    Align();
    Put(0x000001, 24);
    Put(value, 8);
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  int used_ = 0;
};

}  // namespace mpegtest
