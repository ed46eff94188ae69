// A 16-bit PCM WAVE file written as its samples come: they go out in large
// writes behind a header that is filled in at the end. The file is made at the
// first samples (or at the end), so a sound that yields nothing leaves no
// file. Where the output cannot be written at its start again (a pipe), the
// samples are kept and the whole file goes out at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/sound/SoundDecoding.h"

class WaveFileWriter {
 public:
  explicit WaveFileWriter(std::string path);
  ~WaveFileWriter();
  WaveFileWriter(const WaveFileWriter&) = delete;
  WaveFileWriter& operator=(const WaveFileWriter&) = delete;

  // The next samples; false once the file cannot be made or written.
  bool Append(const uint8_t* samples, size_t bytes);
  // Writes what is left and the header for samples in `format`: the bytes
  // MakePCMWave gives for them. "" on success, else why not.
  std::string Close(const VAudioEncodingFormat& format);

 private:
  bool Create();
  bool WriteAll(const uint8_t* bytes, size_t count);
  bool Flush();

  std::string path_;
  int fd_ = -1;
  bool seekable_ = false;
  std::vector<uint8_t> buffer_;
  uint64_t dataBytes_ = 0;
  std::string error_;
};
