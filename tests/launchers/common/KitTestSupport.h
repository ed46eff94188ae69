// Test support for the launchers' dialog kit: BMP files made in memory,
// placeholder bitmap resources of the sizes the launchers' dialogs use,
// platform messages fed to a kit window, and pictures written as PPM.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "launchers/common/Resources.h"
#include "launchers/common/Window.h"
#include "platform/Window.h"
#include "platform/WindowMessage.h"

namespace kittest {

// A 24-bit bottom-up BMP file of the pixels (0x00RRGGBB) a function gives.
inline std::vector<uint8_t> MakeBmp24(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& pixel) {
  const int32_t rowBytes = (width * 3 + 3) & ~3;
  const uint32_t dataSize = static_cast<uint32_t>(rowBytes * height);
  std::vector<uint8_t> b(54 + dataSize, 0);
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = 24;
  put32(34, dataSize);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = b.data() + 54 + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(rowBytes);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t p = pixel(x, y);
      row[x * 3] = static_cast<uint8_t>(p);
      row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
    }
  }
  return b;
}

// A placeholder picture: a solid colour with a one-pixel dark frame and a
// diagonal stripe, so positions and states can be told apart.
inline std::vector<uint8_t> Placeholder(int32_t width, int32_t height, uint32_t color) {
  return MakeBmp24(width, height, [=](int32_t x, int32_t y) -> uint32_t {
    if (x == 0 || y == 0 || x == width - 1 || y == height - 1) return 0x202020;
    if ((x + y) % 16 == 0) return 0xFFFFFF;
    return color;
  });
}

// The colour of a placeholder by its resource id.
inline uint32_t PlaceholderColor(int32_t id) {
  const uint32_t h = static_cast<uint32_t>(id) * 2654435761u;
  return ((h >> 8) & 0xC0C0C0) | 0x303030;
}

// Registers placeholder bitmaps for the launchers' resources, at the sizes
// the dialogs use, and the hand cursor 155.
inline void RegisterLauncherPlaceholders() {
  struct Size {
    int32_t first;
    int32_t last;
    int32_t width;
    int32_t height;
  };
  const Size sizes[] = {
      {130, 130, 640, 480}, {165, 165, 640, 480}, {129, 129, 185, 42}, {131, 136, 185, 42}, {140, 150, 185, 42},
      {162, 164, 185, 42},  {166, 169, 185, 42},  {137, 139, 185, 70}, {151, 151, 185, 70}, {153, 154, 185, 70},
      {152, 152, 180, 246}, {158, 160, 178, 36},  {170, 170, 222, 42}, {174, 175, 222, 42}, {171, 173, 197, 42},
      {178, 180, 66, 61},
  };
  for (const Size& s : sizes) {
    for (int32_t id = s.first; id <= s.last; ++id) {
      kit::CResources::AddBitmap(id, Placeholder(s.width, s.height, PlaceholderColor(id)));
    }
  }
  kit::CResources::AddCursor(155, 32649);
}

// The setup launcher's title bitmap 129 is 288 x 20 there.
inline void RegisterSetupPlaceholders() {
  kit::CResources::AddBitmap(129, MakeBmp24(288, 20, [](int32_t x, int32_t y) -> uint32_t {
                               return (static_cast<uint32_t>(x * 255 / 287) << 16) | (static_cast<uint32_t>(y * 12) << 8) | 0x80;
                             }));
}

// Feeds a message of the window layer to a kit top-level window as the
// queue would deliver it.
inline void Feed(kit::CWindow& top, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  platform::Message m;
  m.window = top.Native() != nullptr ? top.Native()->GetHandle() : 0;
  m.message = code;
  m.wParam = wParam;
  m.lParam = lParam;
  top.HandleNativeMessage(m);
}

// A click at a point of a control (client coordinates of the control).
inline void Click(kit::CWindow& control, int32_t x, int32_t y) {
  kit::CWindow& top = *control.GetTopLevel();
  const platform::Point screen = control.ClientToScreen(platform::Point{x, y});
  const platform::Point local{screen.x - top.GetRect().left, screen.y - top.GetRect().top};
  Feed(top, platform::kMsgLButtonDown, 1, platform::MakePointParam(local.x, local.y));
  Feed(top, platform::kMsgLButtonUp, 0, platform::MakePointParam(local.x, local.y));
}

inline void Key(kit::CWindow& top, uint32_t key, bool alt = false) {
  Feed(top, alt ? platform::kMsgSysKeyDown : platform::kMsgKeyDown, key,
       platform::MakeKeyParam(alt ? platform::kKeyFlagAltDown : 0u));
}

// A long readme in code page 1252 (umlauts, typographic quotes, a dash).
inline std::string ReadmeText() {
  std::string text;
  for (int i = 1; i <= 120; ++i) {
    text += "Abschnitt " + std::to_string(i) + ": F\xFCr die Installation ben\xF6tigen Sie etwa 20 MB freien "
            "Speicherplatz; \x84Ostrevan Haus\x93 l\xE4uft unter Windows 95 \x96 Stra\xDF" "e.\r\n";
  }
  return text;
}

// Writes pixels (0x00RRGGBB) as a binary PPM.
inline bool WritePpm(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << " " << height << "\n255\n";
  for (uint32_t p : pixels) {
    const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
    out.write(rgb, 3);
  }
  return static_cast<bool>(out);
}

}  // namespace kittest
