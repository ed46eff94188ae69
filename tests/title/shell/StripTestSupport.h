// Test support of the control strip: a small interface archive with every
// picture the strip loads (drawn here as BMP files and built with the
// program's archive tool, which makes the picture fonts from the system's
// DejaVu faces), the strip's texts in the language archive, and a bench
// window of 640 x 480 on a fake clock holding the strip as the main panel
// does: id 14378 at (0, 400), 640 x 80.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/sound/SoundManager.h"
#include "support/BuildPaths.h"
#include "support/Subprocess.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/PictureFontTable.h"
#include "ShellTestSupport.h"

namespace striptest {

// An RGB picture file: rows of 0xRRGGBB.
inline std::string Bmp24(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& colour) {
  const int32_t rowBytes = (width * 3 + 3) & ~3;
  const uint32_t size = 54 + static_cast<uint32_t>(rowBytes * height);
  std::string b(size, '\0');
  const auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = 24;
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = 54 + static_cast<size_t>((height - 1 - y) * rowBytes);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t c = colour(x, y);
      b[row + static_cast<size_t>(x) * 3] = static_cast<char>(c);
      b[row + static_cast<size_t>(x) * 3 + 1] = static_cast<char>(c >> 8);
      b[row + static_cast<size_t>(x) * 3 + 2] = static_cast<char>(c >> 16);
    }
  }
  return b;
}

// An 8-bit picture file whose palette index is value(x, y) (a grey ramp).
inline std::string Bmp8(int32_t width, int32_t height, const std::function<uint8_t(int32_t, int32_t)>& value) {
  const int32_t rowBytes = (width + 3) & ~3;
  const uint32_t offset = 54 + 1024;
  const uint32_t size = offset + static_cast<uint32_t>(rowBytes * height);
  std::string b(size, '\0');
  const auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = 8;
  put32(46, 256);
  for (uint32_t i = 0; i < 256; ++i) put32(54 + i * 4, i * 0x010101u);
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = offset + static_cast<size_t>((height - 1 - y) * rowBytes);
    for (int32_t x = 0; x < width; ++x) b[row + static_cast<size_t>(x)] = static_cast<char>(value(x, y));
  }
  return b;
}

// The selector's regions: 1 top left, 2 top right, 3 bottom left, 4 bottom
// right, 0 on a border of 3 pixels and between them.
inline uint8_t SelectorRegion(int32_t x, int32_t y) {
  if (x < 3 || y < 3 || x >= 69 || y >= 85 || x == 35 || x == 36 || y == 43 || y == 44) return 0;
  return static_cast<uint8_t>(1 + (x >= 36 ? 1 : 0) + (y >= 44 ? 2 : 0));
}

constexpr int32_t kSelectorWidth = 72;
constexpr int32_t kSelectorHeight = 88;
constexpr int32_t kStripFrames = 12;
constexpr int32_t kTurnFrames = 17;

// The strip's texts A and B (media 18000 + n) as the tests expect them.
inline std::string TextA(int32_t index) { return "A" + std::to_string(index); }

class StripFixture : public shelltest::ShellFixture {
 protected:
  // What the interface archive leaves out or spoils, by media id: "" leaves
  // the picture out; "small" makes it 10 x 10; "rgb" makes a region picture
  // 24-bit.
  std::map<int32_t, std::string> spoil;
  // Leaves the language texts out.
  bool withoutTexts = false;

  void TearDown() override {
    if (bench) {
      delete strip;
      strip = nullptr;
      FlushDeferredDeletions();
      bench.reset();
    }
    GetSoundManager().SetTriggerListener(nullptr);
    DestroySoundManager();
    FreePictureFonts();
    ShellFixture::TearDown();
  }

  // Draws the pictures, builds the archives, opens them, loads the fonts and
  // makes the strip under the bench's recorder.
  void MakeStrip() {
    BuildInterfaceArchive();
    if (HasFatalFailure()) return;
    std::vector<std::string> texts;
    if (!withoutTexts) {
      for (int32_t n = 14; n <= 48; ++n) {
        // Table A reads 14..27 (A[i] = 18000 + 14 + i, and A[15] = 18014);
        // table B reads 31..48.
        const std::string text = n <= 27 ? TextA(n - 14) : "B" + std::to_string(n);
        texts.push_back(std::to_string(18000 + n) + " -20 \"" + text + "\"");
      }
    } else {
      texts.emplace_back("18000 -20 \"language\"");
    }
    ASSERT_TRUE(BuildArchive("CD/Media/QV_DE.msf", texts));
    ASSERT_TRUE(GetMuseumArchives().Open(ArchiveSlot::kGui, Path("Media/QV_GUI.msf")));
    ASSERT_TRUE(GetMuseumArchives().Open(ArchiveSlot::kLanguage, Path("CD/Media/QV_DE.msf")));
    LoadPictureFonts();
    GetSoundManager().SetTriggerListener([this](int32_t index) { sounds.push_back(index); });
    bench = std::make_unique<controltest::Bench>(640, 480);
    // Pictures load at the depth of the bench's window, as the program's do
    // at the display's.
    const ScopedLoadPixelFormat depth(16);
    strip = new MainInterfaceScreen(MainInterfaceScreen::kId, 0, 0, 400, 100, 640, 80, bench->recorder);
  }

  // Idle passes on the fake clock (1 ms each) until the predicate holds;
  // false when it did not within `ms`. The clock then stands still between
  // passes; afterwards each reading advances it again (so that the busy
  // wait of a pressed button ends).
  bool IdleUntil(const std::function<bool()>& done, int ms = 5000) {
    bench->clock().SetStepPerRead(0);
    bool reached = false;
    for (int i = 0; i < ms && !(reached = done()); ++i) {
      bench->clock().AdvanceMilliseconds(1);
      bench->Idle();
    }
    if (!reached) reached = done();
    bench->clock().SetStepPerRead(1000000ull);
    return reached;
  }

  // The log entries with the code (as "code value").
  std::vector<std::string> Logged(uint32_t code) const {
    std::vector<std::string> out;
    const std::string prefix = std::to_string(code) + " ";
    for (const std::string& line : bench->log) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }

  VGraphicObject* Control(int32_t id) { return strip->FindObject(id); }

  std::unique_ptr<controltest::Bench> bench;
  MainInterfaceScreen* strip = nullptr;
  std::vector<int32_t> sounds;

 private:
  // One picture (frames > 1: numbered frame files merged into one).
  void Picture(std::vector<std::string>& lines, int32_t id, int32_t width, int32_t height, int32_t frames,
               const std::function<uint32_t(int32_t, int32_t, int32_t)>& colour) {
    const auto it = spoil.find(id);
    if (it != spoil.end() && it->second.empty()) return;
    if (it != spoil.end() && it->second == "small") width = height = 10;
    const std::string base = "pic/p" + std::to_string(id) + "f";
    for (int32_t f = 1; f <= frames; ++f) {
      const std::string name = base + (f < 10 ? "0" : "") + std::to_string(f) + ".bmp";
      WriteFile(name, Bmp24(width, height, [&](int32_t x, int32_t y) { return colour(f - 1, x, y); }));
    }
    lines.push_back(std::to_string(id) + " 10 \"" + Path(base + "01.bmp") + "\" " + (frames > 1 ? "3" : "2") +
                    " 0 0 2 255 0 255");
  }

  void RegionPicture(std::vector<std::string>& lines, int32_t id) {
    const auto it = spoil.find(id);
    if (it != spoil.end() && it->second.empty()) return;
    const std::string name = "pic/r" + std::to_string(id) + ".bmp";
    if (it != spoil.end() && it->second == "rgb") {
      WriteFile(name, Bmp24(kSelectorWidth, kSelectorHeight,
                            [](int32_t x, int32_t y) { return SelectorRegion(x, y) * 0x101010u; }));
      lines.push_back(std::to_string(id) + " 10 \"" + Path(name) + "\" 2");
      return;
    }
    const int32_t size = it != spoil.end() && it->second == "small" ? 10 : 0;
    WriteFile(name, Bmp8(size != 0 ? size : kSelectorWidth, size != 0 ? size : kSelectorHeight, SelectorRegion));
    lines.push_back(std::to_string(id) + " 10 \"" + Path(name) + "\" 34 0 8");
  }

  void BuildInterfaceArchive() {
    const std::string tool = testsupport::BuildDir() + "/tools/ostrevan-tool";
    std::vector<std::string> lines = {
        "504 -11 \"DejaVu Sans\" 11 0", "524 -11 \"DejaVu Sans\" 11 0",
        "508 -11 \"DejaVu Serif\" 13 0", "528 -11 \"DejaVu Serif\" 13 0",
    };
    const auto solid = [](uint32_t c) {
      return [c](int32_t, int32_t, int32_t) { return c; };
    };
    Picture(lines, 200, 688, 53, 1, [](int32_t, int32_t x, int32_t y) {
      return y < 4 ? 0xC8A040u : (((x / 8) % 2) != 0 ? 0x5A3A1Eu : 0x4A2E16u);
    });
    for (int32_t id : {201, 203, 204, 250, 252, 253}) Picture(lines, id, 24, 26, 1, solid(0x102030u * (id % 7 + 1)));
    for (int32_t id : {207, 209, 210}) Picture(lines, id, 22, 22, 1, solid(0x302010u * (id % 5 + 1)));
    for (int32_t first : {218, 223, 228, 233}) {
      for (int32_t k = 0; k < 4; ++k) Picture(lines, first + k, 23, 30, 1, solid(0x203040u + 0x101010u * k));
    }
    Picture(lines, 240, 10, 20, 1, solid(0xE0E0E0));
    Picture(lines, 299, kSelectorWidth, kSelectorHeight, kTurnFrames, [](int32_t f, int32_t x, int32_t) {
      const int32_t half = 36 * (8 - (f < 8 ? f : 16 - f)) / 8;  // a coin turning
      return x >= 36 - half && x < 36 + half ? 0xB08030u : 0xFF00FFu;
    });
    for (int32_t s = 0; s < 4; ++s) {
      Picture(lines, 300 + s, kSelectorWidth, kSelectorHeight, kStripFrames, [s](int32_t f, int32_t x, int32_t y) {
        return SelectorRegion(x, y) == 0 ? 0x3A2412u : 0x404040u + 0x100800u * static_cast<uint32_t>(f) + 0x20u * s;
      });
      Picture(lines, 304 + s, kSelectorWidth, kSelectorHeight, kStripFrames, [](int32_t f, int32_t, int32_t) {
        return 0xF0E080u - 0x080400u * static_cast<uint32_t>(f);
      });
      RegionPicture(lines, 308 + s);
    }
    for (int32_t n = 0; n <= 4; ++n) {
      Picture(lines, 320 + n, kSelectorWidth, kSelectorHeight, 1, solid(0x808080u + 0x101010u * n));
    }
    std::string script;
    for (const std::string& line : lines) script += line + "\n";
    WriteFile("gui.txt", script);
    std::filesystem::create_directories(Path("Media"));
    const std::string out = testsupport::Capture("'" + tool + "' archive build '" + Path("gui.txt") + "' '" +
                                                 Path("Media/QV_GUI.msf") + "' 2>&1; echo \"exit=$?\"");
    ASSERT_NE(out.find("exit=0"), std::string::npos) << out;
  }
};

}  // namespace striptest
