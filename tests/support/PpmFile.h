// Reads a binary PPM (P6, 8 bits a sample), as ImageMagick's import writes a
// screenshot: its size and its RGB bytes; and the PSNR of two such pictures.
#pragma once

#include <cmath>
#include <cstddef>
#include <fstream>
#include <string>

namespace testsupport {

inline bool ReadPpm(const std::string& path, int& width, int& height, std::string& rgb) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  if (!(in >> magic >> width >> height >> maxValue) || magic != "P6" || maxValue != 255) return false;
  in.get();
  rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, '\0');
  return static_cast<bool>(in.read(rgb.data(), static_cast<std::streamsize>(rgb.size())));
}

// PSNR in dB of two pictures of 8-bit samples of the same size (99 when they
// are the same, -1 when their sizes differ).
inline double SamplePsnr(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return -1.0;
  double squares = 0.0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(static_cast<unsigned char>(a[i])) - static_cast<unsigned char>(b[i]);
    squares += d * d;
  }
  if (squares == 0.0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / squares);
}

}  // namespace testsupport
