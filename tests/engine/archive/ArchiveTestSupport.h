// Test support: a temporary folder and archives written by the independent
// Python writer (tests/data/msf_oracle.py), which shares nothing with the reader.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/BuildPaths.h"

class ArchiveFixture : public testsupport::TempDirTest {
 protected:
  ArchiveFixture() : TempDirTest("ostrevan_msf_") {}
  void SetUp() override {
    TempDirTest::SetUp();
    testsupport::RequireTool("python3");
  }

  static std::string Oracle() { return std::string(OSTREVAN_SOURCE_DIR) + "/tests/data/msf_oracle.py"; }

  // Writes the archive described by the JSON text; returns its path.
  std::string Build(const std::string& name, const std::string& json) {
    std::string desc = Path(name + ".json");
    std::ofstream(desc) << json;
    std::string out = Path(name);
    std::string command = "python3 '" + Oracle() + "' build '" + desc + "' '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << json;
    return out;
  }

  // The standard output of a command.
  static std::string Capture(const std::string& command) { return testsupport::Capture(command); }

  static std::string ReadBytes(const std::string& path) { return testsupport::ReadBytes(path); }
};
