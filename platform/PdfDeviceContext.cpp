#include "platform/PdfDeviceContext.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace platform {

namespace {

const cairo_user_data_key_t kFontKey{};

void ReleaseFont(void* data) { delete static_cast<std::shared_ptr<Font>*>(data); }

void EllipsePath(cairo_t* cr, double cx, double cy, double a, double b) {
  if (a <= 0.0 || b <= 0.0) return;
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, a, b);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0.0, 0.0, 1.0, 0.0, 2.0 * std::numbers::pi);
  cairo_close_path(cr);
  cairo_restore(cr);
}

}  // namespace

PdfDeviceContext::PdfDeviceContext(std::string path, int32_t dotsPerInch, double pageWidthInches,
                                   double pageHeightInches)
    : path_(std::move(path)), dpi_(std::clamp(dotsPerInch, 1, 4800)) {
  widthPoints_ = std::clamp(pageWidthInches, 0.1, 200.0) * 72.0;
  heightPoints_ = std::clamp(pageHeightInches, 0.1, 200.0) * 72.0;
  widthDots_ = static_cast<int32_t>(widthPoints_ * dpi_ / 72.0);
  heightDots_ = static_cast<int32_t>(heightPoints_ * dpi_ / 72.0);
}

PdfDeviceContext::~PdfDeviceContext() { Close(); }

void PdfDeviceContext::Close() {
  for (auto& [font, face] : faces_) cairo_font_face_destroy(face);
  faces_.clear();
  if (cr_ != nullptr) cairo_destroy(cr_);
  cr_ = nullptr;
  if (surface_ != nullptr) {
    cairo_surface_finish(surface_);
    cairo_surface_destroy(surface_);
  }
  surface_ = nullptr;
  pageOpen_ = false;
}

int32_t PdfDeviceContext::StartDocument(const std::string& title) {
  if (surface_ != nullptr) return 0;
  surface_ = cairo_pdf_surface_create(path_.c_str(), widthPoints_, heightPoints_);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    return 0;
  }
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cr_ = cairo_create(surface_);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
    Close();
    std::remove(path_.c_str());
    return 0;
  }
  // Device coordinates are printer dots.
  cairo_scale(cr_, 72.0 / dpi_, 72.0 / dpi_);
  return 1;
}

int32_t PdfDeviceContext::StartPage() {
  if (cr_ == nullptr || pageOpen_) return 0;
  pageOpen_ = true;
  return 1;
}

int32_t PdfDeviceContext::EndPage() {
  if (cr_ == nullptr || !pageOpen_) return 0;
  cairo_show_page(cr_);
  pageOpen_ = false;
  ++pagesEnded_;
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}

int32_t PdfDeviceContext::EndDocument() {
  if (surface_ == nullptr) return 0;
  if (pageOpen_) EndPage();
  cairo_surface_flush(surface_);
  const bool ok = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
  Close();
  return ok ? 1 : 0;
}

void PdfDeviceContext::AbortDocument() {
  const bool started = surface_ != nullptr;
  Close();
  if (started) std::remove(path_.c_str());
}

Rect PdfDeviceContext::DeviceBounds() const { return Rect{0, 0, widthDots_, heightDots_}; }

int32_t PdfDeviceContext::GetDeviceCaps(DeviceCap cap) const {
  switch (cap) {
    case DeviceCap::kLogPixelsX:
    case DeviceCap::kLogPixelsY:
      return dpi_;
    case DeviceCap::kHorzRes:
      return widthDots_;
    case DeviceCap::kVertRes:
      return heightDots_;
    case DeviceCap::kBitsPixel:
      return 24;
    case DeviceCap::kRasterCaps:
      return kRasterCapBitBlt | kRasterCapStretchDib;
  }
  return 0;
}

bool PdfDeviceContext::Begin() {
  if (cr_ == nullptr) return false;
  const Rect clip = EffectiveClip();
  if (clip.IsEmpty()) return false;
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
  cairo_clip(cr_);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  return true;
}

void PdfDeviceContext::End() { cairo_restore(cr_); }

void PdfDeviceContext::SetSourceColor(Color c) {
  cairo_set_source_rgb(cr_, c.red / 255.0, c.green / 255.0, c.blue / 255.0);
}

void PdfDeviceContext::FillSolidRect(const Rect& rect, Color color) {
  if (rect.IsEmpty() || !Begin()) return;
  SetSourceColor(color);
  cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_fill(cr_);
  End();
}

void PdfDeviceContext::InvertRect(const Rect& rect) {
  if (rect.IsEmpty() || !Begin()) return;
  cairo_set_operator(cr_, CAIRO_OPERATOR_DIFFERENCE);
  cairo_set_source_rgb(cr_, 1.0, 1.0, 1.0);
  cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_fill(cr_);
  End();
}

void PdfDeviceContext::DrawRectangle(const Rect& rect) {
  if (rect.IsEmpty() || !Begin()) return;
  const Pen& pen = GetPen();
  const int32_t w = pen.style == PenStyle::kNull ? 0 : std::max(pen.width, 1);
  const double iw = std::max(0, rect.right - rect.left - 2 * w);
  const double ih = std::max(0, rect.bottom - rect.top - 2 * w);
  if (!GetBrush().null && iw > 0 && ih > 0) {
    SetSourceColor(GetBrush().color);
    cairo_rectangle(cr_, rect.left + w, rect.top + w, iw, ih);
    cairo_fill(cr_);
  }
  if (w > 0) {
    SetSourceColor(pen.color);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (iw > 0 && ih > 0) cairo_rectangle(cr_, rect.left + w, rect.top + w, iw, ih);
    cairo_fill(cr_);
  }
  End();
}

void PdfDeviceContext::DrawEllipse(const Rect& rect) {
  if (rect.IsEmpty() || !Begin()) return;
  const Pen& pen = GetPen();
  const int32_t w = pen.style == PenStyle::kNull ? 0 : std::max(pen.width, 1);
  const double cx = (rect.left + rect.right) / 2.0, cy = (rect.top + rect.bottom) / 2.0;
  const double a = (rect.right - rect.left) / 2.0, b = (rect.bottom - rect.top) / 2.0;
  if (!GetBrush().null) {
    SetSourceColor(GetBrush().color);
    EllipsePath(cr_, cx, cy, a - w, b - w);
    cairo_fill(cr_);
  }
  if (w > 0) {
    SetSourceColor(pen.color);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    EllipsePath(cr_, cx, cy, a, b);
    EllipsePath(cr_, cx, cy, a - w, b - w);
    cairo_fill(cr_);
  }
  End();
}

void PdfDeviceContext::DrawLine(Point from, Point to) {
  if (!Begin()) return;
  const Pen& pen = GetPen();
  SetSourceColor(pen.color);
  const int32_t w = std::max(pen.width, 1);
  cairo_set_line_width(cr_, w);
  cairo_set_line_cap(cr_, w > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  cairo_move_to(cr_, from.x + 0.5, from.y + 0.5);
  cairo_line_to(cr_, to.x + 0.5, to.y + 0.5);
  cairo_stroke(cr_);
  End();
}

cairo_font_face_t* PdfDeviceContext::FaceFor(Font& font) {
  auto it = faces_.find(&font);
  if (it != faces_.end()) return it->second;
  if (font.GetFace() == nullptr) return nullptr;
  cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(font.GetFace(), 0);
  if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face);
    return nullptr;
  }
  // The cairo face keeps the font (and so its FreeType face) alive for as
  // long as cairo holds it.
  auto* keep = new std::shared_ptr<Font>(font.shared_from_this());
  if (cairo_font_face_set_user_data(face, &kFontKey, keep, ReleaseFont) != CAIRO_STATUS_SUCCESS) {
    delete keep;
    cairo_font_face_destroy(face);
    return nullptr;
  }
  faces_[&font] = face;
  return face;
}

void PdfDeviceContext::DrawText(int32_t x, int32_t baseline, const char* text, size_t length, Font& font) {
  if (!Begin()) return;
  cairo_font_face_t* face = FaceFor(font);
  SetSourceColor(GetTextColor());
  int64_t pen = x;
  if (face != nullptr) {
    cairo_set_font_face(cr_, face);
    cairo_set_font_size(cr_, font.GetRequest().pixelHeight);
    std::vector<cairo_glyph_t> glyphs;
    glyphs.reserve(length);
    for (size_t i = 0; i < length; ++i) {
      const Glyph& g = font.GetGlyph(static_cast<uint8_t>(text[i]));
      glyphs.push_back(cairo_glyph_t{g.glyphIndex, static_cast<double>(pen), static_cast<double>(baseline)});
      pen += g.advance;
    }
    cairo_show_glyphs(cr_, glyphs.data(), static_cast<int>(glyphs.size()));
  } else {
    pen += font.GetTextWidth(text, length);
  }
  if (font.GetRequest().underline) {
    const FontMetrics& m = font.GetMetrics();
    cairo_rectangle(cr_, x, baseline + m.underlinePosition, static_cast<double>(pen - x), m.underlineThickness);
    cairo_fill(cr_);
  }
  End();
}

bool PdfDeviceContext::StretchPixels(const Rect& destination, const Rect& source, const PixelBuffer& pixels,
                                     const PixelPalette* palette) {
  if (!pixels.IsValid() || destination.IsEmpty() || source.IsEmpty()) return false;
  const Rect src = IntersectRects(source, Rect{0, 0, pixels.width, pixels.height});
  if (src.IsEmpty() || !Begin()) return false;
  const int32_t w = src.right - src.left, h = src.bottom - src.top;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    End();
    return false;
  }
  cairo_surface_flush(image);
  uint8_t* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  const int sbpp = LayoutBytesPerPixel(pixels.layout);
  for (int32_t y = 0; y < h; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* s = pixels.first + static_cast<ptrdiff_t>(src.top + y) * pixels.rowStep +
                         static_cast<ptrdiff_t>(src.left + x) * sbpp;
      const Color c = UnpackPixel(LoadPixel(s, pixels.layout, pixels.bigEndianWords), pixels.layout, palette);
      row[x] = (static_cast<uint32_t>(c.red) << 16) | (static_cast<uint32_t>(c.green) << 8) | c.blue;
    }
  }
  cairo_surface_mark_dirty(image);
  // The part of the source rectangle that lies in the pixels keeps its place
  // within the destination.
  const double sx = static_cast<double>(destination.right - destination.left) / (source.right - source.left);
  const double sy = static_cast<double>(destination.bottom - destination.top) / (source.bottom - source.top);
  cairo_rectangle(cr_, destination.left, destination.top, destination.right - destination.left,
                  destination.bottom - destination.top);
  cairo_clip(cr_);
  cairo_translate(cr_, destination.left + (src.left - source.left) * sx, destination.top + (src.top - source.top) * sy);
  cairo_scale(cr_, sx, sy);
  cairo_set_source_surface(cr_, image, 0.0, 0.0);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr_, 0, 0, w, h);
  cairo_fill(cr_);
  cairo_surface_destroy(image);
  End();
  return true;
}

}  // namespace platform
