// Extracted media: every entry of an archive copied out with its entry in front.
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "engine/archive/MediaArchive.h"
#include "platform/File.h"
#include "platform/FolderIndex.h"

namespace {

// Closes the descriptor when the medium is done, however it ends.
class ScopedDescriptor {
 public:
  explicit ScopedDescriptor(int fd) : fd_(fd) {}
  ~ScopedDescriptor() { platform::CloseFile(fd_); }
  ScopedDescriptor(const ScopedDescriptor&) = delete;
  ScopedDescriptor& operator=(const ScopedDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

int32_t MediaArchive::ExtractAllMedia(const VFileSpec& directory) {
  int32_t count = IsOpen() && loaded_ ? static_cast<int32_t>(entries_.size()) : 0;
  if (count == 0) return 0;
  // The folder is read once: every name below is looked up in this index (the
  // existing file of that name, in any case, is replaced) and the files made
  // are added to it, so no file costs another read of the folder.
  const char* folderPath = directory.GetStoredPath().GetChars();
  platform::FolderIndex folder(folderPath != nullptr ? folderPath : "");
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
    ScopedDescriptor out(folder.CreateTruncated(name));
    if (out.Get() < 0) return i;

    uint8_t header[archive_format::kEntrySize];
    MediaEntry stored = entry;
    stored.offset = archive_format::kEntrySize;
    stored.size = static_cast<uint32_t>(size);
    archive_format::EncodeEntry(stored, header);
    if (platform::WriteAt(out.Get(), header, archive_format::kEntrySize, 0) != archive_format::kEntrySize) return i;

    constexpr int32_t kChunk = 1 << 20;
    if (size > 0) chunk.resize(static_cast<size_t>(std::min<int64_t>(size, kChunk)));
    for (int64_t done = 0; done < size;) {
      int32_t n = static_cast<int32_t>(std::min<int64_t>(size - done, kChunk));
      if (medium.Read(chunk.data(), n) != n) return i;
      if (platform::WriteAt(out.Get(), chunk.data(), n, archive_format::kEntrySize + done) != n) return i;
      done += n;
    }
  }
  return count;
}
