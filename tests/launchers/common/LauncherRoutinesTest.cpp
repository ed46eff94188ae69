// The launchers' shared routines: tokenizer, path parts, command-line
// splitting, the name list and its file, text files, and files found on disc
// or in a launcher archive.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "Rar20TestEncoder.h"
#include "launchers/common/ArchiveAwareFile.h"
#include "launchers/common/CommandLine.h"
#include "launchers/common/FileNameList.h"
#include "launchers/common/LauncherFiles.h"
#include "launchers/common/PathParts.h"
#include "launchers/common/StringTokenizer.h"
#include "support/TempDir.h"

namespace {

struct TokenCase {
  const char* text;
  const char* separator;
  int count;
  std::vector<std::string> tokens;  // tokens 1..count+1 (the last past the end)
};

TEST(StringTokenizer, CountsAndTokens) {
  const TokenCase cases[] = {
      {"a,b,c", ",", 3, {"a", "b", "c", ""}},
      {"", ",", 0, {""}},
      {" one , two ", ",", 2, {"one", "two", ""}},
      {",x,", ",", 3, {"", "x", "", ""}},
      {"solo", ",", 1, {"solo", ""}},
      {"D:\\a\\b\\x.bmp", "\\", 4, {"D:", "a", "b", "x.bmp", ""}},
      {"a;;b", ";", 3, {"a", "", "b", ""}},
  };
  for (const TokenCase& c : cases) {
    CStringTokenizer t;
    t.SetText(c.text);
    t.SetSeparator(c.separator);
    EXPECT_EQ(t.CountTokens(), c.count) << c.text;
    for (size_t i = 0; i < c.tokens.size(); ++i) {
      EXPECT_EQ(t.GetToken(static_cast<int>(i) + 1), c.tokens[i]) << c.text << " token " << i + 1;
    }
  }
  CStringTokenizer t("a,b");
  EXPECT_EQ(t.GetToken(0), "a");
  size_t start = 9, length = 9;
  EXPECT_TRUE(t.GetTokenBounds(5, &start, &length));
  EXPECT_EQ(start, 3u);
  EXPECT_EQ(length, 0u);
  EXPECT_FALSE(CStringTokenizer("").GetTokenBounds(1, &start, &length));
}

TEST(PathParts, SplitsAtLastBackslashAndPoint) {
  struct Case {
    const char* path;
    const char* directory;
    const char* name;
    const char* extension;
  };
  const Case cases[] = {
      {"D:\\Games\\Title\\start.exe", "D:\\Games\\Title\\", "start", ".exe"},
      {"\\start.exe", "\\", "start", ".exe"},
      {"D:\\dir.v2\\readme", "D:\\dir.v2\\", "", ".v2\\readme"},
      {"D:\\x\\.hidden", "D:\\x\\", "", ".hidden"},
      {"start.exe", "", "", ""},
      {"D:\\Games\\start", "", "", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    CPathParts parts(c.path);
    EXPECT_EQ(parts.directory, c.directory) << c.path;
    EXPECT_EQ(parts.name, c.name) << c.path;
    EXPECT_EQ(parts.extension, c.extension) << c.path;
    EXPECT_EQ(parts.fileName, std::string(c.name) + c.extension) << c.path;
    EXPECT_EQ(parts.path, parts.directory.empty() ? "" : c.path);
  }
}

TEST(CommandLine, SplitsLikeTheLaunchers) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"\"D:\\Pellam Setup\\setup.exe\" /FORCE", {"D:\\Pellam Setup\\setup.exe", "/FORCE"}},
      {"  D:\\tess.exe   /FORCE  ", {"D:\\tess.exe", "/FORCE"}},
      {"prog \"\" x", {"prog", "", "x"}},
      {"prog \"open quote runs on", {"prog", "open quote runs on"}},
      {"prog \"a\"b", {"prog", "a", "b"}},
      {"", {}},
      {"   ", {}},
      {"a b c d e f g h i j", {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
  std::string longLine = "prog";
  for (int i = 0; i < 2000; ++i) longLine += " argument" + std::to_string(i);
  std::vector<std::string> args = SplitCommandLine(longLine);
  ASSERT_EQ(args.size(), 2001u);
  EXPECT_EQ(args.back(), "argument1999");
}

TEST(FileNameList, EditsAndRecords) {
  CFileNameList list;
  EXPECT_FALSE(list.RemoveAt(0));
  EXPECT_TRUE(list.InsertAt(5, MakeFileNameBlock("b.bmp")));  // past the end: appended
  EXPECT_TRUE(list.InsertAt(0, MakeFileNameBlock("a.bmp")));
  EXPECT_TRUE(list.Add(MakeFileNameBlock("c.bmp")));
  EXPECT_TRUE(list.Swap(0, 2));
  EXPECT_FALSE(list.Swap(1, 1));
  EXPECT_FALSE(list.Swap(0, 3));
  EXPECT_TRUE(list.SetAt(1, MakeFileNameBlock(std::string(300, 'n'))));  // cut to 127
  EXPECT_FALSE(list.SetAt(3, MakeFileNameBlock("x")));
  FileNameBlock block{};
  ASSERT_TRUE(list.Get(1, &block));
  EXPECT_EQ(FileNameText(block), std::string(127, 'n'));
  EXPECT_EQ(block[127], 0);

  testsupport::TempDir dir("namelist");
  ASSERT_TRUE(list.Save(dir.Path("names.lst")));
  EXPECT_EQ(std::filesystem::file_size(dir.Path("names.lst")), 3u * 128u);
  CFileNameList loaded;
  ASSERT_TRUE(loaded.Load(dir.Path("names.lst")));
  ASSERT_EQ(loaded.GetCount(), 3u);
  std::vector<std::string> names;
  for (size_t i = 0; i < loaded.GetCount(); ++i) names.push_back(FileNameText(*loaded.GetNode(i)));
  EXPECT_EQ(names, (std::vector<std::string>{"c.bmp", std::string(127, 'n'), "a.bmp"}));
  EXPECT_EQ(loaded.GetNode(3), nullptr);

  CFileNameList copy;
  copy.Add(MakeFileNameBlock("old"));
  ASSERT_TRUE(loaded.CopyTo(copy));
  EXPECT_EQ(copy.GetCount(), 3u);
  ASSERT_TRUE(loaded.RemoveAt(1));
  EXPECT_EQ(FileNameText(*loaded.GetNode(1)), "a.bmp");

  // A partial last record: the list is left empty.
  std::ofstream(dir.Path("names.lst"), std::ios::app) << "partial";
  EXPECT_FALSE(loaded.Load(dir.Path("names.lst")));
  EXPECT_EQ(loaded.GetCount(), 0u);
  EXPECT_FALSE(loaded.Load(dir.Path("missing.lst")));
  // An empty file is an empty list.
  std::ofstream(dir.Path("empty.lst")).close();
  EXPECT_TRUE(loaded.Load(dir.Path("empty.lst")));
  EXPECT_FALSE(list.Save(dir.Path("no/such/folder/names.lst")));
}

TEST(LauncherFiles, ExistenceAndText) {
  testsupport::TempDir dir("launchfiles");
  testsupport::WriteBytes(dir.Path("ReadMe.TXT"), std::string("first line\r\nsecond\0hidden", 25));
  std::filesystem::create_directory(dir.Path("folder"));
  EXPECT_TRUE(FileExists(dir.Path("readme.txt")));  // any case
  EXPECT_FALSE(FileExists(dir.Path("folder")));
  EXPECT_FALSE(FileExists(dir.Path("absent.txt")));
  std::string text;
  ASSERT_TRUE(ReadTextFile(dir.Path("README.txt"), text));
  EXPECT_EQ(text, "first line\r\nsecond");
  testsupport::WriteBytes(dir.Path("long.txt"), std::string(70000, 'x'));
  ASSERT_TRUE(ReadTextFile(dir.Path("long.txt"), text));
  EXPECT_EQ(text.size(), 65535u);
  EXPECT_FALSE(ReadTextFile(dir.Path("absent.txt"), text));
  EXPECT_TRUE(text.empty());
}

class ArchiveAwareFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.Path().empty());
    const char* old = std::getenv("OSTREVAN_DRIVE_D");
    if (old != nullptr) oldDrive_ = old;
    hadDrive_ = old != nullptr;
    setenv("OSTREVAN_DRIVE_D", dir_.Path().c_str(), 1);
    std::filesystem::create_directories(dir_.Path("x"));
  }
  void TearDown() override {
    if (hadDrive_) {
      setenv("OSTREVAN_DRIVE_D", oldDrive_.c_str(), 1);
    } else {
      unsetenv("OSTREVAN_DRIVE_D");
    }
  }
  void WriteArchive(const std::string& hostName, const std::string& member, const std::vector<uint8_t>& data) {
    rartest::EncodeMember m;
    m.name = member;
    m.data = data;
    std::vector<uint8_t> archive = rartest::BuildRarArchive({m}, false);
    testsupport::WriteBytes(dir_.Path(hostName), std::string(archive.begin(), archive.end()));
  }

  testsupport::TempDir dir_{"archaware"};
  std::string oldDrive_;
  bool hadDrive_ = false;
};

TEST_F(ArchiveAwareFileTest, MemberOfTheNearestFolderArchive) {
  const std::vector<uint8_t> picture(5000, 0x7E);
  WriteArchive("x/setup.KVT", "setup.jpg", picture);
  CArchiveAwareFile file;
  ASSERT_TRUE(file.Open("D:\\x\\Setup\\setup.jpg"));
  EXPECT_FALSE(file.IsPlainFile());
  EXPECT_EQ(file.Archive(), "D:\\x\\Setup.kvt");
  EXPECT_EQ(file.Member(), "setup.jpg");
  std::vector<uint8_t> out;
  ASSERT_TRUE(file.ReadAll(out));
  EXPECT_TRUE(out == picture);
  ASSERT_TRUE(file.ReadAll(out));  // extracts again
  EXPECT_EQ(out.size(), picture.size());
}

TEST_F(ArchiveAwareFileTest, FurtherFolderAndPlainFiles) {
  const std::vector<uint8_t> data = {1, 2, 3};
  WriteArchive("x.kvt", "Setup\\deep.bmp", data);
  CArchiveAwareFile file;
  ASSERT_TRUE(file.Open("D:\\x\\Setup\\deep.bmp"));
  EXPECT_EQ(file.Archive(), "D:\\x.kvt");
  EXPECT_EQ(file.Member(), "Setup\\deep.bmp");
  std::vector<uint8_t> out;
  ASSERT_TRUE(file.ReadAll(out));
  EXPECT_TRUE(out == data);

  // A member missing from the archive found: Open succeeds, ReadAll fails.
  ASSERT_TRUE(file.Open("D:\\x\\Setup\\other.bmp"));
  EXPECT_FALSE(file.ReadAll(out));
  EXPECT_TRUE(out.empty());

  testsupport::WriteBytes(dir_.Path("x/plain.bin"), "plain");
  ASSERT_TRUE(file.Open("D:\\X\\PLAIN.BIN"));
  EXPECT_TRUE(file.IsPlainFile());
  ASSERT_TRUE(file.ReadAll(out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "plain");

  testsupport::WriteBytes(dir_.Path("x/empty.bin"), "");
  ASSERT_TRUE(file.Open("D:\\x\\empty.bin"));
  EXPECT_FALSE(file.ReadAll(out));

  // The drive is never an archive name, and a two-part path is never looked
  // for in one.
  EXPECT_FALSE(file.Open("D:\\nothing\\here.bmp"));
  EXPECT_TRUE(file.Path().empty());
  EXPECT_FALSE(file.Open("x\\deep.bmp"));
}

TEST_F(ArchiveAwareFileTest, LongPathsAndTemporaryFiles) {
  std::string deep = "D:\\x";
  for (int i = 0; i < 30; ++i) deep += "\\folder" + std::to_string(i);
  deep += "\\file.bmp";
  ASSERT_GT(deep.size(), 200u);
  {
    CArchiveAwareFile file;
    EXPECT_FALSE(file.Open(deep));
    testsupport::WriteBytes(dir_.Path("temp.tmp"), "t");
    file.TempFiles().Add(MakeFileNameBlock(dir_.Path("temp.tmp")));
  }
  EXPECT_FALSE(testsupport::FileExists(dir_.Path("temp.tmp")));
}

}  // namespace
