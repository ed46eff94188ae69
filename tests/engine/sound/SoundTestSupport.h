// Helpers of the sound tests: the outside oracles (sox, ffmpeg), files made
// at test time, and hand-built RIFF WAVE files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace soundtest {

// Ends the test when the program is missing (failed under CI=true, skipped
// elsewhere; see testsupport::RequireTool).
#define REQUIRE_SOUND_TOOL(name)                         \
  do {                                                   \
    if (testsupport::RequireTool(name).empty()) return; \
  } while (0)

inline int Shell(const std::string& command) { return std::system(command.c_str()); }

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

inline void Put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// A chunk: identifier, size (as given), payload, and a pad byte when odd.
inline std::string Chunk(const std::string& id, const std::string& payload, int64_t sizeField = -1) {
  std::string s = id;
  Put32(s, sizeField < 0 ? static_cast<uint32_t>(payload.size()) : static_cast<uint32_t>(sizeField));
  s += payload;
  if (payload.size() & 1) s.push_back('\0');
  return s;
}

// A "fmt " payload of plain samples; with `withBits` false it is 14 bytes long.
inline std::string PcmFormat(int tag, int channels, uint32_t rate, int bits, bool withBits = true) {
  std::string s;
  Put16(s, static_cast<uint32_t>(tag));
  Put16(s, static_cast<uint32_t>(channels));
  Put32(s, rate);
  Put32(s, rate * static_cast<uint32_t>(channels) * static_cast<uint32_t>(bits / 8));
  Put16(s, static_cast<uint32_t>(channels * bits / 8));
  if (withBits) Put16(s, static_cast<uint32_t>(bits));
  return s;
}

// The standard Microsoft ADPCM coefficient pairs.
inline const int16_t kAdpcmCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64},
                                                 {240, 0}, {460, -208}, {392, -232}};

inline std::string AdpcmFormat(int channels, uint32_t rate, int blockAlign, int samplesPerBlock, int pairs = 7) {
  std::string s;
  Put16(s, 2);
  Put16(s, static_cast<uint32_t>(channels));
  Put32(s, rate);
  Put32(s, rate * static_cast<uint32_t>(blockAlign) / static_cast<uint32_t>(samplesPerBlock));
  Put16(s, static_cast<uint32_t>(blockAlign));
  Put16(s, 4);
  Put16(s, static_cast<uint32_t>(4 + 4 * pairs));
  Put16(s, static_cast<uint32_t>(samplesPerBlock));
  Put16(s, static_cast<uint32_t>(pairs));
  for (int i = 0; i < pairs; ++i) {
    Put16(s, static_cast<uint16_t>(kAdpcmCoefficients[i % 7][0]));
    Put16(s, static_cast<uint16_t>(kAdpcmCoefficients[i % 7][1]));
  }
  return s;
}

// RIFF header around the chunks (length field as given, -1: the true one).
inline std::string Riff(const std::string& chunks, int64_t lengthField = -1) {
  std::string s = "RIFF";
  Put32(s, lengthField < 0 ? static_cast<uint32_t>(chunks.size() + 4) : static_cast<uint32_t>(lengthField));
  return s + "WAVE" + chunks;
}

}  // namespace soundtest
