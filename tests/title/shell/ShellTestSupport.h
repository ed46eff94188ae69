// Test support of the title's shell: a temporary folder that is the current
// folder for the test (the title reads Media/ and history.log there), small
// archives built there with the engine's archive builder, the CD-ROM stand-in
// named through OSTREVAN_CD, and the message boxes captured.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VTextFile.h"
#include "engine/script/CategoryTables.h"
#include "platform/MessageBox.h"
#include "support/TempDir.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/MuseumCategoryTables.h"

namespace shelltest {

struct Box {
  std::string text;
  platform::MessageBoxIcon icon;
};

// A category table of 1000 entries of `value`, each followed by a comma.
inline std::string UniformTable(int value) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += std::to_string(value) + ",";
  return text;
}

class ShellFixture : public testsupport::TempDirTest {
 protected:
  ShellFixture() : TempDirTest("ostrevan_shell_") {}

  void SetUp() override {
    TempDirTest::SetUp();
    ASSERT_FALSE(Path("").empty());
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    previousFolder_ = here;
    ASSERT_EQ(chdir(Path("").c_str()), 0);
    if (const char* cd = std::getenv("OSTREVAN_CD")) previousCd_ = cd;
    SetCd(Path("CD"));
    previousCapture_ = platform::SetMessageBoxCapture(
        [this](const std::string&, const std::string& text, platform::MessageBoxIcon icon) {
          boxes_.push_back({text, icon});
          return platform::kMessageBoxOk;
        });
    previousRouter_ = SetMediaArchiveRouter(&GetMuseumArchives());
    previousTables_ = SetCategoryTables(&GetMuseumCategoryTables());
  }

  void TearDown() override {
    SetCategoryTables(previousTables_);
    DeleteMuseumArchives();
    SetMediaArchiveRouter(previousRouter_);
    platform::SetMessageBoxCapture(previousCapture_);
    if (previousCd_) {
      setenv("OSTREVAN_CD", previousCd_->c_str(), 1);
    } else {
      unsetenv("OSTREVAN_CD");
    }
    EXPECT_EQ(chdir(previousFolder_.c_str()), 0);
    TempDirTest::TearDown();
  }

  static void SetCd(const std::string& folders) { setenv("OSTREVAN_CD", folders.c_str(), 1); }

  void WriteFile(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path(Path(name));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // Builds the archive `name` (below the temporary folder) from build-script
  // lines with the engine's builder; the sources are relative to the folder.
  bool BuildArchive(const std::string& name, const std::vector<std::string>& lines) {
    std::string script;
    for (const std::string& line : lines) script += line + "\n";
    const std::string scriptName = name + ".script.txt";
    WriteFile(scriptName, script);
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    std::filesystem::remove(Path(name));
    VTextFile scriptFile(VFileSpec(Path(scriptName).c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    VFile archive(VFileSpec(Path(name).c_str()), MakeTypeCode("MSF "), kUnknownFileType);
    const bool built = BuildMediaArchive(scriptFile, archive, nullptr);
    scriptFile.Close();
    archive.Close();
    return built;
  }

  // The twelve category tables (TEXT 1 to 12) as build lines, table t from
  // the file tables/t.txt written here with `text(t)`.
  template <typename TextOf>
  std::vector<std::string> TableLines(TextOf text) {
    std::vector<std::string> lines;
    for (int t = 1; t <= 12; ++t) {
      const std::string file = "tables/" + std::to_string(t) + ".txt";
      WriteFile(file, text(t));
      lines.push_back(std::to_string(t) + " 40 \"" + Path(file) + "\" 0");
    }
    return lines;
  }

  // A complete small disc: Media/QV_GUI.msf here and the three archives of
  // the CD stand-in, each TEXT medium holding the name of its archive; the
  // language archive also holds twelve valid tables.
  // Tables given in `tableTexts` (by number) replace the uniform ones, and
  // the extra lines go into the language archive.
  void BuildDisc(const std::string& cdFolder = "CD", const std::map<int, std::string>& tableTexts = {},
                 const std::vector<std::string>& extraLanguageLines = {}) {
    ASSERT_TRUE(BuildArchive("Media/QV_GUI.msf", {"50 -20 \"gui\"", "5999 -20 \"gui\"", "7001 -20 \"gui\"",
                                                  "17999 -20 \"gui\""}));
    ASSERT_TRUE(BuildArchive(cdFolder + "/Media/QV_extra.msf", {"6000 -20 \"extra\"", "7000 -20 \"extra\""}));
    std::vector<std::string> language =
        TableLines([&tableTexts](int t) { return tableTexts.count(t) != 0 ? tableTexts.at(t) : UniformTable(t); });
    language.insert(language.end(), {"49 -20 \"language\"", "18000 -20 \"language\""});
    language.insert(language.end(), extraLanguageLines.begin(), extraLanguageLines.end());
    language.emplace_back("65535 -20 \"language\"");
    ASSERT_TRUE(BuildArchive(cdFolder + "/Media/QV_DE.msf", language));
    ASSERT_TRUE(BuildArchive(cdFolder + "/Media/QV_DE_VI.msf", {"18000 -20 \"video\"", "49 -20 \"video\""}));
  }

  std::vector<Box> boxes_;

 private:
  std::string previousFolder_;
  std::optional<std::string> previousCd_;
  platform::MessageBoxCapture previousCapture_;
  MediaArchiveRouter* previousRouter_ = nullptr;
  CategoryTables* previousTables_ = nullptr;
};

}  // namespace shelltest
