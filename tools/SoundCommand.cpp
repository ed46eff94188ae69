#include "tools/SoundCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/mpeg/LayerIIFile.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/sound/SoundDecoding.h"
#include "tools/WaveFileWriter.h"

namespace {

// The input, opened once (a pipe or FIFO can be read only once) and read
// as it is needed: its first bytes to tell the kind of sound, then on.
class Input {
 public:
  ~Input() {
    if (fd_ >= 0) ::close(fd_);
  }
  // Opens the file and reads its first bytes; false with one reason.
  bool Open(const std::string& path, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
      error = errno == ENOENT ? "no such file" : std::strerror(errno);
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      error = "is a folder, not a sound file";
      return false;
    }
    regular_ = S_ISREG(info.st_mode);
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      error = std::string("cannot open: ") + std::strerror(errno);
      return false;
    }
    // Enough to tell the kind (a pipe may give less at a time).
    head_.resize(size_t{1} << 16);
    size_t used = 0;
    while (used < 4) {
      const size_t n = ReadFile(head_.data() + used, head_.size() - used);
      if (n == 0) break;
      used += n;
    }
    head_.resize(used);
    if (failed_) {
      error = "cannot read the file";
      return false;
    }
    if (head_.empty()) {
      error = "the file is empty";
      return false;
    }
    return true;
  }
  const std::string& Head() const { return head_; }
  bool IsRegular() const { return regular_; }
  bool Failed() const { return failed_; }
  // The next bytes: what is left of the first ones, then the file's; 0 at its end.
  size_t Read(uint8_t* destination, size_t count) {
    if (headUsed_ < head_.size()) {
      const size_t n = std::min(count, head_.size() - headUsed_);
      std::memcpy(destination, head_.data() + headUsed_, n);
      headUsed_ += n;
      return n;
    }
    return ReadFile(destination, count);
  }
  // Everything from the start, for readers that need the whole file.
  bool ReadRest(std::string& bytes) {
    bytes = head_.substr(headUsed_);
    headUsed_ = head_.size();
    uint8_t block[65536];
    while (const size_t n = ReadFile(block, sizeof(block))) bytes.append(reinterpret_cast<const char*>(block), n);
    return !failed_;
  }

 private:
  size_t ReadFile(void* destination, size_t count) {
    for (;;) {
      const ssize_t n = ::read(fd_, destination, count);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) failed_ = true;
      return n > 0 ? static_cast<size_t>(n) : 0;
    }
  }

  int fd_ = -1;
  bool regular_ = false;
  bool failed_ = false;
  std::string head_;
  size_t headUsed_ = 0;
};

// The input as a bit stream that refills on demand.
class InputBitstream : public VBitstream {
 public:
  InputBitstream(Input& input, uint32_t bufferSize) : VBitstream(nullptr, bufferSize, true), input_(input) {}

 protected:
  int32_t ReadSource(uint8_t* destination, int32_t count) override {
    return count > 0 ? static_cast<int32_t>(input_.Read(destination, static_cast<size_t>(count))) : 0;
  }

 private:
  Input& input_;
};

// Whether the bytes begin like an MPEG audio stream (or with the ID3 tag
// some such files carry, which the frame search passes over).
bool IsMPEGAudio(const std::string& bytes) {
  if (bytes.size() < 4) return false;
  const auto* head = reinterpret_cast<const uint8_t*>(bytes.data());
  return LooksLikeLayerII(head, 4) || bytes.compare(0, 3, "ID3") == 0;
}

// The readers of WAVE and raw sounds read a file: bytes that came from a
// pipe are put in a temporary file first.
bool DecodeStoredSound(const std::string& path, const std::string& bytes, bool regular, DecodedSound& sound,
                       std::string& error) {
  if (regular) return DecodeSoundFile(path, sound, error);
  const char* base = std::getenv("TMPDIR");
  std::string name = std::string(base && *base ? base : "/tmp") + "/ostrevan-sound-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = std::string("cannot make a temporary file: ") + std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  bool ok = false;
  if (done != bytes.size()) {
    error = "cannot write a temporary file";
  } else {
    ok = DecodeSoundFile(name, sound, error);
  }
  ::unlink(name.c_str());
  return ok;
}

}  // namespace

int RunSoundCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err) {
  if (args.size() != 3 || args[0] != "decode") return 2;
  const std::string& path = args[1];
  Input input;
  DecodedSound sound;
  std::string error;
  WaveFileWriter wave(args[2]);
  bool decoded = input.Open(path, error);
  bool written = true;
  if (decoded) {
    const std::string& head = input.Head();
    if (IsMPEGAudio(head)) {
      // The input is read as it is decoded and the samples go to the file
      // as they come: the memory used does not grow with the sound's length.
      InputBitstream bits(input, 65536);
      decoded = DecodeLayerIIStream(
          bits,
          [&](const VAudioEncodingFormat&, const uint8_t* samples, size_t count) {
            return written = wave.Append(samples, count);
          },
          sound.format, error);
      if (input.Failed()) {
        error = "cannot read the file";
        decoded = false;
      }
    } else if (head.compare(0, 4, "RIFF") == 0 || head.compare(0, 4, "RSX ") == 0) {
      std::string bytes;
      if (!input.IsRegular() && !input.ReadRest(bytes)) {
        error = "cannot read the file";
        decoded = false;
      } else {
        decoded = DecodeStoredSound(path, bytes, input.IsRegular(), sound, error) &&
                  (written = wave.Append(sound.samples.data(), sound.samples.size()));
      }
    } else {
      error = "not a WAVE, raw (RSX) or MPEG Layer II sound file";
      decoded = false;
    }
  }
  if (!written || (decoded && !wave.Close(sound.format).empty())) {
    err << "ostrevan-tool: cannot write " << args[2] << "\n";
    return 1;
  }
  if (!decoded) {
    err << "ostrevan-tool: " << path << ": " << error << "\n";
    return 1;
  }
  return 0;
}
