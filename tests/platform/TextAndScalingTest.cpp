// Code page 1252 conversion (checked against Python's codec) and the
// letterbox arithmetic of the logical screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/Codepage1252.h"
#include "platform/LogicalScaling.h"
#include "support/RequireTool.h"

namespace {

TEST(Codepage1252, EveryByteMatchesPythonsCodec) {
  // Python decodes the defined bytes; the five undefined ones map to themselves.
  REQUIRE_TOOL(python3, "python3");
  const std::string command = python3 +
                              " -c \"import sys\n"
                              "for b in range(256):\n"
                              "  try: c = bytes([b]).decode('cp1252')\n"
                              "  except UnicodeDecodeError: c = chr(b)\n"
                              "  print(ord(c))\"";
  FILE* p = popen(command.c_str(), "r");
  ASSERT_NE(p, nullptr) << "cannot start " << python3;
  int seen = 0;
  unsigned value = 0;
  while (seen < 256 && fscanf(p, "%u", &value) == 1) {
    const auto byte = static_cast<uint8_t>(seen);
    EXPECT_EQ(platform::UnicodeFromCp1252(byte), value) << seen;
    uint8_t back = 0;
    EXPECT_TRUE(platform::Cp1252FromUnicode(value, back)) << seen;
    EXPECT_EQ(back, byte);
    ++seen;
  }
  EXPECT_EQ(pclose(p), 0);
  EXPECT_EQ(seen, 256);
}

TEST(Codepage1252, ConvertsTextBothWays) {
  struct Row {
    std::string cp1252;
    std::string utf8;
  };
  const Row rows[] = {
      {"", ""},
      {"abc", "abc"},
      {"ben\xF6tigt", "ben\xC3\xB6tigt"},
      {"\x80 \x85 \x99", "\xE2\x82\xAC \xE2\x80\xA6 \xE2\x84\xA2"},
      {"\xFF\xA0", "\xC3\xBF\xC2\xA0"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(platform::Cp1252ToUtf8(r.cp1252), r.utf8);
    EXPECT_EQ(platform::Utf8ToCp1252(r.utf8), r.cp1252);
  }
  // What the page lacks, and broken UTF-8, become the replacement or vanish.
  EXPECT_EQ(platform::Utf8ToCp1252("a\xE6\x97\xA5z"), "a?z");
  EXPECT_EQ(platform::Utf8ToCp1252("a\xE6\x97\xA5z", 0), "az");
  EXPECT_EQ(platform::Utf8ToCp1252("\xC3"), "?");           // cut short
  EXPECT_EQ(platform::Utf8ToCp1252("\xC0\xAF"), "??");      // overlong
  EXPECT_EQ(platform::Utf8ToCp1252("\xED\xA0\x80"), "???");  // a surrogate
  EXPECT_EQ(platform::Utf8ToCp1252("\xF0\x9F\x98\x80"), "?");
}

TEST(LogicalScaling, LetterboxAndMapping) {
  struct Row {
    int32_t outW, outH, logW, logH;
    platform::LetterboxRect box;
  };
  const Row rows[] = {
      {640, 480, 640, 480, {0, 0, 640, 480}},
      {1280, 960, 640, 480, {0, 0, 1280, 960}},
      {1920, 1080, 640, 480, {240, 0, 1440, 1080}},
      {1280, 1024, 640, 480, {0, 32, 1280, 960}},
      {1366, 768, 640, 480, {171, 0, 1024, 768}},
      {0, 480, 640, 480, {0, 0, 0, 0}},
      {640, 480, 0, 480, {0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    const platform::LetterboxRect b = platform::ComputeLetterbox(r.outW, r.outH, r.logW, r.logH);
    EXPECT_EQ(b.x, r.box.x) << r.outW << "x" << r.outH;
    EXPECT_EQ(b.y, r.box.y) << r.outW << "x" << r.outH;
    EXPECT_EQ(b.width, r.box.width) << r.outW << "x" << r.outH;
    EXPECT_EQ(b.height, r.box.height) << r.outW << "x" << r.outH;
  }
  // Positions map by floor division, negative ones too.
  EXPECT_EQ(platform::MapToLogical(240, 240, 1440, 640), 0);
  EXPECT_EQ(platform::MapToLogical(242, 240, 1440, 640), 0);
  EXPECT_EQ(platform::MapToLogical(243, 240, 1440, 640), 1);
  EXPECT_EQ(platform::MapToLogical(1679, 240, 1440, 640), 639);
  EXPECT_EQ(platform::MapToLogical(239, 240, 1440, 640), -1);
  EXPECT_EQ(platform::MapToLogical(0, 240, 1440, 640), -107);
  EXPECT_EQ(platform::MapToLogical(5, 0, 0, 640), 0);
}

}  // namespace
