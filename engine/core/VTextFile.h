// VTextFile: a VFile whose typed values are text: numbers in decimal (blank
// first), strings in double quotes (inner quotes doubled), type codes in single
// quotes. Scripts and the visit history are read through it.
#pragma once

#include "engine/core/VFile.h"

class VTextFile : public VFile {
 public:
  explicit VTextFile(VFileObject* object = nullptr) : VFile(object) {}
  VTextFile(const VFileSpec& spec, uint32_t type, uint32_t creator) : VFile(spec, type, creator) {}
  ~VTextFile() override = default;

  // Reads return the bytes taken (a pushed-back look-ahead byte included),
  // 0 when no value was found.
  int32_t ReadTypeCode(uint32_t& code) override;
  int32_t ReadString(VString& out) override;
  // ReadString that gives up (returning 0) when it meets `stop` before the
  // opening quote.
  int32_t ReadQuotedString(VString& out, char stop);
  int32_t ReadColor(VRGBColor& color) override;
  int32_t ReadDoubles(double* values, int32_t& count) override;
  int32_t ReadDouble(double& value) override;
  int32_t ReadFloats(float* values, int32_t& count) override;
  int32_t ReadFloat(float& value) override;
  int32_t ReadLongs(int32_t* values, int32_t& count) override;
  // Decimal integer; digits beyond 32 bits wrap modulo 2^32.
  int32_t ReadLong(int32_t& value) override;
  int32_t ReadShorts(int16_t* values, int32_t& count) override;
  int32_t ReadShort(int16_t& value) override;

  int32_t WriteTypeCode(const uint32_t& code) override;
  int32_t WriteString(const VString& text) override;
  int32_t WriteColor(const VRGBColor& color) override;
  int32_t WriteDoubles(const double* values, int32_t& count) override;
  // One blank, then "%.6E".
  int32_t WriteDouble(double value) override;
  int32_t WriteFloats(const float* values, int32_t& count) override;
  int32_t WriteFloat(float value) override;
  int32_t WriteLongs(const int32_t* values, int32_t& count) override;
  // One blank, "-" for a negative value, the digits.
  int32_t WriteLong(int32_t value) override;
  int32_t WriteShorts(const int16_t* values, int32_t& count) override;
  int32_t WriteShort(int16_t value) override;
  // Writes the bytes up to the first zero byte, at most count.
  int32_t Write(const void* buffer, int32_t count) override;

 private:
  bool ReadByte(char& c) { return VFile::Read(&c, 1) == 1; }
  int32_t ReadQuoted(VString& out, bool useStop, char stop);
  template <typename T, typename Fn>
  int32_t ReadEach(T* values, int32_t& count, Fn readOne);
  template <typename T, typename Fn>
  int32_t WriteEach(const T* values, int32_t& count, Fn writeOne);
};
