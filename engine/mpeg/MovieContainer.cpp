// Walking the container atoms in front of a movie's MPEG data.
#include "engine/mpeg/MovieContainer.h"

#include "engine/core/VFile.h"

namespace {

constexpr uint32_t Code(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint8_t(s[3]);
}

bool ReadAtom(VFile& file, uint32_t& size, uint32_t& type) {
  uint8_t b[8];
  file.Seek(0, true);
  if (file.Read(b, 8) != 8) return false;
  size = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
  type = (uint32_t{b[4]} << 24) | (uint32_t{b[5]} << 16) | (uint32_t{b[6]} << 8) | b[7];
  return true;
}

// Moves the window start by `bytes` when that stays within the file.
bool Advance(VFile& file, int64_t bytes) {
  const int64_t length = file.GetLength();
  if (bytes < 8 || bytes > length) return false;
  file.SetStart(file.GetStart() + bytes);
  if (file.GetLength() != length - bytes) file.SetLength(length - bytes);
  return true;
}

}  // namespace

int64_t SkipMovieAtoms(VFile& file) {
  const int64_t start = file.GetStart();
  uint32_t size = 0, type = 0;
  bool more = ReadAtom(file, size, type);
  if (more && type == Code("moov")) {
    more = Advance(file, size) && ReadAtom(file, size, type);
    if (more && type == Code("free")) more = Advance(file, size) && ReadAtom(file, size, type);
  }
  while (more) {
    if (type == Code("wide") || type == Code("mdat")) {
      more = Advance(file, 8) && ReadAtom(file, size, type);
    } else if (type == Code("moov")) {
      more = Advance(file, size) && ReadAtom(file, size, type);
    } else {
      break;
    }
  }
  file.Seek(0, true);
  return file.GetStart() - start;
}

uint32_t PeekMovieCode(VFile& file) {
  uint8_t b[4];
  file.Seek(0, true);
  const int32_t got = file.Read(b, 4);
  file.Seek(0, true);
  if (got != 4) return 0;
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}
