// ostrevan-tool text render: mark-up texts (a table, floats, a list, linked
// pictures, fonts and colours) drawn into a white 16-bit map, compared
// exactly with golden pictures that were checked by eye once
// (tests/data/text/*.golden.png); unreadable files and bad command lines.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

using testsupport::Capture;

class TextRenderTool : public testsupport::TempDirTest {
 protected:
  TextRenderTool() : TempDirTest("ostrevan_tool_text_") {}
  static std::string DataDir() { return OSTREVAN_SOURCE_DIR + "/tests/data/text"; }
  // Runs the tool in the data folder (pictures are named relative to it);
  // the exit code, with stderr into `err`.
  int Tool(const std::string& args, std::string& err) {
    const std::string errPath = Path("stderr.txt");
    const std::string command = "cd '" + DataDir() + "' && '" + OSTREVAN_TOOL_BIN + "' " + args + " 2>'" + errPath +
                                "' >/dev/null";
    const int status = std::system(command.c_str());
    err = testsupport::ReadBytes(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(TextRenderTool, GoldenPictures) {
  if (testsupport::RequireTool("compare").empty()) return;
  struct Case {
    const char* name;
    const char* options;
  } cases[] = {
      {"table", ""},
      {"float", ""},
      {"list", "--width 320 --height 240"},
      {"links", ""},
      {"fonts", "--font Arial,14"},
  };
  for (const Case& c : cases) {
    const std::string out = Path(std::string(c.name) + ".ppm");
    std::string err;
    ASSERT_EQ(Tool("text render " + std::string(c.name) + ".html '" + out + "' " + c.options, err), 0)
        << c.name << ": " << err;
    // compare prints the count of differing pixels on stderr.
    const std::string differing = Capture("compare -metric AE '" + DataDir() + "/" + c.name + ".golden.png' '" +
                                          out + "' null: 2>&1");
    EXPECT_EQ(differing, "0") << c.name;
  }
}

TEST_F(TextRenderTool, SizeOfThePicture) {
  if (testsupport::RequireTool("identify").empty()) return;
  std::string err;
  const std::string out = Path("size.ppm");
  ASSERT_EQ(Tool("text render table.html '" + out + "' --width 123 --height 45", err), 0) << err;
  EXPECT_EQ(Capture("identify -format '%w %h' '" + out + "'"), "123 45");
  ASSERT_EQ(Tool("text render table.html '" + out + "'", err), 0) << err;
  EXPECT_EQ(Capture("identify -format '%w %h' '" + out + "'"), "310 200");
}

TEST_F(TextRenderTool, RefusalsAndBadCommandLines) {
  struct Case {
    std::string args;
    int code;
    const char* says = "";
  } cases[] = {
      {"text render no-such-file.html " + Path("x.ppm"), 1, "cannot read no-such-file.html: No such file"},
      {"text render . " + Path("x.ppm"), 1, "cannot read .: it is a folder\n"},
      {"text render table.html /no-such-folder/x.ppm", 1},
      {"text render table.html " + Path("x.ppm") + " --width 0", 2},
      {"text render table.html " + Path("x.ppm") + " --height abc", 2},
      {"text render table.html " + Path("x.ppm") + " --font Arial", 2},
      {"text render table.html " + Path("x.ppm") + " --width", 2},
      {"text render table.html", 2},
      {"text draw table.html x.ppm", 2},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_EQ(Tool(c.args, err), c.code) << c.args;
    EXPECT_FALSE(err.empty()) << c.args;
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
  }
}

// The text ends at its first zero byte: an endless device of zeros is an
// empty text (a white picture), read no further than that.
TEST_F(TextRenderTool, EndlessDeviceOfZerosIsAnEmptyText) {
  std::string err;
  const std::string out = Path("zero.ppm");
  ASSERT_EQ(Tool("text render /dev/zero '" + out + "' --width 20 --height 10", err), 0) << err;
  const std::string header = "P6\n20 10\n255\n";
  EXPECT_EQ(testsupport::ReadBytes(out), header + std::string(20 * 10 * 3, '\xFF'));
}

}  // namespace
