// The RAR reader against archives written by the RAR archiver itself.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "launchers/common/RarReader.h"
#include "support/BuildPaths.h"

namespace {

std::string FixtureDir() { return OSTREVAN_SOURCE_DIR + "/tests/data/rar"; }

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct FixtureCase {
  const char* archive;
  const char* member;
  RarStatus status;
  const char* expected;  // "@etalon" for the 16 KiB sample content, else the text
};

class RarFixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(RarFixtureTest, ExtractsOrRefuses) {
  ASSERT_TRUE(std::filesystem::is_directory(FixtureDir())) << "no sample archives in " << FixtureDir();
  const FixtureCase& c = GetParam();
  std::vector<uint8_t> out;
  ASSERT_EQ(ExtractRarMember(FixtureDir() + "/" + c.archive, c.member, out), c.status)
      << c.archive << " " << c.member;
  if (c.status != RarStatus::kOk) {
    EXPECT_TRUE(out.empty());
    return;
  }
  std::vector<uint8_t> expected;
  if (std::string(c.expected) == "@etalon") {
    expected = ReadBytes(FixtureDir() + "/etalon.bin");
    ASSERT_EQ(expected.size(), 16384u);
  } else {
    expected.assign(c.expected, c.expected + std::strlen(c.expected));
  }
  EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, RarFixtureTest,
    ::testing::Values(FixtureCase{"test_v2.rar", "p0.bin", RarStatus::kOk, "@etalon"},
                      FixtureCase{"test_v2.rar", "p1.bin", RarStatus::kOk, "@etalon"},
                      FixtureCase{"test_v2.rar", "p2.bin", RarStatus::kOk, "@etalon"},
                      FixtureCase{"test_v2.rar", "p3.bin", RarStatus::kOk, "@etalon"},
                      FixtureCase{"test_v2.rar", "p4.bin", RarStatus::kOk, "@etalon"},
                      FixtureCase{"test_v2.rar", "p5.bin", RarStatus::kOk, "@etalon"},
                      FixtureCase{"test_v2.rar", "pMM.bin", RarStatus::kOk, "@etalon"},
                      FixtureCase{"test_v2solid5.rar", "p5.bin", RarStatus::kOk, "@etalon"},
                      FixtureCase{"test_v2solid5.rar", "p5_solid.bin", RarStatus::kOk, "@etalon"},
                      // A Unix-owner sub-block and a recovery block follow the member.
                      FixtureCase{"rar2-unix-owner.rar", "file.txt", RarStatus::kOk, "foo\n"},
                      FixtureCase{"rar202-comment-nopsw.rar", "FILE1.TXT", RarStatus::kOk, "file1\r\n"},
                      FixtureCase{"rar202-comment-nopsw.rar", "file2.txt", RarStatus::kOk, "file2\r\n"},
                      // Packed by RAR 1.5: another method, refused rather than decoded as 2.0.
                      FixtureCase{"rar15-comment.rar", "FILE1.TXT", RarStatus::kUnsupported, ""},
                      FixtureCase{"rar15-comment.rar", "FILE2.TXT", RarStatus::kOk, "baaaar\r\n"},
                      FixtureCase{"seektest.rar", "stest1.txt", RarStatus::kUnsupported, ""},
                      FixtureCase{"test_v2.rar", "p9.bin", RarStatus::kMemberNotFound, ""},
                      FixtureCase{"missing.rar", "p0.bin", RarStatus::kCannotOpen, ""},
                      FixtureCase{"etalon.bin", "p0.bin", RarStatus::kNotAnArchive, ""}));

TEST(RarFixture, StoredMemberOfLaterArchiverVersionExtracts) {
  ASSERT_TRUE(std::filesystem::is_directory(FixtureDir())) << "no sample archives in " << FixtureDir();
  std::vector<uint8_t> out;
  ASSERT_EQ(ExtractRarMember(FixtureDir() + "/seektest.rar", "stest2.txt", out), RarStatus::kOk);
  ASSERT_EQ(out.size(), 2048u);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 8), "000\n001\n");
}

TEST(RarFixture, SolidMemberNeedsTheMembersBeforeIt) {
  ASSERT_TRUE(std::filesystem::is_directory(FixtureDir())) << "no sample archives in " << FixtureDir();
  std::vector<RarMember> members;
  ASSERT_EQ(ListRarMembers(FixtureDir() + "/test_v2solid5.rar", members), RarStatus::kOk);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_NE(members[1].flags & 0x10, 0);
  EXPECT_LT(members[1].packedSize, 100u);
}

}  // namespace
