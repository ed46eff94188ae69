// Drawing for the launchers' dialog kit: a device context over a window's
// pixels with the origin and clip of the control being drawn, the classic
// 3-D colours, bevelled edges, and text laid out in rectangles (word
// wrapping, centring, '&' mnemonics).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"

namespace kit {

// The system colours of the classic look.
namespace colors {
constexpr platform::Color kFace{192, 192, 192};
constexpr platform::Color kLight{223, 223, 223};
constexpr platform::Color kHighlight{255, 255, 255};
constexpr platform::Color kShadow{128, 128, 128};
constexpr platform::Color kDarkShadow{0, 0, 0};
constexpr platform::Color kWindow{255, 255, 255};
constexpr platform::Color kText{0, 0, 0};
constexpr platform::Color kGrayText{128, 128, 128};
constexpr platform::Color kSelection{0, 0, 128};
constexpr platform::Color kCaption{0, 0, 128};
constexpr platform::Color kCaptionText{255, 255, 255};
}  // namespace colors

// A COLORREF value (0x00BBGGRR) as a colour.
inline platform::Color FromColorRef(uint32_t value) {
  return platform::Color{static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
                         static_cast<uint8_t>((value >> 16) & 0xFF)};
}

// Flags of DrawTextIn.
enum TextFlags : uint32_t {
  kTextLeft = 0,
  kTextCenter = 1u << 0,
  kTextVCenter = 1u << 1,   // single line only
  kTextSingleLine = 1u << 2,
  kTextWordBreak = 1u << 3,
  kTextNoPrefix = 1u << 4,
  kTextCalcRect = 1u << 5,  // measures only: the rectangle's right and bottom are set
  kTextHidePrefix = 1u << 6,
};

enum class Edge : uint8_t {
  kRaised,        // a button
  kSunken,        // an edit or list
  kPressed,       // a pushed button: dark frame with the shadow inside
  kThinSunken,    // one pixel (a progress bar, a static's border)
  kEtched,        // a group box's line
};

class DrawContext {
 public:
  // `origin` is where local (0, 0) lies in device pixels; `clip` (device
  // pixels) bounds everything drawn.
  DrawContext(platform::RasterDeviceContext& dc, platform::Point origin, const platform::Rect& clip);

  platform::RasterDeviceContext& Device() { return dc_; }
  platform::Point Origin() const { return origin_; }
  const platform::Rect& Clip() const { return clip_; }
  // A context for a part of this one: origin moved by the offset, clip cut
  // to the local rectangle.
  DrawContext Sub(const platform::Rect& local) const;

  void Fill(const platform::Rect& r, platform::Color c);
  void HorizontalLine(int32_t x0, int32_t x1, int32_t y, platform::Color c);  // x0..x1-1
  void VerticalLine(int32_t x, int32_t y0, int32_t y1, platform::Color c);    // y0..y1-1
  void Frame(const platform::Rect& r, platform::Color c);
  void Pixel(int32_t x, int32_t y, platform::Color c);
  void DrawEdge(const platform::Rect& r, Edge edge);
  // The dotted focus rectangle (every other pixel inverted).
  void FocusRect(const platform::Rect& r);
  // Top-down 32-bit pixels (0x00RRGGBB) of width x height drawn at (x, y);
  // a source part is chosen by `source` (pixels of the image).
  void Pixels(int32_t x, int32_t y, const uint32_t* pixels, int32_t width, int32_t height);

  // Text in the rectangle with the font and colour (transparent background).
  // Answers the height of the text laid out; with kTextCalcRect `r` receives
  // the measured rectangle and nothing is drawn.
  int32_t DrawTextIn(platform::Rect& r, const std::string& text, platform::Font& font, platform::Color color,
                     uint32_t flags);
  // Text drawn embossed (a disabled control's): highlight offset by one, then shadow.
  void DrawDisabledText(platform::Rect r, const std::string& text, platform::Font& font, uint32_t flags);

 private:
  void SelectClip();

  platform::RasterDeviceContext& dc_;
  platform::Point origin_;
  platform::Rect clip_;
};

// The text with '&' markers removed ("&&" stays one '&'), and the index of
// the underlined character in the result (-1 for none).
std::string StripMnemonic(const std::string& text, int32_t* underlined);
// The mnemonic character of a text, upper-cased, or 0.
char MnemonicOf(const std::string& text);

// Lines of a text wrapped into `width` pixels at spaces (a word longer
// than the width is broken); "\r\n", "\n" and "\r" end lines.
struct TextLine {
  size_t start = 0;
  size_t length = 0;
};
std::vector<TextLine> WrapText(const std::string& text, platform::Font& font, int32_t width);

}  // namespace kit
