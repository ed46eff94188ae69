#include "tools/SoundCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/mpeg/LayerIIFile.h"
#include "engine/sound/SoundDecoding.h"

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
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    error = "cannot read the file";
    return false;
  }
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
  bool decoded = ReadInput(path, bytes, regular, error);
  if (decoded) {
    if (IsMPEGAudio(bytes)) {
      decoded = DecodeLayerIIBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), sound, error);
    } else if (bytes.compare(0, 4, "RIFF") == 0 || bytes.compare(0, 4, "RSX ") == 0) {
      decoded = DecodeStoredSound(path, bytes, regular, sound, error);
    } else {
      error = "not a WAVE, raw (RSX) or MPEG Layer II sound file";
      decoded = false;
    }
  }
  if (!decoded) {
    err << "ostrevan-tool: " << path << ": " << error << "\n";
    return 1;
  }
  const std::vector<uint8_t> wave = MakePCMWave(sound);
  std::ofstream file(args[2], std::ios::binary);
  file.write(reinterpret_cast<const char*>(wave.data()), static_cast<std::streamsize>(wave.size()));
  if (!file) {
    err << "ostrevan-tool: cannot write " << args[2] << "\n";
    return 1;
  }
  return 0;
}
