#include "tools/PpmFileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

PpmFileWriter::~PpmFileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

std::string PpmFileWriter::Open(const std::string& path, int32_t width, int32_t height, int32_t bufferRows) {
  if (fd_ >= 0) Close();
  error_.clear();
  used_ = 0;
  if (width < 1 || height < 1 || bufferRows < 1) return "the picture is empty";
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return std::strerror(errno);
  char header[48];
  const int length = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", width, height);
  rowBytes_ = static_cast<size_t>(width) * 3;
  const size_t size = static_cast<size_t>(length) + rowBytes_ * static_cast<size_t>(bufferRows);
  if (buffer_.size() < size) buffer_.resize(size);
  std::memcpy(buffer_.data(), header, static_cast<size_t>(length));
  used_ = static_cast<size_t>(length);
  return std::string();
}

bool PpmFileWriter::Flush() {
  size_t done = 0;
  while (done < used_) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? std::strerror(errno) : "nothing could be written";
      return false;
    }
    done += static_cast<size_t>(n);
  }
  used_ = 0;
  return true;
}

uint8_t* PpmFileWriter::NextRows(int32_t count) {
  if (fd_ < 0 || !error_.empty() || count < 1) return nullptr;
  const size_t bytes = rowBytes_ * static_cast<size_t>(count);
  if (bytes > buffer_.size()) return nullptr;
  if (used_ + bytes > buffer_.size() && !Flush()) return nullptr;
  uint8_t* room = buffer_.data() + used_;
  used_ += bytes;
  return room;
}

std::string PpmFileWriter::Close() {
  if (fd_ < 0) return error_.empty() ? std::string("the file is not open") : error_;
  if (error_.empty()) Flush();
  if (::close(fd_) != 0 && error_.empty()) error_ = std::strerror(errno);
  fd_ = -1;
  used_ = 0;
  return error_;
}
