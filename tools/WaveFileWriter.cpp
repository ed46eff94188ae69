#include "tools/WaveFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// Samples gathered before a write.
constexpr size_t kWriteBytes = size_t{1} << 18;
constexpr size_t kHeaderBytes = 44;

}  // namespace

WaveFileWriter::WaveFileWriter(std::string path) : path_(std::move(path)) {}

WaveFileWriter::~WaveFileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool WaveFileWriter::Create() {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return false;
  }
  struct stat info {};
  seekable_ = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
  // Room for the header, written last.
  buffer_.reserve(seekable_ ? kWriteBytes + kHeaderBytes : kWriteBytes);
  buffer_.assign(kHeaderBytes, 0);
  return true;
}

bool WaveFileWriter::WriteAll(const uint8_t* bytes, size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd_, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? std::strerror(errno) : "nothing could be written";
      return false;
    }
    bytes += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

bool WaveFileWriter::Flush() {
  if (!WriteAll(buffer_.data(), buffer_.size())) return false;
  buffer_.clear();
  return true;
}

bool WaveFileWriter::Append(const uint8_t* samples, size_t bytes) {
  if (!error_.empty()) return false;
  if (fd_ < 0 && !Create()) return false;
  dataBytes_ += bytes;
  buffer_.insert(buffer_.end(), samples, samples + bytes);
  return !seekable_ || buffer_.size() < kWriteBytes || Flush();
}

std::string WaveFileWriter::Close(const VAudioEncodingFormat& format) {
  if (error_.empty() && fd_ < 0) Create();
  if (!error_.empty()) return error_;
  const std::vector<uint8_t> header = MakePCMWaveHeader(format, static_cast<uint32_t>(dataBytes_));
  if (dataBytes_ & 1) buffer_.push_back(0);
  bool written = false;
  if (!seekable_) {
    // Everything is still here, the header's room first.
    std::memcpy(buffer_.data(), header.data(), kHeaderBytes);
    written = Flush();
  } else if (Flush()) {
    written = ::pwrite(fd_, header.data(), kHeaderBytes, 0) == static_cast<ssize_t>(kHeaderBytes);
    if (!written) error_ = std::strerror(errno);
  }
  if (::close(fd_) != 0 && written) error_ = std::strerror(errno);
  fd_ = -1;
  return error_;
}
