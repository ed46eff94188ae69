// FolderIndex: one read of a folder resolves names as the path layer does
// (exact spelling wins, else the first in sorted order without regard to
// case, else the name as given) and files made through it are found again.
#include "platform/FolderIndex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "platform/File.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

class FolderIndexTest : public testsupport::TempDirTest {
 protected:
  FolderIndexTest() : TempDirTest("ostrevan_folderindex_") {}
};

TEST_F(FolderIndexTest, ResolvesLikeThePathLayer) {
  fs::create_directories(Path("Disc"));
  testsupport::WriteBytes(Path("Disc/File.txt"), "1");
  testsupport::WriteBytes(Path("Disc/file.txt"), "2");
  testsupport::WriteBytes(Path("Disc/QV_GUI.msf"), "3");
  // The folder itself is named in another case.
  platform::FolderIndex index(dir_ + "/DISC/");
  EXPECT_EQ(index.GetFolder(), dir_ + "/Disc");
  struct Row {
    const char* asked;
    const char* expected;
  } rows[] = {
      {"file.txt", "file.txt"},  // exact wins
      {"File.txt", "File.txt"},
      {"FILE.TXT", "File.txt"},  // neither: the first in sorted order
      {"qv_gui.MSF", "QV_GUI.msf"},
      {"New.txt", "New.txt"},  // missing: as given
  };
  for (const Row& row : rows) EXPECT_EQ(index.Resolve(row.asked), row.expected) << row.asked;
}

TEST_F(FolderIndexTest, CreatesReplacesAndRemembers) {
  testsupport::WriteBytes(Path("OLD.BIN"), "stale bytes");
  fs::create_directory(Path("Sub"));
  platform::FolderIndex index(dir_);
  int fd = index.CreateTruncated("old.bin");  // the existing file, emptied
  ASSERT_GE(fd, 0);
  EXPECT_EQ(platform::GetFileSize(fd), 0);
  platform::CloseFile(fd);
  EXPECT_FALSE(fs::exists(Path("old.bin")));
  EXPECT_EQ(fs::file_size(Path("OLD.BIN")), 0u);

  fd = index.CreateTruncated("Fresh.mf");
  ASSERT_GE(fd, 0);
  EXPECT_EQ(platform::WriteAt(fd, "abc", 3, 0), 3);
  platform::CloseFile(fd);
  // Made through the index, so found without reading the folder again.
  EXPECT_EQ(index.Resolve("FRESH.MF"), "Fresh.mf");
  fd = index.CreateTruncated("FRESH.MF");
  ASSERT_GE(fd, 0);
  platform::CloseFile(fd);
  EXPECT_EQ(testsupport::ReadBytes(Path("Fresh.mf")), "");

  // Refused: a folder of that name, names that are not one component.
  for (const char* name : {"sub", "", ".", "..", "a/b", "a\\b"}) EXPECT_EQ(index.CreateTruncated(name), -1) << name;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 3);  // OLD.BIN, Sub, Fresh.mf

  // A folder that is not there: an empty index whose creates fail.
  platform::FolderIndex missing(dir_ + "/none");
  EXPECT_EQ(missing.Resolve("x"), "x");
  EXPECT_EQ(missing.CreateTruncated("x"), -1);
}

}  // namespace
