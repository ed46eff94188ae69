// Extracted media: every entry of an archive copied out with its entry in front.
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "engine/archive/MediaArchive.h"

int32_t MediaArchive::ExtractAllMedia(const VFileSpec& directory) {
  int32_t count = IsOpen() && loaded_ ? static_cast<int32_t>(entries_.size()) : 0;
  std::map<int, int> uses;  // how often each four-digit name came up so far
  std::vector<uint8_t> chunk;
  for (int32_t i = 0; i < count; ++i) {
    VFile medium;
    uint32_t type = 0;
    MediaEntry entry;
    if (!OpenEntryAt(i, medium, type, &entry)) return i;
    int64_t size = medium.GetLength();

    int digits = entry.id % 10000;
    int use = ++uses[digits];
    char name[32];
    if (use == 1) {
      std::snprintf(name, sizeof name, "Media%04d.mf", digits);
    } else {
      // Ids equal in their last four digits would overwrite each other.
      std::snprintf(name, sizeof name, "Media%04d_%d.mf", digits, use);
    }
    VFileSpec target(name, &directory);
    DeleteFileForSpec(target);
    target.SetExists(true);
    VFile out(target, kUnknownFileType, kUnknownFileType);

    uint8_t header[archive_format::kEntrySize];
    MediaEntry stored = entry;
    stored.offset = archive_format::kEntrySize;
    stored.size = static_cast<uint32_t>(size);
    archive_format::EncodeEntry(stored, header);
    if (out.Write(header, archive_format::kEntrySize) != archive_format::kEntrySize) return i;

    constexpr int32_t kChunk = 1 << 20;
    if (size > 0) chunk.resize(static_cast<size_t>(std::min<int64_t>(size, kChunk)));
    for (int64_t done = 0; done < size;) {
      int32_t n = static_cast<int32_t>(std::min<int64_t>(size - done, kChunk));
      if (medium.Read(chunk.data(), n) != n) return i;
      if (out.Write(chunk.data(), n) != n) return i;
      done += n;
    }
  }
  return count;
}
