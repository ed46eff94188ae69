// Opening archives, finding media and handing out windows onto them.
#include "engine/archive/MediaArchive.h"

#include <algorithm>

#include "engine/archive/ArchiveServices.h"

using archive_format::kEntrySize;
using archive_format::kHeaderSize;
using archive_format::kSecondHandleType;
using archive_format::kVariantTableType;

MediaArchive::MediaArchive() = default;

MediaArchive::MediaArchive(const VFileSpec& spec) { OpenArchive(spec, false); }

MediaArchive::~MediaArchive() {
  CloseArchive();
  ForgetMediaArchive(this);
}

bool MediaArchive::IsOpen() const { return primary_.IsOpen(); }

void MediaArchive::CloseArchive() {
  if (primary_.IsOpen()) {
    primary_.Close();
    second_.Close();
  }
  // Media windows still out keep their (shared) file object alive and open;
  // the archive itself lets go of it either way.
  primary_.SetFileObject(nullptr);
  second_.SetFileObject(nullptr);
  entries_.clear();
  entries_.shrink_to_fit();
  loaded_ = false;
  archiveLength_ = 0;
}

bool MediaArchive::OpenArchive(const VFileSpec& spec, bool embedded) {
  if (IsOpen()) return true;
  primary_.SetFileSpec(spec);
  if (!primary_.Open(VFileObject::kRead)) {
    CloseArchive();
    return false;
  }
  entries_.clear();
  loaded_ = false;

  if (embedded) {
    int64_t hostLength = primary_.GetLength();
    int32_t n = 0;
    if (hostLength < 4) {
      CloseArchive();
      return false;
    }
    primary_.Seek(hostLength - 4, true);
    // The trailer must fit in front of itself: 0 <= N <= L - 4.
    if (primary_.ReadLong(n) != 4 || n < 0 || n > hostLength - 4) {
      CloseArchive();
      return false;
    }
    primary_.SetStart(hostLength - 4 - n);
    primary_.SetLength(n);
  }
  archiveLength_ = primary_.GetLength();

  uint8_t header[kHeaderSize];
  primary_.Seek(0, true);
  if (primary_.Read(header, kHeaderSize) != kHeaderSize) {
    CloseArchive();
    return false;
  }
  count_ = archive_format::DecodeCount(header);
  version_ = archive_format::DecodeVersion(header);
  if (count_ > 0) {
    int64_t tableBytes = static_cast<int64_t>(count_) * kEntrySize;
    if (tableBytes > archiveLength_ - kHeaderSize) {  // the count runs past the file
      CloseArchive();
      return false;
    }
    std::vector<uint8_t> table(static_cast<size_t>(tableBytes));
    if (primary_.Read(table.data(), static_cast<int32_t>(tableBytes)) != tableBytes) {
      CloseArchive();
      return false;
    }
    entries_.resize(static_cast<size_t>(count_));
    for (int32_t i = 0; i < count_; ++i) entries_[i] = archive_format::DecodeEntry(&table[i * kEntrySize]);
  }
  loaded_ = true;

  VFileSpec same = spec;
  second_.SetFileSpec(same);
  second_.Open(VFileObject::kRead);
  return true;
}

int32_t MediaArchive::FindEntry(uint16_t id, uint32_t type) const {
  if (!IsOpen() || !loaded_) return -1;
  return archive_format::FindEntryIndex(entries_.data(), static_cast<int32_t>(entries_.size()), id, type);
}

bool MediaArchive::EntryAt(int32_t index, MediaEntry& out) const {
  if (!IsOpen() || !loaded_ || index < 0 || index >= static_cast<int32_t>(entries_.size())) return false;
  out = entries_[index];
  return true;
}

bool MediaArchive::EntryInside(const MediaEntry& entry) const {
  return archive_format::RangeInside(entry.offset, entry.size, static_cast<uint64_t>(archiveLength_));
}

uint32_t MediaArchive::ChooseVariant(const MediaEntry* variants, uint32_t count) {
  for (uint32_t i = 0; variants != nullptr && i < count; ++i) {
    if (variants[i].id == variantSelector_) return i;
  }
  return 0;
}

bool MediaArchive::ReadVariants(const MediaEntry& entry, std::vector<MediaEntry>& out) {
  out.clear();
  if (!IsOpen() || !EntryInside(entry) || entry.size < 4) return false;
  // A window of our own on the shared file: concurrent look-ups never move
  // each other's position.
  VFile table(primary_);
  table.SetLength(archiveLength_);
  table.Seek(entry.offset, true);
  uint8_t countBytes[4];
  if (table.Read(countBytes, 4) != 4) return false;
  uint32_t count = archive_format::DecodeVariantCount(countBytes);
  if (!archive_format::IsValidVariantTable(entry.size, count)) return false;
  // The size check above bounds count by the entry's size, which lies inside the file.
  std::vector<uint8_t> bytes(static_cast<size_t>(count) * kEntrySize);
  int64_t done = 0;
  while (done < static_cast<int64_t>(bytes.size())) {
    int32_t chunk = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(bytes.size()) - done, 1 << 30));
    int32_t got = table.Read(bytes.data() + done, chunk);
    if (got != chunk) return false;
    done += got;
  }
  out.resize(count);
  for (uint32_t i = 0; i < count; ++i) out[i] = archive_format::DecodeEntry(&bytes[size_t{i} * kEntrySize]);
  return true;
}

bool MediaArchive::ResolveEntry(uint16_t id, MediaEntry& out, uint32_t type) {
  int32_t index = FindEntry(id, type);
  if (index < 0) return false;
  const MediaEntry& entry = entries_[index];
  if (entry.type == kVariantTableType && type != kVariantTableType) {
    std::vector<MediaEntry> variants;
    if (!ReadVariants(entry, variants)) return false;
    uint32_t count = static_cast<uint32_t>(variants.size());
    uint32_t k = ChooseVariant(variants.data(), count);
    if (k >= count) k = 0;
    if (!EntryInside(variants[k])) return false;
    out = variants[k];
    return true;
  }
  if (!EntryInside(entry)) return false;
  out = entry;
  return true;
}

MediaArchive* MediaArchive::ServingArchive(uint16_t id, uint32_t type) {
  return type == MakeTypeCode("MPG ") ? GetCurrentArchive() : GetArchiveForMedia(id);
}

bool MediaArchive::GetEntry(uint16_t id, MediaEntry& out, uint32_t type) {
  MediaArchive* serving = ServingArchive(id, type);
  return serving != nullptr && serving->ResolveEntry(id, out, type);
}

void MediaArchive::PointAt(const MediaEntry& entry, VFile& out) {
  out.DropPreload();
  out.ShareFileObject(entry.type == kSecondHandleType ? second_ : primary_);
  out.SetStart(primary_.GetStart() + entry.offset);
  out.SetLength(entry.size);
  out.Seek(0, true);
}

bool MediaArchive::OpenMedia(uint16_t id, VFile& out, uint32_t& type, MediaEntry* entry) {
  MediaArchive* serving = ServingArchive(id, type);
  MediaEntry found;
  if (serving == nullptr || !serving->ResolveEntry(id, found, type)) {
    ReportMissingMedia(id, type);
    return false;
  }
  type = found.type;
  serving->PointAt(found, out);
  if (entry != nullptr) *entry = found;
  return true;
}

bool MediaArchive::ReadMedia(uint16_t id, VString& out) {
  VFile window;
  uint32_t type = 0;  // not "MPG ": served by GetArchiveForMedia
  if (!OpenMedia(id, window, type)) return false;
  return window.ReadIntoString(out, window.GetLength()) > 0;
}

bool MediaArchive::OpenEntryAt(int32_t index, VFile& out, uint32_t& type, MediaEntry* entry) {
  MediaEntry found;
  if (!EntryAt(index, found) || !EntryInside(found)) return false;
  type = found.type;
  PointAt(found, out);
  if (entry != nullptr) *entry = found;
  return true;
}

int32_t MediaArchive::SaveArchiveHeader() {
  if (!loaded_) return -1;
  if (!primary_.Open(VFileObject::kReadWrite)) return -1;
  uint8_t header[kHeaderSize];
  archive_format::EncodeHeader(count_, header);
  primary_.Seek(0, true);
  if (primary_.Write(header, kHeaderSize) != kHeaderSize) return -1;
  // Sorted by id; a stable sort, so equal ids keep their order (the same
  // result as swapping neighbours only when the later id is smaller).
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const MediaEntry& a, const MediaEntry& b) { return a.id < b.id; });
  std::vector<uint8_t> table(entries_.size() * kEntrySize);
  for (size_t i = 0; i < entries_.size(); ++i) archive_format::EncodeEntry(entries_[i], &table[i * kEntrySize]);
  int32_t bytes = static_cast<int32_t>(table.size());
  if (bytes == 0) return 0;
  return primary_.Write(table.data(), bytes) == bytes ? bytes : -1;
}
