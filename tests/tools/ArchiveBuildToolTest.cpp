// ostrevan-tool archive build: exit codes, the log beside the archive, and a
// build read back through "archive list" and "archive extract" gives exactly
// the entries and bytes the script asked for.
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/archive/BuilderTestSupport.h"
#include "tools/ArchiveCommands.h"
#include "tools/ToolCommands.h"
#include "support/BuildPaths.h"

namespace fs = std::filesystem;

namespace {

class ArchiveBuildToolTest : public BuilderFixture {
 protected:
  int Tool(const std::string& arguments) {
    int status = std::system(("'" + std::string(OSTREVAN_TOOL_BIN) + "' " + arguments + " >/dev/null 2>&1").c_str());
    return WEXITSTATUS(status);
  }
};

TEST_F(ArchiveBuildToolTest, DefaultLogPath) {
  struct Row {
    const char* archive;
    const char* log;
  } rows[] = {{"a/b.msf", "a/b.log"}, {"b", "b.log"}, {"x.y/b", "x.y/b.log"}, {"a.b.msf", "a.b.log"}};
  for (const Row& row : rows) EXPECT_EQ(DefaultBuildLogPath(row.archive), row.log);
}

TEST_F(ArchiveBuildToolTest, BuildsListsAndExtractsThroughTheExecutable) {
  WriteFile("media/a.txt", "alpha");
  WriteFile("media/NL/a.txt", "alfa");
  WriteFile("media/n.txt", "7 8");
  WriteFile("build.txt", "#option \"NL\" 3\n12 40 \"media/a.txt\"\n13 50 \"media/n.txt\" 2\n11 -20 \"x\"\n");
  std::string script = Path("build.txt");
  ASSERT_EQ(Tool("archive build '" + script + "' '" + Path("out/s.msf") + "'"), 1);  // no folder "out"
  fs::create_directory(Path("out"));
  ASSERT_EQ(Tool("archive build '" + script + "' '" + Path("out/s.msf") + "'"), 0);
  std::string log = ReadBytes(Path("out/s.log"));
  EXPECT_NE(log.find("Finished successfully.\r\n"), std::string::npos) << log;

  // The listing equals the independent reader's.
  std::string listing = Capture("'" + std::string(OSTREVAN_TOOL_BIN) + "' archive list '" + Path("out/s.msf") + "'");
  EXPECT_EQ(listing, Capture("python3 '" + Oracle() + "' list '" + Path("out/s.msf") + "'"));
  EXPECT_EQ(listing.substr(0, listing.find('\n')), "0\t11\tTEXT\t137\t2\t");

  // Extracted media hold exactly the bytes asked for.
  ASSERT_EQ(Tool("archive extract '" + Path("out/s.msf") + "' '" + Path("ex") + "'"), 0);
  EXPECT_EQ(ReadBytes(Path("ex/Media0011.mf")).substr(22), std::string("x\0", 2));
  EXPECT_EQ(ReadBytes(Path("ex/Media0013.mf")).substr(22), std::string("\x07\x00\x08\x00", 4));
  std::string dump = Dump(Path("out/s.msf"));
  EXPECT_NE(dump.find("\tvariant\t0\tTEXT\ta\t6\t" + Hex(std::string("alpha\0", 6)) + "\n\tvariant\t3\tTEXT\ta\t5\t" +
                      Hex(std::string("alfa\0", 5)) + "\n"),
            std::string::npos)
      << dump;

  // An aborted build exits 1 and says why, on the error output and in the
  // named log.
  WriteFile("bad.txt", "5 0 \"missing.dat\"\r\n");
  {
    std::ostringstream out, err;
    EXPECT_EQ(RunTool({"archive", "build", Path("bad.txt"), Path("out/s.msf"), Path("bad.log")}, out, err), 1);
    EXPECT_EQ(err.str(), "ostrevan-tool: the build of '" + Path("out/s.msf") +
                             "' was aborted: File not found: \"missing.dat\" (see '" + Path("bad.log") + "')\n");
  }
  EXPECT_NE(ReadBytes(Path("bad.log")).find("Build aborted: File not found: \"missing.dat\"\r\n"), std::string::npos);
  // The archive built before is untouched, and no partial file is left beside it.
  EXPECT_EQ(Dump(Path("out/s.msf")), dump);
  // Nor does an aborted first build leave an archive, empty or partial.
  EXPECT_EQ(Tool("archive build '" + Path("bad.txt") + "' '" + Path("out/new.msf") + "'"), 1);
  EXPECT_FALSE(fs::exists(Path("out/new.msf")));
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(Path("out"))) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"new.log", "s.log", "s.msf"}));
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"archive", "build", script}, out, err), 2);
  EXPECT_EQ(RunTool({"archive", "build", script, script}, out, err), 1);
}

// A script without media builds the header alone, which lists and extracts
// as an archive without entries.
TEST_F(ArchiveBuildToolTest, EmptyScriptBuildsAnEmptyArchive) {
  WriteFile("empty.txt", "");
  std::ostringstream out, err;
  ASSERT_EQ(RunTool({"archive", "build", Path("empty.txt"), Path("e.msf")}, out, err), 0) << err.str();
  EXPECT_EQ(ReadBytes(Path("e.msf")).size(), 8u);
  std::ostringstream listed, listErr;
  EXPECT_EQ(RunTool({"archive", "list", Path("e.msf")}, listed, listErr), 0) << listErr.str();
  EXPECT_EQ(listed.str(), "");
  EXPECT_EQ(listErr.str(), "");
}

}  // namespace
