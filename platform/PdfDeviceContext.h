// The printer stand-in: a device context that writes each printed page as a
// page of a PDF file through cairo, at a chosen resolution (300 dots per inch
// unless told otherwise) on an A4 page. Coordinates are printer dots.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/DeviceContext.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_font_face cairo_font_face_t;

namespace platform {

class PdfDeviceContext : public DeviceContext {
 public:
  // A printer writing to `path`. Nothing is created before StartDocument.
  PdfDeviceContext(std::string path, int32_t dotsPerInch = 300, double pageWidthInches = 8.27,
                   double pageHeightInches = 11.69);
  ~PdfDeviceContext() override;

  // The print job, in the order the printing code calls it. Each returns a
  // positive value on success and 0 or less on failure.
  int32_t StartDocument(const std::string& title);
  int32_t StartPage();
  int32_t EndPage();
  int32_t EndDocument();
  // Ends the job and removes what was written.
  void AbortDocument();

  const std::string& GetPath() const { return path_; }
  int32_t GetPagesEnded() const { return pagesEnded_; }

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
  // Opens a drawing scope with the clip applied; false when there is nothing
  // to draw on.
  bool Begin();
  void End();
  void SetSourceColor(Color color);
  cairo_font_face_t* FaceFor(Font& font);
  void Close();

  std::string path_;
  int32_t dpi_;
  int32_t widthDots_;
  int32_t heightDots_;
  double widthPoints_;
  double heightPoints_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool pageOpen_ = false;
  int32_t pagesEnded_ = 0;
  std::map<Font*, cairo_font_face_t*> faces_;
};

}  // namespace platform
