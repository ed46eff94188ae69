// Shared by the BMP run-length fuzz targets (RLE4 and RLE8) over arbitrary
// bytes: the first byte picks the row length, the second the number of rows
// of the destination, so runs, deltas and line ends meet both buffer ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

template <typename Codec>
int FuzzBitmapRunLength(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t rowBytes = 1 + data[0] % 64;
  const size_t rows = 1 + data[1] % 64;
  std::vector<uint8_t> source(data + 2, data + size);
  std::vector<uint8_t> destination(static_cast<size_t>(rowBytes) * rows);
  Codec codec(source.data(), source.size(), destination.data(), destination.size(), rowBytes);
  codec.Decode(0);
  return 0;
}
