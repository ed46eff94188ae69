// File dialogs through a dialog program: the filter parsing, the arguments,
// and the answer read back (a stand-in script plays zenity).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/FileDialog.h"
#include "support/TempDir.h"

namespace {

TEST(FileDialog, ParsesFilters) {
  struct Row {
    std::string filter;
    std::vector<std::pair<std::string, std::string>> expected;
  };
  const Row rows[] = {
      {"All files (*.*)|*.*||", {{"All files (*.*)", "*.*"}}},
      {"JPEG Image| *.jpg|Targa| *.tga||", {{"JPEG Image", "*.jpg"}, {"Targa", "*.tga"}}},
      {"|", {}},
      {"", {}},
      {"Name only|", {}},
      {"A|*.a||B|*.b||", {{"A", "*.a"}}},  // the first "||" ends the list
  };
  for (const Row& r : rows) {
    std::vector<std::pair<std::string, std::string>> got;
    for (const platform::FileFilter& f : platform::ParseFileFilter(r.filter)) got.emplace_back(f.name, f.patterns);
    EXPECT_EQ(got, r.expected) << r.filter;
  }
}

TEST(FileDialog, BuildsTheDialogArguments) {
  platform::FileDialogRequest open;
  open.filters = platform::ParseFileFilter("Bilder \xF6| *.jpg;*.jpeg||");
  EXPECT_EQ(platform::FileDialogArguments(open),
            (std::vector<std::string>{"--file-selection", "--file-filter=Bilder \xC3\xB6 | *.jpg *.jpeg"}));
  platform::FileDialogRequest save;
  save.save = true;
  save.fileName = "DemoTour1.mse";
  EXPECT_EQ(platform::FileDialogArguments(save),
            (std::vector<std::string>{"--file-selection", "--save", "--confirm-overwrite", "--filename=DemoTour1.mse"}));
}

class FileDialogRunTest : public testsupport::TempDirTest {
 protected:
  FileDialogRunTest() : TempDirTest("ostrevan-dialog-") {}
  void TearDown() override { unsetenv("OSTREVAN_FILE_DIALOG"); }
  std::string Script(const std::string& body) {
    const std::string path = dir_ + "/dialog.sh";
    std::ofstream(path) << "#!/bin/sh\n" << body;
    chmod(path.c_str(), 0755);
    return path;
  }
};

TEST_F(FileDialogRunTest, AnswersThePathTheProgramPrints) {
  const std::string args = dir_ + "/args";
  setenv("OSTREVAN_FILE_DIALOG",
         Script("printf '%s\\n' \"$@\" > '" + args + "'\nprintf '/home/u/Gr\\303\\266\\303\\237e.mse\\n'\n").c_str(), 1);
  platform::FileDialogRequest request;
  request.save = true;
  request.fileName = "a.mse";
  const std::optional<std::string> chosen = platform::RunFileDialog(request);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, "/home/u/Gr\xF6\xDF" "e.mse");
  std::ifstream in(args);
  std::stringstream all;
  all << in.rdbuf();
  EXPECT_EQ(all.str(), "--file-selection\n--save\n--confirm-overwrite\n--filename=a.mse\n");
}

TEST_F(FileDialogRunTest, CancelAndAMissingProgramAnswerNothing) {
  setenv("OSTREVAN_FILE_DIALOG", Script("exit 1\n").c_str(), 1);
  EXPECT_FALSE(platform::RunFileDialog(platform::FileDialogRequest{}).has_value());
  setenv("OSTREVAN_FILE_DIALOG", Script("exit 0\n").c_str(), 1);  // nothing chosen
  EXPECT_FALSE(platform::RunFileDialog(platform::FileDialogRequest{}).has_value());
  setenv("OSTREVAN_FILE_DIALOG", (dir_ + "/missing").c_str(), 1);
  EXPECT_EQ(platform::FindFileDialogProgram(), "");
  EXPECT_FALSE(platform::RunFileDialog(platform::FileDialogRequest{}).has_value());
}

}  // namespace
