// Walking the container atoms in front of a movie's MPEG data, and finding
// where that data begins.
#include "engine/mpeg/MovieContainer.h"

#include <algorithm>
#include <vector>

#include "engine/core/ByteFields.h"
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
  size = bytefields::LoadBE32(b);
  type = bytefields::LoadBE32(b + 4);
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
  return bytefields::LoadBE32(b);
}

namespace {

// Transport packets: a 0x47 sync byte every `stride` bytes from `offset` on,
// checked on the first three packets (two when the data is shorter).
bool HasTransportSync(const std::vector<uint8_t>& data, size_t offset, size_t stride) {
  if (data.size() < offset + stride + 1) return false;
  for (size_t at = offset, n = 0; n < 3 && at < data.size(); at += stride, ++n)
    if (data[at] != 0x47) return false;
  return true;
}

}  // namespace

MovieStreamKind LocateMovieStream(VFile& file) {
  file.Seek(0, true);
  const int64_t length = file.GetLength();
  std::vector<uint8_t> data(static_cast<size_t>(std::clamp<int64_t>(length, 0, kMovieStreamSearchLimit + 3)));
  size_t got = 0;
  while (got < data.size()) {
    const int32_t n = file.Read(data.data() + got, static_cast<int32_t>(data.size() - got));
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  data.resize(got);
  file.Seek(0, true);
  if (HasTransportSync(data, 0, 188) || HasTransportSync(data, 4, 192)) return MovieStreamKind::kTransportStream;
  for (size_t i = 0; i + 4 <= data.size(); ++i) {
    if (data[i + 2] > 1) {
      i += 2;  // no start code prefix can end at i + 1 or i + 2
      continue;
    }
    if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
    const uint32_t code = 0x00000100u | data[i + 3];
    if (code != kPackStartCode && code != kSequenceHeaderCode) continue;
    if (i > 0) {
      const int64_t before = file.GetLength();
      file.SetStart(file.GetStart() + static_cast<int64_t>(i));
      if (file.GetLength() != before - static_cast<int64_t>(i)) file.SetLength(before - static_cast<int64_t>(i));
      file.Seek(0, true);
    }
    return code == kPackStartCode ? MovieStreamKind::kSystemStream : MovieStreamKind::kVideoStream;
  }
  return MovieStreamKind::kUnknown;
}
