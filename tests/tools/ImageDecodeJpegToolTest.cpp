// "ostrevan-tool image decode" on JPEG files: through the registry's own
// decoder, and with --libjpeg through libjpeg, whose output equals djpeg's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/MessageBox.h"
#include "support/RequireTool.h"
#include "tools/ToolCommands.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ImageDecodeJpegTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ostrevan_jpegtool_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    for (const char* tool : {"convert", "cjpeg", "djpeg"}) {
      if (testsupport::RequireTool(tool).empty()) return;
    }
    ASSERT_EQ(std::system(("convert -size 37x21 gradient:red-blue '" + dir_ + "/in.ppm'").c_str()), 0);
    ASSERT_EQ(std::system(("cjpeg -sample 2x2 -outfile '" + dir_ + "/in.jpg' '" + dir_ + "/in.ppm'").c_str()), 0);
    previous_ = platform::SetMessageBoxCapture(
        [this](const std::string&, const std::string& text, platform::MessageBoxIcon) {
          boxes_ += text;
          return platform::kMessageBoxOk;
        });
  }
  void TearDown() override {
    platform::SetMessageBoxCapture(previous_);
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
  std::string boxes_;
  platform::MessageBoxCapture previous_;
};

TEST_F(ImageDecodeJpegTool, LibjpegOutputEqualsDjpeg) {
  std::ostringstream out, err;
  ASSERT_EQ(RunTool({"image", "decode", dir_ + "/in.jpg", dir_ + "/lib.ppm", "--libjpeg"}, out, err), 0) << err.str();
  ASSERT_EQ(std::system(("djpeg -ppm -outfile '" + dir_ + "/ref.ppm' '" + dir_ + "/in.jpg'").c_str()), 0);
  EXPECT_EQ(ReadFile(dir_ + "/lib.ppm"), ReadFile(dir_ + "/ref.ppm"));
}

TEST_F(ImageDecodeJpegTool, OwnDecoderThroughTheRegistry) {
  std::ostringstream out, err;
  ASSERT_EQ(RunTool({"image", "decode", dir_ + "/in.jpg", dir_ + "/own.ppm"}, out, err), 0) << err.str();
  const std::string ppm = ReadFile(dir_ + "/own.ppm");
  EXPECT_EQ(ppm.rfind("P6\n37 21\n255\n", 0), 0u);
  EXPECT_EQ(ppm.size(), 13u + 37 * 21 * 3);
}

TEST_F(ImageDecodeJpegTool, BrokenFilesFailWithAMessage) {
  const std::string whole = ReadFile(dir_ + "/in.jpg");
  std::ofstream(dir_ + "/cut.jpg", std::ios::binary) << whole.substr(0, 200);
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"image", "decode", dir_ + "/cut.jpg", dir_ + "/x.ppm", "--libjpeg"}, out, err), 1);
  EXPECT_NE(err.str().find("libjpeg cannot decode"), std::string::npos);
  EXPECT_NE(err.str().find("Empty input file"), std::string::npos) << err.str();  // libjpeg's own reason
  EXPECT_EQ(RunTool({"image", "decode", dir_ + "/missing.jpg", dir_ + "/x.ppm", "--libjpeg"}, out, err), 1);
  EXPECT_EQ(RunTool({"image", "decode", dir_ + "/cut.jpg", dir_ + "/x.ppm"}, out, err), 1);
}

TEST_F(ImageDecodeJpegTool, RefusedFilesPointToLibjpeg) {
  // Progressive files are libjpeg's: the message says why and names the option.
  ASSERT_EQ(std::system(("cjpeg -progressive -outfile '" + dir_ + "/prog.jpg' '" + dir_ + "/in.ppm'").c_str()), 0);
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"image", "decode", dir_ + "/prog.jpg", dir_ + "/x.ppm"}, out, err), 1);
  const std::string message = err.str();
  EXPECT_NE(message.find("cannot read image '" + dir_ + "/prog.jpg': "), std::string::npos) << message;
  EXPECT_NE(message.find("--libjpeg decodes this file"), std::string::npos) << message;
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_EQ(boxes_, "");  // trying libjpeg showed nothing
  std::ostringstream out2, err2;
  EXPECT_EQ(RunTool({"image", "decode", dir_ + "/prog.jpg", dir_ + "/x.ppm", "--libjpeg"}, out2, err2), 0) << err2.str();

  // A damaged file libjpeg cannot read either gets no such hint.
  const std::string whole = ReadFile(dir_ + "/in.jpg");
  std::ofstream(dir_ + "/cut.jpg", std::ios::binary) << whole.substr(0, 200);
  std::ostringstream out3, err3;
  EXPECT_EQ(RunTool({"image", "decode", dir_ + "/cut.jpg", dir_ + "/x.ppm"}, out3, err3), 1);
  EXPECT_EQ(err3.str().find("--libjpeg"), std::string::npos) << err3.str();
  EXPECT_EQ(boxes_, "");
}

}  // namespace
