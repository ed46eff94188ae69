// File specs (VFileSpec) and the media-type registry.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"

namespace fs = std::filesystem;

namespace {

std::string TypeText(uint32_t type) {
  char text[5];
  TypeCodeText(type, text);
  return text;
}

TEST(MediaTypes, ExtensionsByCategory) {
  struct Row {
    const char* path;
    uint32_t mask;
    const char* expected;
  } rows[] = {
      {"picture.JPG", 2, "JPEG"},
      {"picture.JPG", 1, "????"},
      {"sound.mp3", 8, "MPG "},
      {"sound.mp3", 16, "????"},
      {"movie.mpeg", 16, "MPG "},
      {"archive.tar.msf", 32, "MSF "},
      {"a.abcde", 63, "????"},
      {"noext", 63, "????"},
      {"x.GIF", 63, "GIFf"},
      {"x.txt", 63, "TEXT"},
      {"x.text", 1, "TEXT"},
      {"x.mf", 32, "MF  "},
      {"x.ini", 32, "pref"},
      {"x.rcx", 2, "????"},
      {"x.rcx", 4, "RCX "},
      {"a.b", 63, "????"},
  };
  for (const Row& row : rows) {
    VFileSpec spec(row.path);
    EXPECT_EQ(TypeText(spec.GetFileTypeFromExtension(row.mask)), row.expected) << row.path << " " << row.mask;
  }
}

TEST(MediaTypes, ReverseLookups) {
  struct Row {
    const char* type;
    const char* extension;  // null: none
    const char* name;       // null: none
  } rows[] = {
      {"TEXT", "txt", "Text file"},  {"JPEG", "jpg", "JPEG image"},     {"MPG ", "mpg", "MPEG movie"},
      {"BMP ", "bmp", "BMP image"},  {"RDW ", "rdw", "Raw data file (Windows)"},
      {"pref", nullptr, nullptr},    {"MSF ", "msf", "Devid Uvedud file"}, {"ZZZZ", nullptr, nullptr},
  };
  for (const Row& row : rows) {
    uint32_t code = MakeTypeCode(*reinterpret_cast<const char(*)[5]>(row.type));
    VString out("garbage");
    EXPECT_EQ(GetExtensionForFileType(code, out), row.extension != nullptr) << row.type;
    EXPECT_STREQ(out.GetChars(), row.extension ? row.extension : "") << row.type;
    out.Assign("garbage");
    EXPECT_EQ(GetFileTypeName(code, out), row.name != nullptr) << row.type;
    EXPECT_STREQ(out.GetChars(), row.name ? row.name : "") << row.type;
  }
  VString name;
  EXPECT_TRUE(GetFileTypeName(3, name));
  EXPECT_STREQ(name.GetChars(), "Colortable file");
  EXPECT_FALSE(GetFileTypeName(6, name));
}

TEST(VFileSpecTest, SetNormalisesAndJoins) {
  VFileSpec base1("c:\\dir\\");
  VFileSpec base2("c:\\dir");
  struct Row {
    const char* path;
    const VFileSpec* base;
    const char* expected;
  } rows[] = {
      {"c:/media/x.jpg", nullptr, "c:\\media\\x.jpg"},
      {"sub/a.txt", &base1, "c:\\dir\\sub\\a.txt"},
      {"sub/a.txt", &base2, "c:\\dir\\sub\\a.txt"},
      {"\\\\abs", &base2, "\\\\abs"},
      {"d:x:y", nullptr, "d:x\\y"},
      {"", nullptr, ""},
  };
  for (const Row& row : rows) {
    VFileSpec spec(row.path, row.base);
    EXPECT_STREQ(spec.GetPath().GetChars(), row.expected) << row.path;
    EXPECT_EQ(spec.GetExistsFlag(), row.expected[0] != 0);
  }
}

TEST(VFileSpecTest, NamesAndSlashes) {
  VFileSpec spec("dir\\name.txt");
  VString out;
  spec.GetFileName(out);
  EXPECT_STREQ(out.GetChars(), "name.txt");
  spec.SetFileName("other.bin");
  EXPECT_STREQ(spec.GetPath().GetChars(), "dir\\other.bin");
  spec.GetPathWithSlashes(out);
  EXPECT_STREQ(out.GetChars(), "dir/other.bin");
  VFileSpec plain("name.txt");
  plain.GetFileName(out);
  EXPECT_STREQ(out.GetChars(), "name.txt");
  plain.SetFileName("x");
  EXPECT_STREQ(plain.GetPath().GetChars(), "x");
}

class VFileSpecDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ostrevan_spec_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string dir_;
};

TEST_F(VFileSpecDiskTest, ExistenceGatesThePath) {
  VFileSpec missing((dir_ + "/nothing.txt").c_str());
  EXPECT_TRUE(missing.GetExistsFlag());
  EXPECT_FALSE(missing.Exists());
  EXPECT_STREQ(missing.GetPath().GetChars(), "");  // an unusable spec yields no path
  // SetExists before Set is how a new file is named.
  VFileSpec fresh;
  fresh.SetExists(true);
  fresh.Set((dir_ + "/New.TXT").c_str());
  EXPECT_TRUE(CreateFileForSpec(fresh, MakeTypeCode("TEXT"), MakeTypeCode("ttxt")));
  EXPECT_TRUE(fs::exists(dir_ + "/New.TXT"));
  // Found again under another case.
  VFileSpec other((dir_ + "/new.txt").c_str());
  EXPECT_TRUE(other.Exists());
  EXPECT_TRUE(DeleteFileForSpec(other));
  EXPECT_FALSE(fs::exists(dir_ + "/New.TXT"));
}

TEST_F(VFileSpecDiskTest, ParentAndIncrement) {
  std::ofstream(dir_ + "/frame010.rix") << "x";
  VFileSpec spec((dir_ + "/frame009.rix").c_str());
  EXPECT_TRUE(spec.IncrementNumber());
  EXPECT_TRUE(spec.GetStoredPath().Contains("frame010.rix"));
  EXPECT_FALSE(spec.IncrementNumber());  // frame011 does not exist
  VFileSpec nines("a\\x99.rix");
  EXPECT_FALSE(nines.IncrementNumber());
  EXPECT_STREQ(nines.GetStoredPath().GetChars(), "a\\x00.rix");
  VFileSpec none("a\\x.rix");
  EXPECT_FALSE(none.IncrementNumber());

  VFileSpec parent;
  VFileSpec file((dir_ + "/frame010.rix").c_str());
  file.GetParent(parent);
  EXPECT_TRUE(parent.GetExistsFlag());
  VString slashes;
  parent.GetPathWithSlashes(slashes);
  EXPECT_EQ(std::string(slashes.GetChars()), dir_);
  VFileSpec shortPath("c:\\");
  shortPath.GetParent(parent);
  EXPECT_FALSE(parent.GetExistsFlag());
}

}  // namespace
