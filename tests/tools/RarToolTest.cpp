// ostrevan-tool rar extract: a member into a file, and the exit code and
// message when the member cannot be had.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/BuildPaths.h"
#include "support/TempDir.h"
#include "tools/ToolCommands.h"

namespace {

std::string Fixture(const std::string& name) { return OSTREVAN_SOURCE_DIR + "/tests/data/rar/" + name; }

struct ToolCase {
  const char* archive;
  const char* member;
  int code;
  const char* message;  // part of stderr for a failure
};

class RarToolTest : public ::testing::TestWithParam<ToolCase> {};

TEST_P(RarToolTest, ExtractsOrExplains) {
  ASSERT_TRUE(std::filesystem::is_directory(Fixture(""))) << "no sample archives in " << Fixture("");
  const ToolCase& c = GetParam();
  testsupport::TempDir dir("rartool");
  std::ostringstream out, err;
  const std::string target = dir.Path("out.bin");
  EXPECT_EQ(RunTool({"rar", "extract", Fixture(c.archive), c.member, target}, out, err), c.code) << err.str();
  if (c.code == 0) {
    EXPECT_EQ(testsupport::ReadBytes(target), testsupport::ReadBytes(Fixture("etalon.bin")));
  } else {
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    EXPECT_FALSE(testsupport::FileExists(target));
  }
}

INSTANTIATE_TEST_SUITE_P(Members, RarToolTest,
                         ::testing::Values(ToolCase{"test_v2.rar", "pMM.bin", 0, ""},
                                           ToolCase{"test_v2solid5.rar", "P5_SOLID.BIN", 0, ""},
                                           ToolCase{"test_v2.rar", "absent.bin", 1, "no such member"},
                                           ToolCase{"seektest.rar", "stest1.txt", 1, "not supported"},
                                           ToolCase{"etalon.bin", "p0.bin", 1, "not a RAR archive"}));

// A main header that runs past the end of the file is damage, not a
// missing member.
TEST(RarTool, MainHeaderPastTheEndIsDamage) {
  testsupport::TempDir dir("rartool");
  std::string bytes("Rar!\x1A\x07\x00", 7);
  bytes += std::string("\x00\x00\x73\x00\x00\xFF\x00", 7) + std::string(6, '\0');  // 255 bytes long
  testsupport::WriteBytes(dir.Path("cut.rar"), bytes);
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"rar", "extract", dir.Path("cut.rar"), "a.txt", dir.Path("out.bin")}, out, err), 1);
  EXPECT_NE(err.str().find("damaged archive header"), std::string::npos) << err.str();
  EXPECT_FALSE(testsupport::FileExists(dir.Path("out.bin")));
}

TEST(RarTool, WrongArgumentsShowUsage) {
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"rar", "extract", "a.rar"}, out, err), 2);
  EXPECT_NE(err.str().find("rar extract ARCHIVE MEMBER OUT"), std::string::npos);
}

}  // namespace
