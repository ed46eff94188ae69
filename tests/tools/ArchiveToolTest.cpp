// ostrevan-tool archive list / extract: the listing equals the independent
// Python reader's, exit codes and messages, end to end through the executable.
#include <sys/wait.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "engine/archive/ArchiveTestSupport.h"
#include "tools/ToolCommands.h"
#include "support/BuildPaths.h"

namespace fs = std::filesystem;

namespace {

const char* kArchive = R"({"entries": [
  {"id": 3, "type": "TEXT", "name": "readme", "data": "text\u0000"},
  {"id": 5, "type": "RIX ", "name": "eightchr", "data": "pixels"},
  {"id": 5, "type": "RAX ", "name": "", "data": "alpha"},
  {"id": 6, "type": "\u0001ab ", "name": "odd\u0001", "data": ""},
  {"id": 9, "name": "multi", "variants": [
     {"key": 0, "type": "RIX ", "name": "v0", "data": "zero"},
     {"key": 2, "type": "JPEG", "name": "v2", "data": "two"}]},
  {"id": 65535, "type": "RSX ", "name": "last", "data": "snd"}
]})";

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result RunCommand(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = RunTool(args, out, err);
  return {code, out.str(), err.str()};
}

class ArchiveToolTest : public ArchiveFixture {};

TEST_F(ArchiveToolTest, ListMatchesTheIndependentReader) {
  std::string path = Build("a.msf", kArchive);
  Result r = RunCommand({"archive", "list", path});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, Capture("python3 '" + Oracle() + "' list '" + path + "'"));
  // Spot checks of the format itself.
  EXPECT_NE(r.out.find("1\t5\tRIX \t"), std::string::npos);
  EXPECT_NE(r.out.find("\teightchr\n"), std::string::npos);
  EXPECT_NE(r.out.find("\tvariant\t2\tJPEG\t"), std::string::npos);
  EXPECT_NE(r.out.find("odd\\x01\n"), std::string::npos);
}

TEST_F(ArchiveToolTest, RefusesWhatIsNotAnArchive) {
  std::string truncated = Build("t.msf", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"}], "truncate": 12})");
  // Files that open as a header and a table, but are no archive the builder
  // writes: random bytes, zeros, another version, a negative count, an entry
  // past the end.
  std::string random(1 << 20, '\0');
  std::mt19937 rng(33);
  for (char& c : random) c = static_cast<char>(rng());
  testsupport::WriteBytes(Path("random.bin"), random);
  testsupport::WriteBytes(Path("zeros.bin"), std::string(100, '\0'));
  std::string version4 = Build("v4.msf", R"({"version": 4, "entries": [{"id": 1, "type": "TEXT", "data": "x"}]})");
  std::string negative = Build("n.msf", R"({"count": -2, "entries": []})");
  std::string pastEnd = Build("p.msf", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"},
    {"id": 2, "type": "TEXT", "data": "y", "offset": 60}]})");
  std::string badVariants = Build("v.msf", R"({"entries": [{"id": 1, "variants": [
       {"key": 0, "type": "RIX ", "data": "v"}], "msf_size": 27}]})");  // inside the file, not 4 + 22 x 1
  struct Row {
    std::vector<std::string> args;
    int code;
    const char* says;
  } rows[] = {
      {{"archive", "list", truncated}, 1, "is not a Devid Uvedud archive"},
      {{"archive", "list", Path("random.bin")}, 1, "is not a Devid Uvedud archive (or it is damaged)\n"},
      {{"archive", "list", Path("zeros.bin")}, 1, "is not a Devid Uvedud archive (or it is damaged)\n"},
      {{"archive", "list", version4}, 1, "is not a Devid Uvedud archive (or it is damaged)\n"},
      {{"archive", "list", negative}, 1, "is not a Devid Uvedud archive (or it is damaged)\n"},
      {{"archive", "list", pastEnd}, 1, "is not a Devid Uvedud archive (or it is damaged): entry 1 lies past its end"},
      {{"archive", "extract", Path("zeros.bin"), Path("o")}, 1, "is not a Devid Uvedud archive"},
      {{"archive", "list", Path("missing.msf")}, 1, "missing.msf': no such file"},
      {{"archive", "list", dir_}, 1, "is a folder, not an archive"},
      {{"archive", "list", badVariants}, 1, "unreadable variant table"},  // listed, but the table is reported
      {{"archive", "extract", truncated, Path("o")}, 1, "is not a Devid Uvedud archive"},
      {{"archive", "extract", Path("missing.msf"), Path("o")}, 1, "no such file"},
      {{"archive"}, 2, "expected 'build SCRIPT ARCHIVE [LOG]'"},
      {{"archive", "list"}, 2, "usage: "},
      {{"nonsense"}, 2, "unknown command 'nonsense'"},
      {{}, 2, "usage: "},
  };
  for (const Row& row : rows) {
    Result r = RunCommand(row.args);
    EXPECT_EQ(r.code, row.code) << (row.args.size() > 2 ? row.args[2] : "");
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    if (std::string(row.says).find("not a Devid Uvedud archive") != std::string::npos) {
      EXPECT_EQ(r.out, "");  // nothing listed of what is refused
    }
  }
}

// An archive without entries (the header alone, as the builder writes it
// for an empty script) lists as nothing and extracts as nothing.
TEST_F(ArchiveToolTest, EmptyArchiveIsAnArchive) {
  std::string empty = Build("e.msf", R"({"entries": []})");
  ASSERT_EQ(ReadBytes(empty).size(), 8u);
  Result r = RunCommand({"archive", "list", empty});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  r = RunCommand({"archive", "extract", empty, Path("o")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "extracted 0 of 0 media\n");
}

TEST_F(ArchiveToolTest, ExtractWritesEveryMedium) {
  std::string path = Build("a.msf", kArchive);
  std::string out = Path("Out/Sub");
  Result r = RunCommand({"archive", "extract", path, out});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "extracted 6 of 6 media\n");
  int files = 0;
  for (const auto& e : fs::directory_iterator(out)) files += e.path().extension() == ".mf";
  EXPECT_EQ(files, 6);  // ids 5 and 5 share a name: the second one is suffixed
  EXPECT_TRUE(fs::exists(out + "/Media0005_2.mf"));
  EXPECT_EQ(Capture("python3 '" + Oracle() + "' mf '" + out + "/Media0005.mf'"),
            "5\tRIX \teightchr\t22\t6\t706978656c73\n");

  // A bad entry stops the extraction: exit 1 and the count written.
  std::string bad = Build("b.msf", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"},
    {"id": 2, "type": "TEXT", "data": "y", "size": 99}]})");
  r = RunCommand({"archive", "extract", bad, Path("o2")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "extracted 1 of 2 media\n");
}

TEST_F(ArchiveToolTest, EndToEndThroughTheExecutable) {
  std::string tool = OSTREVAN_TOOL_BIN;
  ASSERT_FALSE(tool.empty());
  std::string path = Build("a.msf", kArchive);
  std::string listing = Capture("'" + tool + "' archive list '" + path + "'");
  EXPECT_EQ(listing, Capture("python3 '" + Oracle() + "' list '" + path + "'"));
  int status = std::system(("'" + tool + "' archive list '" + Path("none") + "' 2>/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  status = std::system(("'" + tool + "' archive extract '" + path + "' '" + Path("x") + "' >/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
