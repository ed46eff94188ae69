// Sound writers: the base that keeps the target file and writes a stream
// through a header and a sample step, the factory by type code, and the
// writer of the raw "RSX " sound.
#pragma once

#include <cstdint>

#include "engine/core/VFile.h"
#include "engine/sound/AudioFormat.h"

class VAudioStream;

class VSoundWriter {
 public:
  explicit VSoundWriter(VFile& file) : file_(file) {}
  virtual ~VSoundWriter() = default;
  VSoundWriter(const VSoundWriter&) = delete;
  VSoundWriter& operator=(const VSoundWriter&) = delete;

  // Writes the header, then the samples: 0 on success, -1 on failure.
  virtual int32_t Write(VAudioStream& stream);

 protected:
  virtual int32_t WriteHeader(VAudioStream& stream, const VAudioEncodingFormat& sampleFormat) = 0;
  virtual int32_t WriteSamples(VAudioStream& stream) = 0;

  VFile& file_;
};

// The raw "RSX " sound: 14-byte header, then 8-bit unsigned or 16-bit
// signed little-endian samples at the stream's rate and channels.
class VRawSoundWriter : public VSoundWriter {
 public:
  using VSoundWriter::VSoundWriter;
  int32_t Write(VAudioStream& stream) override;

 protected:
  int32_t WriteHeader(VAudioStream& stream, const VAudioEncodingFormat& sampleFormat) override;
  int32_t WriteSamples(VAudioStream& stream) override;

 private:
  VAudioEncodingFormat target_;
};

// A writer for the type ("RSX " only), or null. The caller deletes it.
VSoundWriter* CreateSoundWriter(VFile& file, uint32_t typeCode);
