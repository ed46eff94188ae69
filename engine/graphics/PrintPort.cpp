#include "engine/graphics/PrintPort.h"

#include "engine/graphics/VFont.h"
#include "platform/PdfDeviceContext.h"
#include "platform/PrintTarget.h"

namespace {

struct PrinterSettings {
  std::string path;
  int32_t dotsPerInch = 300;
  std::string documentName = "Ostrevan Haus";
  bool pathSet = false;
};

PrinterSettings& Settings() {
  static PrinterSettings settings;
  return settings;
}

std::string DefaultPrintPath() {
  if (Settings().pathSet) return Settings().path;
  return platform::DefaultPrintFile();
}

}  // namespace

void PrintPort::SetPrinterSettings(const std::string& path, int32_t dotsPerInch) {
  Settings().path = path;
  Settings().pathSet = !path.empty();
  Settings().dotsPerInch = dotsPerInch > 0 ? dotsPerInch : 300;
}

void PrintPort::SetDocumentName(const std::string& name) { Settings().documentName = name; }

PrintPort* PrintPort::OpenWithDialog() { return OpenDefault(); }

PrintPort* PrintPort::OpenDefault() {
  return new PrintPort(std::make_unique<platform::PdfDeviceContext>(DefaultPrintPath(), Settings().dotsPerInch));
}

PrintPort::PrintPort(std::unique_ptr<platform::PdfDeviceContext> printer)
    : DrawPort(static_cast<platform::DeviceContext*>(printer.get())), printer_(std::move(printer)),
      documentName_(Settings().documentName) {
  if (!printer_) return;
  startFailed_ = printer_->StartDocument(documentName_) < 1 ? 1 : 0;
  resolutionX_ = printer_->GetDeviceCaps(platform::DeviceCap::kLogPixelsX);
  resolutionY_ = printer_->GetDeviceCaps(platform::DeviceCap::kLogPixelsY);
  printableWidth_ = printer_->GetDeviceCaps(platform::DeviceCap::kHorzRes);
  printableHeight_ = printer_->GetDeviceCaps(platform::DeviceCap::kVertRes);
}

PrintPort::~PrintPort() {
  // What the port selected goes back before the printer goes away.
  ReleaseDeviceState();
  if (printer_) {
    if (aborted_ != 0) {
      printer_->AbortDocument();
    } else if (startFailed_ == 0) {
      if (pagesStarted_ == 0 || printer_->EndPage() > 0) {
        printer_->EndDocument();
      } else {
        printer_->AbortDocument();
      }
    }
    printer_.reset();
  }
}

bool PrintPort::NewPage() {
  if (!printer_) return false;
  if (pagesStarted_ > 0 && printer_->EndPage() < 1) {
    aborted_ = 1;
    return false;
  }
  if (printer_->StartPage() > 0) {
    ++pagesStarted_;
    return true;
  }
  aborted_ = 1;
  return false;
}

void PrintPort::FillRect(const VRect& rect, const VRGBColor* fill, const VRGBColor* frame, int32_t frameWidth,
                         int16_t fillMode, int16_t frameMode) {
  DrawPort::FillRect(ScaleRect(rect), fill, frame, frameWidth, fillMode, frameMode);
}

void PrintPort::FillEllipse(const VRect& rect, const VRGBColor* fill, const VRGBColor* frame, int32_t frameWidth,
                            int16_t fillMode, int16_t frameMode) {
  DrawPort::FillEllipse(ScaleRect(rect), fill, frame, frameWidth, fillMode, frameMode);
}

void PrintPort::DrawLine(const VPoint& from, const VPoint& to, const VRGBColor* color, int32_t width) {
  DrawPort::DrawLine(VPoint(ScaleX(from.x), ScaleY(from.y)), VPoint(ScaleX(to.x), ScaleY(to.y)), color, width);
}

void PrintPort::DrawText(const char* text, int32_t length, int32_t x, int32_t y, VFont* font, const VRGBColor* color,
                         bool transparent, const VRect* clip) {
  if (dc_ == nullptr) return;
  if (font != nullptr && font->IsSystemFont()) {
    // The clip rectangle stays in points: the clip region scales it.
    DrawPort::DrawText(text, length, ScaleX(x), ScaleY(y), font->GetPrinterFont(resolutionY_), color, transparent,
                       clip);
  } else if (font == nullptr && IsSystemFontCurrent()) {
    // The current system font is already printer-sized (SetFont).
    DrawPort::DrawText(text, length, ScaleX(x), ScaleY(y), nullptr, color, transparent, clip);
  } else {
    DrawPort::DrawText(text, length, x, y, font, color, transparent, clip);
  }
}

int32_t PrintPort::GetTextWidth(const char* text, int32_t length, VFont* font) {
  if (text == nullptr) return 0;
  const bool systemFont = font != nullptr ? font->IsSystemFont() : IsSystemFontCurrent();
  if (!systemFont) return DrawPort::GetTextWidth(text, length, font);
  SetFont(font);
  const int64_t width = DrawPort::GetTextWidth(text, length, nullptr);
  return resolutionX_ > 0 ? static_cast<int32_t>(width * 72 / resolutionX_) : 0;
}

void PrintPort::SetFont(VFont* font) {
  if (font == nullptr) return;
  // Picture fonts have no printer copy and are made current as they are.
  DrawPort::SetFont(font->IsSystemFont() ? font->GetPrinterFont(resolutionY_) : font);
}
