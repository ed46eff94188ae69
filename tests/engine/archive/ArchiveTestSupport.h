// Test support: a temporary folder and archives written by the independent
// Python writer (tests/data/msf_oracle.py), which shares nothing with the reader.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class ArchiveFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ostrevan_msf_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

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
  static std::string Capture(const std::string& command) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
    pclose(pipe);
    return text;
  }

  std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::string dir_;
};
