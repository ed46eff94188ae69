// PrintPort: the printer variant of DrawPort. Coordinates are points (1/72
// inch) scaled to the printer's resolution; pages are written as a PDF file
// (the printer stand-in), one page per NewPage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/graphics/DrawPort.h"

namespace platform {
class PdfDeviceContext;
}

class PrintPort : public DrawPort {
 public:
  // There is no print dialog: both open the default printer, a PDF file at
  // the path and resolution of SetPrinterSettings. The caller deletes the port.
  static PrintPort* OpenWithDialog();
  static PrintPort* OpenDefault();
  // The default printer's output file and resolution. Initially the file
  // named by the environment variable OSTREVAN_PRINT_FILE, else
  // "ostrevan-print.pdf" in the working folder, at 300 dots per inch.
  static void SetPrinterSettings(const std::string& path, int32_t dotsPerInch);
  // The document name of print jobs (the application's name).
  static void SetDocumentName(const std::string& name);

  // Starts the document on the printer (the port owns it).
  explicit PrintPort(std::unique_ptr<platform::PdfDeviceContext> printer);
  // Ends the last page and the document, or aborts a failed job.
  ~PrintPort() override;

  // Ends the previous page (when one was started) and starts a new one.
  bool NewPage();

  bool IsPrinting() const override { return true; }
  void FillRect(const VRect& rect, const VRGBColor* fill, const VRGBColor* frame, int32_t frameWidth,
                int16_t fillMode, int16_t frameMode) override;
  void FillEllipse(const VRect& rect, const VRGBColor* fill, const VRGBColor* frame, int32_t frameWidth,
                   int16_t fillMode, int16_t frameMode) override;
  void DrawLine(const VPoint& from, const VPoint& to, const VRGBColor* color, int32_t width) override;
  void DrawText(const char* text, int32_t length, int32_t x, int32_t y, VFont* font, const VRGBColor* color,
                bool transparent, const VRect* clip) override;
  int32_t GetTextWidth(const char* text, int32_t length, VFont* font) override;
  void SetFont(VFont* font) override;

  bool HasStartFailed() const { return startFailed_ != 0; }
  bool IsAborted() const { return aborted_ != 0; }
  int32_t GetPagesStarted() const { return pagesStarted_; }
  int32_t GetPrintableWidth() const { return printableWidth_; }
  int32_t GetPrintableHeight() const { return printableHeight_; }

 private:
  int32_t ScaleX(int32_t x) const { return static_cast<int32_t>(int64_t{x} * resolutionX_ / 72); }
  int32_t ScaleY(int32_t y) const { return static_cast<int32_t>(int64_t{y} * resolutionY_ / 72); }
  VRect ScaleRect(const VRect& r) const { return VRect(ScaleX(r.left), ScaleY(r.top), ScaleX(r.right), ScaleY(r.bottom)); }

  std::unique_ptr<platform::PdfDeviceContext> printer_;
  uint8_t startFailed_ = 1;
  uint8_t aborted_ = 0;
  int32_t pagesStarted_ = 0;
  int32_t resolutionX_ = 72;
  int32_t resolutionY_ = 72;
  int32_t printableWidth_ = 0;
  int32_t printableHeight_ = 0;
  std::string documentName_;
};
