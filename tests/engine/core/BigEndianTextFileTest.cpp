// Big-endian files (checked against Python's struct '>') and text files
// (checked against printf "%.6E" and strtod; values round-trip).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/core/VBigEndianFile.h"
#include "engine/core/VTextFile.h"
#include "support/RequireTool.h"

namespace fs = std::filesystem;

namespace {

class TypedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ostrevan_typed_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const char* name) { return dir_ + "/" + name; }
  std::string ReadBytes(const char* name) {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void WriteBytes(const char* name, const std::string& bytes) { std::ofstream(Path(name), std::ios::binary) << bytes; }
  // Runs python3 -c script with the file path as argv[1].
  bool Python(const std::string& python3, const std::string& script, const char* name) {
    std::string command = python3 + " -c '" + script + "' '" + Path(name) + "'";
    return std::system(command.c_str()) == 0;
  }
  std::string dir_;
};

TEST_F(TypedFileTest, BigEndianMatchesPythonStruct) {
  REQUIRE_TOOL(python3, "python3");
  {
    VBigEndianFile file(VFileSpec(Path("be.bin").c_str()), kUnknownFileType, kUnknownFileType);
    file.WriteShort(-12345);
    file.WriteLong(-19088744);
    file.WriteFloat(1.5f);
    file.WriteDouble(-2.25e10);
    int32_t longs[3] = {1, -2, 0x7FFFFFFF};
    int32_t count = 3;
    file.WriteLongs(longs, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(longs[2], 0x7FFFFFFF);  // the caller's array is unchanged
    file.WriteString(VString("hi"));
    file.WritePoint(VPoint(3, -4));
    uint32_t code = MakeTypeCode("8BPS");
    file.WriteTypeCode(code);
  }
  // Python packs the same values independently; the files must be equal.
  ASSERT_TRUE(Python(
      python3,
      "import struct,sys; open(sys.argv[1],\"wb\").write(struct.pack(\">hifdiii\", -12345, -19088744, 1.5, "
      "-2.25e10, 1, -2, 2147483647) + struct.pack(\">i\", 2) + b\"hi\" + struct.pack(\">ii\", 3, -4) + b\"8BPS\")",
      "py.bin"));
  EXPECT_EQ(ReadBytes("be.bin"), ReadBytes("py.bin"));

  ASSERT_TRUE(Python(python3,
                     "import struct,sys; open(sys.argv[1],\"wb\").write(struct.pack(\">HIdfhh\", 65535, "
                     "4000000000, 3.125, -0.5, 7, -8))",
                     "in.bin"));
  VBigEndianFile file(VFileSpec(Path("in.bin").c_str()), kUnknownFileType, kUnknownFileType);
  int16_t s = 0;
  int32_t l = 0;
  double d = 0;
  float f = 0;
  int16_t shorts[2] = {};
  int32_t count = 2;
  EXPECT_EQ(file.ReadShort(s), 2);
  EXPECT_EQ(file.ReadLong(l), 4);
  EXPECT_EQ(file.ReadDouble(d), 8);
  EXPECT_EQ(file.ReadFloat(f), 4);
  EXPECT_EQ(file.ReadShorts(shorts, count), 4);
  EXPECT_EQ(s, -1);
  EXPECT_EQ(static_cast<uint32_t>(l), 4000000000u);
  EXPECT_EQ(d, 3.125);
  EXPECT_EQ(f, -0.5f);
  EXPECT_EQ(shorts[0], 7);
  EXPECT_EQ(shorts[1], -8);
}

TEST_F(TypedFileTest, TextWritesTheDocumentedForms) {
  {
    VTextFile file(VFileSpec(Path("t.txt").c_str()), kUnknownFileType, kUnknownFileType);
    file.WritePoint(VPoint(10, -20));
    VRect r;
    r.left = 1;
    r.top = 2;
    r.right = 3;
    r.bottom = 4;
    file.WriteRect(r);
    file.WriteColor(VRGBColor(255, 0, 7));
    uint32_t code = MakeTypeCode("TEXT");
    file.WriteTypeCode(code);
    file.WriteString(VString("say \"hi\""));
    int32_t one[1] = {5};
    int32_t count = 1;
    file.WriteLongs(one, count);
    file.WriteLong(INT32_MIN);
    file.WriteLong(0);
    file.WriteText(VString("abc"), 10);  // no zero byte in a text file
    file.WriteLineEnd();
  }
  EXPECT_EQ(ReadBytes("t.txt"),
            " 10, -20 "
            " 1, 2, 3, 4 "
            " 255, 0, 7 "
            "'TEXT'"
            "\"say \"\"hi\"\"\""
            " 5 "
            " -2147483648"
            " 0"
            "abc\r\n");
}

TEST_F(TypedFileTest, TextDoublesMatchPrintfAndStrtod) {
  const double values[] = {0.0, 1.0, -7.0, 150.0, 3.14159265358979, -1.25e-300, 6.02214076e23, 1e308, 0.1};
  {
    VTextFile file(VFileSpec(Path("d.txt").c_str()), kUnknownFileType, kUnknownFileType);
    int32_t count = 9;
    file.WriteDoubles(values, count);
    EXPECT_EQ(count, 9);
  }
  std::string expected;
  for (int i = 0; i < 9; ++i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " %.6E%s", values[i], i < 8 ? "," : " ");
    expected += buf;
  }
  EXPECT_EQ(ReadBytes("d.txt"), expected);
  VTextFile file(VFileSpec(Path("d.txt").c_str()), kUnknownFileType, kUnknownFileType);
  double back[9] = {};
  int32_t count = 9;
  EXPECT_GT(file.ReadDoubles(back, count), 0);
  ASSERT_EQ(count, 9);
  for (int i = 0; i < 9; ++i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6E", values[i]);
    EXPECT_EQ(back[i], std::strtod(buf, nullptr)) << buf;  // the text's exact value
  }
}

TEST_F(TypedFileTest, TextReadLongCases) {
  struct Row {
    std::string text;
    int32_t value;
    int32_t taken;
    int64_t positionAfter;
  } rows[] = {
      {"  -42,", -42, 6, 5},
      {"x-3", -3, 3, 3},
      {"-x3", 3, 3, 3},
      {"abc", 0, 0, 3},
      {"4294967297 ", 1, 11, 10},  // wraps modulo 2^32
      {"- 5", -5, 3, 3},
      {"", 0, 0, 0},
  };
  for (const Row& row : rows) {
    WriteBytes("n.txt", row.text);
    VTextFile file(VFileSpec(Path("n.txt").c_str()), kUnknownFileType, kUnknownFileType);
    int32_t value = 99;
    EXPECT_EQ(file.ReadLong(value), row.taken) << row.text;
    EXPECT_EQ(value, row.value) << row.text;
    EXPECT_EQ(file.GetPosition(), row.positionAfter) << row.text;
  }
}

TEST_F(TypedFileTest, TextReadDoubleCases) {
  struct Row {
    const char* text;
    double value;
    bool found;
  } rows[] = {
      {"1.5e2 ", 150.0, true}, {".25", 0.25, true},      {"-7", -7.0, true},   {"1.000000E+003", 1000.0, true},
      {"2.5E-3,", 0.0025, true}, {"x", 0.0, false},      {"-.5", -0.5, true},  {". 5", 5.0, true},
  };
  for (const Row& row : rows) {
    WriteBytes("d.txt", row.text);
    VTextFile file(VFileSpec(Path("d.txt").c_str()), kUnknownFileType, kUnknownFileType);
    double value = 99;
    int32_t taken = file.ReadDouble(value);
    EXPECT_EQ(taken > 0, row.found) << row.text;
    EXPECT_DOUBLE_EQ(value, row.value) << row.text;
  }
}

TEST_F(TypedFileTest, TextStringsAndCodesRoundTrip) {
  WriteBytes("s.txt", "x \"a\"\"b\" ");
  {
    VTextFile file(VFileSpec(Path("s.txt").c_str()), kUnknownFileType, kUnknownFileType);
    VString s;
    EXPECT_EQ(file.ReadString(s), 3);
    EXPECT_STREQ(s.GetChars(), "a\"b");
    EXPECT_EQ(file.GetPosition(), 8);  // the final blank is left
  }
  WriteBytes("q.txt", "abc; \"x\"");
  {
    VTextFile file(VFileSpec(Path("q.txt").c_str()), kUnknownFileType, kUnknownFileType);
    VString s;
    EXPECT_EQ(file.ReadQuotedString(s, ';'), 0);
    EXPECT_EQ(file.ReadQuotedString(s, ';'), 1);
    EXPECT_STREQ(s.GetChars(), "x");
  }
  {
    VTextFile file(VFileSpec(Path("r.txt").c_str()), kUnknownFileType, kUnknownFileType);
    file.WriteString(VString("he said \"no\", twice \"\""));
    file.WriteTypeCode(MakeTypeCode("RIX "));
    file.WritePoint(VPoint(-300, 32767));
    VRect r;
    r.left = -1;
    r.top = 2;
    r.right = 300000;
    r.bottom = -4;
    file.WriteRect(r);
    file.WriteColor(VRGBColor(1, 128, 255));
    file.WriteShort(-32768);
    file.WriteFloat(0.15625f);
  }
  VTextFile file(VFileSpec(Path("r.txt").c_str()), kUnknownFileType, kUnknownFileType);
  VString s;
  uint32_t code = 0;
  VPoint p;
  VRect r;
  VRGBColor c;
  int16_t sh = 0;
  float f = 0;
  EXPECT_GT(file.ReadString(s), 0);
  EXPECT_STREQ(s.GetChars(), "he said \"no\", twice \"\"");
  EXPECT_GT(file.ReadTypeCode(code), 0);
  EXPECT_EQ(code, MakeTypeCode("RIX "));
  EXPECT_GT(file.ReadPoint(p), 0);
  EXPECT_EQ(p, VPoint(-300, 32767));
  EXPECT_GT(file.ReadRect(r), 0);
  EXPECT_EQ(r.left, -1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 300000);
  EXPECT_EQ(r.bottom, -4);
  EXPECT_GT(file.ReadColor(c), 0);
  EXPECT_EQ(c, VRGBColor(1, 128, 255));
  EXPECT_GT(file.ReadShort(sh), 0);
  EXPECT_EQ(sh, -32768);
  EXPECT_GT(file.ReadFloat(f), 0);
  EXPECT_EQ(f, 0.15625f);
  EXPECT_EQ(file.ReadShort(sh), 0);  // nothing left
}

}  // namespace
