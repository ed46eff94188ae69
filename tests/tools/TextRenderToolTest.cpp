// ostrevan-tool text render: mark-up texts (a table, floats, a list, linked
// pictures, fonts and colours) drawn into a white 16-bit map, compared
// exactly with golden pictures that were checked by eye once
// (tests/data/text/*.golden.png); unreadable files and bad command lines.
// ostrevan-tool text measure: widths and heights of texts against the ink
// that text render draws for them, a picture font built into an archive
// against the system face it was made from, refusals.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// The measure command's lines as (width, height) pairs.
std::vector<std::pair<int, int>> Sizes(const std::string& output) {
  std::vector<std::pair<int, int>> sizes;
  std::istringstream lines(output);
  for (int w = 0, h = 0; lines >> w >> h;) sizes.emplace_back(w, h);
  return sizes;
}

// The extent of the non-white pixels of a binary PPM: right edge (one past
// the last inked column) and bottom edge (one past the last inked row).
std::pair<int, int> InkExtent(const std::string& ppm) {
  std::istringstream in(ppm);
  std::string magic;
  int width = 0, height = 0, depth = 0;
  in >> magic >> width >> height >> depth;
  in.get();
  const std::string pixels = ppm.substr(static_cast<size_t>(in.tellg()));
  int right = 0, bottom = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
      if (at + 2 >= pixels.size()) continue;
      if (static_cast<unsigned char>(pixels[at]) < 160 || static_cast<unsigned char>(pixels[at + 1]) < 160) {
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
      }
    }
  }
  return {right, bottom};
}

class TextMeasureTool : public TextRenderTool {
 protected:
  // The tool's standard output for the texts (one a line) and options.
  std::string Measure(const std::vector<std::string>& texts, const std::string& options) {
    std::string lines;
    for (const std::string& text : texts) lines += text + "\n";
    testsupport::WriteBytes(Path("texts.txt"), lines);
    return testsupport::Capture("'" + std::string(OSTREVAN_TOOL_BIN) + "' text measure '" + Path("texts.txt") + "' " +
                                options + " 2>/dev/null");
  }
};

// One line: the measured width is where the rendered text's ink ends (the
// last glyph's advance may hold a column or two of blank), whatever the
// text; a longer text measures wider.
TEST_F(TextMeasureTool, OneLineEndsWhereItsInkEnds) {
  const std::vector<std::string> texts = {"Stadtbibliothekar", "Restauratorin", "Wer geh\xF6" "rte wohin?", "ii", "WWW"};
  const auto sizes = Sizes(Measure(texts, "--font 'DejaVu Serif,12'"));
  ASSERT_EQ(sizes.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    testsupport::WriteBytes(Path("one.html"), texts[i]);
    std::string err;
    ASSERT_EQ(Tool("text render '" + Path("one.html") + "' '" + Path("one.ppm") + "' --width 400 --height 40 --font "
                   "'DejaVu Serif,12'",
                   err),
              0)
        << err;
    const auto ink = InkExtent(testsupport::ReadBytes(Path("one.ppm")));
    EXPECT_LE(ink.first, sizes[i].first + 1) << texts[i];
    EXPECT_GE(ink.first, sizes[i].first - 3) << texts[i];
    EXPECT_GT(sizes[i].second, 0) << texts[i];
  }
  EXPECT_GT(sizes[0].first, sizes[1].first);
  EXPECT_GT(sizes[4].first, sizes[3].first);
}

// Wrapped: lines no wider than the wrap width, as many as the rendered text
// takes at that width, the height reaching down to its last inked row.
TEST_F(TextMeasureTool, WrappedTextTakesTheRenderedHeight) {
  const std::string text = "Der Kaufmannsgarten hinter dem Haus mit Kr\xE4" "utern f\xFC" "r die K\xFC" "che und einem Birnbaum.";
  const auto one = Sizes(Measure({text}, "--font 'DejaVu Serif,12'"));
  const auto wrapped = Sizes(Measure({text}, "--font 'DejaVu Serif,12' --wrap 120"));
  ASSERT_EQ(one.size(), 1u);
  ASSERT_EQ(wrapped.size(), 1u);
  EXPECT_LE(wrapped[0].first, 120);
  EXPECT_GE(wrapped[0].second, 3 * one[0].second);
  testsupport::WriteBytes(Path("long.html"), text);
  std::string err;
  ASSERT_EQ(Tool("text render '" + Path("long.html") + "' '" + Path("long.ppm") +
                     "' --width 120 --height 300 --font 'DejaVu Serif,12'",
                 err),
            0)
      << err;
  const auto ink = InkExtent(testsupport::ReadBytes(Path("long.ppm")));
  EXPECT_LE(ink.first, 120);
  EXPECT_LE(ink.second, wrapped[0].second);
  EXPECT_GE(ink.second, wrapped[0].second - one[0].second);
}

// A picture font built into an archive from a system face measures as the
// face does, character for character; its height is the strip's whole cell.
TEST_F(TextMeasureTool, PictureFontFromAnArchiveMeasuresAsItsFace) {
  testsupport::WriteBytes(Path("fonts.txt"), "505 -11 \"DejaVu Serif\" 11 0\n525 -11 \"DejaVu Serif\" 11 0\n");
  std::string err;
  ASSERT_EQ(Tool("archive build '" + Path("fonts.txt") + "' '" + Path("fonts.msf") + "'", err), 0) << err;
  const std::vector<std::string> texts = {"Hinrich Ostrevan", "Der Stadtbibliothekar", "K\xFC" "che", "1611-1679"};
  const auto face = Sizes(Measure(texts, "--font 'DejaVu Serif,11'"));
  const auto picture = Sizes(Measure(texts, "--picture-font '" + Path("fonts.msf") + "',505,525"));
  ASSERT_EQ(face.size(), texts.size());
  ASSERT_EQ(picture.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(picture[i].first, face[i].first) << texts[i];
    EXPECT_GE(picture[i].second, face[i].second) << texts[i];
  }
}

TEST_F(TextMeasureTool, RefusalsAndBadCommandLines) {
  testsupport::WriteBytes(Path("texts.txt"), "Text\n");
  const std::string texts = "'" + Path("texts.txt") + "'";
  struct Case {
    std::string args;
    int code;
    const char* says = "";
  } cases[] = {
      {"text measure " + texts, 2, "expected one of --font and --picture-font"},
      {"text measure " + texts + " --font 'DejaVu Serif,11' --picture-font x.msf,505", 2, "expected one of"},
      {"text measure " + texts + " --font 'DejaVu Serif'", 2, "bad font"},
      {"text measure " + texts + " --font 'DejaVu Serif,11,italic'", 2, "bad font"},
      {"text measure " + texts + " --picture-font x.msf", 2, "bad picture font"},
      {"text measure " + texts + " --font 'DejaVu Serif,11' --wrap 0", 2, "bad wrap width"},
      {"text measure " + texts + " --font 'DejaVu Serif,11' --wrap", 2, "needs a value"},
      {"text measure " + texts + " --font 'DejaVu Serif,11' extra", 2, "unexpected argument"},
      {"text measure", 2, "expected TEXTS"},
      {"text measure no-such-file.txt --font 'DejaVu Serif,11'", 1, "cannot read no-such-file.txt"},
      {"text measure . --font 'DejaVu Serif,11'", 1, "it is a folder"},
      {"text measure " + texts + " --picture-font '" + Path("none.msf") + "',505", 1, "cannot open the archive"},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_EQ(Tool(c.args, err), c.code) << c.args;
    EXPECT_NE(err.find(c.says), std::string::npos) << c.args << ": " << err;
  }
}

}  // namespace
