// A binary PPM file (P6) written in few large writes: the header and the rows
// gather in a buffer of whole rows that is written out when full and at the
// end. One writer can write many files in turn, keeping its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PpmFileWriter {
 public:
  PpmFileWriter() = default;
  ~PpmFileWriter();
  PpmFileWriter(const PpmFileWriter&) = delete;
  PpmFileWriter& operator=(const PpmFileWriter&) = delete;

  // Creates (or empties) the file for a picture of width x height and puts
  // the header in the buffer, which holds up to `bufferRows` rows (the whole
  // picture when that is its height). "" on success, else why not.
  std::string Open(const std::string& path, int32_t width, int32_t height, int32_t bufferRows);
  // Room for the next `count` rows (1 to bufferRows), 3 x width bytes each
  // and in order from the top, after writing out what the buffer holds when
  // they would not fit; null once a write has failed.
  uint8_t* NextRows(int32_t count);
  size_t GetRowBytes() const { return rowBytes_; }
  // Writes out the rest and closes the file: "" when every row given room
  // was written, else why not.
  std::string Close();

 private:
  bool Flush();

  int fd_ = -1;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  size_t rowBytes_ = 0;
  std::string error_;
};
