// Test support for the archive builder: source files in a temporary folder, a
// build through BuildMediaArchive, its log and the archive's media as the
// independent Python dump (tests/data/msf_dump.py) sees them.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/archive/ArchiveTestSupport.h"
#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VTextFile.h"
#include "support/BuildPaths.h"

class BuilderFixture : public ArchiveFixture {
 protected:
  struct Built {
    bool ok = false;
    std::string log;
  };

  // Writes a file below the temporary folder (folders made as needed).
  void WriteFile(const std::string& name, const std::string& bytes) {
    std::filesystem::path path(Path(name));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // Writes script.txt and builds out.msf from it, logging into out.log.
  Built RunBuild(const std::string& script, bool withLog = true) {
    WriteFile("script.txt", script);
    std::filesystem::remove(Path("out.msf"));
    std::filesystem::remove(Path("out.log"));
    Built built;
    {
      VTextFile scriptFile(VFileSpec(Path("script.txt").c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
      VFile archive(VFileSpec(Path("out.msf").c_str()), MakeTypeCode("MSF "), kUnknownFileType);
      VTextFile log(VFileSpec(Path("out.log").c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
      if (withLog) {
        EXPECT_TRUE(log.Open(VFileObject::kWrite));
      }
      built.ok = BuildMediaArchive(scriptFile, archive, withLog ? &log : nullptr);
      scriptFile.Close();
      archive.Close();
      log.Close();
    }
    built.log = ReadBytes(Path("out.log"));
    return built;
  }

  // The media of an archive as the independent dump prints them.
  std::string Dump(const std::string& archive = "") {
    std::string path = archive.empty() ? Path("out.msf") : archive;
    return Capture("python3 '" + std::string(OSTREVAN_SOURCE_DIR) + "/tests/data/msf_dump.py' '" + path + "'");
  }

  static std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
      out += digits[c >> 4];
      out += digits[c & 15];
    }
    return out;
  }
};
