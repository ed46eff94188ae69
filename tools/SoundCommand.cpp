#include "tools/SoundCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/mpeg/LayerIIFile.h"
#include "engine/sound/SoundDecoding.h"
#include "tools/WaveFileWriter.h"

namespace {

// Reads the whole input once (a pipe or FIFO can be read only once); false
// with one reason. `regular` tells whether the path can be opened again.
bool ReadInput(const std::string& path, std::string& bytes, bool& regular, std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = errno == ENOENT ? "no such file" : std::strerror(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error = "is a folder, not a sound file";
    return false;
  }
  regular = S_ISREG(info.st_mode);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  // A regular file in one read of its size; anything else until it ends.
  bytes.clear();
  size_t used = 0;
  bytes.resize(regular && info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : size_t{1} << 16);
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      error = "cannot read the file";
      return false;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(used);
  if (bytes.empty()) {
    error = "the file is empty";
    return false;
  }
  return true;
}

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
  std::string bytes;
  bool regular = false;
  DecodedSound sound;
  std::string error;
  WaveFileWriter wave(args[2]);
  bool decoded = ReadInput(path, bytes, regular, error);
  bool written = true;
  if (decoded) {
    if (IsMPEGAudio(bytes)) {
      // The samples go to the file as they are decoded.
      decoded = DecodeLayerIIStream(
          reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
          [&](const VAudioEncodingFormat&, const uint8_t* samples, size_t count) {
            return written = wave.Append(samples, count);
          },
          sound.format, error);
    } else if (bytes.compare(0, 4, "RIFF") == 0 || bytes.compare(0, 4, "RSX ") == 0) {
      decoded = DecodeStoredSound(path, bytes, regular, sound, error) &&
                (written = wave.Append(sound.samples.data(), sound.samples.size()));
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
