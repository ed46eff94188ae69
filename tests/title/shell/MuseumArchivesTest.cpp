// The title's archives: which archive serves a media id, opening the four
// archives at start with the title's messages, and the CD-ROM search.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/VString.h"
#include "engine/script/ScriptLexer.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/StartMessages.h"
#include "title/shell/TitleRunLog.h"

namespace {

using shelltest::Box;
using shelltest::ShellFixture;

// The German texts as the boxes get them (code page 1252).
const std::string kFilesText =
    "Die Dateien f\xFCr 'Das Ostrevan Haus' konnten nicht gefunden werden. Installieren Sie das Programm neu.";
const std::string kCdRomText =
    "Die CD-ROM 'Das Ostrevan Haus' konnte nicht gefunden werden. Legen Sie die CD-ROM in das Laufwerk ein und "
    "starten Sie neu.";
const std::string kDamagedText =
    "Die Daten der CD-ROM 'Das Ostrevan Haus' k\xF6nnen nicht gelesen werden. Die CD-ROM ist vielleicht "
    "besch\xE4"
    "digt.";

std::string TextOf(uint16_t id) {
  VString text;
  if (!LoadTextMedia(text, id, false)) return "(missing)";
  return text.GetChars() != nullptr ? text.GetChars() : "";
}

class MuseumArchivesTest : public ShellFixture {};

TEST_F(MuseumArchivesTest, EachMediaIdComesFromItsArchive) {
  BuildDisc();
  ASSERT_TRUE(OpenMediaArchives());
  EXPECT_TRUE(boxes_.empty());
  const struct {
    uint16_t id;
    const char* archive;
    ArchiveSlot slot;
  } cases[] = {
      {49, "language", ArchiveSlot::kLanguage}, {50, "gui", ArchiveSlot::kGui},
      {5999, "gui", ArchiveSlot::kGui},         {6000, "extra", ArchiveSlot::kExtra},
      {7000, "extra", ArchiveSlot::kExtra},     {7001, "gui", ArchiveSlot::kGui},
      {17999, "gui", ArchiveSlot::kGui},        {18000, "language", ArchiveSlot::kLanguage},
      {65535, "language", ArchiveSlot::kLanguage},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ArchiveSlotForMedia(c.id), c.slot) << c.id;
    // The video archive holds 49 and 18000 too: it is never chosen by id.
    EXPECT_EQ(TextOf(c.id), c.archive) << c.id;
    EXPECT_EQ(GetArchiveForMedia(c.id), GetMuseumArchives().Get(c.slot)) << c.id;
  }
  // The GUI archive is current after the start.
  EXPECT_EQ(GetCurrentArchive(), GetMuseumArchives().Get(ArchiveSlot::kGui));
}

TEST_F(MuseumArchivesTest, SelectionsReturnThePreviousArchive) {
  BuildDisc();
  ASSERT_TRUE(OpenMediaArchives());
  MuseumArchives& archives = GetMuseumArchives();
  MediaArchive* gui = archives.Get(ArchiveSlot::kGui);
  EXPECT_EQ(SelectLanguageViArchive(), gui);
  MediaArchive* saved = SaveCurrentArchive();
  EXPECT_EQ(saved, archives.Get(ArchiveSlot::kLanguageVideo));
  EXPECT_EQ(SelectExtraArchive(), saved);
  EXPECT_EQ(SelectArchiveForMedia(18000), archives.Get(ArchiveSlot::kExtra));
  EXPECT_EQ(GetCurrentArchive(), archives.Get(ArchiveSlot::kLanguage));
  EXPECT_EQ(SelectArchiveForMedia(200), archives.Get(ArchiveSlot::kLanguage));
  EXPECT_EQ(GetCurrentArchive(), gui);
  // Routing by id does not change the current archive.
  EXPECT_EQ(GetArchiveForMedia(6500), archives.Get(ArchiveSlot::kExtra));
  EXPECT_EQ(GetCurrentArchive(), gui);
  RestoreCurrentArchive(saved);
  EXPECT_EQ(GetCurrentArchive(), saved);
  EXPECT_EQ(SetCurrentArchive(nullptr), saved);  // null changes nothing
}

TEST_F(MuseumArchivesTest, ArchiveFileNamesByLanguage) {
  EXPECT_EQ(GetArchiveFileName(ArchiveSlot::kGui, 3), "QV_GUI.msf");
  EXPECT_EQ(GetArchiveFileName(ArchiveSlot::kExtra, 3), "QV_extra.msf");
  EXPECT_EQ(GetArchiveFileName(ArchiveSlot::kLanguage, 3), "QV_DE.msf");
  EXPECT_EQ(GetArchiveFileName(ArchiveSlot::kLanguageVideo, 3), "QV_DE_VI.msf");
  EXPECT_EQ(GetArchiveFileName(ArchiveSlot::kLanguage, 0), "QV_NL.msf");
  EXPECT_EQ(GetArchiveFileName(ArchiveSlot::kLanguageVideo, 5), "QV_VS_VI.msf");
  EXPECT_EQ(GetArchiveFileName(ArchiveSlot::kLanguage, 6), "");
  EXPECT_EQ(GetArchiveFileName(ArchiveSlot::kGui, -1), "");
}

// Every way the start can fail, with the message it shows (or none).
TEST_F(MuseumArchivesTest, StartFailuresShowTheirMessage) {
  struct Case {
    const char* name;
    std::function<void()> prepare;
    bool opens;
    std::vector<std::string> messages;
  };
  const auto disc = [this] { BuildDisc(); };
  const std::vector<Case> cases = {
      {"complete disc", disc, true, {}},
      {"no GUI archive", [this] { BuildDisc(); std::filesystem::remove(Path("Media/QV_GUI.msf")); },
       false, {kFilesText}},
      {"truncated GUI archive",
       [this] {
         BuildDisc();
         std::filesystem::resize_file(Path("Media/QV_GUI.msf"), 10);
       },
       false, {kFilesText}},
      {"foreign GUI archive",
       [this] {
         BuildDisc();
         WriteFile("Media/QV_GUI.msf", std::string("PK\x03\x04 not an archive at all, but long enough to be read"));
       },
       false, {kFilesText}},
      {"Media is a file",
       [this] {
         BuildDisc();
         std::filesystem::remove_all(Path("Media"));
         WriteFile("Media", "x");
       },
       false, {kFilesText}},
      {"no CD-ROM", [this] { BuildDisc(); SetCd(Path("nowhere")); }, false, {kCdRomText}},
      {"CD-ROM folder is a file",
       [this] {
         BuildDisc();
         WriteFile("plain-file", "x");
         SetCd(Path("plain-file"));
       },
       false, {kCdRomText}},
      {"no extra archive",
       [this] { BuildDisc(); std::filesystem::remove(Path("CD/Media/QV_extra.msf")); },
       false, {kCdRomText}},
      {"truncated video archive",
       [this] {
         BuildDisc();
         std::filesystem::resize_file(Path("CD/Media/QV_DE_VI.msf"), 7);
       },
       false, {kCdRomText}},
      {"empty extra archive (no media at all)",
       [this] {
         BuildDisc();
         ASSERT_TRUE(BuildArchive("CD/Media/QV_extra.msf", {}));
       },
       true, {}},
      {"garbage category table",
       [this] {
         BuildDisc();
         std::vector<std::string> lines = TableLines([](int table) {
           return table == 7 ? std::string("\x01\xFFgarbage{{,,") : shelltest::UniformTable(0);
         });
         ASSERT_TRUE(BuildArchive("CD/Media/QV_DE.msf", lines));
       },
       false, {kDamagedText}},
      {"a category table missing",
       [this] {
         BuildDisc();
         std::vector<std::string> lines = TableLines([](int) { return shelltest::UniformTable(-1); });
         lines.erase(lines.begin() + 4);
         ASSERT_TRUE(BuildArchive("CD/Media/QV_DE.msf", lines));
       },
       false, {kDamagedText}},
      // A damaged disc: the language archive opens, but the tables it
      // promises cannot be read.
      {"language archive cut to 60 %",
       [this] {
         BuildDisc();
         const auto size = std::filesystem::file_size(Path("CD/Media/QV_DE.msf"));
         std::filesystem::resize_file(Path("CD/Media/QV_DE.msf"), size * 60 / 100);
       },
       false, {kDamagedText}},
      {"language archive's entry count 65535",
       [this] {
         BuildDisc();
         std::fstream archive(Path("CD/Media/QV_DE.msf"), std::ios::in | std::ios::out | std::ios::binary);
         archive.seekp(2);
         archive.write("\xFF\xFF", 2);
       },
       false, {kDamagedText}},
      {"names in other cases",
       [this] {
         BuildDisc("cd-upper");
         std::filesystem::rename(Path("Media/QV_GUI.msf"), Path("Media/qv_gui.MSF"));
         std::filesystem::rename(Path("Media"), Path("media"));
         std::filesystem::rename(Path("cd-upper/Media/QV_DE.msf"), Path("cd-upper/Media/qv_de.msf"));
         std::filesystem::rename(Path("cd-upper/Media"), Path("cd-upper/MEDIA"));
         SetCd(Path("cd-upper"));
       },
       true, {}},
      {"current folder removed",
       [this] {
         BuildDisc();
         std::filesystem::create_directories(Path("gone"));
         ASSERT_EQ(chdir(Path("gone").c_str()), 0);
         std::filesystem::remove(Path("gone"));
       },
       false, {kFilesText}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(chdir(Path("").c_str()), 0);
    std::filesystem::remove_all(Path("Media"));
    std::filesystem::remove_all(Path("media"));
    std::filesystem::remove_all(Path("CD"));
    SetCd(Path("CD"));
    boxes_.clear();
    c.prepare();
    EXPECT_EQ(OpenMediaArchives(), c.opens);
    std::vector<std::string> shown;
    for (const Box& box : boxes_) {
      shown.push_back(box.text);
      EXPECT_EQ(box.icon, platform::MessageBoxIcon::kInformation);
    }
    EXPECT_EQ(shown, c.messages);
    DeleteMuseumArchives();
    SetMediaArchiveRouter(&GetMuseumArchives());
  }
}

// The CD-ROM message comes after all three disc archives were tried: the
// ones present are open, the missing one is made but not open.
TEST_F(MuseumArchivesTest, CdRomMessageAfterAllThreeWereTried) {
  BuildDisc();
  std::filesystem::remove(Path("CD/Media/QV_extra.msf"));
  EXPECT_FALSE(OpenMediaArchives());
  MuseumArchives& archives = GetMuseumArchives();
  ASSERT_NE(archives.Get(ArchiveSlot::kExtra), nullptr);
  EXPECT_FALSE(archives.Get(ArchiveSlot::kExtra)->IsOpen());
  ASSERT_NE(archives.Get(ArchiveSlot::kLanguage), nullptr);
  EXPECT_TRUE(archives.Get(ArchiveSlot::kLanguage)->IsOpen());
  ASSERT_NE(archives.Get(ArchiveSlot::kLanguageVideo), nullptr);
  EXPECT_TRUE(archives.Get(ArchiveSlot::kLanguageVideo)->IsOpen());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, kCdRomText);
  // The ids of the missing archive find nothing; the others still load.
  EXPECT_EQ(TextOf(6000), "(missing)");
  EXPECT_EQ(TextOf(49), "language");
}

// OSTREVAN_CD lists several folders: the first that holds a file wins, per
// file, and empty entries are skipped.
TEST_F(MuseumArchivesTest, FirstCdFolderHoldingTheFileWins) {
  BuildDisc("cd2");
  ASSERT_TRUE(BuildArchive("cd1/Media/QV_DE_VI.msf", {"18000 -20 \"first\""}));
  SetCd(Path("none") + "::" + Path("cd1") + ":" + Path("cd2"));
  EXPECT_EQ(FindMediaOnCdRom("QV_DE_VI.msf"), Path("cd1/Media/QV_DE_VI.msf"));
  EXPECT_EQ(FindMediaOnCdRom("qv_de_vi.MSF"), Path("cd1/Media/QV_DE_VI.msf"));
  EXPECT_EQ(FindMediaOnCdRom("QV_DE.msf"), Path("cd2/Media/QV_DE.msf"));
  EXPECT_EQ(FindMediaOnCdRom("QV_NONE.msf"), "");
  EXPECT_EQ(FindMediaOnCdRom(""), "");
  std::filesystem::create_directories(Path("cd1/Media/QV_extra.msf"));  // a folder of that name holds no file
  EXPECT_EQ(FindMediaOnCdRom("QV_extra.msf"), Path("cd2/Media/QV_extra.msf"));
  ASSERT_TRUE(OpenMediaArchives());
  // The video archive opened is cd1's: it holds 18000 but not 49.
  MediaArchive* video = GetMuseumArchives().Get(ArchiveSlot::kLanguageVideo);
  EXPECT_GE(video->FindEntry(18000, 0), 0);
  EXPECT_LT(video->FindEntry(49, 0), 0);
}

// Bytes this process has read through system calls so far.
uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return 0;
}

// Opening the archives reads their tables, not their media: with 16 MB of
// media in each disc archive the start reads a small fraction of that.
TEST_F(MuseumArchivesTest, OpeningReadsNoMedia) {
  WriteFile("big.bin", std::string(16u << 20, 'm'));
  BuildDisc();
  ASSERT_TRUE(BuildArchive("Media/QV_GUI.msf", {"50 -20 \"gui\"", "1000 0 \"" + Path("big.bin") + "\""}));
  ASSERT_TRUE(BuildArchive("CD/Media/QV_extra.msf", {"6000 0 \"" + Path("big.bin") + "\""}));
  ASSERT_TRUE(BuildArchive("CD/Media/QV_DE_VI.msf", {"18000 0 \"" + Path("big.bin") + "\""}));
  const uint64_t before = BytesRead();
  ASSERT_TRUE(OpenMediaArchives());
  const uint64_t read = BytesRead() - before;
  EXPECT_LT(read, 1u << 20) << read;
  EXPECT_GT(std::filesystem::file_size(Path("CD/Media/QV_DE_VI.msf")), 16u << 20);
}

// A medium the disc lacks is named in the run log once per id and type, by
// the type asked for; found media are not.
TEST_F(MuseumArchivesTest, MissingMediaAreNamedInTheRunLog) {
  BuildDisc();
  ASSERT_TRUE(OpenMediaArchives());
  std::vector<std::string> lines;
  title_run_log::SetSink([&lines](const std::string& line) { lines.push_back(line); });
  const MissingMediaListener previous = SetMissingMediaListener(NoteMissingMedia);
  EXPECT_EQ(TextOf(49), "language");
  EXPECT_EQ(TextOf(4321), "(missing)");
  EXPECT_EQ(TextOf(4321), "(missing)");
  VFile window;
  for (const uint32_t asked : {MakeTypeCode("RIX "), 0u, 0x3Cu, MakeTypeCode("RIX ")}) {
    uint32_t type = asked;
    EXPECT_FALSE(GetMuseumArchives().Get(ArchiveSlot::kGui)->OpenMedia(4322, window, type));
  }
  SetMissingMediaListener(previous);
  title_run_log::SetSink(nullptr);
  const std::vector<std::string> want = {"media-missing 4321 TEXT", "media-missing 4322 RIX ",
                                         "media-missing 4322 any", "media-missing 4322 0x0000003C"};
  EXPECT_EQ(lines, want);
}

TEST(StartMessagesTest, TextsByLanguage) {
  EXPECT_EQ(std::string(GetStartMessage(StartMessage::kFiles, 3)), kFilesText);
  EXPECT_EQ(std::string(GetStartMessage(StartMessage::kCdRom, 3)), kCdRomText);
  EXPECT_EQ(std::string(GetStartMessage(StartMessage::kDamaged, 3)), kDamagedText);
  EXPECT_EQ(std::string(GetStartMessage(StartMessage::kDirectX, 3)),
            "DirectX wurde nicht (korrekt) installiert. Bitte starten Sie das Setup-Programm erneut.");
  EXPECT_EQ(std::string(GetStartMessage(StartMessage::kDirectX, 0)),
            "DirectX is niet (correct) ge\xEFnstalleerd. Draai a.u.b. opnieuw het Setup-programma.");
  EXPECT_EQ(std::string(GetStartMessage(StartMessage::kFiles, 1)), GetStartMessage(StartMessage::kFiles, 5));
  EXPECT_EQ(std::string(GetStartMessage(StartMessage::kCdRom, 1)),
            "Can't find Ostrevan CD-ROM. Place the CD-ROM in the drive and restart.");
  for (const int32_t language : {2, 4, 6, -1}) {
    EXPECT_STREQ(GetStartMessage(StartMessage::kDirectX, language), "");
    EXPECT_STREQ(GetStartMessage(StartMessage::kFiles, language), "");
  }
}

}  // namespace
