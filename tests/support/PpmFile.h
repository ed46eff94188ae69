// Reads a binary PPM (P6, 8 bits a sample), as ImageMagick's import writes a
// screenshot: its size and its RGB bytes.
#pragma once

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

}  // namespace testsupport
