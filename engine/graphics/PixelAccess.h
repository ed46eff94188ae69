// Unaligned loads and stores of 16-, 24- and 32-bit pixel values in native
// byte order, shared by the pixel kernels (depth conversion, resampling,
// transfers). 24-bit values are the three bytes in memory order, low first.
#pragma once

#include <cstdint>
#include <cstring>

namespace pixelaccess {

inline uint32_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store16(uint8_t* p, uint32_t v) {
  const uint16_t w = static_cast<uint16_t>(v);
  std::memcpy(p, &w, 2);
}
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline uint32_t Load24(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16); }
inline void Store24(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
}

}  // namespace pixelaccess
