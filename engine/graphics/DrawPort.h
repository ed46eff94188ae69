// DrawPort: what every drawing of the display tree goes through. It wraps a
// device context (a window's, one made over a pixel map's pixels, or one
// handed in) and offers filled and framed rectangles and ellipses, lines,
// text in system or picture fonts, text measurement, soft-edged text and the
// drawing of pixel maps. PrintPort (PrintPort.h) is its printer variant.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/VGeometry.h"
#include "platform/PixelBuffer.h"

namespace platform {
class DeviceContext;
class Font;
class RasterDeviceContext;
}  // namespace platform

class PixelMap;
class PixelMapLock;
class VAlphaChannel;
class VColorTable;
class VFont;

// What a port needs of a window (the window layer implements it): its device
// context, taken and given back, and its current off-screen pixel map.
class DrawPortWindow {
 public:
  virtual ~DrawPortWindow() = default;
  // The window's device context (owned by the window), or null.
  virtual platform::DeviceContext* GetPortDC() = 0;
  virtual void ReleasePortDC(platform::DeviceContext* dc) = 0;
  // The current off-screen map (owned by the window), or null.
  virtual PixelMap* GetOffscreenPixelMap() = 0;
};

// Fill and frame modes of FillRect and FillEllipse.
inline constexpr int16_t kDrawModeNone = 3;    // draw nothing for this part
inline constexpr int16_t kDrawModeInvert = 5;  // invert (rectangles)

class DrawPort {
 public:
  // A port on a device context that the caller owns (null: a port without one).
  explicit DrawPort(platform::DeviceContext* dc);
  // A port on a window's device context, taken now and released at the end.
  explicit DrawPort(DrawPortWindow* window);
  // A port on a pixel map, kept locked for the port's life, drawing through a
  // device context over the map's pixels.
  explicit DrawPort(PixelMap* map);
  virtual ~DrawPort();
  DrawPort(const DrawPort&) = delete;
  DrawPort& operator=(const DrawPort&) = delete;

  virtual bool IsPrinting() const { return false; }
  // Fills (colour, or inversion in mode 5; nothing in mode 3 or without a
  // colour) and frames (pen inside the rectangle, width at least 1).
  virtual void FillRect(const VRect& rect, const VRGBColor* fill, const VRGBColor* frame, int32_t frameWidth,
                        int16_t fillMode, int16_t frameMode);
  virtual void FillEllipse(const VRect& rect, const VRGBColor* fill, const VRGBColor* frame, int32_t frameWidth,
                           int16_t fillMode, int16_t frameMode);
  // A line in the colour (black when null), the end point left out at width 1.
  virtual void DrawLine(const VPoint& from, const VPoint& to, const VRGBColor* color, int32_t width);
  // Text with its baseline at y, in the font (the current one when null), in
  // the colour (the current text colour when null), opaque or transparent,
  // limited to the clip rectangle when one is given.
  virtual void DrawText(const char* text, int32_t length, int32_t x, int32_t y, VFont* font, const VRGBColor* color,
                        bool transparent, const VRect* clip);
  virtual void DrawPixelMap(PixelMap* map, const VRect& source, const VRect& destination);
  virtual int32_t GetTextWidth(const char* text, int32_t length, VFont* font);
  virtual void SetFont(VFont* font);

  void DrawString(const char* text, int32_t x, int32_t y, VFont* font, const VRGBColor* color, bool transparent,
                  const VRect* clip);
  int32_t GetStringWidth(const char* text, VFont* font);
  uint16_t GetFontAscent(VFont* font);
  uint16_t GetFontDescent(VFont* font);
  // The part of a system font's cell above its character height, where the
  // accents of capitals reach; 0 for picture fonts.
  uint16_t GetFontInternalLeading(VFont* font);
  // Soft-edged text: a coverage channel of the text's width and the font's
  // size, rendered 2^shift times larger and averaged; `topRows` more rows
  // above it (the baseline moves down by as many) keep what reaches above
  // the character height. The caller owns (and releases) the result; null on
  // any failure or for a shift outside 0..3.
  VAlphaChannel* DrawSmoothText(const char* text, int32_t length, VFont* font, int32_t shift, int32_t topRows = 0);

  // The drawing rectangle the display tree pushes and pops.
  bool PushDrawRect(const VRect& rect, VRect& previous);
  void PopDrawRect(const VRect& previous);
  const VRect& GetDrawRect() const { return drawRect_; }

  // The device context (owned by the port or its creator), or null.
  platform::DeviceContext* GetDC() const { return dc_; }
  DrawPortWindow* GetWindow() const { return window_; }
  // The port's own map, else the window's off-screen map, else null.
  PixelMap* GetPixelMap() const;
  bool HasPixelMap() const { return pixelMap_ != nullptr; }
  // Resolution of the device in dots per inch (96 on screens; 0 without a DC).
  int32_t GetResolutionX() const;
  int32_t GetResolutionY() const;

  // Font state, as the font selection scopes read and restore it.
  VFont* GetCurrentSystemFont() const { return currentSystemFont_; }
  VFont* GetCurrentPictureFont() const { return currentPictureFont_; }
  void SetCurrentPictureFont(VFont* font) { currentPictureFont_ = font; }
  bool IsSystemFontCurrent() const { return systemFontCurrent_ != 0; }
  void SetSystemFontCurrent(bool current) { systemFontCurrent_ = current ? 1 : 0; }

 protected:
  // Puts back what the port selected into its device context and forgets the
  // context; a derived port that owns its context calls it before deleting it.
  void ReleaseDeviceState();

  platform::DeviceContext* dc_ = nullptr;

 private:
  void SelectColorTablePalette();

  DrawPortWindow* window_ = nullptr;
  VFont* currentSystemFont_ = nullptr;
  std::shared_ptr<platform::Font> firstPreviousFont_;
  bool fontSaved_ = false;
  VFont* currentPictureFont_ = nullptr;
  uint8_t systemFontCurrent_ = 1;
  PixelMap* pixelMap_ = nullptr;
  PixelMapLock* mapLock_ = nullptr;
  VColorTable* colorTable_ = nullptr;
  VRect drawRect_;
  int32_t nesting_ = 0;
  std::unique_ptr<platform::RasterDeviceContext> ownDC_;
  std::unique_ptr<platform::PixelPalette> previousPalette_;
  bool paletteSelected_ = false;
};

// Draws a rectangle of the map through the port: into the port's pixel map
// (with the map's transparency), onto the port's window, or stretched onto
// its device context with the destination in points (printing).
void DrawPixelMapToPort(PixelMap& map, DrawPort& port, const VRect& source, const VRect& destination);

// The pixel layout of a map's format code for the device contexts; false for
// a format they do not draw.
bool PixelFormatToLayout(int32_t depth, int32_t pixelFormat, platform::PixelLayout& layout, bool& bigEndianWords);
// The device-context view of a locked map's pixels (rows top to bottom); an
// invalid buffer when the map has no pixels or an unknown layout.
platform::PixelBuffer PixelMapToBuffer(const PixelMap& map);
// The colours of a colour table for the device contexts.
platform::PixelPalette ColorTableToPalette(const VColorTable& table);
// The coverage (0..63) of one output pixel of DrawSmoothText: n of the
// 4^shift scratch pixels under it differ from the background.
int32_t SmoothTextCoverage(int32_t covered, int32_t shift);
