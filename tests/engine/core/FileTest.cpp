// Shared file objects and VFile windows: clamping, sharing, preload, typed
// little-endian values, bad lengths, threads and never truncating.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"

namespace fs = std::filesystem;

namespace {

class VFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ostrevan_vfile_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const char* name) { return dir_ + "/" + name; }
  void WriteBytes(const char* name, const std::string& bytes) { std::ofstream(Path(name), std::ios::binary) << bytes; }
  std::string ReadBytes(const char* name) {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::string Counting(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(i & 0xFF);
    return s;
  }
  std::string dir_;
};

TEST_F(VFileTest, WindowClampsSeeksAndReads) {
  WriteBytes("a.bin", Counting(200));
  VFile file(VFileSpec(Path("a.bin").c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(VFileObject::kRead));
  file.SetStart(100);
  file.SetLength(10);
  struct Row {
    int64_t offset;
    bool fromStart;
    int64_t expected;
  } rows[] = {{15, true, 10}, {-3, true, 0}, {4, true, 4}, {3, false, 7}, {-20, false, 0}, {10, true, 10}};
  for (const Row& row : rows) {
    file.Seek(row.offset, row.fromStart);
    EXPECT_EQ(file.GetPosition(), row.expected) << row.offset;
  }
  uint8_t buf[16];
  EXPECT_EQ(file.Read(buf, 8), 0);  // at the end
  file.Seek(7, true);
  EXPECT_EQ(file.Read(buf, 8), 3);
  EXPECT_EQ(buf[0], 107);
  EXPECT_EQ(file.GetPosition(), 10);
}

TEST_F(VFileTest, OpenEndedWindowFollowsTheFile) {
  WriteBytes("a.bin", Counting(50));
  VFile file(VFileSpec(Path("a.bin").c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(VFileObject::kRead));
  file.SetStart(20);
  EXPECT_EQ(file.GetLength(), 30);
  std::ofstream(Path("a.bin"), std::ios::app) << "12345";
  EXPECT_EQ(file.GetLength(), 35);
}

TEST_F(VFileTest, TwoWindowsShareOneObject) {
  WriteBytes("a.bin", Counting(100));
  VFile first(VFileSpec(Path("a.bin").c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(first.Open(VFileObject::kRead));
  VFile second(first);
  first.SetStart(10);
  first.SetLength(20);
  first.Seek(0, true);
  second.SetStart(60);
  second.SetLength(20);
  second.Seek(0, true);
  for (int i = 0; i < 5; ++i) {
    uint8_t a = 0, b = 0;
    ASSERT_EQ(first.Read(&a, 1), 1);
    ASSERT_EQ(second.Read(&b, 1), 1);
    EXPECT_EQ(a, 10 + i);
    EXPECT_EQ(b, 60 + i);
  }
  EXPECT_FALSE(first.Close());  // the other window still uses it
  uint8_t c = 0;
  EXPECT_EQ(second.Read(&c, 1), 1);
  EXPECT_EQ(c, 65);
}

TEST_F(VFileTest, ThreadsReadTheirOwnWindows) {
  WriteBytes("a.bin", Counting(64 * 1024));
  VFile base(VFileSpec(Path("a.bin").c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(base.Open(VFileObject::kRead));
  std::vector<std::thread> threads;
  std::vector<int> errors(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      VFile window(base);
      window.SetStart(t * 16384);
      window.SetLength(16384);
      window.Seek(0, true);
      for (int i = 0; i < 16384; i += 7) {
        window.Seek(i, true);
        uint8_t b = 0;
        if (window.Read(&b, 1) != 1 || b != static_cast<uint8_t>((t * 16384 + i) & 0xFF)) ++errors[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int e : errors) EXPECT_EQ(e, 0);
}

TEST_F(VFileTest, PreloadServesReadsAndWritesBack) {
  WriteBytes("a.bin", Counting(100));
  {
    VFile file(VFileSpec(Path("a.bin").c_str()), kUnknownFileType, kUnknownFileType);
    ASSERT_NE(file.Preload(10, 10), nullptr);  // bytes 10..19 in memory
    file.Seek(15, true);
    uint8_t buf[10];
    ASSERT_EQ(file.Read(buf, 10), 10);  // 5 from memory, 5 from the file
    for (int i = 0; i < 10; ++i) EXPECT_EQ(buf[i], 15 + i);
    file.Seek(12, true);
    uint8_t patch[2] = {0xAA, 0xBB};
    EXPECT_EQ(file.Write(patch, 2), 2);
    EXPECT_EQ(static_cast<uint8_t>(ReadBytes("a.bin")[12]), 12);  // not yet on disk
  }
  std::string after = ReadBytes("a.bin");
  EXPECT_EQ(static_cast<uint8_t>(after[12]), 0xAA);
  EXPECT_EQ(static_cast<uint8_t>(after[13]), 0xBB);
  EXPECT_EQ(after.size(), 100u);
}

TEST_F(VFileTest, TypedValuesLittleEndian) {
  VFileSpec spec(Path("t.bin").c_str());
  {
    VFile file(spec, kUnknownFileType, kUnknownFileType);
    EXPECT_EQ(file.WriteLong(0x01020304), 4);
    EXPECT_EQ(file.WriteShort(-2), 2);
    EXPECT_EQ(file.WritePoint(VPoint(70000, -2)), 8);
    VRect r;
    r.left = 1;
    r.top = 2;
    r.right = 3;
    r.bottom = 4;
    EXPECT_EQ(file.WriteRect(r), 16);
    EXPECT_EQ(file.WriteString(VString("ab")), 6);
    EXPECT_EQ(file.WriteString(VString("")), 4);
    EXPECT_EQ(file.WriteColor(VRGBColor{1, 2, 3}), 3);
    EXPECT_EQ(file.WriteText(VString("xyz"), 2), 2);
  }
  std::string bytes = ReadBytes("t.bin");
  std::string expected("\x04\x03\x02\x01\xFE\xFF\x70\x11\x01\x00\xFE\xFF\xFF\xFF"
                       "\x01\0\0\0\x02\0\0\0\x03\0\0\0\x04\0\0\0"
                       "\x02\0\0\0ab\0\0\0\0\x01\x02\x03xy",
                       45);
  EXPECT_EQ(bytes, expected);

  VFile file(spec, kUnknownFileType, kUnknownFileType);
  int32_t l = 0;
  int16_t s = 0;
  VPoint p;
  VRect r;
  VString str("old");
  VRGBColor c;
  EXPECT_EQ(file.ReadLong(l), 4);
  EXPECT_EQ(file.ReadShort(s), 2);
  EXPECT_EQ(file.ReadPoint(p), 8);
  EXPECT_EQ(file.ReadRect(r), 16);
  EXPECT_EQ(file.ReadString(str), 6);
  EXPECT_STREQ(str.GetChars(), "ab");
  EXPECT_EQ(file.ReadString(str), 4);
  EXPECT_STREQ(str.GetChars(), "");
  EXPECT_EQ(file.ReadColor(c), 3);
  EXPECT_EQ(l, 0x01020304);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(p.x, 4464);  // only the low 16 bits of 70000
  EXPECT_EQ(p.y, -2);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, 4);
  EXPECT_EQ(c.blue, 3);
}

TEST_F(VFileTest, ReadStringRefusesImpossibleLengths) {
  struct Row {
    std::string bytes;
    int32_t result;
    const char* text;
  } rows[] = {
      {std::string("\x03\0\0\0abc", 7), 7, "abc"},
      {std::string("\x04\0\0\0abc", 7), 0, "keep"},          // longer than the rest
      {std::string("\xFF\xFF\xFF\xFF", 4), 0, "keep"},       // negative
      {std::string("\xFF\xFF\xFF\x7F" "abc", 7), 0, "keep"},  // huge
      {std::string("\x01\0", 2), 2, "keep"},                 // the length itself is short
  };
  for (const Row& row : rows) {
    WriteBytes("s.bin", row.bytes);
    VFile file(VFileSpec(Path("s.bin").c_str()), kUnknownFileType, kUnknownFileType);
    VString text("keep");
    EXPECT_EQ(file.ReadString(text), row.result);
    EXPECT_STREQ(text.GetChars(), row.text);
  }
}

TEST_F(VFileTest, LinesAndText) {
  WriteBytes("l.txt", std::string("one\r\ntwo\nthree\rfour\0five", 24));
  VFile file(VFileSpec(Path("l.txt").c_str()), kUnknownFileType, kUnknownFileType);
  VString line;
  const char* expected[] = {"one", "two", "three", "four", "five"};
  int32_t taken[] = {4, 4, 6, 5, 4};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(file.ReadLine(line, false), taken[i]);
    EXPECT_STREQ(line.GetChars(), expected[i]);
  }
  EXPECT_EQ(file.ReadLine(line, false), 0);
  file.Seek(0, true);
  EXPECT_EQ(file.SkipLine(), 5);
  EXPECT_EQ(file.SkipLine(), 10);  // "two\nthree\r": LF alone does not end a line here
  file.Seek(0, true);
  VString all("x");
  EXPECT_EQ(file.ReadIntoString(all, 100), 24);
  EXPECT_STREQ(all.GetChars(), "xone\r\ntwo\nthree\rfour");  // stops at the zero byte
}

TEST_F(VFileTest, FailedOpenNeverTruncates) {
  WriteBytes("ro.bin", "precious");
  chmod(Path("ro.bin").c_str(), 0444);
  if (geteuid() != 0) {
    VFile file(VFileSpec(Path("ro.bin").c_str()), kUnknownFileType, kUnknownFileType);
    EXPECT_FALSE(file.Open(VFileObject::kReadWrite));
    EXPECT_EQ(file.Write("x", 1), 0);
  }
  EXPECT_EQ(ReadBytes("ro.bin"), "precious");
  // A name that exists but cannot be opened as a file is left alone (this
  // case also runs as root, where permissions do not refuse).
  fs::create_directory(Path("folder"));
  {
    VFile file(VFileSpec(Path("FOLDER").c_str()), kUnknownFileType, kUnknownFileType);
    EXPECT_EQ(file.Write("x", 1), 0);
    EXPECT_FALSE(file.IsOpen());
  }
  EXPECT_TRUE(fs::is_directory(Path("folder")));
  EXPECT_FALSE(fs::exists(Path("FOLDER")));
  // A missing file is created by a write, an existing one is never emptied.
  {
    VFile file(VFileSpec(Path("NEW.bin").c_str()), kUnknownFileType, kUnknownFileType);
    EXPECT_EQ(file.Write("abc", 3), 3);
  }
  {
    VFile file(VFileSpec(Path("new.BIN").c_str()), kUnknownFileType, kUnknownFileType);
    EXPECT_TRUE(file.Open(VFileObject::kWrite));
    EXPECT_EQ(file.Write("Z", 1), 1);
  }
  EXPECT_EQ(ReadBytes("NEW.bin"), "Zbc");
}

TEST_F(VFileTest, WideningSharedAccessKeepsOneHandle) {
  WriteBytes("w.bin", Counting(10));
  VFile first(VFileSpec(Path("w.bin").c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(first.Open(VFileObject::kRead));
  VFile second(first);
  ASSERT_TRUE(second.Open(VFileObject::kReadWrite));  // widened while shared
  EXPECT_EQ(first.GetFileObject()->GetAccess(), VFileObject::kReadWrite);
  second.Seek(0, true);
  EXPECT_EQ(second.Write("Q", 1), 1);
  uint8_t b = 0;
  first.Seek(0, true);
  EXPECT_EQ(first.Read(&b, 1), 1);
  EXPECT_EQ(b, 'Q');
}

TEST_F(VFileTest, AsyncReadDeliversData) {
  WriteBytes("a.bin", Counting(20));
  VFile file(VFileSpec(Path("a.bin").c_str()), kUnknownFileType, kUnknownFileType);
  file.SetLength(8);
  uint8_t buf[16] = {};
  VReadRequest request;
  EXPECT_EQ(file.ReadAsync(buf, 16, request), 0);
  EXPECT_EQ(request.bytesRead, 8);
  EXPECT_EQ(buf[7], 7);
  VFile none;
  EXPECT_EQ(none.ReadAsync(buf, 4, request), -1);
}

// Writes that do not land are reported by Close (and HasWriteError) rather
// than lost without a word: a device with no room (/dev/full), a preload
// written back there, and a write-back from a window's destructor, which the
// Close of another window onto the same file reports.
TEST_F(VFileTest, WritesThatDoNotLandAreReportedByClose) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  {
    VFile file(VFileSpec("/dev/full"), kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(file.Open(VFileObject::kWrite));
    EXPECT_FALSE(file.HasWriteError());
    EXPECT_EQ(file.Write("abc", 3), 0);
    EXPECT_TRUE(file.HasWriteError());
    EXPECT_FALSE(file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.HasWriteError());  // handed over once
    EXPECT_TRUE(file.Close());
  }
  // The preload comes from a file that is then replaced by a link to the
  // full device, so the write-back reopens it for writing and runs out of room.
  struct Row {
    const char* what;
    bool viaDestructor;
  };
  for (const Row& row : {Row{"Close", false}, Row{"destructor", true}}) {
    WriteBytes("p.bin", Counting(32));
    VFile owner(VFileSpec(Path("p.bin").c_str()), kUnknownFileType, kUnknownFileType);
    {
      VFile window(owner);
      ASSERT_NE(window.Preload(0, 16), nullptr) << row.what;
      window.Seek(4, true);
      ASSERT_EQ(window.Write("XY", 2), 2) << row.what;  // into the preload
      fs::remove(Path("p.bin"));
      fs::create_symlink("/dev/full", Path("p.bin"));
      if (!row.viaDestructor) {
        EXPECT_FALSE(window.Close()) << row.what;  // shared: still open, and the write-back failed
        EXPECT_TRUE(window.HasWriteError()) << row.what;
      }
    }
    EXPECT_TRUE(owner.HasWriteError()) << row.what;
    EXPECT_FALSE(owner.Close()) << row.what;
    EXPECT_TRUE(owner.Close()) << row.what;
    fs::remove(Path("p.bin"));
  }
  // A write-back that lands leaves nothing to report.
  WriteBytes("ok.bin", Counting(32));
  VFile fine(VFileSpec(Path("ok.bin").c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_NE(fine.Preload(0, 16), nullptr);
  ASSERT_EQ(fine.Write("XY", 2), 2);
  EXPECT_TRUE(fine.Close());
  EXPECT_EQ(ReadBytes("ok.bin").substr(0, 3), std::string("XY\x02"));
}

}  // namespace
