// The fuzz input as the TEXT media of a small archive: the input is cut at
// its zero bytes into parts (a TEXT medium is read only up to its first zero
// byte, so no text is lost), part k becomes the TEXT medium ids[k], and the
// archive, written to a scratch file, serves every id while it lives. Parts
// beyond the ids given are ignored; ids without a part are not in the archive.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/archive/MediaEntry.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"

// The parts of the input cut at zero bytes, at most `count` (the last one
// keeps the rest, zero bytes and all).
inline std::vector<std::string> FuzzParts(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < count) {
    size_t end = start;
    while (end < size && data[end] != 0) ++end;
    if (end >= size) break;
    parts.emplace_back(reinterpret_cast<const char*>(data) + start, end - start);
    start = end + 1;
  }
  if (count > 0) parts.emplace_back(reinterpret_cast<const char*>(data) + std::min(start, size), size - std::min(start, size));
  return parts;
}

class FuzzArchive {
 public:
  // The parts as the media of the ids (each id once).
  FuzzArchive(const std::vector<std::string>& parts, const std::vector<uint16_t>& ids) {
    std::vector<std::pair<uint16_t, const std::string*>> media;
    for (size_t k = 0; k < parts.size() && k < ids.size(); ++k) media.emplace_back(ids[k], &parts[k]);
    std::sort(media.begin(), media.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string bytes(archive_format::kHeaderSize + archive_format::kEntrySize * media.size(), '\0');
    archive_format::EncodeHeader(static_cast<int16_t>(media.size()), reinterpret_cast<uint8_t*>(bytes.data()));
    for (size_t k = 0; k < media.size(); ++k) {
      MediaEntry entry;
      entry.id = media[k].first;
      entry.type = MakeTypeCode("TEXT");
      entry.offset = static_cast<uint32_t>(bytes.size());
      entry.size = static_cast<uint32_t>(media[k].second->size());
      archive_format::EncodeEntry(entry, reinterpret_cast<uint8_t*>(bytes.data()) + archive_format::kHeaderSize +
                                             archive_format::kEntrySize * k);
      bytes += *media[k].second;
    }
    FILE* out = std::fopen(ScratchPath(), "wb");
    if (out == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    if (archive_.OpenArchive(VFileSpec(ScratchPath()), false)) {
      previousRouter_ = SetMediaArchiveRouter(nullptr);
      previousDefault_ = SetDefaultMediaArchive(&archive_);
      installed_ = true;
    }
  }
  ~FuzzArchive() {
    if (!installed_) return;
    SetDefaultMediaArchive(previousDefault_);
    SetMediaArchiveRouter(previousRouter_);
  }
  FuzzArchive(const FuzzArchive&) = delete;
  FuzzArchive& operator=(const FuzzArchive&) = delete;

  bool IsOpen() const { return installed_; }

 private:
  // The scratch file, one per process, removed when it ends.
  static const char* ScratchPath() {
    static std::string path = [] {
      char name[] = "/tmp/ostrevan_fuzz_media_XXXXXX";
      const int fd = mkstemp(name);
      if (fd >= 0) close(fd);
      return std::string(name);
    }();
    static const bool removed = (std::atexit([] { unlink(ScratchPath()); }), true);
    (void)removed;
    return path.c_str();
  }

  MediaArchive archive_;
  MediaArchiveRouter* previousRouter_ = nullptr;
  MediaArchive* previousDefault_ = nullptr;
  bool installed_ = false;
};
