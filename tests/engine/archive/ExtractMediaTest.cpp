// Extracted media (.mf), read back by the independent Python reader.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/archive/ArchiveTestSupport.h"
#include "engine/archive/MediaArchive.h"

namespace fs = std::filesystem;

namespace {

class ExtractMediaTest : public ArchiveFixture {};

TEST_F(ExtractMediaTest, WritesOneFilePerEntry) {
  std::string path = Build("x.msf", R"({"entries": [
    {"id": 7, "type": "RIX ", "name": "seven", "data": "abc"},
    {"id": 8, "type": "RSX ", "name": "eightchr", "data": ""},
    {"id": 9, "name": "multi", "variants": [{"key": 0, "type": "RIX ", "name": "v0", "data": "zz"}]},
    {"id": 10007, "type": "TEXT", "data": "later\u0000"},
    {"id": 20007, "type": "TEXT", "data": "third\u0000"}]})");
  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec(path.c_str()), false));
  std::string out = Path("out");
  fs::create_directory(out);
  EXPECT_EQ(archive.ExtractAllMedia(VFileSpec(out.c_str())), 5);

  struct Row {
    const char* file;
    std::string expected;  // the Python reader's line: id, type, name, offset, size, hex data
  } rows[] = {
      {"Media0007.mf", "7\tRIX \tseven\t22\t3\t616263\n"},
      {"Media0008.mf", "8\tRSX \teightchr\t22\t0\t\n"},
      // The variant table is copied as it is, archive offsets and all.
      {"Media0009.mf", "9\tMSF \tmulti\t22\t26\t0100000000005249582076300000000000009300000002000000\n"},
      // Ids equal in their last four digits get a suffix instead of replacing.
      {"Media0007_2.mf", "10007\tTEXT\t\t22\t6\t6c6174657200\n"},
      {"Media0007_3.mf", "20007\tTEXT\t\t22\t6\t746869726400\n"},
  };
  for (const Row& row : rows) {
    std::string file = out + "/" + row.file;
    ASSERT_TRUE(fs::exists(file)) << row.file;
    EXPECT_EQ(Capture("python3 '" + Oracle() + "' mf '" + file + "'"), row.expected) << row.file;
  }
  EXPECT_EQ(fs::file_size(out + "/Media0008.mf"), 22u);
}

TEST_F(ExtractMediaTest, EmptyArchiveWritesNothing) {
  std::string path = Build("e.msf", R"({"entries": []})");
  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec(path.c_str()), false));
  EXPECT_EQ(archive.ExtractAllMedia(VFileSpec(dir_.c_str())), 0);
  MediaArchive closed;
  EXPECT_EQ(closed.ExtractAllMedia(VFileSpec(dir_.c_str())), 0);
}

TEST_F(ExtractMediaTest, ReplacesAnOlderFileWhole) {
  std::string path = Build("r.msf", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"}]})");
  std::string stale = Path("Media0001.mf");
  std::ofstream(stale) << std::string(100, 'S');
  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec(path.c_str()), false));
  EXPECT_EQ(archive.ExtractAllMedia(VFileSpec(dir_.c_str())), 1);
  EXPECT_EQ(fs::file_size(stale), 23u);
}

TEST_F(ExtractMediaTest, ReplacesAFileOfTheNameInAnyCase) {
  std::string path = Build("c.msf", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"},
    {"id": 2, "type": "TEXT", "data": "yy"}, {"id": 10001, "type": "TEXT", "data": "z"}]})");
  std::string out = Path("Out");
  fs::create_directory(out);
  std::ofstream(out + "/MEDIA0001.MF") << std::string(100, 'S');
  std::ofstream(out + "/media0001_2.mf") << "S";
  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec(path.c_str()), false));
  // The folder named in another case, as the file layer allows.
  EXPECT_EQ(archive.ExtractAllMedia(VFileSpec(Path("OUT").c_str())), 3);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(out)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"MEDIA0001.MF", "Media0002.mf", "media0001_2.mf"}));
  EXPECT_EQ(fs::file_size(out + "/MEDIA0001.MF"), 23u);
  EXPECT_EQ(fs::file_size(out + "/media0001_2.mf"), 23u);
}

TEST_F(ExtractMediaTest, StopsAtANameItCannotWrite) {
  std::string path = Build("f.msf", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"},
    {"id": 2, "type": "TEXT", "data": "y"}, {"id": 3, "type": "TEXT", "data": "z"}]})");
  fs::create_directory(Path("media0002.MF"));  // a folder where the second file goes
  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec(path.c_str()), false));
  EXPECT_EQ(archive.ExtractAllMedia(VFileSpec(dir_.c_str())), 1);
  EXPECT_TRUE(fs::is_directory(Path("media0002.MF")));
  EXPECT_FALSE(fs::exists(Path("Media0003.mf")));
  // A folder that does not exist writes nothing.
  EXPECT_EQ(archive.ExtractAllMedia(VFileSpec(Path("none/deeper").c_str())), 0);
}

}  // namespace
