// Test helper: has the independent archive writer (tests/data/msf_oracle.py)
// make a small Devid Uvedud archive of TEXT media and serves it as the default
// archive while the helper lives.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/VFileSpec.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"

namespace script_test {

struct TextMedium {
  uint16_t id;
  std::string bytes;
  std::string type = "TEXT";
};

// A description for the independent archive writer tests/data/msf_oracle.py
// (Python struct, sharing nothing with the reader), the data given as hex.
inline std::string DescribeArchive(std::vector<TextMedium> media) {
  std::stable_sort(media.begin(), media.end(), [](const TextMedium& a, const TextMedium& b) { return a.id < b.id; });
  static const char kHex[] = "0123456789abcdef";
  std::string json = "{\"entries\": [";
  for (size_t i = 0; i < media.size(); ++i) {
    if (i > 0) json += ", ";
    json += "{\"id\": " + std::to_string(media[i].id) + ", \"type\": \"" + media[i].type + "\", \"data\": \"hex:";
    for (unsigned char c : media[i].bytes) {
      json += kHex[c >> 4];
      json += kHex[c & 15];
    }
    json += "\"}";
  }
  return json + "]}";
}

// Writes the archive to a temporary file, opens it and registers it as the
// default (and current) archive; everything is undone on destruction. The
// files carry the process id: test runs side by side do not share them.
class ScopedTextArchive {
 public:
  explicit ScopedTextArchive(const std::vector<TextMedium>& media, const std::string& name) {
    const std::string stem = name + "-" + std::to_string(getpid());
    path_ = std::filesystem::temp_directory_path() / (stem + ".msf");
    description_ = std::filesystem::temp_directory_path() / (stem + ".json");
    std::ofstream(description_) << DescribeArchive(media);
    // Without Python the test is marked as needing it and finds no archive.
    const std::string python3 = testsupport::RequireTool("python3");
    if (!python3.empty()) {
      const std::string command = python3 + " '" + std::string(OSTREVAN_SOURCE_DIR) +
                                  "/tests/data/msf_oracle.py' build '" + description_.string() + "' '" +
                                  path_.string() + "'";
      EXPECT_EQ(std::system(command.c_str()), 0);
    }
    archive_ = std::make_unique<MediaArchive>(VFileSpec(path_.c_str()));
    EXPECT_TRUE(archive_->IsOpen());
    scope_ = std::make_unique<ScopedMediaArchive>(archive_.get());
  }
  ~ScopedTextArchive() {
    scope_.reset();
    archive_.reset();
    std::filesystem::remove(path_);
    std::filesystem::remove(description_);
  }
  MediaArchive* archive() const { return archive_.get(); }

 private:
  std::filesystem::path path_;
  std::filesystem::path description_;
  std::unique_ptr<MediaArchive> archive_;
  std::unique_ptr<ScopedMediaArchive> scope_;
};

}  // namespace script_test
