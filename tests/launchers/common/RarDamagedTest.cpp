// The RAR reader on damaged, refused and odd archives: a clear status, never
// a hang, never damaged bytes reported as extracted.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>

#include "Rar20TestEncoder.h"
#include "launchers/common/RarReader.h"
#include "support/TempDir.h"

namespace {

using rartest::BuildRarArchive;
using rartest::EncodeMember;

std::vector<uint8_t> Text(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"hall ", "door ", "roof ", "beam ", "the ", "\r\n", "1902 "};
  std::mt19937 rng(seed);
  std::vector<uint8_t> out;
  while (out.size() < size) {
    const char* w = kWords[rng() % 7];
    out.insert(out.end(), w, w + std::strlen(w));
    if (rng() % 8 == 0) out.push_back(static_cast<uint8_t>(rng()));
  }
  out.resize(size);
  return out;
}

EncodeMember Member(const std::string& name, std::vector<uint8_t> data, bool stored = false) {
  EncodeMember m;
  m.name = name;
  m.data = std::move(data);
  m.stored = stored;
  return m;
}

RarStatus Extract(const std::vector<uint8_t>& archive, const std::string& name, std::vector<uint8_t>* out = nullptr) {
  std::vector<uint8_t> local;
  std::vector<uint8_t>& target = out != nullptr ? *out : local;
  RarStatus status = ExtractRarMemberFromMemory(archive.data(), archive.size(), name, target);
  if (status != RarStatus::kOk) {
    EXPECT_TRUE(target.empty()) << "bytes returned with a failure";
  }
  return status;
}

// The packed bytes of a member made by the encoder.
std::vector<uint8_t> PackedOf(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> archive = BuildRarArchive({Member("m", data)}, false);
  rartest::MemberPlace place = rartest::LastMemberPlaces()[0];
  return std::vector<uint8_t>(archive.begin() + static_cast<long>(place.data),
                              archive.begin() + static_cast<long>(place.data + place.packedSize));
}

uint32_t Crc(const std::vector<uint8_t>& v) { return rartest::Crc32(v.data(), v.size()); }

void FixHeaderCrc(std::vector<uint8_t>& archive, size_t header, size_t size) {
  uint16_t crc = static_cast<uint16_t>(rartest::Crc32(archive.data() + header + 2, size - 2));
  archive[header] = static_cast<uint8_t>(crc);
  archive[header + 1] = static_cast<uint8_t>(crc >> 8);
}

TEST(RarDamaged, ChecksumMismatchIsAFailure) {
  const std::vector<uint8_t> data = Text(5000, 1);
  const std::vector<uint8_t> packed = PackedOf(data);
  EXPECT_EQ(Extract(rartest::WrapPackedMember("m", packed, 5000, Crc(data)), "m"), RarStatus::kOk);
  EXPECT_EQ(Extract(rartest::WrapPackedMember("m", packed, 5000, Crc(data) ^ 1), "m"), RarStatus::kChecksumMismatch);
  EXPECT_EQ(Extract(rartest::WrapPackedMember("m", data, 5000, Crc(data) ^ 1, 0x30), "m"),
            RarStatus::kChecksumMismatch);
}

TEST(RarDamaged, CorruptPackedBytesNeverPassAsTheMember) {
  const std::vector<uint8_t> data = Text(20000, 2);
  const std::vector<uint8_t> packed = PackedOf(data);
  int refused = 0;
  for (size_t at = 0; at < packed.size(); at += 13) {
    for (uint8_t mask : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
      std::vector<uint8_t> bad = packed;
      bad[at] ^= mask;
      std::vector<uint8_t> out;
      RarStatus status = Extract(rartest::WrapPackedMember("m", bad, 20000, Crc(data)), "m", &out);
      if (status == RarStatus::kOk) {
        EXPECT_TRUE(out == data) << "byte " << at;
      } else {
        EXPECT_TRUE(status == RarStatus::kDamaged || status == RarStatus::kChecksumMismatch) << "byte " << at;
        ++refused;
      }
    }
  }
  EXPECT_GT(refused, 0);
}

TEST(RarDamaged, EncryptedMembersAreRefused) {
  for (bool stored : {true, false}) {
    EncodeMember m = Member("secret.txt", Text(800, 3), stored);
    m.extraFlags = 0x04;
    EXPECT_EQ(Extract(BuildRarArchive({m}, false), "secret.txt"), RarStatus::kEncrypted) << stored;
  }
  std::vector<uint8_t> out;
  EXPECT_FALSE(ExtractToMemory(out, "x", "/nonexistent.kvt", "password"));
}

struct VersionCase {
  bool stored;
  uint8_t version;
  RarStatus status;
};

class RarVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(RarVersionTest, OnlyVersionsOfTheMethodAreDecoded) {
  EncodeMember m = Member("v.txt", Text(3000, 4), GetParam().stored);
  m.version = GetParam().version;
  EXPECT_EQ(Extract(BuildRarArchive({m}, false), "v.txt"), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Versions, RarVersionTest,
                         ::testing::Values(VersionCase{true, 12, RarStatus::kUnsupported},
                                           VersionCase{true, 13, RarStatus::kOk},
                                           VersionCase{true, 20, RarStatus::kOk},
                                           VersionCase{true, 29, RarStatus::kUnsupported},
                                           VersionCase{false, 13, RarStatus::kUnsupported},
                                           VersionCase{false, 15, RarStatus::kUnsupported},
                                           VersionCase{false, 20, RarStatus::kOk},
                                           VersionCase{false, 29, RarStatus::kUnsupported}));

TEST(RarDamaged, LengthRepeatAtTableStart) {
  rartest::BitWriter w;
  w.Put(0, 2);  // LZ tables, lengths reset
  for (int s = 0; s < 19; ++s) w.Put(s == 0 || s == 16 ? 1 : 0, 4);
  w.Put(1, 1);  // symbol 16 (code 1) at position 0
  w.Put(3, 2);
  for (int i = 0; i < 40; ++i) w.Put(0, 8);
  EXPECT_EQ(Extract(rartest::WrapPackedMember("m", w.Finish(), 100, 0), "m"), RarStatus::kDamaged);
}

TEST(RarDamaged, ReadingPastThePackedDataFails) {
  const std::vector<uint8_t> data = Text(30000, 5);
  const std::vector<uint8_t> packed = PackedOf(data);
  for (size_t keep : {size_t{0}, size_t{3}, size_t{12}, packed.size() / 2, packed.size() - 4}) {
    std::vector<uint8_t> cut(packed.begin(), packed.begin() + static_cast<long>(keep));
    EXPECT_EQ(Extract(rartest::WrapPackedMember("m", cut, 30000, Crc(data)), "m"), RarStatus::kDamaged) << keep;
  }
  // Garbage claiming a huge size ends at its last byte, not after billions of
  // symbols.
  for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x5A}}) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> garbage(64, fill);
    RarStatus status = Extract(rartest::WrapPackedMember("m", garbage, 0xFFFFFFF0u, 0), "m");
    EXPECT_TRUE(status == RarStatus::kDamaged || status == RarStatus::kChecksumMismatch);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

TEST(RarDamaged, MemberCutAtItsUnpackedSize) {
  const std::vector<uint8_t> data = Text(10000, 6);
  const std::vector<uint8_t> prefix(data.begin(), data.begin() + 9990);
  std::vector<uint8_t> out;
  EXPECT_EQ(Extract(rartest::WrapPackedMember("m", PackedOf(data), 9990, Crc(prefix)), "m", &out), RarStatus::kOk);
  EXPECT_TRUE(out == prefix);
}

TEST(RarDamaged, HeaderSizesThatDoNotCoverTheHeader) {
  std::vector<uint8_t> good = BuildRarArchive({Member("name.txt", Text(100, 7), true)}, false);
  size_t header = rartest::LastMemberPlaces()[0].header;
  {
    std::vector<uint8_t> bad = good;
    bad[7 + 5] = 7;  // main header of 7 bytes
    bad[7 + 6] = 0;
    EXPECT_EQ(Extract(bad, "name.txt"), RarStatus::kBadHeader);
  }
  for (const size_t mainSize : {good.size() - 6, good.size(), size_t{0xFFFF}}) {
    std::vector<uint8_t> bad = good;  // a main header that runs past the end
    bad[7 + 5] = static_cast<uint8_t>(mainSize);
    bad[7 + 6] = static_cast<uint8_t>(mainSize >> 8);
    EXPECT_EQ(Extract(bad, "name.txt"), RarStatus::kBadHeader) << mainSize;
  }
  for (uint16_t size : {uint16_t{0}, uint16_t{6}, uint16_t{31}, uint16_t{39}}) {
    std::vector<uint8_t> bad = good;
    bad[header + 5] = static_cast<uint8_t>(size);
    bad[header + 6] = static_cast<uint8_t>(size >> 8);
    EXPECT_EQ(Extract(bad, "name.txt"), RarStatus::kBadHeader) << size;
  }
  {
    std::vector<uint8_t> bad = good;
    bad[header + 33] ^= 0x20;  // the name no longer matches its checksum
    EXPECT_EQ(Extract(bad, "name.txt"), RarStatus::kBadHeader);
  }
}

TEST(RarDamaged, TruncatedStoredMember) {
  std::vector<uint8_t> archive = BuildRarArchive({Member("s.bin", Text(4000, 8), true)}, false);
  for (size_t cut : {size_t{1}, size_t{1000}, size_t{3999}}) {
    std::vector<uint8_t> part(archive.begin(), archive.end() - static_cast<long>(cut));
    EXPECT_EQ(Extract(part, "s.bin"), RarStatus::kTruncated) << cut;
  }
  // A packed size below the unpacked size.
  size_t header = rartest::LastMemberPlaces()[0].header;
  archive[header + 7] = 0x10;
  archive[header + 8] = 0;
  FixHeaderCrc(archive, header, 32 + 5);
  EXPECT_EQ(Extract(archive, "s.bin"), RarStatus::kTruncated);
}

TEST(RarDamaged, FilesWithoutTheMark) {
  EXPECT_EQ(Extract({}, "a"), RarStatus::kNotAnArchive);
  EXPECT_EQ(Extract({'R', 'a', 'r', '!'}, "a"), RarStatus::kNotAnArchive);
  std::vector<uint8_t> text = Text(200, 9);
  EXPECT_EQ(Extract(text, "a"), RarStatus::kNotAnArchive);
  // The old mark is accepted.
  std::vector<uint8_t> archive = BuildRarArchive({Member("a", Text(50, 9), true)}, false);
  std::memcpy(archive.data(), "UniquE!", 7);
  EXPECT_EQ(Extract(archive, "a"), RarStatus::kOk);
}

TEST(RarDamaged, BlocksBetweenFileHeadersAreSkipped) {
  std::vector<uint8_t> archive =
      BuildRarArchive({Member("one.txt", Text(500, 10)), Member("two.txt", Text(700, 11), true)}, false);
  const size_t second = rartest::LastMemberPlaces()[1].header;
  // A sub-block with data (owner record) and a comment block without.
  std::vector<uint8_t> sub = {0, 0, 0x77, 0x00, 0x80, 18, 0, 8, 0, 0, 0, 0x99, 0, 0, 0, 1, 0, 0,
                              'o', 'w', 'n', 'e', 'r', ':', 'x', '\n'};
  std::vector<uint8_t> comment = {0, 0, 0x75, 0, 0, 9, 0, 'h', 'i'};
  archive.insert(archive.begin() + static_cast<long>(second), comment.begin(), comment.end());
  archive.insert(archive.begin() + static_cast<long>(second), sub.begin(), sub.end());
  EXPECT_EQ(Extract(archive, "one.txt"), RarStatus::kOk);
  EXPECT_EQ(Extract(archive, "two.txt"), RarStatus::kOk);
}

TEST(RarDamaged, SplitAndStraySolidMembersAreRefused) {
  EncodeMember split = Member("split.bin", Text(300, 12), true);
  split.extraFlags = 0x02;
  EXPECT_EQ(Extract(BuildRarArchive({split}, false), "split.bin"), RarStatus::kUnsupported);
  // Continues a stream in an archive that is not solid: no tables to use.
  EncodeMember stray = Member("stray.bin", Text(300, 13));
  stray.extraFlags = 0x10;
  EXPECT_EQ(Extract(BuildRarArchive({stray}, false), "stray.bin"), RarStatus::kDamaged);
}

TEST(RarDamaged, SolidMemberAfterADamagedOneFails) {
  std::vector<uint8_t> text = Text(8000, 14);
  std::vector<uint8_t> archive = BuildRarArchive({Member("a", text), Member("b", text)}, true);
  rartest::MemberPlace first = rartest::LastMemberPlaces()[0];
  archive[first.data + first.packedSize / 2] ^= 0x55;
  EXPECT_NE(Extract(archive, "a"), RarStatus::kOk);
  EXPECT_EQ(Extract(archive, "b"), RarStatus::kDamaged);
}

TEST(RarReaderFile, ExtractToMemoryReadsAFile) {
  testsupport::TempDir dir("rarfile");
  std::vector<uint8_t> data = Text(3000, 15);
  std::vector<uint8_t> archive = BuildRarArchive({Member("Setup\\setup.jpg", data)}, false);
  testsupport::WriteBytes(dir.Path("Setup.kvt"), std::string(archive.begin(), archive.end()));
  std::vector<uint8_t> out;
  ASSERT_TRUE(ExtractToMemory(out, "setup/setup.jpg", dir.Path("Setup.kvt"), ""));
  EXPECT_TRUE(out == data);
  EXPECT_FALSE(ExtractToMemory(out, "setup.jpg", dir.Path("Setup.kvt"), ""));
  EXPECT_TRUE(out.empty());
  std::vector<RarMember> members;
  ASSERT_EQ(ListRarMembers(dir.Path("Setup.kvt"), members), RarStatus::kOk);
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].name, "Setup\\setup.jpg");
  EXPECT_EQ(members[0].unpackedSize, 3000u);
}

}  // namespace
