// Test support: a fresh folder under /tmp that is removed with everything in
// it when its owner goes, a test fixture holding one, and whole-file reads
// and writes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace testsupport {

// The folder is /tmp/<prefix>XXXXXX; Path() is empty when it could not be made.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A fixture whose tests each get their own folder, dir_.
class TempDirTest : public ::testing::Test {
 protected:
  explicit TempDirTest(const std::string& prefix) : temp_(prefix), dir_(temp_.Path()) {}
  void SetUp() override { ASSERT_FALSE(dir_.empty()) << "no temporary folder"; }

  std::string Path(const std::string& name) const { return temp_.Path(name); }

  TempDir temp_;
  std::string dir_;
};

// The whole content of a file ("" when it cannot be read).
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace testsupport
