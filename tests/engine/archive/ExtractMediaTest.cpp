// Extracted media (.mf), read back by the independent Python reader.
#include <filesystem>
#include <string>

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

}  // namespace
