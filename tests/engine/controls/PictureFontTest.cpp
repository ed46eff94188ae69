// Picture fonts: the metrics medium read with every length checked, fonts
// from archives (colour strips and alpha strips) drawn glyph by glyph with
// clipping, and fonts made from system fonts measured and rendered as
// FreeType sees the same face.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/ArchiveTestSupport.h"
#include "engine/archive/MediaArchive.h"
#include "engine/controls/FontRecord.h"
#include "engine/controls/VPictureFont.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/RawImageFile.h"
#include "platform/FontRasterizer.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

std::string Le16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(static_cast<uint16_t>(v & 0xFFFF)) + Le16(static_cast<uint16_t>(v >> 16)); }

// The metrics part of a record: ascent, descent and 256 16-bit widths.
std::string Metrics(int16_t ascent, uint16_t descent, const std::vector<std::pair<uint8_t, uint16_t>>& widths) {
  std::string bytes = Le16(static_cast<uint16_t>(ascent)) + Le16(descent);
  std::vector<uint16_t> all(256, 0);
  for (const auto& [c, w] : widths) all[c] = w;
  for (uint16_t w : all) bytes += Le16(w);
  return bytes;
}

FontRecord Parse(const std::string& bytes, bool full, bool* ok = nullptr) {
  FontRecord record;
  const bool result = ParseFontRecord(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), full, record);
  if (ok != nullptr) *ok = result;
  return record;
}

TEST(FontRecordTest, ParsesEachFormAndKeepsInsideTheMedium) {
  const std::string metrics = Metrics(15, 4, {{'A', 0x0107}, {'i', 3}});
  struct Row {
    const char* what;
    std::string bytes;
    bool full;
    bool ok;
    std::string name;
    int32_t style;
  } rows[] = {
      {"short form", metrics, false, true, "", 0},
      {"short form ignores a name", metrics + Le32(5) + "Arial" + Le32(3), false, true, "", 0},
      {"full form", metrics + Le32(5) + "Arial" + Le32(3), true, true, "Arial", 3},
      {"style from the low 16 bits", metrics + Le32(1) + "X" + Le32(0x00050002), true, true, "X", 2},
      {"full form without a name", metrics, true, true, "", 0},
      {"name length cut short", metrics + "\x05\x00", true, true, "", 0},
      {"name past the medium", metrics + Le32(1000) + "Ari", true, true, "Ari", 0},
      {"huge name length", metrics + Le32(0xFFFFFFFFu) + "Times", true, true, "Times", 0},
      {"style cut short", metrics + Le32(2) + "Ab" + "\x01", true, true, "Ab", 0},
      {"name stops at a zero byte", metrics + Le32(4) + std::string("Ab\0c", 4) + Le32(1), true, true, "Ab", 1},
      {"one byte short of the metrics", metrics.substr(0, metrics.size() - 1), false, false, "", 0},
      {"empty", "", true, false, "", 0},
  };
  for (const Row& row : rows) {
    bool ok = false;
    FontRecord r = Parse(row.bytes, row.full, &ok);
    EXPECT_EQ(ok, row.ok) << row.what;
    EXPECT_EQ(r.name, row.name) << row.what;
    EXPECT_EQ(r.style, row.style) << row.what;
    if (row.ok) {
      EXPECT_EQ(r.ascent, 15) << row.what;
      EXPECT_EQ(r.descent, 4) << row.what;
      EXPECT_EQ(r.widths['A'], 7) << row.what << ": only the low byte of a width counts";
      EXPECT_EQ(r.widths['i'], 3) << row.what;
      EXPECT_EQ(r.widths['B'], 0) << row.what;
    }
  }
  // A name longer than a counted string holds is cut to 255 bytes.
  FontRecord longName = Parse(metrics + Le32(300) + std::string(300, 'n') + Le32(2), true);
  EXPECT_EQ(longName.name, std::string(255, 'n'));
  EXPECT_EQ(longName.style, 2);
}

TEST(FontRecordTest, WritesWhatItReads) {
  testsupport::TempDir dir("ostrevan_fontrecord_");
  FontRecord record;
  record.ascent = -2;
  record.descent = 300;
  for (int c = 0; c < 256; ++c) record.widths[c] = static_cast<uint8_t>(c);
  record.name = "Liberation Sans";
  record.style = 5;
  {
    VFile file(VFileSpec(dir.Path("f.bin").c_str()), kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(file.Open(2));
    EXPECT_EQ(WriteFontRecord(file, record), static_cast<int32_t>(FontRecord::kMetricsSize + 4 + 15 + 4));
    file.Close();
  }
  const std::string bytes = testsupport::ReadBytes(dir.Path("f.bin"));
  EXPECT_EQ(bytes.substr(0, 6), Le16(0xFFFE) + Le16(300) + Le16(0));
  EXPECT_EQ(bytes.substr(FontRecord::kMetricsSize), Le32(15) + "Liberation Sans" + Le32(5));
  FontRecord back = Parse(bytes, true);
  EXPECT_EQ(back.ascent, -2);
  EXPECT_EQ(back.descent, 300);
  EXPECT_EQ(back.name, record.name);
  EXPECT_EQ(back.style, 5);
  EXPECT_EQ(std::memcmp(back.widths, record.widths, 256), 0);
}

TEST(PictureFontSettingsTest, SmoothingIsClamped) {
  const int32_t original = SetPictureFontSmoothing(2);
  EXPECT_EQ(SetPictureFontSmoothing(7), 2);
  EXPECT_EQ(GetPictureFontSmoothing(), 3);
  SetPictureFontSmoothing(-4);
  EXPECT_EQ(GetPictureFontSmoothing(), 0);
  SetPictureFontSmoothing(original);
}

// ---------------------------------------------------------------------------
// Fonts from an archive written by the independent writer.

// The test strip: ' ' 2, 'A' 4, 'B' 3, 'C' 5 columns, 6 rows; every other
// character has width 0. Offsets: ' ' 0, 'A' 2, 'B' 6, 'C' 9; width 14.
constexpr int32_t kStripWidth = 14;
constexpr int32_t kStripHeight = 6;
const std::vector<std::pair<uint8_t, uint16_t>> kWidths = {{' ', 2}, {'A', 4}, {'B', 3}, {'C', 5}};

VRGBColor StripColor(int32_t x, int32_t y) {
  return VRGBColor(static_cast<uint8_t>(8 * x + 8), static_cast<uint8_t>(16 * y + 8), 64);
}
uint8_t StripLevel(int32_t x, int32_t y) { return static_cast<uint8_t>((x * 7 + y * 3 + 1) % 64); }

class PictureFontArchiveTest : public ArchiveFixture {
 protected:
  void SetUp() override {
    ArchiveFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    DeleteAllFonts();
    const std::string metrics = Metrics(5, 1, kWidths);
    // Widths that run 20 columns past the strip.
    const std::string wide = Metrics(5, 1, {{' ', 2}, {'A', 4}, {'B', 3}, {'C', 25}});
    std::ostringstream json;
    json << "{\"entries\": ["
         << "{\"id\": 500, \"type\": \"RAX \", \"name\": \"a\", \"data\": \"hex:" << Hex(AlphaStrip()) << "\"},"
         << "{\"id\": 500, \"type\": \"FONT\", \"name\": \"a\", \"data\": \"hex:"
         << Hex(metrics + Le32(4) + "Test" + Le32(2)) << "\"},"
         << "{\"id\": 501, \"type\": \"RIX \", \"name\": \"c\", \"data\": \"hex:" << Hex(ColourStrip()) << "\"},"
         << "{\"id\": 502, \"type\": \"RIX \", \"name\": \"w\", \"data\": \"hex:" << Hex(ColourStrip()) << "\"},"
         << "{\"id\": 502, \"type\": \"FONT\", \"name\": \"w\", \"data\": \"hex:" << Hex(wide) << "\"},"
         << "{\"id\": 503, \"type\": \"RIX \", \"name\": \"x\", \"data\": \"not a picture at all\"},"
         << "{\"id\": 503, \"type\": \"FONT\", \"name\": \"x\", \"data\": \"hex:" << Hex(metrics) << "\"},"
         << "{\"id\": 504, \"type\": \"TEXT\", \"name\": \"t\", \"data\": \"text\"},"
         << "{\"id\": 505, \"type\": \"RIX \", \"name\": \"n\", \"data\": \"hex:" << Hex(ColourStrip()) << "\"},"
         << "{\"id\": 521, \"type\": \"RDX \", \"name\": \"c\", \"data\": \"hex:" << Hex(metrics) << "\"}"
         << "]}";
    archive_ = std::make_unique<MediaArchive>(VFileSpec(Build("fonts.msf", json.str()).c_str()));
    ASSERT_TRUE(archive_->IsOpen());
    serve_ = std::make_unique<ScopedMediaArchive>(archive_.get());
  }
  void TearDown() override {
    DeleteAllFonts();
    serve_.reset();
    archive_.reset();
  }

  std::string AlphaStrip() {
    VAlphaChannel channel(VRect(0, 0, kStripWidth, kStripHeight));
    for (int32_t y = 0; y < kStripHeight; ++y) {
      for (int32_t x = 0; x < kStripWidth; ++x) *channel.GetPixelMap()->GetPixelAddress(VPoint(x, y)) = StripLevel(x, y);
    }
    VFile file(VFileSpec(Path("strip.rax").c_str()), kUnknownFileType, kUnknownFileType);
    EXPECT_TRUE(file.Open(2));
    EXPECT_EQ(channel.Write(file), 0);
    file.Close();
    return ReadBytes(Path("strip.rax"));
  }

  std::string ColourStrip() {
    PixelMap map(VRect(0, 0, kStripWidth, kStripHeight), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
    for (int32_t y = 0; y < kStripHeight; ++y) {
      for (int32_t x = 0; x < kStripWidth; ++x) map.SetPixel(VPoint(x, y), StripColor(x, y));
    }
    VFile file(VFileSpec(Path("strip.rix").c_str()), kUnknownFileType, kUnknownFileType);
    EXPECT_TRUE(file.Open(2));
    VRawImageWriter writer(&file);
    EXPECT_EQ(writer.WriteImage(-1, map, 1, -2, -1, 1), 0);
    file.Close();
    return ReadBytes(Path("strip.rix"));
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

  // A 24-bit canvas filled with one colour, for DrawText.
  struct Canvas {
    PixelMap map;
    explicit Canvas(int32_t w = 40, int32_t h = 12)
        : map(VRect(0, 0, w, h), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory) {
      const VRGBColor grey(200, 200, 200);
      map.FillRect(nullptr, &grey);
    }
    VRGBColor At(int32_t x, int32_t y) {
      VRGBColor c;
      map.GetPixel(VPoint(x, y), c);
      return c;
    }
    // Columns that differ from the fill anywhere, as a string of 0/1.
    std::string Inked() {
      std::string s;
      for (int32_t x = 0; x < map.GetWidth(); ++x) {
        bool any = false;
        for (int32_t y = 0; y < map.GetHeight(); ++y) any = any || !(At(x, y) == VRGBColor(200, 200, 200));
        s += any ? '1' : '0';
      }
      return s;
    }
  };

  std::unique_ptr<MediaArchive> archive_;
  std::unique_ptr<ScopedMediaArchive> serve_;
  ScopedLoadPixelFormat ownDepth_{-1};
};

TEST_F(PictureFontArchiveTest, ReadsMetricsAndFindsFontsAgain) {
  EXPECT_EQ(FindFontById(0, 0), nullptr);
  VPictureFont* alpha = FindFontById(500, 0);
  ASSERT_NE(alpha, nullptr);
  EXPECT_FALSE(alpha->IsSystemFont());
  EXPECT_EQ(FindFontById(500, 0), alpha) << "made once";
  EXPECT_EQ(alpha->GetSize(), kStripHeight);
  EXPECT_EQ(alpha->GetAscent(nullptr), 5);
  EXPECT_EQ(alpha->GetDescent(nullptr), 1);
  EXPECT_STREQ(alpha->GetName().GetChars(), "Test");
  EXPECT_EQ(alpha->GetStyle(), 2);
  EXPECT_TRUE(alpha->HasAlphaGlyphs());
  const int32_t offsets[][2] = {{' ', 0}, {'A', 2}, {'B', 6}, {'C', 9}, {'D', 14}, {255, 14}};
  for (const auto& [c, x] : offsets) EXPECT_EQ(alpha->GetGlyphOffset(static_cast<uint8_t>(c)), x) << c;
  EXPECT_EQ(alpha->GetTextWidth("AB C", 100), 14);
  EXPECT_EQ(alpha->GetTextWidth("AB C", 2), 7);
  EXPECT_EQ(alpha->GetTextWidth("AB\0C", 100), 7);
  EXPECT_EQ(alpha->GetPrinterFont(300), nullptr);

  // The short form under another id keeps no name and style 0.
  VPictureFont* colour = FindFontById(501, 521);
  ASSERT_NE(colour, nullptr);
  EXPECT_NE(colour, alpha);
  EXPECT_STREQ(colour->GetName().GetChars(), "");
  EXPECT_EQ(colour->GetStyle(), 0);
  EXPECT_EQ(colour->GetTextWidth("ABC", 3), 12);
  EXPECT_FALSE(colour->HasAlphaGlyphs());
  VPicture* picture = colour->GetPicture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetWidth(), kStripWidth);
  picture->Release();
}

TEST_F(PictureFontArchiveTest, DrawsGlyphColumnsFromTheStrip) {
  VPictureFont* font = FindFontById(501, 521);
  ASSERT_NE(font, nullptr);
  Canvas canvas;
  DrawPort port(&canvas.map);
  // Baseline 7: the glyph rows run from 7 - 5 = 2 to 8.
  port.DrawText("BA", 2, 3, 7, font, nullptr, true, nullptr);
  for (int32_t y = 0; y < kStripHeight; ++y) {
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(canvas.At(3 + x, 2 + y), StripColor(6 + x, y)) << x << "," << y;
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(canvas.At(6 + x, 2 + y), StripColor(2 + x, y)) << x << "," << y;
  }
  EXPECT_EQ(canvas.At(3, 1), VRGBColor(200, 200, 200));
  EXPECT_EQ(canvas.At(3, 8), VRGBColor(200, 200, 200));
}

TEST_F(PictureFontArchiveTest, ClipsGlyphByGlyph) {
  VPictureFont* font = FindFontById(501, 521);
  ASSERT_NE(font, nullptr);
  const VRect none(-1, -1, -1, -1);
  struct Row {
    const char* what;
    const char* text;
    int32_t count;
    VRect clip;  // left, top, right, bottom; `none` for no clip
    std::string inked;
  } rows[] = {
      {"no clip", "A B", 3, none, "0011111111100000"},
      {"count 0", "A B", 0, none, "0000000000000000"},
      {"width 0 characters do not move the pen", "AxyB", 4, none, "0011111110000000"},
      {"stops at code 0", "A\0B", 3, none, "0011110000000000"},
      {"clip left of the text", "A B", 3, VRect(0, 0, 2, 12), "0000000000000000"},
      {"clip inside the text", "A B", 3, VRect(4, 0, 9, 12), "0000111110000000"},
      {"clip around the text", "A B", 3, VRect(0, 0, 16, 12), "0011111111100000"},
      {"clip above the glyph rows", "A B", 3, VRect(0, 0, 16, 2), "0000000000000000"},
  };
  for (const Row& row : rows) {
    Canvas canvas(16, 12);
    DrawPort port(&canvas.map);
    port.DrawText(row.text, row.count, 2, 7, font, nullptr, true, row.clip.left < 0 ? nullptr : &row.clip);
    EXPECT_EQ(canvas.Inked(), row.inked) << row.what;
  }
}

TEST_F(PictureFontArchiveTest, BadMediaDrawNothingOrStayInsideTheStrip) {
  // Widths that run past the strip: 'C' claims 25 columns of a 14-column strip.
  VPictureFont* wide = FindFontById(502, 0);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->GetTextWidth("CA", 2), 29);
  {
    Canvas canvas(40, 12);
    DrawPort port(&canvas.map);
    port.DrawText("CAC", 3, 0, 7, wide, nullptr, true, nullptr);
    // 'C' shows the 5 columns the strip has; 'A' at 25 is whole.
    EXPECT_EQ(canvas.Inked(), std::string("11111") + std::string(20, '0') + "1111" + "11111" + std::string(6, '0'));
  }
  VAlphaChannel* none = RenderPictureFontText("C", 1, *wide);
  EXPECT_EQ(none, nullptr) << "a colour strip has no coverage";

  // Glyphs that are not a picture, a medium of another type, a missing
  // metrics medium, a missing font: nothing is drawn and nothing fails.
  for (uint16_t id : {503, 504, 505, 999}) {
    VPictureFont* font = FindFontById(id, 0);
    ASSERT_NE(font, nullptr) << id;
    Canvas canvas(16, 12);
    DrawPort port(&canvas.map);
    port.DrawText("ABC", 3, 0, 7, font, nullptr, true, nullptr);
    EXPECT_EQ(canvas.Inked(), std::string(16, '0')) << id;
  }
  EXPECT_EQ(FindFontById(503, 0)->PeekPicture(), nullptr);
  EXPECT_EQ(FindFontById(505, 0)->GetTextWidth("ABC", 3), 0) << "no metrics medium";
}

TEST_F(PictureFontArchiveTest, AlphaStripCoverageAndColour) {
  VPictureFont* font = FindFontById(500, 0);
  ASSERT_NE(font, nullptr);
  VAlphaChannel* coverage = RenderPictureFontText("CA B", 100, *font);
  ASSERT_NE(coverage, nullptr);
  ASSERT_EQ(coverage->GetWidth(), 14);
  ASSERT_EQ(coverage->GetHeight(), kStripHeight);
  // Columns: C 0..4 from 9..13, A 5..8 from 2..5, ' ' 9..10 from 0..1, B 11..13 from 6..8.
  const int32_t sourceColumn[14] = {9, 10, 11, 12, 13, 2, 3, 4, 5, 0, 1, 6, 7, 8};
  for (int32_t y = 0; y < kStripHeight; ++y) {
    for (int32_t x = 0; x < 14; ++x) {
      EXPECT_EQ(coverage->GetValueAt(x, y), StripLevel(sourceColumn[x], y)) << x << "," << y;
    }
  }
  coverage->Release();

  // The glyphs take the colour: a white font on a black 16-bit map paints
  // white where the level is full and leaves black where it is 0.
  PixelMap screen(VRect(0, 0, 12, 8), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  screen.ClearPixels();
  {
    DrawPort port(&screen);
    const VRGBColor white(255, 255, 255);
    port.DrawText("BC", 2, 0, 5, font, &white, true, nullptr);
  }
  PixelMap* strip = font->PeekPicture()->GetPixelMap();
  ASSERT_TRUE(strip->IsSolidColor());
  EXPECT_EQ(strip->GetSolidColor(), VRGBColor(255, 255, 255));
  // 'B' column 2, row 2 is strip column 8 at level 63; 'C' column 0, row 0
  // is strip column 9 at level 0.
  ASSERT_EQ(StripLevel(8, 2), 63);
  ASSERT_EQ(StripLevel(9, 0), 0);
  VRGBColor full, none;
  screen.GetPixel(VPoint(2, 2), full);
  screen.GetPixel(VPoint(3, 0), none);
  EXPECT_EQ(full, VRGBColor(255, 255, 255));
  EXPECT_EQ(none, VRGBColor(0, 0, 0));
}

// ---------------------------------------------------------------------------
// Fonts made from system fonts.

class SystemPictureFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteAllFonts();
    smoothing_ = SetPictureFontSmoothing(3);
  }
  void TearDown() override {
    SetPictureFontSmoothing(smoothing_);
    DeleteAllFonts();
  }
  int32_t smoothing_ = 3;
};

TEST_F(SystemPictureFontTest, MadeOnceAndFoundAgainByKind) {
  VFont* picture = FindOrCreateFont("Arial", 16, 0, nullptr, false);
  ASSERT_NE(picture, nullptr);
  EXPECT_FALSE(picture->IsSystemFont());
  EXPECT_EQ(FindOrCreateFont("Arial", 16, 0, nullptr, false), picture);
  VFont* system = FindOrCreateFont("Arial", 16, 0, nullptr, true);
  ASSERT_NE(system, nullptr);
  EXPECT_TRUE(system->IsSystemFont());
  EXPECT_NE(system, picture);
  EXPECT_EQ(static_cast<VPictureFont*>(picture)->GetSourceFont(), system);
  EXPECT_NE(FindOrCreateFont("Arial", 16, kFontStyleBold, nullptr, false), picture);
  EXPECT_EQ(FindOrCreateFont(nullptr, 16, 0, nullptr, false), nullptr);
  // Glyphs are rendered when drawn: nothing yet, then what was drawn.
  auto* font = static_cast<VPictureFont*>(picture);
  EXPECT_FALSE(font->IsGlyphRendered('H'));
  PixelMap canvas(VRect(0, 0, 60, 24), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  canvas.ClearPixels();
  {
    DrawPort port(&canvas);
    const VRGBColor white(255, 255, 255);
    port.DrawText("Hi", 2, 2, 18, font, &white, true, nullptr);
  }
  EXPECT_TRUE(font->IsGlyphRendered('H'));
  EXPECT_TRUE(font->IsGlyphRendered('i'));
  EXPECT_FALSE(font->IsGlyphRendered('Q'));
  int32_t lit = 0;
  for (int32_t y = 0; y < 24; ++y) {
    for (int32_t x = 0; x < 60; ++x) {
      VRGBColor c;
      canvas.GetPixel(VPoint(x, y), c);
      lit += c.red > 128;
    }
  }
  EXPECT_GT(lit, 20);
  // The picture the builder writes has every glyph.
  VPicture* strip = font->GetPicture();
  ASSERT_NE(strip, nullptr);
  for (int c = 0; c < 256; ++c) EXPECT_TRUE(font->IsGlyphRendered(static_cast<uint8_t>(c))) << c;
  strip->Release();
}

// Smoothing n renders 2^n times larger and counts covered pixels: every
// level of the strip is one of the levels that count can give.
TEST_F(SystemPictureFontTest, CoverageLevelsFollowTheSmoothing) {
  for (int32_t smoothing = 0; smoothing <= 3; ++smoothing) {
    SetPictureFontSmoothing(smoothing);
    auto* font = static_cast<VPictureFont*>(FindOrCreateFont("Times", 18 + smoothing, 0, nullptr, false));
    ASSERT_NE(font, nullptr);
    VPicture* strip = font->GetPicture();
    ASSERT_NE(strip, nullptr);
    VAlphaChannel* alpha = strip->GetPixelMap()->GetAlphaChannel();
    ASSERT_NE(alpha, nullptr);
    std::vector<bool> possible(64, false);
    for (int32_t n = 0; n <= (1 << (2 * smoothing)); ++n) possible[static_cast<size_t>(SmoothTextCoverage(n, smoothing))] = true;
    int32_t full = 0, partial = 0;
    for (int32_t y = 0; y < alpha->GetHeight(); ++y) {
      for (int32_t x = 0; x < alpha->GetWidth(); ++x) {
        const int32_t v = alpha->GetValueAt(x, y);
        ASSERT_TRUE(v >= 0 && v < 64 && possible[static_cast<size_t>(v)]) << smoothing << ": " << v;
        full += v == 63;
        partial += v > 0 && v < 63;
      }
    }
    EXPECT_GT(full, 500) << smoothing;
    if (smoothing == 0) {
      EXPECT_EQ(partial, 0);
    } else {
      EXPECT_GT(partial, 200) << smoothing;
    }
    alpha->Release();
    strip->Release();
  }
}

// The Python imaging library over FreeType, where Debian installs it.
std::string PythonWithImaging() {
  for (const char* candidate : {"python3", "/usr/bin/python3"}) {
    std::string path = candidate[0] == '/' ? std::string(candidate) : testsupport::FindProgram(candidate);
    if (path.empty() || !testsupport::FileExists(path)) continue;
    if (testsupport::Capture("'" + path + "' -c 'import PIL.ImageFont; print(1)' 2>/dev/null") == "1\n") return path;
  }
  return std::string();
}

// Widths, ascent and descent against FreeType driven from Python (its basic
// layout with monochrome hinting, as the device contexts render): every code
// page 1252 byte is the character Python's code page gives.
TEST_F(SystemPictureFontTest, MetricsAgreeWithFreeType) {
  const std::string python = PythonWithImaging();
  if (python.empty()) {
    if (testsupport::RunningInCi()) GTEST_FAIL() << "needs python3 with PIL (Debian package python3-pil)";
    GTEST_SKIP() << "needs python3 with PIL (Debian package python3-pil)";
  }
  testsupport::TempDir dir("ostrevan_fontmetrics_");
  struct Face {
    const char* name;
    int32_t size;
  } faces[] = {{"Arial", 20}, {"Times", 13}, {"Arial", 33}};
  for (const Face& face : faces) {
    auto* font = static_cast<VPictureFont*>(FindOrCreateFont(face.name, face.size, 0, nullptr, false));
    ASSERT_NE(font, nullptr);
    auto file = platform::MatchFontFile(face.name, false, false);
    ASSERT_TRUE(file.has_value());
    const std::string script = dir.Path("m.py");
    std::ofstream(script) << "import sys\n"
                             "from PIL import ImageFont\n"
                             "f = ImageFont.truetype(sys.argv[1], int(sys.argv[2]), layout_engine=ImageFont.Layout.BASIC)\n"
                             "a, d = f.getmetrics()\n"
                             "print(a, d)\n"
                             "for c in range(256):\n"
                             "    try:\n"
                             "        ch = bytes([c]).decode('cp1252')\n"
                             "    except UnicodeDecodeError:\n"
                             "        ch = chr(c)\n"
                             "    print(round(f.getlength(ch, mode='1')))\n";
    std::istringstream out(testsupport::Capture("'" + python + "' '" + script + "' '" + file->path + "' " +
                                                std::to_string(face.size)));
    int32_t pyAscent = 0, pyDescent = 0;
    ASSERT_TRUE(out >> pyAscent >> pyDescent) << face.name;
    const int32_t pyLeading = std::max(0, pyAscent + pyDescent - face.size);
    EXPECT_NEAR(font->GetAscent(nullptr), pyAscent - pyLeading, 1) << face.name << " " << face.size;
    EXPECT_NEAR(font->GetDescent(nullptr), pyDescent, 1) << face.name << " " << face.size;
    for (int c = 0; c < 256; ++c) {
      int32_t width = 0;
      ASSERT_TRUE(out >> width);
      const int32_t ours = font->GetCharWidths(nullptr)[c];
      EXPECT_LE(ours, 255);
      EXPECT_EQ(ours, width) << face.name << " " << face.size << " byte " << c;
    }
  }
}

// A byte's glyph in the strip is the glyph FreeType gives the byte's code
// page 1252 character: at smoothing 0 the strip's coverage is the monochrome
// rendering of that character.
TEST_F(SystemPictureFontTest, StripGlyphIsTheCodePageCharacter) {
  const std::string python = PythonWithImaging();
  if (python.empty()) {
    if (testsupport::RunningInCi()) GTEST_FAIL() << "needs python3 with PIL (Debian package python3-pil)";
    GTEST_SKIP() << "needs python3 with PIL (Debian package python3-pil)";
  }
  SetPictureFontSmoothing(0);
  auto* font = static_cast<VPictureFont*>(FindOrCreateFont("Arial", 24, 0, nullptr, false));
  ASSERT_NE(font, nullptr);
  VPicture* strip = font->GetPicture();
  ASSERT_NE(strip, nullptr);
  VAlphaChannel* alpha = strip->GetPixelMap()->GetAlphaChannel();
  ASSERT_NE(alpha, nullptr);
  auto file = platform::MatchFontFile("Arial", false, false);
  ASSERT_TRUE(file.has_value());
  testsupport::TempDir dir("ostrevan_fontglyph_");
  std::ofstream(dir.Path("g.py")) << "import sys\n"
                                     "from PIL import ImageFont\n"
                                     "f = ImageFont.truetype(sys.argv[1], 24, layout_engine=ImageFont.Layout.BASIC)\n"
                                     "for c in sys.argv[2:]:\n"
                                     "    m = f.getmask(bytes([int(c)]).decode('cp1252'), mode='1')\n"
                                     "    print(sum(1 for v in m if v))\n";
  const uint8_t bytes[] = {'A', 'g', 0x80, 0x95, 0x99, 0xC4, 0xE9, 0x9F, 0xDF};
  std::string command = "'" + python + "' '" + dir.Path("g.py") + "' '" + file->path + "'";
  for (uint8_t b : bytes) command += " " + std::to_string(b);
  std::istringstream out(testsupport::Capture(command));
  for (uint8_t b : bytes) {
    int32_t expected = -1;
    ASSERT_TRUE(out >> expected) << int(b);
    int32_t inked = 0;
    const int32_t left = font->GetGlyphOffset(b);
    for (int32_t y = 0; y < alpha->GetHeight(); ++y) {
      for (int32_t x = left; x < left + font->GetCharWidths(nullptr)[b]; ++x) inked += alpha->GetValueAt(x, y) == 63;
    }
    // Glyph ink outside the advance is cut off in a strip, so allow a little.
    EXPECT_NEAR(inked, expected, expected / 10 + 2) << "byte " << int(b);
  }
  alpha->Release();
  strip->Release();
}

}  // namespace
