// Test support of the photo screens: the tour's small archives (built in a
// temporary folder, category tables and visit history in memory), pictures
// written as BMP files here (24-bit photographs, 8-bit masks whose palette
// index is the region value), a 640 x 480 bench window on a fake clock that
// moves only when told, the main screen's caption line logged, and the
// sounds that are triggered.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/core/VString.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/TitleSoundTable.h"
#include "title/tour/TourTestSupport.h"

namespace phototest {

using tourtest::Code;
using tourtest::Item;

inline std::string Str(const VString& text) { return text.GetChars() != nullptr ? text.GetChars() : ""; }

inline void PutLittle(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A bottom-up BMP: 24-bit from an RGB function, or 8-bit with a grey
// palette (index i is (i, i, i)) from an index function.
inline std::string Bmp(int32_t width, int32_t height, int32_t bits, const std::function<uint32_t(int32_t, int32_t)>& pixel) {
  const int32_t rowBytes = ((width * bits / 8) + 3) & ~3;
  const uint32_t paletteBytes = bits == 8 ? 256 * 4 : 0;
  const uint32_t offset = 14 + 40 + paletteBytes;
  std::string out = "BM";
  PutLittle(out, offset + static_cast<uint32_t>(rowBytes * height), 4);
  PutLittle(out, 0, 4);
  PutLittle(out, offset, 4);
  PutLittle(out, 40, 4);
  PutLittle(out, static_cast<uint32_t>(width), 4);
  PutLittle(out, static_cast<uint32_t>(height), 4);
  PutLittle(out, 1, 2);
  PutLittle(out, static_cast<uint32_t>(bits), 2);
  PutLittle(out, 0, 4);
  PutLittle(out, static_cast<uint32_t>(rowBytes * height), 4);
  PutLittle(out, 2835, 4);
  PutLittle(out, 2835, 4);
  PutLittle(out, bits == 8 ? 256 : 0, 4);
  PutLittle(out, 0, 4);
  for (uint32_t i = 0; i < paletteBytes / 4; ++i) PutLittle(out, i | (i << 8) | (i << 16), 4);
  for (int32_t y = height - 1; y >= 0; --y) {
    std::string row;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t value = pixel(x, y);
      if (bits == 8) {
        row.push_back(static_cast<char>(value & 0xFF));
      } else {
        row.push_back(static_cast<char>(value & 0xFF));          // blue
        row.push_back(static_cast<char>((value >> 8) & 0xFF));   // green
        row.push_back(static_cast<char>((value >> 16) & 0xFF));  // red
      }
    }
    row.resize(static_cast<size_t>(rowBytes), '\0');
    out += row;
  }
  return out;
}

inline std::string SolidBmp(int32_t width, int32_t height, uint32_t rgb) {
  return Bmp(width, height, 24, [rgb](int32_t, int32_t) { return rgb; });
}

// Regions side by side: columns of width / count, values 0 (none) to count - 1.
inline std::string StripeMask(int32_t width, int32_t height, int32_t count) {
  return Bmp(width, height, 8, [width, count](int32_t x, int32_t) { return static_cast<uint32_t>(x * count / width); });
}

class LoggingMainScreen : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return panel; }
  void SetCaption(const VString& text, bool shown, bool keep) override {
    captions.push_back(Str(text) + (shown ? " [seen]" : "") + (keep ? " [keep]" : ""));
  }
  VGraphicObject* panel = nullptr;
  std::vector<std::string> captions;
};

class PhotoFixture : public tourtest::TourFixture {
 protected:
  explicit PhotoFixture(std::vector<std::string> tools = {"python3"}) : TourFixture(std::move(tools)) {}

  void SetUp() override {
    TourFixture::SetUp();
    if (HasFatalFailure()) return;
    bench = std::make_unique<controltest::Bench>(640, 480);
    // Time moves only when a test moves it.
    bench->clock().SetStepPerRead(0);
    screen.panel = bench->recorder;
    InstallMainScreenServices(&screen);
    InstallTitleSoundTable().SetTriggerListener([this](int32_t index) { sounds.push_back(index); });
  }

  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    InstallMainScreenServices(nullptr);
    DestroySoundManager();
    TourFixture::TearDown();
  }

  void SetEntry(int32_t table, int32_t number, int32_t base) {
    ASSERT_TRUE(tables_.SetCategoryEntry(table, number, static_cast<uint32_t>(base)));
  }
  // Idle passes `step` ms apart for `ms` milliseconds.
  void Run(int32_t ms, int32_t step = 5) {
    for (int32_t t = 0; t < ms; t += step) {
      bench->clock().AdvanceMilliseconds(static_cast<uint64_t>(step));
      bench->Idle();
    }
  }
  // Idle passes until the log holds the entry (at most `ms` milliseconds);
  // the milliseconds it took, -1 when it never came.
  int32_t RunUntil(const std::string& entry, int32_t ms = 5000, int32_t step = 5) {
    for (int32_t t = 0; t <= ms; t += step) {
      if (Count(entry) > 0) return t;
      bench->clock().AdvanceMilliseconds(static_cast<uint64_t>(step));
      bench->Idle();
    }
    return -1;
  }
  int Count(const std::string& entry) const {
    int n = 0;
    for (const std::string& e : bench->log) n += e == entry ? 1 : 0;
    return n;
  }

  std::unique_ptr<controltest::Bench> bench;
  LoggingMainScreen screen;
  std::vector<int32_t> sounds;
};

}  // namespace phototest
