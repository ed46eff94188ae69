// The reader's CRC-32 against Python's zlib.crc32, over lengths that cover
// the eight-bytes-a-step path and its tail, computed whole and continued over
// pieces as the decoder continues it over its output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>

#include "launchers/common/RarCrc32.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(size);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

std::string Hex(uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

TEST(RarCrc32, AgreesWithZlib) {
  REQUIRE_TOOL(python3, "python3");
  std::vector<std::vector<uint8_t>> inputs = {{}, {'a'}, {'1', '2', '3', '4', '5', '6', '7', '8', '9'}};
  for (size_t size : {2u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 64u, 255u, 4099u, 100003u}) {
    inputs.push_back(RandomBytes(size, static_cast<uint32_t>(size)));
  }
  inputs.push_back(std::vector<uint8_t>(1000, 0x00));
  inputs.push_back(std::vector<uint8_t>(1000, 0xFF));

  testsupport::TempDir dir("rarcrc");
  std::string files;
  for (size_t i = 0; i < inputs.size(); ++i) {
    const std::string path = dir.Path("in" + std::to_string(i));
    testsupport::WriteBytes(path, std::string(inputs[i].begin(), inputs[i].end()));
    files += " '" + path + "'";
  }
  std::istringstream expected(testsupport::Capture(
      python3 + " -c 'import sys, zlib\nfor p in sys.argv[1:]: print(\"%08x\" % zlib.crc32(open(p, \"rb\").read()))'" +
      files));

  for (const std::vector<uint8_t>& in : inputs) {
    std::string want;
    ASSERT_TRUE(std::getline(expected, want)) << "python3 gave no CRC for " << in.size() << " bytes";
    EXPECT_EQ(Hex(RarCrc32(0, in.data(), in.size())), want) << in.size() << " bytes";
    // Continued over pieces of odd sizes, as the decoder hands its output on.
    uint32_t crc = 0;
    size_t at = 0;
    for (size_t piece = 1; at < in.size(); piece = piece * 3 + 1) {
      const size_t n = std::min(piece, in.size() - at);
      crc = RarCrc32(crc, in.data() + at, n);
      at += n;
    }
    EXPECT_EQ(Hex(crc), want) << in.size() << " bytes in pieces";
  }
}

}  // namespace
