// The device context the drawing ports draw through: selection state (pen,
// brush, font, text and background colours, background mode, text alignment,
// current position, rectangular clip) and the drawing operations, implemented
// by a software rasteriser over pixel memory (RasterDeviceContext) and a PDF
// page writer for printing (PdfDeviceContext). Coordinates are device pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/FontRasterizer.h"
#include "platform/PixelBuffer.h"

namespace platform {

enum class PenStyle : uint8_t {
  kNull,         // draws nothing
  kSolid,        // centred on the path
  kInsideFrame,  // frames of rectangles and ellipses lie inside the bounding rectangle
};

struct Pen {
  PenStyle style = PenStyle::kSolid;
  int32_t width = 1;
  Color color{};
};

// A brush fills the inside of rectangles and ellipses; a null brush leaves it.
struct Brush {
  bool null = false;
  Color color{255, 255, 255};
};

enum class BackgroundMode : uint8_t { kTransparent, kOpaque };
enum class TextAlign : uint8_t { kTop, kBaseline };

enum class DeviceCap : uint8_t {
  kLogPixelsX,   // dots per inch
  kLogPixelsY,
  kHorzRes,      // width in device pixels
  kVertRes,      // height in device pixels
  kBitsPixel,
  kRasterCaps,   // kRasterCap* bits
};
inline constexpr int32_t kRasterCapBitBlt = 0x0001;
inline constexpr int32_t kRasterCapStretchDib = 0x2000;

// The default resolution of screen and memory device contexts.
inline constexpr int32_t kScreenDotsPerInch = 96;

class DeviceContext {
 public:
  virtual ~DeviceContext() = default;
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  // Selection state. Every setter returns the previous value so that a caller
  // can put it back.
  Pen SelectPen(const Pen& pen);
  Brush SelectBrush(const Brush& brush);
  // The font is shared; null selects the default system font.
  std::shared_ptr<Font> SelectFont(std::shared_ptr<Font> font);
  Color SetTextColor(Color color);
  Color SetBackgroundColor(Color color);
  BackgroundMode SetBackgroundMode(BackgroundMode mode);
  TextAlign SetTextAlign(TextAlign align);
  Point MoveTo(Point point);

  const Pen& GetPen() const { return pen_; }
  const Brush& GetBrush() const { return brush_; }
  Color GetTextColor() const { return textColor_; }
  Color GetBackgroundColor() const { return backgroundColor_; }
  BackgroundMode GetBackgroundMode() const { return backgroundMode_; }
  TextAlign GetTextAlign() const { return textAlign_; }
  Point GetCurrentPosition() const { return position_; }
  // The selected font; the default system font when none was selected (null
  // only when no font at all can be loaded).
  std::shared_ptr<Font> GetFont();

  // Clipping: the clip box is the clip rectangle within the device area, or
  // the whole device area when there is no clip. False when the device has
  // no area to report.
  bool GetClipBox(Rect& box) const;
  // Replaces the clip rectangle (it is not intersected with the previous
  // one); null removes clipping.
  void SetClipRect(const Rect* rect);

  // Drawing.
  // Fills the rectangle with a colour, whatever the pen and brush.
  virtual void FillSolidRect(const Rect& rect, Color color) = 0;
  // Inverts every colour bit of the pixels of the rectangle.
  virtual void InvertRect(const Rect& rect) = 0;
  // A rectangle outlined with the pen and filled with the brush.
  virtual void DrawRectangle(const Rect& rect) = 0;
  // The ellipse inscribed in the rectangle, outlined and filled likewise.
  virtual void DrawEllipse(const Rect& rect) = 0;
  // A line from the current position to the point with the pen; the point
  // itself is not drawn by a one-pixel pen. The point becomes current.
  void LineTo(Point point);
  // Code page 1252 text at (x, y) in the text colour (the top of the text
  // cell or its baseline, by the alignment); an opaque background fills the
  // cell behind it with the background colour.
  void TextOut(int32_t x, int32_t y, const char* text, size_t length);
  // Width (sum of advances) and height (ascent + descent) of the text.
  bool GetTextExtent(const char* text, size_t length, int32_t& width, int32_t& height);
  // Metrics of the selected font; false when there is none.
  bool GetTextMetrics(FontMetrics& metrics);
  // Copies a rectangle of source pixels onto the destination rectangle,
  // scaling by nearest neighbour. Indexed sources take their colours from the
  // palette. False when nothing could be drawn.
  virtual bool StretchPixels(const Rect& destination, const Rect& source, const PixelBuffer& pixels,
                             const PixelPalette* palette) = 0;

  virtual int32_t GetDeviceCaps(DeviceCap cap) const = 0;

 protected:
  DeviceContext() = default;
  // The device area in device pixels.
  virtual Rect DeviceBounds() const = 0;
  // The clip box; empty when everything is clipped.
  Rect EffectiveClip() const;
  virtual void DrawLine(Point from, Point to) = 0;
  virtual void DrawText(int32_t x, int32_t baseline, const char* text, size_t length, Font& font) = 0;

 private:
  Pen pen_;
  Brush brush_;
  std::shared_ptr<Font> font_;
  std::shared_ptr<Font> defaultFont_;
  Color textColor_{0, 0, 0};
  Color backgroundColor_{255, 255, 255};
  BackgroundMode backgroundMode_ = BackgroundMode::kOpaque;
  TextAlign textAlign_ = TextAlign::kTop;
  Point position_{};
  std::optional<Rect> clip_;
};

// A software device context over pixel memory that the caller owns and keeps
// alive (and unmoved) for the context's life. Reports 96 dots per inch.
class RasterDeviceContext : public DeviceContext {
 public:
  // The palette (copied) maps colours to indexes of an indexed layout;
  // without one, indexed pixels take the grey level of the colour.
  explicit RasterDeviceContext(const PixelBuffer& buffer, const PixelPalette* palette = nullptr);

  const PixelBuffer& GetBuffer() const { return buffer_; }
  // Replaces the palette (null: none).
  void SetPalette(const PixelPalette* palette);
  // The palette in use (owned by the context), or null.
  const PixelPalette* GetPalette() const { return hasPalette_ ? &palette_ : nullptr; }

  void FillSolidRect(const Rect& rect, Color color) override;
  void InvertRect(const Rect& rect) override;
  void DrawRectangle(const Rect& rect) override;
  void DrawEllipse(const Rect& rect) override;
  bool StretchPixels(const Rect& destination, const Rect& source, const PixelBuffer& pixels,
                     const PixelPalette* palette) override;
  int32_t GetDeviceCaps(DeviceCap cap) const override;

 protected:
  Rect DeviceBounds() const override;
  void DrawLine(Point from, Point to) override;
  void DrawText(int32_t x, int32_t baseline, const char* text, size_t length, Font& font) override;

 private:
  uint32_t Pack(Color color) const;
  // Fills columns x0..x1-1 of row y, clipped.
  void Span(int32_t y, int32_t x0, int32_t x1, uint32_t value, const Rect& clip);
  void Plot(int32_t x, int32_t y, uint32_t value, const Rect& clip);

  PixelBuffer buffer_;
  PixelPalette palette_;
  bool hasPalette_ = false;
};

}  // namespace platform
