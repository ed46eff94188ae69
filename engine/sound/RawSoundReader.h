// Reads the program's raw "RSX " sound: a 14-byte header (rate, bits,
// channels) followed by plain samples to the end of the file.
#pragma once

#include "engine/sound/SoundReaderRegistry.h"

class VRawSoundReader : public VSoundReader {
 public:
  static constexpr int32_t kHeaderBytes = 14;

  VRawSoundReader() = default;
  explicit VRawSoundReader(const VFile& file) : VSoundReader(file) {}

  int32_t ReadHeader() override;
  VSoundReader* CreateReader(const VFile& file) override { return new VRawSoundReader(file); }
  uint32_t GetTypeCode() const override;
};
