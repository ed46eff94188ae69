// Big-endian typed values over the raw VFile transfer.
#include "engine/core/VBigEndianFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

void Reverse(void* data, int32_t size) {
  auto* p = static_cast<uint8_t*>(data);
  std::reverse(p, p + size);
}

void ReverseEach(void* data, int32_t count, int32_t size) {
  auto* p = static_cast<uint8_t*>(data);
  for (int32_t i = 0; i < count; ++i) Reverse(p + static_cast<int64_t>(i) * size, size);
}

template <typename T>
int32_t ReadOne(VBigEndianFile& file, T& value) {
  T raw{};
  int32_t got = file.Read(&raw, sizeof(T));
  if (got == static_cast<int32_t>(sizeof(T))) {
    Reverse(&raw, sizeof(T));
    value = raw;
  }
  return got;
}

template <typename T>
int32_t WriteOne(VBigEndianFile& file, T value) {
  Reverse(&value, sizeof(T));
  return file.Write(&value, sizeof(T));
}

template <typename T>
int32_t ReadMany(VBigEndianFile& file, T* values, int32_t& count) {
  if (values == nullptr || count < 1) {
    count = 0;
    return 0;
  }
  int64_t bytes = std::min<int64_t>(static_cast<int64_t>(count) * sizeof(T), 0x7FFFFFFF);
  bytes -= bytes % sizeof(T);
  int32_t got = file.Read(values, static_cast<int32_t>(bytes));
  count = got / static_cast<int32_t>(sizeof(T));
  ReverseEach(values, count, sizeof(T));
  return got;
}

template <typename T>
int32_t WriteMany(VBigEndianFile& file, const T* values, int32_t& count) {
  if (values == nullptr || count < 1) {
    count = 0;
    return 0;
  }
  int64_t bytes = std::min<int64_t>(static_cast<int64_t>(count) * sizeof(T), 0x7FFFFFFF);
  bytes -= bytes % sizeof(T);
  std::vector<uint8_t> copy(static_cast<size_t>(bytes));
  std::memcpy(copy.data(), values, copy.size());
  ReverseEach(copy.data(), static_cast<int32_t>(bytes / sizeof(T)), sizeof(T));
  int32_t put = file.Write(copy.data(), static_cast<int32_t>(bytes));
  count = put / static_cast<int32_t>(sizeof(T));
  return put;
}

}  // namespace

int32_t VBigEndianFile::ReadDoubles(double* values, int32_t& count) { return ReadMany(*this, values, count); }
int32_t VBigEndianFile::ReadDouble(double& value) { return ReadOne(*this, value); }
int32_t VBigEndianFile::ReadFloats(float* values, int32_t& count) { return ReadMany(*this, values, count); }
int32_t VBigEndianFile::ReadFloat(float& value) { return ReadOne(*this, value); }
int32_t VBigEndianFile::ReadLongs(int32_t* values, int32_t& count) { return ReadMany(*this, values, count); }
int32_t VBigEndianFile::ReadLong(int32_t& value) { return ReadOne(*this, value); }
int32_t VBigEndianFile::ReadShorts(int16_t* values, int32_t& count) { return ReadMany(*this, values, count); }
int32_t VBigEndianFile::ReadShort(int16_t& value) { return ReadOne(*this, value); }

int32_t VBigEndianFile::WriteDoubles(const double* values, int32_t& count) {
  return WriteMany(*this, values, count);
}
int32_t VBigEndianFile::WriteDouble(double value) { return WriteOne(*this, value); }
int32_t VBigEndianFile::WriteFloats(const float* values, int32_t& count) { return WriteMany(*this, values, count); }
int32_t VBigEndianFile::WriteFloat(float value) { return WriteOne(*this, value); }
int32_t VBigEndianFile::WriteLongs(const int32_t* values, int32_t& count) {
  return WriteMany(*this, values, count);
}
int32_t VBigEndianFile::WriteLong(int32_t value) { return WriteOne(*this, value); }
int32_t VBigEndianFile::WriteShorts(const int16_t* values, int32_t& count) {
  return WriteMany(*this, values, count);
}
int32_t VBigEndianFile::WriteShort(int16_t value) { return WriteOne(*this, value); }
