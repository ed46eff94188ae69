// Reads RIFF WAVE sounds: plain 8-bit unsigned or 16-bit signed samples, or
// Microsoft ADPCM blocks with their decoder parameters.
#pragma once

#include <memory>

#include "engine/sound/AudioDecoderConfig.h"
#include "engine/sound/SoundReaderRegistry.h"

class VWAVESoundReader : public VSoundReader {
 public:
  VWAVESoundReader() = default;
  explicit VWAVESoundReader(const VFile& file) : VSoundReader(file) {}

  // Walks the chunks for "fmt " and "data"; chunk sizes are bounded by the
  // RIFF length and the file, and the data end by the file's end.
  int32_t ReadHeader() override;
  VSoundReader* CreateReader(const VFile& file) override { return new VWAVESoundReader(file); }
  uint32_t GetTypeCode() const override;
  const VAudioDecoderConfig* GetDecoderConfig() const override { return adpcmConfig_.get(); }

 private:
  // Reads the "fmt " chunk of `size` bytes at the file's position.
  bool ReadFormatChunk(int64_t size);

  std::unique_ptr<VMicrosoftADPCMConfig> adpcmConfig_;
};
