// VBigEndianFile: a VFile whose multi-byte values are stored most significant
// byte first (Photoshop files, movie containers). Strings, points and
// rectangles follow, since they go through the 32-bit operations.
#pragma once

#include "engine/core/VFile.h"

class VBigEndianFile : public VFile {
 public:
  explicit VBigEndianFile(VFileObject* object = nullptr) : VFile(object) {}
  VBigEndianFile(const VBigEndianFile& other) : VFile(other) {}
  VBigEndianFile(const VFileSpec& spec, uint32_t type, uint32_t creator) : VFile(spec, type, creator) {}
  ~VBigEndianFile() override = default;

  int32_t ReadDoubles(double* values, int32_t& count) override;
  int32_t ReadDouble(double& value) override;
  int32_t ReadFloats(float* values, int32_t& count) override;
  int32_t ReadFloat(float& value) override;
  int32_t ReadLongs(int32_t* values, int32_t& count) override;
  int32_t ReadLong(int32_t& value) override;
  int32_t ReadShorts(int16_t* values, int32_t& count) override;
  int32_t ReadShort(int16_t& value) override;

  // The caller's arrays are left as they were.
  int32_t WriteDoubles(const double* values, int32_t& count) override;
  int32_t WriteDouble(double value) override;
  int32_t WriteFloats(const float* values, int32_t& count) override;
  int32_t WriteFloat(float value) override;
  int32_t WriteLongs(const int32_t* values, int32_t& count) override;
  int32_t WriteLong(int32_t value) override;
  int32_t WriteShorts(const int16_t* values, int32_t& count) override;
  int32_t WriteShort(int16_t value) override;
};
