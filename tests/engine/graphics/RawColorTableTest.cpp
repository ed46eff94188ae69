// The raw colour-table file: byte fixtures for every flag combination, short
// files, round trips, and loading by file and by media id.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/script/ScriptArchiveFixture.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VRawColorTableFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v & 0xFF));
  b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

// count, entries (i, 2i, 3i), then optionally a flags word and tables.
Bytes Rcx(int32_t count, int32_t entries, int flagsWord = -1, int32_t inverseBytes = 0, int32_t shadeBytes = 0) {
  Bytes b;
  Put16(b, static_cast<uint32_t>(count) & 0xFFFF);
  for (int32_t i = 0; i < entries; ++i) b.insert(b.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(2 * i), static_cast<uint8_t>(3 * i)});
  if (flagsWord >= 0) Put16(b, static_cast<uint32_t>(flagsWord));
  for (int32_t i = 0; i < inverseBytes; ++i) b.push_back(static_cast<uint8_t>(i * 7));
  for (int32_t i = 0; i < shadeBytes; ++i) b.push_back(static_cast<uint8_t>(i));
  return b;
}

class TempFile {
 public:
  explicit TempFile(const Bytes& bytes) {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("rcx_" + std::to_string(getpid()) + "_" + std::to_string(serial++) + ".rcx");
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { std::filesystem::remove(path_); }
  std::string Path() const { return path_.string(); }
  Bytes Read() const {
    std::ifstream in(path_, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

struct ReadResult {
  int32_t result;
  int32_t count;
  bool inverse;
  bool shade;
};

ReadResult ReadWithReader(const Bytes& bytes, int32_t flags) {
  TempFile temp(bytes);
  VFile file(VFileSpec(temp.Path().c_str()), kUnknownFileType, kUnknownFileType);
  EXPECT_TRUE(file.Open(1));
  auto* table = new VColorTable();
  VRawColorTableReader reader(&file);
  ReadResult r{reader.ReadColorTable(*table, flags), table->GetColorCount(), table->GetInverseTable() != nullptr,
               table->PeekShadeTable16() != nullptr};
  if (r.inverse) {
    EXPECT_EQ(table->GetInverseTable()[1], 7);
  }
  if (r.shade) {
    EXPECT_EQ(table->PeekShadeTable16()[1], 0x0302);
  }
  table->Release();
  file.Close();
  return r;
}

TEST(RawColorTableTest, ReaderCases) {
  struct Row {
    const char* name;
    Bytes bytes;
    int32_t flags;
    ReadResult expected;
  };
  const Row rows[] = {
      {"entries only", Rcx(2, 2), 44, {0, 2, false, false}},
      {"exactly 3N + 4 bytes: flags word not read", Rcx(2, 2, 8), 44, {0, 2, false, false}},
      {"count 0, nothing more", Rcx(0, 0), 44, {0, 0, false, false}},
      {"count 257", Rcx(257, 0), 44, {-1, 0, false, false}},
      {"negative count", Rcx(-1, 0), 44, {-1, 0, false, false}},
      {"one byte", Bytes{1}, 44, {-1, 0, false, false}},
      {"short entries", Rcx(3, 2), 44, {-1, 3, false, false}},
      {"inverse table", Rcx(2, 2, 8, 65536), 44, {0, 2, true, false}},
      {"inverse table skipped", Rcx(2, 2, 8, 65536), 4, {0, 2, false, false}},
      {"short inverse table", Rcx(2, 2, 8, 1000), 44, {-1, 2, false, false}},
      {"both tables", Rcx(2, 2, 40, 65536, 32768), 44, {0, 2, true, true}},
      {"shade skipped", Rcx(2, 2, 40, 65536, 32768), 12, {0, 2, true, false}},
      {"shade only", Rcx(2, 2, 32, 0, 32768), 44, {0, 2, false, true}},
      {"short shade table", Rcx(2, 2, 32, 0, 100), 44, {-1, 2, false, false}},
      {"entries skipped", Rcx(2, 2, 8, 65536), 8, {0, 0, true, false}},
  };
  for (const Row& row : rows) {
    const ReadResult r = ReadWithReader(row.bytes, row.flags);
    EXPECT_EQ(r.result, row.expected.result) << row.name;
    EXPECT_EQ(r.count, row.expected.count) << row.name;
    EXPECT_EQ(r.inverse, row.expected.inverse) << row.name;
    EXPECT_EQ(r.shade, row.expected.shade) << row.name;
  }
}

TEST(RawColorTableTest, WriteAndReadBack) {
  auto* table = new VColorTable(StandardPalette{0});
  table->BuildInverseTable();
  TempFile temp(Bytes{});
  {
    VFile file(VFileSpec(temp.Path().c_str()), kUnknownFileType, kUnknownFileType);
    EXPECT_EQ(table->Write(file, MakeTypeCode("RCX ")), 0);
    file.Close();
  }
  // No shade table was built: the flags word lacks 32 and no shade block follows.
  const Bytes written = temp.Read();
  ASSERT_EQ(written.size(), 2u + 768u + 2u + 65536u);
  EXPECT_EQ(written[0], 0);
  EXPECT_EQ(written[1], 1);
  EXPECT_EQ(written[2 + 3 * 9], 166);
  EXPECT_EQ(written[770], 12);  // 4 | 8
  EXPECT_EQ(written[771], 0);

  auto* back = new VColorTable(VFileSpec(temp.Path().c_str()));
  EXPECT_TRUE(back->IsLoaded());
  EXPECT_TRUE(back->BeginsWith(*table));
  ASSERT_NE(back->GetInverseTable(), nullptr);
  EXPECT_EQ(std::memcmp(back->GetInverseTable(), table->GetInverseTable(), 65536), 0);

  table->GetShadeTable16();
  TempFile second(Bytes{});
  {
    VFile file(VFileSpec(second.Path().c_str()), kUnknownFileType, kUnknownFileType);
    EXPECT_EQ(table->Write(file, MakeTypeCode("RCX ")), 0);
    EXPECT_EQ(table->Write(file, MakeTypeCode("RIX ")), -1);  // no writer for that type
    file.Close();
  }
  EXPECT_EQ(second.Read().size(), 2u + 768u + 2u + 65536u + 32768u);
  EXPECT_EQ(second.Read()[770], 44);
  back->Release();
  table->Release();
}

TEST(RawColorTableTest, GreyRampGetsNoInverseTable) {
  Bytes bytes;
  Put16(bytes, 256);
  for (int i = 0; i < 256; ++i) bytes.insert(bytes.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)});
  TempFile temp(bytes);
  auto* table = new VColorTable(VFileSpec(temp.Path().c_str()));
  EXPECT_TRUE(table->IsGreyRamp());
  table->BuildInverseTable();
  EXPECT_EQ(table->GetInverseTable(), nullptr);
  EXPECT_EQ(table->FindNearestIndex(VRGBColor(100, 101, 102), true), 101);
  table->Release();
}

TEST(RawColorTableTest, MissingFileLeavesAnEmptyTable) {
  auto* table = new VColorTable(VFileSpec("/nonexistent/dir/none.rcx"));
  EXPECT_FALSE(table->IsLoaded());
  EXPECT_EQ(table->GetColorCount(), 0);
  table->Release();
}

TEST(RawColorTableTest, LoadByMediaId) {
  const Bytes bytes = Rcx(3, 3);
  script_test::ScopedTextArchive archive(
      {{700, std::string(bytes.begin(), bytes.end()), "RCX "}, {701, "hello", "TEXT"}},
      "rcx_archive_" + std::to_string(getpid()));
  auto* table = new VColorTable(static_cast<uint16_t>(700));
  EXPECT_TRUE(table->IsLoaded());
  EXPECT_EQ(table->GetColorCount(), 256);
  // (2, 4, 6) was nearest to white: it gave its place to the black of entry 255.
  EXPECT_EQ(table->GetWhiteSlot(), 2);
  EXPECT_EQ(table->GetBlackSlot(), 0);
  VRGBColor c;
  table->GetColor(c, 1);
  EXPECT_EQ(c, VRGBColor(1, 2, 3));
  table->Release();
  auto* missing = new VColorTable(static_cast<uint16_t>(999));
  EXPECT_FALSE(missing->IsLoaded());
  EXPECT_EQ(missing->GetColorCount(), 0);
  missing->Release();
}

}  // namespace
