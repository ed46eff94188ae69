// The RAR 2.x container: mark, main header, file headers; member lookup and
// extraction with CRC checks.
#include "launchers/common/RarReader.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/core/ByteFields.h"
#include "launchers/common/Rar20Decoder.h"
#include "launchers/common/RarCrc32.h"

namespace {

constexpr uint8_t kBlockMain = 0x73;
constexpr uint8_t kBlockFile = 0x74;
constexpr uint8_t kBlockEnd = 0x7B;
constexpr uint16_t kFlagLongBlock = 0x8000;
constexpr uint16_t kMainSolid = 0x08;
constexpr uint16_t kFileSplitBefore = 0x01;
constexpr uint16_t kFileSplitAfter = 0x02;
constexpr uint16_t kFileEncrypted = 0x04;
constexpr uint16_t kFileComment = 0x08;
constexpr uint16_t kFileSolid = 0x10;
constexpr uint16_t kFileSalt = 0x400;
constexpr uint8_t kMethodStored = 0x30;
constexpr size_t kFileHeaderSize = 32;
constexpr size_t kMainHeaderSize = 13;

// Random access to the archive's bytes.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t Size() const = 0;
  // Exactly n bytes at offset, or false.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t n) = 0;
};

class MemorySource : public Source {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    if (n > 0) std::memcpy(buffer, data_ + offset, n);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

class FileSource : public Source {
 public:
  explicit FileSource(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ != nullptr && std::fseek(file_, 0, SEEK_END) == 0) {
      long end = std::ftell(file_);
      size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
  }
  ~FileSource() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, n, file_) == n;
  }

 private:
  FILE* file_;
  uint64_t size_ = 0;
};

// The header checksum is the low half of the CRC-32 of the header from its
// type on; a comment held in the header (flag 0x08) lies outside it.
bool FileHeaderChecksumMatches(const std::vector<uint8_t>& header, uint16_t flags, uint16_t nameLength) {
  const uint16_t stored = bytefields::LoadLE16(header.data());
  if ((RarCrc32(0, header.data() + 2, header.size() - 2) & 0xFFFF) == stored) return true;
  if ((flags & kFileComment) == 0) return false;
  size_t covered = kFileHeaderSize + nameLength + ((flags & kFileSalt) != 0 ? 8 : 0);
  return covered <= header.size() && (RarCrc32(0, header.data() + 2, covered - 2) & 0xFFFF) == stored;
}

struct Listing {
  RarStatus status = RarStatus::kOk;  // how the walk over the headers ended
  bool solid = false;
  std::vector<RarMember> members;
};

// Walks the headers. A damaged header ends the walk with its status; the
// members before it stay listed.
Listing ReadListing(Source& source) {
  Listing listing;
  uint8_t mark[7];
  if (!source.ReadAt(0, mark, sizeof mark) ||
      (std::memcmp(mark, "Rar!\x1A\x07\x00", 7) != 0 && std::memcmp(mark, "UniquE!", 7) != 0)) {
    listing.status = RarStatus::kNotAnArchive;
    return listing;
  }
  uint8_t main[kMainHeaderSize];
  const uint64_t size = source.Size();
  // The main header must lie inside the archive, whatever its size field
  // says: one that runs past the end leaves no members to find.
  if (!source.ReadAt(7, main, sizeof main) || main[2] != kBlockMain || bytefields::LoadLE16(main + 5) < kMainHeaderSize ||
      7 + uint64_t{bytefields::LoadLE16(main + 5)} > size) {
    listing.status = RarStatus::kBadHeader;
    return listing;
  }
  listing.solid = (bytefields::LoadLE16(main + 3) & kMainSolid) != 0;
  uint64_t pos = 7 + bytefields::LoadLE16(main + 5);
  std::vector<uint8_t> header;
  while (pos < size) {
    uint8_t base[11] = {};
    if (!source.ReadAt(pos, base, 7)) {
      listing.status = RarStatus::kBadHeader;
      break;
    }
    const uint8_t type = base[2];
    const uint16_t flags = bytefields::LoadLE16(base + 3);
    const uint16_t headSize = bytefields::LoadLE16(base + 5);
    if (type == kBlockEnd) break;
    const bool hasData = type == kBlockFile || (flags & kFlagLongBlock) != 0;
    if (headSize < (type == kBlockFile ? kFileHeaderSize : hasData ? 11u : 7u) || pos + headSize > size) {
      listing.status = RarStatus::kBadHeader;
      break;
    }
    header.resize(headSize);
    if (!source.ReadAt(pos, header.data(), headSize)) {
      listing.status = RarStatus::kBadHeader;
      break;
    }
    const uint64_t dataSize = hasData ? bytefields::LoadLE32(header.data() + 7) : 0;
    const uint64_t next = pos + headSize + dataSize;
    if (type == kBlockFile) {
      const uint16_t nameLength = bytefields::LoadLE16(header.data() + 26);
      if (kFileHeaderSize + nameLength > headSize || !FileHeaderChecksumMatches(header, flags, nameLength)) {
        listing.status = RarStatus::kBadHeader;
        break;
      }
      RarMember m;
      const char* name = reinterpret_cast<const char*>(header.data() + kFileHeaderSize);
      m.name.assign(name, strnlen(name, nameLength));
      m.packedSize = bytefields::LoadLE32(header.data() + 7);
      m.unpackedSize = bytefields::LoadLE32(header.data() + 11);
      m.crc = bytefields::LoadLE32(header.data() + 16);
      m.flags = flags;
      m.version = header[24];
      m.method = header[25];
      m.dataOffset = pos + headSize;
      m.truncated = next > size;
      listing.members.push_back(std::move(m));
    }
    if (next > size) {
      // The last block's data are cut: nothing can follow it.
      if (type != kBlockFile) listing.status = RarStatus::kBadHeader;
      break;
    }
    pos = next;
  }
  return listing;
}

bool IsStored(const RarMember& m) { return m.method == kMethodStored; }

// Why the member cannot be decoded, or kOk.
RarStatus CheckDecodable(const RarMember& m) {
  if (m.truncated) return RarStatus::kTruncated;
  if ((m.flags & kFileEncrypted) != 0) return RarStatus::kEncrypted;
  if ((m.flags & (kFileSplitBefore | kFileSplitAfter)) != 0) return RarStatus::kUnsupported;
  if (IsStored(m)) return m.version >= 13 && m.version <= 20 ? RarStatus::kOk : RarStatus::kUnsupported;
  // Packed members of earlier versions use another method.
  if (m.version != 20 || m.method < 0x31 || m.method > 0x35) return RarStatus::kUnsupported;
  return RarStatus::kOk;
}

RarStatus Extract(Source& source, const std::string& memberName, std::vector<uint8_t>& out) {
  out.clear();
  Listing listing = ReadListing(source);
  if (listing.status == RarStatus::kNotAnArchive) return listing.status;
  size_t wanted = listing.members.size();
  for (size_t i = 0; i < listing.members.size(); ++i) {
    if (RarNamesMatch(listing.members[i].name, memberName)) {
      wanted = i;
      break;
    }
  }
  if (wanted == listing.members.size()) {
    return listing.status == RarStatus::kOk ? RarStatus::kMemberNotFound : listing.status;
  }
  const RarMember& member = listing.members[wanted];
  if (RarStatus s = CheckDecodable(member); s != RarStatus::kOk) return s;

  std::vector<uint8_t> packed;
  if (IsStored(member)) {
    if (member.packedSize < member.unpackedSize) return RarStatus::kTruncated;
    packed.resize(member.unpackedSize);
    if (!source.ReadAt(member.dataOffset, packed.data(), packed.size())) return RarStatus::kTruncated;
    if (RarCrc32(0, packed.data(), packed.size()) != member.crc) return RarStatus::kChecksumMismatch;
    out = std::move(packed);
    return RarStatus::kOk;
  }

  auto decoder = std::make_unique<Rar20Decoder>();
  const bool continuing = (member.flags & kFileSolid) != 0;
  if (continuing && listing.solid) {
    // The window and tables come from the members before it, decoded from
    // the last one that starts a fresh stream.
    size_t first = wanted;
    while (first > 0) {
      --first;
      const RarMember& m = listing.members[first];
      if (!IsStored(m) && (m.flags & kFileSolid) == 0) break;
    }
    bool streamIntact = false;
    for (size_t i = first; i < wanted; ++i) {
      const RarMember& m = listing.members[i];
      if (IsStored(m)) continue;
      const bool continues = (m.flags & kFileSolid) != 0;
      if (continues && !streamIntact) continue;
      streamIntact = false;
      if (CheckDecodable(m) != RarStatus::kOk) continue;
      packed.resize(m.packedSize);
      if (!source.ReadAt(m.dataOffset, packed.data(), packed.size())) continue;
      uint32_t crc = 0;
      streamIntact = decoder->DecodeMember(packed.data(), packed.size(), m.unpackedSize, continues, nullptr, &crc) &&
                     crc == m.crc;
    }
    if (!streamIntact) return RarStatus::kDamaged;
  }
  packed.resize(member.packedSize);
  if (!source.ReadAt(member.dataOffset, packed.data(), packed.size())) return RarStatus::kTruncated;
  out.reserve(std::min<size_t>(member.unpackedSize, size_t{16} << 20));
  uint32_t crc = 0;
  if (!decoder->DecodeMember(packed.data(), packed.size(), member.unpackedSize, continuing, &out, &crc)) {
    out.clear();
    return RarStatus::kDamaged;
  }
  if (out.size() != member.unpackedSize || crc != member.crc) {
    out.clear();
    return RarStatus::kChecksumMismatch;
  }
  return RarStatus::kOk;
}

char Normalised(char c) {
  if (c == '\\' || c == '/') return '_';
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c;
}

}  // namespace

const char* RarStatusText(RarStatus status) {
  switch (status) {
    case RarStatus::kOk: return "extracted";
    case RarStatus::kCannotOpen: return "the archive cannot be opened";
    case RarStatus::kNotAnArchive: return "not a RAR archive";
    case RarStatus::kBadHeader: return "damaged archive header";
    case RarStatus::kMemberNotFound: return "no such member";
    case RarStatus::kEncrypted: return "the member is encrypted";
    case RarStatus::kUnsupported: return "the member's version or method is not supported";
    case RarStatus::kTruncated: return "the member's data are cut short";
    case RarStatus::kDamaged: return "the member's packed data are damaged";
    case RarStatus::kChecksumMismatch: return "the member fails its checksum";
  }
  return "unknown error";
}

bool RarNamesMatch(const std::string& memberName, const std::string& wanted) {
  if (memberName.size() != wanted.size()) return false;
  for (size_t i = 0; i < wanted.size(); ++i) {
    if (Normalised(memberName[i]) != Normalised(wanted[i])) return false;
  }
  return true;
}

RarStatus ExtractRarMember(const std::string& archivePath, const std::string& memberName, std::vector<uint8_t>& out) {
  out.clear();
  FileSource source(archivePath);
  if (!source.IsOpen()) return RarStatus::kCannotOpen;
  return Extract(source, memberName, out);
}

RarStatus ExtractRarMemberFromMemory(const uint8_t* data, size_t size, const std::string& memberName,
                                     std::vector<uint8_t>& out) {
  MemorySource source(data, size);
  return Extract(source, memberName, out);
}

RarStatus ListRarMembers(const std::string& archivePath, std::vector<RarMember>& members) {
  members.clear();
  FileSource source(archivePath);
  if (!source.IsOpen()) return RarStatus::kCannotOpen;
  Listing listing = ReadListing(source);
  members = std::move(listing.members);
  return listing.status;
}

RarStatus ListRarMembersFromMemory(const uint8_t* data, size_t size, std::vector<RarMember>& members) {
  MemorySource source(data, size);
  Listing listing = ReadListing(source);
  members = std::move(listing.members);
  return listing.status;
}

bool ExtractToMemory(std::vector<uint8_t>& buffer, const std::string& memberName, const std::string& archivePath,
                     const std::string& password) {
  buffer.clear();
  if (!password.empty()) return false;
  return ExtractRarMember(archivePath, memberName, buffer) == RarStatus::kOk;
}
