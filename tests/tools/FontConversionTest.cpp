// Picture fonts built by "ostrevan-tool archive build" from system fonts
// (codes -10 and -11) and read back: the metrics record, a strip with every
// glyph, and text drawn with the font equal to ImageMagick's assembly of the
// strip's glyph columns.
#include <sys/wait.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/BuilderTestSupport.h"
#include "engine/archive/MediaArchive.h"
#include "engine/controls/VPictureFont.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VPicture.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "tools/FontConversions.h"

namespace {

// A level 0..63 as the byte ImageMagick keeps exactly (63 becomes 255).
int Byte(int level) { return (level << 2) | (level >> 4); }

class FontConversionTest : public BuilderFixture {
 protected:
  void SetUp() override {
    BuilderFixture::SetUp();
    testsupport::RequireTool("convert");
    testsupport::RequireTool("compare");
    DeleteAllFonts();
  }
  void TearDown() override { DeleteAllFonts(); }

  // Builds out.msf from the script with the tool's executable; the log text.
  std::string ToolBuild(const std::string& script, int* exitCode) {
    WriteFile("script.txt", script);
    const std::string command = "'" + std::string(OSTREVAN_TOOL_BIN) + "' archive build '" + Path("script.txt") +
                                "' '" + Path("out.msf") + "' >/dev/null 2>&1";
    *exitCode = WEXITSTATUS(std::system(command.c_str()));
    return ReadBytes(Path("out.log"));
  }

  // Writes a 24-bit map as a binary PPM, or an alpha channel's levels as a
  // 8-bit PGM (levels 0..63 widened one to one).
  void WritePpm(PixelMap& map, const std::string& name) {
    std::ofstream out(Path(name), std::ios::binary);
    out << "P6\n" << map.GetWidth() << " " << map.GetHeight() << "\n255\n";
    for (int32_t y = 0; y < map.GetHeight(); ++y) {
      for (int32_t x = 0; x < map.GetWidth(); ++x) {
        VRGBColor c;
        map.GetPixel(VPoint(x, y), c);
        out.put(static_cast<char>(c.red)).put(static_cast<char>(c.green)).put(static_cast<char>(c.blue));
      }
    }
  }
  void WritePgm(VAlphaChannel& channel, const std::string& name) {
    std::ofstream out(Path(name), std::ios::binary);
    out << "P5\n" << channel.GetWidth() << " " << channel.GetHeight() << "\n255\n";
    for (int32_t y = 0; y < channel.GetHeight(); ++y) {
      for (int32_t x = 0; x < channel.GetWidth(); ++x) out.put(static_cast<char>(Byte(channel.GetValueAt(x, y))));
    }
  }

  // ImageMagick: each glyph's columns cut from the strip and put side by
  // side, written to `out`.
  void Assemble(const std::string& strip, VPictureFont& font, const std::string& text, const std::string& out) {
    std::string command = "cd '" + dir_ + "' && convert";
    for (unsigned char c : text) {
      const int32_t width = font.GetCharWidths(nullptr)[c];
      if (width == 0) continue;
      command += " '(' " + strip + " -crop " + std::to_string(width) + "x" + std::to_string(font.GetSize()) + "+" +
                 std::to_string(font.GetGlyphOffset(c)) + "+0 +repage ')'";
    }
    command += " +append " + out;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  std::string AbsoluteError(const std::string& a, const std::string& b) {
    return Capture("cd '" + dir_ + "' && compare -metric AE " + a + " " + b + " null: 2>&1");
  }
};

// "Grüße, Welt €1" in code page 1252.
const std::string kText = "Gr\xFC\xDF" "e, Welt \x80" "1";

TEST_F(FontConversionTest, BuildsPictureFontsThatDrawTheirGlyphColumns) {
  int exitCode = -1;
  const std::string log = ToolBuild(
      "600 -10 \"Arial\" 20 0 255 255 0 0 0 64 0\r\n"
      "610 -11 \"Arial\" 20 0\r\n"
      "620 -11 \"Times\" 0 1 0 0 0 0 0 0 -1\r\n",
      &exitCode);
  ASSERT_EQ(exitCode, 0) << log;
  EXPECT_NE(log.find(" (created font bitmap) (created fontinfo) \r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" (created PictureFont) (created fontinfo) \r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Finished successfully."), std::string::npos) << log;
  const std::string listing = Capture("python3 '" + Oracle() + "' list '" + Path("out.msf") + "'");
  for (const char* entry : {"\t600\tRIX ", "\t600\tFONT", "\t610\tRAX ", "\t610\tFONT", "\t620\tRAX ", "\t620\tFONT"}) {
    EXPECT_NE(listing.find(entry), std::string::npos) << entry << "\n" << listing;
  }

  MediaArchive archive{VFileSpec(Path("out.msf").c_str())};
  ASSERT_TRUE(archive.IsOpen());
  ScopedMediaArchive serve(&archive);
  ScopedLoadPixelFormat ownDepth(-1);
  VPictureFont* colour = FindFontById(600, 0);
  VPictureFont* alpha = FindFontById(610, 0);
  VPictureFont* bold = FindFontById(620, 0);
  ASSERT_TRUE(colour != nullptr && alpha != nullptr && bold != nullptr);

  // The record: the face name and style of the line, the widths of the
  // system font, ascent + descent = the strip's height = the size, which is
  // the system font's whole cell: its character height 20, the internal
  // leading above it and one row for the rounding of the cell's ascent.
  VFont* system = FindOrCreateFont("Arial", 20, 0, nullptr, true);
  ASSERT_NE(system, nullptr);
  int32_t leading = 0;
  {
    PixelMap scratch(VRect(0, 0, 1, 1), 8, nullptr, nullptr, nullptr, PixelMap::kStorageDib);
    DrawPort port(&scratch);
    system->Measure(&port);
    leading = port.GetFontInternalLeading(system) + 1;  // and a row for rounding
  }
  EXPECT_GT(leading, 1);
  for (VPictureFont* font : {colour, alpha}) {
    EXPECT_STREQ(font->GetName().GetChars(), "Arial");
    EXPECT_EQ(font->GetStyle(), 0);
    EXPECT_EQ(font->GetSize(), 20 + leading);
    EXPECT_EQ(font->GetAscent(nullptr) + font->GetDescent(nullptr), 20 + leading);
    EXPECT_EQ(font->GetAscent(nullptr), system->GetAscent(nullptr) + leading);
    EXPECT_EQ(font->GetDescent(nullptr), system->GetDescent(nullptr));
    for (int c = 0; c < 256; ++c) EXPECT_EQ(font->GetCharWidths(nullptr)[c], system->GetCharWidths(nullptr)[c]) << c;
  }
  EXPECT_STREQ(bold->GetName().GetChars(), "Times");
  EXPECT_EQ(bold->GetStyle(), 1);
  {
    VFont* times = FindOrCreateFont("Times", 12, 1, nullptr, true);
    ASSERT_NE(times, nullptr);
    PixelMap scratch(VRect(0, 0, 1, 1), 8, nullptr, nullptr, nullptr, PixelMap::kStorageDib);
    DrawPort port(&scratch);
    EXPECT_EQ(bold->GetSize(), 12 + port.GetFontInternalLeading(times) + 1) << "size 0 becomes 12";
  }

  // Every printable glyph of each alpha strip has ink; without smoothing the
  // levels are 0 or 63 only.
  for (VPictureFont* font : {alpha, bold}) {
    VAlphaChannel* strip = font->PeekPicture()->GetPixelMap()->GetAlphaChannel();
    ASSERT_NE(strip, nullptr);
    bool twoLevels = true;
    for (int c = 33; c < 256; ++c) {
      if (c == 127 || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D || c == 0xA0 || c == 0xAD) continue;
      int32_t ink = 0;
      for (int32_t y = 0; y < strip->GetHeight(); ++y) {
        const int32_t left = font->GetGlyphOffset(static_cast<uint8_t>(c));
        for (int32_t x = left; x < left + font->GetCharWidths(nullptr)[c]; ++x) {
          const int32_t v = strip->GetValueAt(x, y);
          ink += v;
          twoLevels = twoLevels && (v == 0 || v == 63);
        }
      }
      EXPECT_GT(ink, 0) << font->GetName().GetChars() << " byte " << c;
    }
    EXPECT_EQ(twoLevels, font == bold) << font->GetName().GetChars();
    strip->Release();
  }

  // Code -10: the strip in its colours; text drawn with the font is the
  // strip's glyph columns side by side.
  PixelMap* strip = colour->PeekPicture()->GetPixelMap();
  ASSERT_EQ(strip->GetDepth(), 24);
  WritePpm(*strip, "strip.ppm");
  const int32_t width = colour->GetTextWidth(kText.c_str(), 100);
  PixelMap canvas(VRect(0, 0, width, colour->GetSize()), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  canvas.ClearPixels();
  {
    DrawPort port(&canvas);
    port.DrawText(kText.c_str(), static_cast<int32_t>(kText.size()), 0, colour->GetAscent(nullptr), colour, nullptr,
                  true, nullptr);
  }
  WritePpm(canvas, "drawn.ppm");
  Assemble("strip.ppm", *colour, kText, "expected.ppm");
  EXPECT_EQ(AbsoluteError("drawn.ppm", "expected.ppm"), "0");
  // Its colours are the line's: yellow glyphs on dark blue.
  const std::string colours = Capture("cd '" + dir_ + "' && convert strip.ppm -format %c histogram:info:-");
  EXPECT_NE(colours.find("(255,255,0)"), std::string::npos) << colours.substr(0, 400);
  EXPECT_NE(colours.find("(0,0,64)"), std::string::npos) << colours.substr(0, 400);

  // Code -11: the coverage of the text is the alpha strip's glyph columns.
  VAlphaChannel* alphaStrip = alpha->PeekPicture()->GetPixelMap()->GetAlphaChannel();
  ASSERT_NE(alphaStrip, nullptr);
  WritePgm(*alphaStrip, "alpha.pgm");
  alphaStrip->Release();
  VAlphaChannel* coverage = RenderPictureFontText(kText.c_str(), 100, *alpha);
  ASSERT_NE(coverage, nullptr);
  WritePgm(*coverage, "coverage.pgm");
  coverage->Release();
  Assemble("alpha.pgm", *alpha, kText, "expected.pgm");
  EXPECT_EQ(AbsoluteError("coverage.pgm", "expected.pgm"), "0");
}

// Capitals with accents keep them: in the disc's faces and sizes, each of
// "ÄÖÜ" drawn through the built font has ink in the rows above the top of its
// plain capital ("AOU"), where ImageMagick's rendering of the same face shows
// the dots as well; cut at the character height they were lost.
TEST_F(FontConversionTest, CapitalsKeepTheirAccents) {
  testsupport::RequireTool("fc-match");
  struct Case {
    const char* face;
    int size;
    int style;
  };
  const std::vector<Case> cases = {{"DejaVu Sans", 10, 0}, {"DejaVu Sans", 12, 0}, {"DejaVu Serif", 11, 0},
                                   {"DejaVu Serif", 12, 1}, {"DejaVu Serif", 13, 0}, {"DejaVu Serif", 18, 0}};
  std::string script;
  for (size_t k = 0; k < cases.size(); ++k) {
    script += std::to_string(600 + k) + " -11 \"" + cases[k].face + "\" " + std::to_string(cases[k].size) + " " +
              std::to_string(cases[k].style) + "\r\n";
  }
  int exitCode = -1;
  const std::string log = ToolBuild(script, &exitCode);
  ASSERT_EQ(exitCode, 0) << log;
  MediaArchive archive{VFileSpec(Path("out.msf").c_str())};
  ASSERT_TRUE(archive.IsOpen());
  ScopedMediaArchive serve(&archive);
  ScopedLoadPixelFormat ownDepth(-1);

  // The topmost row with ink of one character drawn through the font, and
  // the sum of its coverage (0..63 a pixel) in the rows above `above`.
  struct Ink {
    int top = -1;
    int inkAbove = 0;
  };
  auto measure = [](VPictureFont& font, char c, int above) {
    Ink ink;
    VAlphaChannel* coverage = RenderPictureFontText(&c, 1, font);
    if (coverage == nullptr) return ink;
    for (int32_t y = 0; y < coverage->GetHeight(); ++y) {
      for (int32_t x = 0; x < coverage->GetWidth(); ++x) {
        const int32_t level = coverage->GetValueAt(x, y);
        if (level >= 24 && ink.top < 0) ink.top = y;
        if (y < above) ink.inkAbove += level;
      }
    }
    coverage->Release();
    return ink;
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    SCOPED_TRACE(std::string(cases[k].face) + " " + std::to_string(cases[k].size));
    VPictureFont* font = FindFontById(static_cast<uint16_t>(600 + k), 0);
    ASSERT_NE(font, nullptr);
    // "Ä" "Ö" "Ü" in code page 1252 against "A" "O" "U".
    for (const auto& [plain, accented] : {std::pair{'A', '\xC4'}, {'O', '\xD6'}, {'U', '\xDC'}}) {
      const Ink capital = measure(*font, plain, 0);
      ASSERT_GT(capital.top, 0) << plain << ": the capital reaches the strip's top row";
      const Ink dots = measure(*font, accented, capital.top);
      // Two dots of at least a pixel's worth of ink each.
      EXPECT_GE(dots.inkAbove, 2 * 63) << accented << " has no dots above its capital (top row " << capital.top << ")";
    }
  }

  // The oracle: ImageMagick draws the same face's "Ä" with ink above the top
  // of its "A" (so the dots the font above shows are the face's own).
  const std::string file = Capture("fc-match -f '%{file}' 'DejaVu Sans'");
  ASSERT_FALSE(file.empty());
  for (const char* text : {"A", "\xC3\x84"}) {
    const std::string name = std::string(text) == "A" ? "plain" : "dots";
    ASSERT_EQ(std::system(("cd '" + dir_ + "' && convert -font '" + file + "' -pointsize 12 -density 72 label:'" + text +
                           "' -trim -format '%h' info: > " + name + ".txt")
                              .c_str()),
              0);
  }
  EXPECT_GT(std::stoi(ReadBytes(Path("dots.txt"))), std::stoi(ReadBytes(Path("plain.txt"))));
}

TEST_F(FontConversionTest, RefusesFontsItCannotMake) {
  int exitCode = -1;
  // A size no face can be made at gives no glyph strip.
  std::string log = ToolBuild("600 -11 \"Arial\" 100000\r\n", &exitCode);
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(log.find("Build aborted: Couldn't get font picture"), std::string::npos) << log;
}

}  // namespace
