// Profile files: values found with the Windows rules, and updates that keep
// the rest of the file.
#include <gtest/gtest.h>

#include "platform/ProfileFile.h"
#include "support/TempDir.h"

namespace {

const char* kIni =
    "; autorun settings\r\n"
    "[Autorun]\r\n"
    "Splash = 1\r\n"
    "Program=\"D:\\Ostrevan\\start.exe\"\r\n"
    "Quoted='single'\r\n"
    "Half=\"open\r\n"
    ";Commented=yes\r\n"
    "Inline=value ; not a comment\r\n"
    "Empty=\r\n"
    "Long=0123456789012345678901234567890123456789\r\n"
    "\r\n"
    "[Other]\r\n"
    "Splash=2\r\n";

TEST(ProfileFile, ReadsValuesAsWindowsDoes) {
  testsupport::TempDir dir("profile");
  testsupport::WriteBytes(dir.Path("autorun.ini"), kIni);
  struct Case {
    const char* section;
    const char* key;
    size_t buffer;
    const char* expected;
  };
  const Case cases[] = {
      {"Autorun", "Splash", 128, "1"},
      {"AUTORUN", "splash", 128, "1"},
      {"other", "SPLASH", 128, "2"},
      {"Autorun", "Program", 128, "D:\\Ostrevan\\start.exe"},
      {"Autorun", "Quoted", 128, "single"},
      {"Autorun", "Half", 128, "\"open"},
      {"Autorun", "Commented", 128, "default"},
      {"Autorun", "Inline", 128, "value ; not a comment"},
      {"Autorun", "Empty", 128, ""},
      {"Autorun", "Long", 11, "0123456789"},
      {"Autorun", "Long", 1, ""},
      {"Autorun", "Long", 0, ""},
      {"Missing", "Splash", 128, "default"},
      {"Autorun", "Missing", 4, "def"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::GetPrivateProfileString(c.section, c.key, "default", c.buffer, dir.Path("AUTORUN.INI")),
              c.expected)
        << c.section << "/" << c.key << "/" << c.buffer;
  }
  EXPECT_EQ(platform::GetPrivateProfileString("A", "B", "none", 128, dir.Path("absent.ini")), "none");
}

TEST(ProfileFile, WritesOneKeyAndKeepsTheRest) {
  testsupport::TempDir dir("profilew");
  const std::string path = dir.Path("qtw.ini");
  testsupport::WriteBytes(path, kIni);
  ASSERT_TRUE(platform::WritePrivateProfileString("autorun", "SPLASH", "0", path));
  ASSERT_TRUE(platform::WritePrivateProfileString("Other", "Added", "x y", path));
  ASSERT_TRUE(platform::WritePrivateProfileString("Video", "QTOptimize", "1", path));
  EXPECT_EQ(platform::GetPrivateProfileString("Autorun", "Splash", "", 128, path), "0");
  EXPECT_EQ(platform::GetPrivateProfileString("Other", "Splash", "", 128, path), "2");
  EXPECT_EQ(platform::GetPrivateProfileString("Other", "Added", "", 128, path), "x y");
  EXPECT_EQ(platform::GetPrivateProfileString("Video", "QTOptimize", "", 128, path), "1");
  const std::string text = testsupport::ReadBytes(path);
  EXPECT_NE(text.find("; autorun settings\r\n"), std::string::npos);
  EXPECT_NE(text.find(";Commented=yes\r\n"), std::string::npos);
  EXPECT_NE(text.find("Splash=2\r\nAdded=x y\r\n"), std::string::npos) << text;
  EXPECT_LT(text.find("Added=x y"), text.find("[Video]"));
  // A file that does not exist yet is created.
  ASSERT_TRUE(platform::WritePrivateProfileString("S", "K", "V", dir.Path("new.ini")));
  EXPECT_EQ(testsupport::ReadBytes(dir.Path("new.ini")), "[S]\r\nK=V\r\n");
  EXPECT_FALSE(platform::WritePrivateProfileString("S", "K", "V", dir.Path("no/folder/x.ini")));
}

}  // namespace
