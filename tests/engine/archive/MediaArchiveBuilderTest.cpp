// The archive builder: exact log lines, options and variants, numbered
// sequences, literal strings, texts, number lists, copies and extracted media,
// and every abort. Archives are read back by the independent Python dump.
#include <filesystem>
#include <string>
#include <vector>

#include "engine/archive/BuilderConversions.h"
#include "engine/archive/BuilderTestSupport.h"
#include "engine/archive/MediaArchive.h"

namespace fs = std::filesystem;

namespace {

class MediaArchiveBuilderTest : public BuilderFixture {
 protected:
  // The last line of the log, without its line end.
  static std::string LastLine(const std::string& log) {
    std::string text = log;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    size_t end = text.rfind("\r\n");
    return end == std::string::npos ? text : text.substr(end + 2);
  }
  // The archive header's entry count.
  int16_t HeaderCount() {
    std::string bytes = ReadBytes(Path("out.msf"));
    if (bytes.size() < 8) return -1;
    return static_cast<int16_t>(static_cast<uint8_t>(bytes[2]) | (static_cast<uint8_t>(bytes[3]) << 8));
  }
  std::string RunPython(const std::string& program) {
    WriteFile("oracle.py", program);
    return Capture("python3 '" + Path("oracle.py") + "'");
  }
};

TEST_F(MediaArchiveBuilderTest, LogsEveryStepAsWritten) {
  WriteFile("hello.txt", "Hello");
  WriteFile("NL/hello.txt", "Hallo");
  WriteFile("pic001.dat", "A");
  WriteFile("pic002.dat", "BB");
  Built b = RunBuild(
      "#option \"NL\" 3\r\n"
      "// a comment\r\n"
      "\r\n"
      "/* a block\r\n"
      "that ends here */ 99 0 \"ignored.txt\"\r\n"
      "# plain comment\r\n"
      "10 40 \"hello.txt\" 0\r\n"
      "3 -20 \"Hi\\n\"\r\n"
      "-20 0 \"pic001.dat\"\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  std::string expected = "Start building Devid Uvedud file \"" + Path("out.msf") +
                         "\"\r\n"
                         "Number of media counted: 4\r\n"
                         "Empty header written of size 96\r\n\r\n"
                         " 10\t'TEXT'\t" + Path("hello.txt") + "\t 6 (stored as text, 6 bytes)\r\n"
                         " 10\t'TEXT'\t" + Path("NL/hello.txt") + "\t 6 (stored as text, 6 bytes)\r\n"
                         " 2 submedia written\r\n"
                         " 3\t'TEXT'\t\"Hi\n\"\t 4 (stored medianame as string) \r\n"
                         " 20\t'\?\?\?\?'\t" + Path("pic001.dat") + "\t 1\r\n"
                         " 21\t'\?\?\?\?'\t" + Path("pic002.dat") + "\t 2\r\n"
                         "\r\n"
                         "Full header written.\r\n"
                         "Total file size: 1 K\r\n"
                         "Finished successfully.\r\n";
  EXPECT_EQ(b.log, expected);
  std::string dump = Dump();
  // Sorted by id; the variant table holds the base file (key 0) and NL (key 3).
  EXPECT_EQ(dump.substr(0, dump.find("10\tMSF")), "3\tTEXT\t\t4\t48690a00\n");
  EXPECT_NE(dump.find("\n10\tMSF \t\t48\t02000000"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\tvariant\t0\tTEXT\thello\t6\t48656c6c6f00\n\tvariant\t3\tTEXT\thello\t6\t48616c6c6f00\n"
                      "20\t????\tpic001\t1\t41\n21\t????\tpic002\t2\t4242\n"),
            std::string::npos)
      << dump;
  EXPECT_EQ(fs::file_size(Path("out.msf")), 163u);
}

TEST_F(MediaArchiveBuilderTest, AbortsWithItsMessage) {
  WriteFile("a.txt", "text");
  WriteFile("NL/readme.txt", "x");
  WriteFile("short.mf", "0123456789");
  // A header that promises 100 bytes in front of only 3.
  WriteFile("big.mf", std::string("\x05\x00TEXTbignameX\x16\x00\x00\x00\x64\x00\x00\x00", 22) + "abc");
  std::string options;
  for (int i = 1; i <= 32; ++i) options += "#option \"o" + std::to_string(i) + "\" " + std::to_string(i) + "\r\n";
  struct Row {
    const char* what;
    std::string script;
    std::string lastLine;
  } rows[] = {
      {"32 options", options, "Error: invalid #option command (\"#option \"\"o32\"\" 32\")"},
      {"option without value", "#option \"NL\"\r\n", "Error: invalid #option command (\"#option \"\"NL\"\"\")"},
      {"option without name", "#option 4\r\n", "Error: invalid #option command (\"#option 4\")"},
      {"no source", "5 0\r\n", "Error: unparseable line (\"5 0\")"},
      {"no code", "5 \"a.txt\"\r\n", "Error: unparseable line (\"5 \"\"a.txt\"\"\")"},
      {"unterminated quote", "5 40 \"a.txt\r\n6 40 \"a.txt\"\r\n", "Error: unparseable line (\"5 40 \"\"a.txt\")"},
      {"blank line of spaces", "  \r\n", "Error: unparseable line (\"  \")"},
      {"missing source", "5 0 \"nope.txt\"\r\n", "Build aborted: File not found: \"nope.txt\""},
      {"folder as source", "5 0 \"NL\"\r\n", "Build aborted: File not found: \"NL\""},
      {"unknown negative code", "5 -5 \"x\"\r\n", "Build aborted: unknown media type  -5"},
      {"unknown code", "5 7 \"a.txt\"\r\n", "Build aborted: unknown media type  7"},
      {"picture font", "5 -10 \"Arial\" 12\r\n",
       "Build aborted: conversion code -10 (picture fonts) is not available in this build of the tool"},
      {"picture font alpha", "5 -11 \"Arial\" 12\r\n",
       "Build aborted: conversion code -11 (picture fonts) is not available in this build of the tool"},
      {"sound", "5 60 \"a.txt\"\r\n",
       "Build aborted: conversion code 60 (sound conversion) is not available in this build of the tool"},
      {"short .mf", "5 0 \"short.mf\"\r\n", "Build aborted: Couldn't read file \"" + Path("short.mf") + "\""},
      {".mf promising more", "5 0 \"big.mf\"\r\n", "Build aborted: Couldn't read file \"" + Path("big.mf") + "\""},
  };
  for (const Row& row : rows) {
    Built b = RunBuild(row.script);
    EXPECT_FALSE(b.ok) << row.what;
    EXPECT_EQ(LastLine(b.log), row.lastLine) << row.what << "\n" << b.log;
    // Nothing was counted into the archive: its header (when written) says 0.
    EXPECT_LE(HeaderCount(), 0) << row.what;
  }
}

TEST_F(MediaArchiveBuilderTest, MissingScriptAndNoLog) {
  std::filesystem::remove(Path("out.log"));
  {
    VTextFile script(VFileSpec(Path("none.txt").c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    VFile archive(VFileSpec(Path("out.msf").c_str()), MakeTypeCode("MSF "), kUnknownFileType);
    VTextFile log(VFileSpec(Path("out.log").c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    ASSERT_TRUE(log.Open(VFileObject::kWrite));
    EXPECT_FALSE(BuildMediaArchive(script, archive, &log));
    log.Close();
  }
  EXPECT_EQ(ReadBytes(Path("out.log")), "Build aborted: Couldn't open Script file.\r\n");

  // Without a log the build is the same, silently.
  WriteFile("a.txt", "abc");
  Built withLog = RunBuild("1 40 \"a.txt\"\r\n2 -20 \"x\"\r\n");
  std::string dump = Dump();
  Built silent = RunBuild("1 40 \"a.txt\"\r\n2 -20 \"x\"\r\n", false);
  EXPECT_TRUE(withLog.ok && silent.ok);
  EXPECT_EQ(Dump(), dump);
  EXPECT_EQ(silent.log, "");
}

TEST_F(MediaArchiveBuilderTest, LineEndsCrLfCrAndLfBuildTheSame) {
  WriteFile("a.txt", "abc");
  WriteFile("n.txt", "1 2 3");
  std::string lines[] = {"#option \"NL\" 3", "/* one", "two */", "// c", "", "7 40 \"a.txt\" 0", "8 50 \"n.txt\" 3 ",
                         "9 -20 \"lit\""};
  std::string reference;
  for (const char* end : {"\r\n", "\r", "\n"}) {
    std::string script;
    for (const std::string& line : lines) script += line + end;
    Built b = RunBuild(script);
    EXPECT_TRUE(b.ok) << b.log;
    EXPECT_NE(b.log.find("Number of media counted: 3\r\n"), std::string::npos) << b.log;
    std::string dump = Dump();
    if (reference.empty()) reference = dump;
    EXPECT_EQ(dump, reference);
  }
  EXPECT_EQ(reference,
            "7\tTEXT\ta\t4\t61626300\n8\tRDX \tn\t12\t010000000200000003000000\n9\tTEXT\t\t4\t6c697400\n");
}

TEST_F(MediaArchiveBuilderTest, NumberedSequencesAndVariants) {
  for (const char* name : {"f001.dat", "f002.dat", "f003.dat", "f005.dat", "NL/f002.dat"}) WriteFile(name, name);
  WriteFile("t.txt", "t");
  Built b = RunBuild(
      "#option \"NL\" 3\r\n"
      "#option \"FR\" 4\r\n"
      "-100 0 \"f001.dat\"\r\n"
      "-32768 0 \"t.txt\"\r\n"  // a sequence of one: the id's magnitude
      "60000 -20 \"high\"\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  EXPECT_NE(b.log.find("Number of media counted: 5\r\n"), std::string::npos);
  std::string dump = Dump();
  // Ids 100..102; only f002 has an NL variant (key 3); f005 is past the gap.
  EXPECT_NE(dump.find("100\t????\tf001\t8\t"), std::string::npos) << dump;
  EXPECT_NE(dump.find("101\tMSF \t\t48\t"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\tvariant\t0\t????\tf002\t8\t"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\tvariant\t3\t????\tf002\t11\t"), std::string::npos) << dump;
  EXPECT_NE(dump.find("102\t????\tf003\t8\t"), std::string::npos) << dump;
  EXPECT_NE(dump.find("32768\tTEXT\tt\t1\t74\n60000\tTEXT"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("f005"), std::string::npos);
  EXPECT_NE(b.log.find(" 60000\t'TEXT'"), std::string::npos) << b.log;
}

TEST_F(MediaArchiveBuilderTest, EqualIdsKeepScriptOrderAndSizesRoundUp) {
  WriteFile("fill.dat", std::string(995, 'f'));  // 30 + 995 = 1025 bytes
  Built b = RunBuild("1 0 \"fill.dat\"\r\n");
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(fs::file_size(Path("out.msf")), 1025u);
  EXPECT_NE(b.log.find("\r\nTotal file size: 2 K\r\n"), std::string::npos) << b.log;

  WriteFile("empty.dat", "");
  b = RunBuild("9 -20 \"b\"\r\n2 -20 \"a\"\r\n9 -20 \"c\"\r\n4 0 \"empty.dat\"\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  EXPECT_EQ(Dump(), "2\tTEXT\t\t2\t6100\n4\t????\tempty\t0\t\n9\tTEXT\t\t2\t6200\n9\tTEXT\t\t2\t6300\n");
}

TEST_F(MediaArchiveBuilderTest, LiteralEscapes) {
  struct Row {
    const char* in;
    const char* out;
  } rows[] = {
      {"a\\nb", "a\nb"},
      {"\\\\n", "\\\n"},  // the pair backslash-n goes first
      {"\\T\\N\\B\\R\\F\\A", "\t\n\b\r\f\a"},
      {"\\\\\\\\", "\\\\"},
      {"\\q stays", "\\q stays"},
  };
  for (const Row& row : rows) {
    VString text(row.in);
    ApplyLiteralEscapes(text);
    EXPECT_STREQ(text.GetChars(), row.out) << row.in;
  }
}

TEST_F(MediaArchiveBuilderTest, LineEndsToHtml) {
  struct Row {
    const char* in;
    const char* out;
  } rows[] = {
      {"a\r\nb", "a<BR>b"},   {"a\n\rb", "a<BR>b"},       {"a\r\rb", "a<BR><BR>b"},
      {"a\n\nb", "a<BR><BR>b"}, {"\r\n\n\r", "<BR><BR>"}, {"no ends", "no ends"},
  };
  for (const Row& row : rows) EXPECT_EQ(ConvertLineEndsToHtml(row.in), row.out) << row.in;
}

TEST_F(MediaArchiveBuilderTest, TextEntitiesAgreeWithPython) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  WriteFile("all.txt", all);
  WriteFile("plain.txt", std::string("a\0b\r\nc", 6));
  Built b = RunBuild("1 40 \"all.txt\" 2\r\n2 40 \"plain.txt\" 1\r\n3 40 \"plain.txt\" 4\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  std::string expected = RunPython(R"(
import html.entities as e
out = ""
for b in range(1, 256):
    if b in (34, 38, 60, 62):
        out += "&%s;" % e.codepoint2name[b]
    elif b == 133:
        out += "&#133;"
    elif b == 150:
        out += "&endash;"
    elif b == 151:
        out += "&emdash;"
    elif b == 153:
        out += "&%s;" % e.codepoint2name[0x2122]
    elif 128 <= b <= 160:
        out += "&#%d;" % b
    elif b > 160:
        out += "&%s;" % e.codepoint2name[b]
    else:
        out += chr(b)
data = out.encode("latin-1") + b"\0"
print("1\tTEXT\tall\t%d\t%s" % (len(data), data.hex()))
)");
  std::string dump = Dump();
  EXPECT_EQ(dump.substr(0, dump.find('\n') + 1), expected);
  // Line ends become <BR>; the zero byte inside the source is dropped.
  EXPECT_NE(dump.find("2\tTEXT\tplain\t8\t" + Hex(std::string("ab<BR>c\0", 8)) + "\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("3\tTEXT\tplain\t6\t" + Hex(std::string("ab\r\nc\0", 6)) + "\n"), std::string::npos) << dump;
  EXPECT_NE(b.log.find(" (converted Windows to HTML encoding)  (stored as text, "), std::string::npos);
  EXPECT_NE(b.log.find("\t 8 (converted line-endings to HTML)  (stored as text, 8 bytes)\r\n"), std::string::npos);
  EXPECT_NE(b.log.find("\t 6 (unsupported encoding translation)  (stored as text, 6 bytes)\r\n"), std::string::npos);
}

TEST_F(MediaArchiveBuilderTest, NumberListsAgreeWithPythonStruct) {
  std::string longs;
  for (int i = -150; i < 150; ++i) longs += std::to_string(i * 1000) + (i % 10 == 0 ? ",\r\n" : ", ");
  WriteFile("longs.txt", longs);
  WriteFile("shorts.txt", "1 -2 70000 32767");
  WriteFile("floats.txt", "1.5 -2.25e3 3.14159 1e-3");
  WriteFile("doubles.txt", "0.1 -7 2.5E+10");
  Built b = RunBuild(
      "1 50 \"longs.txt\" 3\r\n2 50 \"shorts.txt\" 2\r\n3 50 \"floats.txt\" 4\r\n4 50 \"doubles.txt\" 5\r\n"
      "5 50 \"longs.txt\" 1\r\n6 50 \"longs.txt\" 0\r\n7 50 \"longs.txt\" 9\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  std::string expected = RunPython(R"(
import struct
longs = struct.pack("<300i", *[i * 1000 for i in range(-150, 150)])
rows = [
    (1, "longs", longs),
    (2, "shorts", struct.pack("<4h", 1, -2, 70000 - 65536, 32767)),
    (3, "floats", struct.pack("<4f", 1.5, -2250.0, 3.14159, 1e-3)),
    (4, "doubles", struct.pack("<3d", 0.1, -7.0, 2.5e10)),
    (5, "longs", struct.pack("<300h", *[((i * 1000 + 32768) % 65536) - 32768 for i in range(-150, 150)])),
    (6, "longs", b""),
    (7, "longs", b""),
]
for ident, name, data in rows:
    print("%d\tRDX \t%s\t%d\t%s" % (ident, name, len(data), data.hex()))
)");
  EXPECT_EQ(Dump(), expected);
  EXPECT_NE(b.log.find("\t 1200 (converted to 300 longs)\r\n"), std::string::npos) << b.log;
  EXPECT_NE(b.log.find("\t 16 (converted to 4 float)\r\n"), std::string::npos) << b.log;
  EXPECT_NE(b.log.find("\t 24 (converted to 3 double)\r\n"), std::string::npos) << b.log;
  // P1 = 1: one note per batch of 256.
  EXPECT_NE(b.log.find("\t 600 (unsupported conversion, writing shorts)  (unsupported conversion, writing shorts)  "
                       "(converted to 300 shorts)\r\n"),
            std::string::npos)
      << b.log;
  EXPECT_NE(b.log.find("\t 0 (unsupported option, no data written)  (converted to 0 [Unknown type])\r\n"),
            std::string::npos);
}

TEST_F(MediaArchiveBuilderTest, ExtractedMediaReimportUnchanged) {
  WriteFile("a.txt", "some text");
  WriteFile("n.txt", "4 5 6");
  WriteFile("eightchr.jpg", "not really a jpeg");
  Built first = RunBuild("3 40 \"a.txt\"\r\n4 50 \"n.txt\" 2\r\n5 -20 \"lit\"\r\n12345 0 \"eightchr.jpg\"\r\n");
  ASSERT_TRUE(first.ok) << first.log;
  std::string original = Dump();
  fs::create_directory(Path("ex"));
  {
    MediaArchive archive;
    ASSERT_TRUE(archive.OpenArchive(VFileSpec(Path("out.msf").c_str()), false));
    ASSERT_EQ(archive.ExtractAllMedia(VFileSpec(Path("ex").c_str())), 4);
  }
  fs::rename(Path("out.msf"), Path("first.msf"));
  Built second = RunBuild(
      "3 0 \"ex/Media0003.mf\"\r\n4 0 \"ex/Media0004.mf\"\r\n5 0 \"ex/Media0005.mf\"\r\n12345 0 \"ex/Media2345.mf\"\r\n");
  ASSERT_TRUE(second.ok) << second.log;
  EXPECT_EQ(Dump(), original);
  EXPECT_EQ(ReadBytes(Path("out.msf")), ReadBytes(Path("first.msf")));
  EXPECT_NE(original.find("12345\tJPEG\teightchr\t17\t"), std::string::npos) << original;
}

// A conversion that makes the next numbered file appear while pass 2 runs, so
// the script yields more entries than pass 1 counted.
class GrowingCopy : public BuilderConversion {
 public:
  explicit GrowingCopy(std::string next) : next_(std::move(next)) {}
  bool Convert(ConversionContext& context, BuildRecord& record) override {
    std::ofstream(next_) << "new";
    return ConvertCopy(context, record);
  }

 private:
  std::string next_;
};

TEST_F(MediaArchiveBuilderTest, MoreEntriesThanCountedStopTheBuild) {
  WriteFile("g001.dat", "old");
  GrowingCopy growing(Path("g002.dat"));
  BuilderConversion* previous = SetBuilderConversion(kCopyCode, &growing);
  Built b = RunBuild("-300 0 \"g001.dat\"\r\n");
  SetBuilderConversion(kCopyCode, previous);
  EXPECT_FALSE(b.ok);
  EXPECT_EQ(LastLine(b.log),
            "Build aborted: number of files processed not the same as the counted number. (File count: 2)");
  EXPECT_EQ(HeaderCount(), 0);
}

}  // namespace
