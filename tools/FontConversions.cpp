#include "tools/FontConversions.h"

#include <algorithm>

#include "engine/archive/BuilderConversions.h"
#include "engine/controls/FontRecord.h"
#include "engine/controls/VPictureFont.h"
#include "engine/core/MediaTypes.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/RawImageFile.h"

namespace {

// Sets the glyph smoothing for a conversion and puts the previous level back.
class ScopedSmoothing {
 public:
  explicit ScopedSmoothing(int32_t level) : previous_(SetPictureFontSmoothing(level)) {}
  ~ScopedSmoothing() { SetPictureFontSmoothing(previous_); }
  ScopedSmoothing(const ScopedSmoothing&) = delete;
  ScopedSmoothing& operator=(const ScopedSmoothing&) = delete;

 private:
  int32_t previous_;
};

VRGBColor ColorFromParams(const BuildMediaLine& line, int first) {
  return VRGBColor(static_cast<uint8_t>(line.Param(first)), static_cast<uint8_t>(line.Param(first + 1)),
                   static_cast<uint8_t>(line.Param(first + 2)));
}

// P9: -1 renders without smoothing, 0 asks for the finest; then 0..3.
int32_t SmoothingFromParam(int32_t p9) {
  if (p9 == -1) return 0;
  if (p9 == 0) return 3;
  return std::clamp(p9, 0, 3);
}

class PictureFontConversion : public BuilderConversion {
 public:
  bool Convert(ConversionContext& context, BuildRecord& record) override;

 private:
  static bool WriteColorStrip(ConversionContext& context, VPicture& glyphs, const VRGBColor& text,
                              const VRGBColor& background);
};

bool PictureFontConversion::WriteColorStrip(ConversionContext& context, VPicture& glyphs, const VRGBColor& text,
                                            const VRGBColor& background) {
  const VRect bounds(0, 0, glyphs.GetWidth(), glyphs.GetHeight());
  auto* canvas = new VPicture(bounds, 24, nullptr);
  PixelMap* map = canvas->GetPixelMap();
  bool ok = map != nullptr && map->HasStorage();
  if (ok) {
    {
      DrawPort port(map);
      port.FillRect(bounds, &background, nullptr, 1, 0, 0);
      glyphs.SetColor(text);
      glyphs.Draw(&port, bounds, nullptr);
    }
    if (map->IsDibSection()) {
      map->FlipVertically();
      map->SetDibSection(false);
    }
    VRawImageWriter writer(context.archive);
    ok = writer.WriteImage(-1, *map, 1, -2, -1, 1) == 0;
  }
  canvas->Release();
  return ok;
}

bool PictureFontConversion::Convert(ConversionContext& context, BuildRecord& record) {
  const BuildMediaLine& line = *context.line;
  BuildLog& log = *context.log;
  VRGBColor text = ColorFromParams(line, 3);
  const VRGBColor background = ColorFromParams(line, 6);
  const VRGBColor black(0, 0, 0);
  if (text == black && background == black) text = VRGBColor(255, 255, 255);
  const int32_t size = line.Param(1) != 0 ? line.Param(1) : 12;
  const int32_t style = line.Param(2);
  ScopedSmoothing smoothing(SmoothingFromParam(line.Param(9)));

  // The strip takes the system font's whole cell, internal leading included:
  // cut at the character height, capitals lose their accents ("Ö" drawn as
  // "O"). The font list owns the picture font.
  VFont* system = FindOrCreateFont(line.source.GetChars(), size, style, nullptr, true);
  auto* pictureFont = system != nullptr ? new VPictureFont(*system, true) : nullptr;
  if (pictureFont == nullptr) {
    log.Line("Build aborted: Couldn't create font");
    return false;
  }
  VPicture* glyphs = pictureFont->GetPicture();
  if (glyphs == nullptr) {
    log.Line("Build aborted: Couldn't get font picture");
    return false;
  }
  const int64_t before = context.archive->GetPosition();
  bool ok;
  if (line.code == kFontAlphaCode) {
    ok = glyphs->WriteAlphaData(*context.archive, false, true) == 0;
    record.entry.type = MakeTypeCode("RAX ");
    record.note.Append(" (created PictureFont)");
  } else {
    ok = WriteColorStrip(context, *glyphs, text, background);
    record.entry.type = MakeTypeCode("RIX ");
    record.note.Append(" (created font bitmap)");
  }
  glyphs->Release();
  if (!ok) {
    log.Text("Build aborted: Couldn't write the glyphs of the font ").Quoted(line.source).LineEnd();
    return false;
  }
  record.entry.size = static_cast<uint32_t>(context.archive->GetPosition() - before);

  // The metrics, measured through a port on a small 16-bit map.
  FontRecord metrics;
  {
    PixelMap scratch(VRect(0, 0, 1, 1), 16, nullptr, nullptr, nullptr, PixelMap::kStorageDib);
    DrawPort port(&scratch);
    metrics.descent = pictureFont->GetDescent(&port);
    metrics.ascent = static_cast<int16_t>(pictureFont->GetSize() - metrics.descent);
    const uint8_t* widths = pictureFont->GetCharWidths(&port);
    std::copy(widths, widths + 256, metrics.widths);
  }
  metrics.name = line.source.GetChars() != nullptr ? line.source.GetChars() : "";
  metrics.style = style;
  BuildRecord* fontRecord = context.fontRecord;
  const int64_t recordStart = context.archive->GetPosition();
  if (WriteFontRecord(*context.archive, metrics) < 0) {
    log.Line("Build aborted: Couldn't write to server file.");
    return false;
  }
  record.note.Append(" (created fontinfo) ");
  if (fontRecord != nullptr) {
    fontRecord->entry.type = MakeTypeCode("FONT");
    fontRecord->entry.offset = static_cast<uint32_t>(recordStart);
    fontRecord->entry.size = static_cast<uint32_t>(context.archive->GetPosition() - recordStart);
  }
  return true;
}

}  // namespace

void RegisterFontConversions() {
  static PictureFontConversion alpha;
  static PictureFontConversion bitmap;
  static bool registered = false;
  if (registered) return;
  registered = true;
  SetBuilderConversion(kFontAlphaCode, &alpha);
  SetBuilderConversion(kFontBitmapCode, &bitmap);
}
