// Platform file layer: path translation with case-insensitive components,
// opens that never create or truncate by accident, positional I/O.
#include "platform/File.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

class PlatformFileTest : public testsupport::TempDirTest {
 protected:
  PlatformFileTest() : TempDirTest("ostrevan_file_") {}
  void WriteFile(const std::string& rel, const std::string& content) {
    fs::create_directories(fs::path(Path(rel)).parent_path());
    testsupport::WriteBytes(Path(rel), content);
  }
  std::string ReadFile(const std::string& rel) { return testsupport::ReadBytes(Path(rel)); }
};

TEST_F(PlatformFileTest, ResolvesEveryComponentWithoutRegardToCase) {
  WriteFile("Media/QV_GUI.msf", "x");
  WriteFile("Disc/sub/DemoTour1.mse", "y");
  struct Row {
    std::string asked;
    std::string expected;
  } rows[] = {
      {"/media/qv_gui.MSF", "/Media/QV_GUI.msf"},
      {"\\MEDIA\\qv_gui.msf", "/Media/QV_GUI.msf"},
      {"/disc\\SUB/demotour1.MSE", "/Disc/sub/DemoTour1.mse"},
      // A missing name keeps its spelling, and so does everything below it.
      {"/media/New.txt", "/Media/New.txt"},
      {"/nothere/Deeper/x", "/nothere/Deeper/x"},
      // Separators collapse, also on a path that exists as written.
      {"//media///QV_GUI.msf", "/Media/QV_GUI.msf"},
      {"//Media///QV_GUI.msf", "/Media/QV_GUI.msf"},
      {"\\Media\\", "/Media/"},
      {"/Disc/./sub/../sub/DemoTour1.mse", "/Disc/./sub/../sub/DemoTour1.mse"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(platform::ResolvePath(dir_ + row.asked), dir_ + row.expected) << row.asked;
  }
}

TEST_F(PlatformFileTest, ExactMatchWinsOverOtherCases) {
  WriteFile("a/File.txt", "1");
  WriteFile("a/file.txt", "2");
  EXPECT_EQ(platform::ResolvePath(dir_ + "/a/file.txt"), dir_ + "/a/file.txt");
  EXPECT_EQ(platform::ResolvePath(dir_ + "/a/File.txt"), dir_ + "/a/File.txt");
  // Neither spelling: the first in sorted order.
  EXPECT_EQ(platform::ResolvePath(dir_ + "/a/FILE.TXT"), dir_ + "/a/File.txt");
}

TEST_F(PlatformFileTest, DriveLetterMapsToConfiguredFolder) {
  WriteFile("Media/x.msf", "x");
  setenv("OSTREVAN_DRIVE_Q", dir_.c_str(), 1);
  EXPECT_EQ(platform::ResolvePath("q:\\MEDIA\\X.MSF"), dir_ + "/Media/x.msf");
  // Without a separator after the drive, as written and in another case.
  EXPECT_EQ(platform::ResolvePath("q:Media\\x.msf"), dir_ + "/Media/x.msf");
  EXPECT_EQ(platform::ResolvePath("q:media\\X.msf"), dir_ + "/Media/x.msf");
  unsetenv("OSTREVAN_DRIVE_Q");
  EXPECT_EQ(platform::ResolvePath("q:\\tmp"), "/tmp");
}

TEST_F(PlatformFileTest, OpenNeverCreatesOrTruncates) {
  WriteFile("keep.bin", "precious");
  chmod((dir_ + "/keep.bin").c_str(), 0444);
  // A refused write open (read-only file) must not create or empty it.
  if (geteuid() != 0) {
    EXPECT_EQ(platform::OpenFile(dir_ + "/keep.bin", platform::kFileReadWrite), -1);
    EXPECT_EQ(platform::OpenOrCreateFile(dir_ + "/keep.bin", platform::kFileReadWrite), -1);
  }
  EXPECT_EQ(ReadFile("keep.bin"), "precious");
  // Opening a missing file does not create it.
  EXPECT_EQ(platform::OpenFile(dir_ + "/missing.bin", platform::kFileReadWrite), -1);
  EXPECT_FALSE(fs::exists(dir_ + "/missing.bin"));
  // OpenOrCreate creates only what is absent, and keeps existing bytes.
  chmod((dir_ + "/keep.bin").c_str(), 0644);
  int fd = platform::OpenOrCreateFile(dir_ + "/KEEP.BIN", platform::kFileReadWrite);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(platform::GetFileSize(fd), 8);
  platform::CloseFile(fd);
  fd = platform::OpenOrCreateFile(dir_ + "/new.bin", platform::kFileWrite);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(platform::GetFileSize(fd), 0);
  platform::CloseFile(fd);
  // A folder is not a file.
  EXPECT_EQ(platform::OpenFile(dir_, platform::kFileRead), -1);
}

TEST_F(PlatformFileTest, PositionalReadsAndWrites) {
  WriteFile("data.bin", "0123456789");
  int fd = platform::OpenFile(dir_ + "/data.bin", platform::kFileReadWrite);
  ASSERT_GE(fd, 0);
  char buf[16] = {};
  EXPECT_EQ(platform::ReadAt(fd, buf, 4, 3), 4);
  EXPECT_EQ(std::string(buf, 4), "3456");
  EXPECT_EQ(platform::ReadAt(fd, buf, 8, 6), 4);  // short at the end
  EXPECT_EQ(platform::ReadAt(fd, buf, 8, 50), 0);
  EXPECT_EQ(platform::WriteAt(fd, "AB", 2, 12), 2);  // leaves a hole
  EXPECT_EQ(platform::GetFileSize(fd), 14);
  EXPECT_TRUE(platform::CloseFile(fd));
  EXPECT_EQ(ReadFile("data.bin"), std::string("0123456789\0\0AB", 14));
  EXPECT_EQ(platform::ReadAt(-1, buf, 1, 0), -1);
}

TEST_F(PlatformFileTest, WholeFileOperations) {
  EXPECT_TRUE(platform::CreateDirectories(dir_ + "/x/Y/z"));
  EXPECT_TRUE(platform::DirectoryExists(dir_ + "/X/y/Z"));
  EXPECT_TRUE(platform::CreateEmptyFile(dir_ + "/X/y/f.txt"));
  EXPECT_TRUE(fs::exists(dir_ + "/x/Y/f.txt"));
  EXPECT_TRUE(platform::FileExists(dir_ + "/x/y/F.TXT"));
  EXPECT_TRUE(platform::DeleteFile(dir_ + "/x/y/F.TXT"));
  EXPECT_FALSE(platform::FileExists(dir_ + "/x/y/f.txt"));
  EXPECT_FALSE(platform::DeleteFile(dir_ + "/x/y/f.txt"));
}

}  // namespace
