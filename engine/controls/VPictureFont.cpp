#include "engine/controls/VPictureFont.h"

#include <algorithm>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/controls/FontRecord.h"
#include "engine/core/MediaTypes.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VPicture.h"

namespace {

constexpr uint32_t kGlyphPictureType = MakeTypeCode("RIX ");
constexpr uint32_t kGlyphAlphaType = MakeTypeCode("RAX ");
constexpr uint32_t kFontType = MakeTypeCode("FONT");
constexpr uint32_t kShortFontType = MakeTypeCode("RDX ");

int32_t gSmoothing = 3;

// The program-wide scratch target that system-font glyphs are measured and
// rendered with: an 8-bit map of 1 x 1, made on demand and deleted whenever a
// picture font goes.
PixelMap* gScratchMap = nullptr;

PixelMap* ScratchMap() {
  if (gScratchMap == nullptr) {
    gScratchMap = new PixelMap(VRect(0, 0, 1, 1), 8, nullptr, nullptr, nullptr, PixelMap::kStorageDib);
  }
  return gScratchMap;
}

// Makes an archive current for a scope and puts the previous one back.
class CurrentArchiveScope {
 public:
  explicit CurrentArchiveScope(MediaArchive* archive)
      : previous_(GetCurrentArchive()) {
    if (archive != nullptr) SetCurrentArchive(archive);
  }
  ~CurrentArchiveScope() {
    if (previous_ != nullptr) SetCurrentArchive(previous_);
  }
  CurrentArchiveScope(const CurrentArchiveScope&) = delete;
  CurrentArchiveScope& operator=(const CurrentArchiveScope&) = delete;

 private:
  MediaArchive* previous_;
};

// A black solid picture of the rectangle carrying the channel.
VPicture* SolidPictureWithAlpha(VAlphaChannel* channel, const VRect& bounds) {
  auto* picture = new VPicture(bounds, VRGBColor(0, 0, 0));
  PixelMapAttributes attributes;
  attributes.SetAlphaChannel(channel);
  picture->SetPixelAttributes(attributes);
  return picture;
}

// Cuts `destination` to `limit`, moving `source` by the same amounts.
void CutBoth(VRect& source, VRect& destination, const VRect& limit) {
  if (destination.left < limit.left) {
    source.left += limit.left - destination.left;
    destination.left = limit.left;
  }
  if (destination.top < limit.top) {
    source.top += limit.top - destination.top;
    destination.top = limit.top;
  }
  if (destination.right > limit.right) {
    source.right -= destination.right - limit.right;
    destination.right = limit.right;
  }
  if (destination.bottom > limit.bottom) {
    source.bottom -= destination.bottom - limit.bottom;
    destination.bottom = limit.bottom;
  }
}

}  // namespace

int32_t SetPictureFontSmoothing(int32_t level) {
  const int32_t previous = gSmoothing;
  gSmoothing = std::clamp(level, 0, 3);
  return previous;
}

int32_t GetPictureFontSmoothing() { return gSmoothing; }

// ---------------------------------------------------------------------------

VPictureFont::VPictureFont(uint16_t mediaId, uint16_t fontMediaId)
    : VPictureFont(mediaId, fontMediaId, ArchiveChoice::kCurrent) {}

VPictureFont::VPictureFont(uint16_t mediaId, uint16_t fontMediaId, ArchiveChoice choice) : VFont("", 0, 0) {
  mediaId_ = mediaId;
  measured_ = 1;
  rendered_.set();
  smoothing_ = gSmoothing;
  LoadFromArchive(mediaId, fontMediaId, choice);
}

void VPictureFont::LoadFromArchive(uint16_t mediaId, uint16_t fontMediaId, ArchiveChoice choice) {
  if (mediaId == 0) return;
  {
    MediaArchive* archive = choice == ArchiveChoice::kByMediaId ? GetArchiveForMedia(mediaId) : GetCurrentArchive();
    if (archive == nullptr) return;
    CurrentArchiveScope scope(archive);
    VFile file;
    uint32_t type = kGlyphPictureType;
    if (archive->OpenMedia(mediaId, file, type)) {
      if (type == kGlyphPictureType) {
        auto* picture = new VPicture(static_cast<PixelMap*>(nullptr));
        picture->ReadFromFile(file, type);
        if (picture->GetPixelMap() != nullptr && picture->GetPixelMap()->GetWidth() > 0) {
          picture_ = picture;
        } else {
          picture->Release();
        }
      } else if (type == kGlyphAlphaType) {
        auto* channel = new VAlphaChannel(mediaId);
        if (channel->GetPixelMap() != nullptr && channel->GetWidth() > 0 && channel->GetHeight() > 0) {
          picture_ = SolidPictureWithAlpha(channel, VRect(0, 0, channel->GetWidth(), channel->GetHeight()));
        }
        channel->Release();
      }
    }
  }
  if (picture_ != nullptr) size_ = picture_->GetHeight();

  const uint16_t metricsId = fontMediaId != 0 ? fontMediaId : mediaId;
  MediaArchive* archive = choice == ArchiveChoice::kByMediaId ? GetArchiveForMedia(metricsId) : GetCurrentArchive();
  if (archive == nullptr) return;
  VFile file;
  uint32_t type = kFontType;
  if (!archive->OpenMedia(metricsId, file, type)) return;
  if (type != kFontType && type != kShortFontType) return;
  if (!file.Open(1)) return;
  FontRecord record;
  if (!ReadFontRecord(file, type == kFontType, record)) return;
  ascent_ = record.ascent;
  descent_ = record.descent;
  std::copy(std::begin(record.widths), std::end(record.widths), charWidths_);
  if (type == kFontType) {
    name_.Assign(record.name.c_str());
    style_ = record.style;
  }
  ComputeGlyphOffsets();
}

VPictureFont::VPictureFont(VFont& systemFont, bool wholeCell)
    : VFont(systemFont.GetName().GetChars(), systemFont.GetSize(), systemFont.GetStyle()) {
  sourceFont_ = &systemFont;
  smoothing_ = gSmoothing;
  {
    DrawPort port(ScratchMap());
    systemFont.Measure(&port);
    // One row more than the leading: the cell's ascent is rounded to whole
    // pixels, and rounded down it cuts the tops of the tallest accents.
    if (wholeCell) leadingRows_ = port.GetFontInternalLeading(&systemFont) + 1;
  }
  if (systemFont.IsMeasured()) {
    std::copy(systemFont.GetCharWidths(nullptr), systemFont.GetCharWidths(nullptr) + 256, charWidths_);
    ascent_ = static_cast<int16_t>(systemFont.GetAscent(nullptr) + leadingRows_);
    descent_ = systemFont.GetDescent(nullptr);
  }
  size_ += leadingRows_;
  measured_ = 1;
  ComputeGlyphOffsets();
  int32_t total = 0;
  for (uint8_t w : charWidths_) total += w;
  if (total > 0 && size_ > 0 && size_ <= 4096) {
    auto* channel = new VAlphaChannel(VRect(0, 0, total, size_));
    if (channel->GetPixelMap() != nullptr && channel->GetPixelMap()->GetPixels() != nullptr) {
      channel->GetPixelMap()->ClearPixels();
      picture_ = SolidPictureWithAlpha(channel, VRect(0, 0, total, size_));
    }
    channel->Release();
  }
  // Glyphs of zero width have nothing to render.
  for (int c = 0; c < 256; ++c) rendered_.set(static_cast<size_t>(c), charWidths_[c] == 0);
}

VPictureFont::VPictureFont(const VPictureFont& other) : VFont(other, -1) {
  mediaId_ = other.mediaId_;
  std::copy(std::begin(other.charWidths_), std::end(other.charWidths_), charWidths_);
  ascent_ = other.ascent_;
  descent_ = other.descent_;
  measured_ = other.measured_;
  picture_ = other.picture_;
  if (picture_ != nullptr) picture_->AddReference();
  std::copy(std::begin(other.glyphOffsets_), std::end(other.glyphOffsets_), glyphOffsets_);
  rendered_ = other.rendered_;
  sourceFont_ = other.sourceFont_;
  smoothing_ = other.smoothing_;
  leadingRows_ = other.leadingRows_;
}

VPictureFont::~VPictureFont() {
  if (picture_ != nullptr) picture_->Release();
  delete gScratchMap;
  gScratchMap = nullptr;
}

void VPictureFont::ComputeGlyphOffsets() {
  int32_t offset = 0;
  for (int c = 0; c < 256; ++c) {
    glyphOffsets_[c] = static_cast<uint16_t>(std::min(offset, 0xFFFF));
    offset += charWidths_[c];
  }
}

bool VPictureFont::HasAlphaGlyphs() const {
  PixelMap* map = picture_ != nullptr ? picture_->GetPixelMap() : nullptr;
  return map != nullptr && map->PeekAttributes().PeekAlphaChannel() != nullptr;
}

VRect VPictureFont::GlyphSource(uint8_t character) const {
  PixelMap* map = picture_ != nullptr ? picture_->GetPixelMap() : nullptr;
  if (map == nullptr) return VRect();
  const int32_t left = glyphOffsets_[character];
  const int32_t right = std::min(left + std::max(GlyphDrawWidth(character), 0), map->GetWidth());
  const int32_t bottom = std::min(std::max(GlyphRows(), 0), map->GetHeight());
  if (right <= left || bottom <= 0) return VRect();
  return VRect(left, 0, right, bottom);
}

void VPictureFont::RenderGlyph(uint8_t character, DrawPort& port) {
  rendered_.set(character);
  if (sourceFont_ == nullptr || picture_ == nullptr) return;
  PixelMap* strip = picture_->GetPixelMap();
  VAlphaChannel* target = strip != nullptr ? strip->PeekAttributes().PeekAlphaChannel() : nullptr;
  PixelMap* plane = target != nullptr ? target->GetPixelMap() : nullptr;
  if (plane == nullptr || plane->GetPixels() == nullptr) return;
  const char ch = static_cast<char>(character);
  VAlphaChannel* coverage = port.DrawSmoothText(&ch, 1, sourceFont_, smoothing_, leadingRows_);
  if (coverage == nullptr) return;
  PixelMap* glyph = coverage->GetPixelMap();
  if (glyph != nullptr && glyph->GetPixels() != nullptr) {
    const int32_t left = glyphOffsets_[character];
    const int32_t columns = std::min({static_cast<int32_t>(charWidths_[character]), glyph->GetWidth(),
                                      plane->GetWidth() - left});
    const int32_t rows = std::min({size_, glyph->GetHeight(), plane->GetHeight()});
    for (int32_t r = 0; r < rows; ++r) {
      const uint8_t* from = glyph->GetPixelAddress(VPoint(0, r));
      uint8_t* to = plane->GetPixelAddress(VPoint(left, r));
      if (from == nullptr || to == nullptr || columns <= 0) continue;
      std::copy(from, from + columns, to);
    }
  }
  coverage->Release();
}

void VPictureFont::RenderGlyphs(const char* text, int32_t count) {
  if (text == nullptr || sourceFont_ == nullptr) return;
  bool any = false;
  for (int32_t i = 0; i < count && text[i] != 0; ++i) any = any || !rendered_.test(static_cast<uint8_t>(text[i]));
  if (!any) return;
  DrawPort port(ScratchMap());
  for (int32_t i = 0; i < count && text[i] != 0; ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (!rendered_.test(c)) RenderGlyph(c, port);
  }
}

void VPictureFont::RenderAllGlyphs() {
  if (rendered_.all()) return;
  if (sourceFont_ == nullptr) {
    rendered_.set();
    return;
  }
  DrawPort port(ScratchMap());
  for (int c = 0; c < 256; ++c) {
    if (!rendered_.test(static_cast<size_t>(c))) RenderGlyph(static_cast<uint8_t>(c), port);
  }
}

VPicture* VPictureFont::GetPicture() {
  if (picture_ == nullptr) return nullptr;
  RenderAllGlyphs();
  picture_->AddReference();
  return picture_;
}

void VPictureFont::SetColor(const VRGBColor& color) {
  PixelMap* map = picture_ != nullptr ? picture_->GetPixelMap() : nullptr;
  if (map != nullptr && map->IsSolidColor()) map->SetSolidColor(color);
}

void VPictureFont::DrawText(DrawPort* port, int32_t x, int32_t y, const char* text, int32_t count,
                            const VRect* clip) {
  if (port == nullptr || picture_ == nullptr || text == nullptr || count <= 0 || text[0] == 0) return;
  PixelMap* map = picture_->GetPixelMap();
  if (map == nullptr) return;
  const int32_t top = y - (ascent_ - GlyphTopInset());
  const int32_t rows = GlyphRows();
  bool clipEach = clip != nullptr;
  if (clipEach) {
    const int64_t right = int64_t{x} + GetTextWidth(text, count);
    clipEach = !(x >= clip->left && top >= clip->top && right <= clip->right && int64_t{top} + rows <= clip->bottom);
  }
  RenderGlyphs(text, count);  // glyphs of a font made from a system font, on first use
  PixelMapLock lock(map);
  for (int32_t i = 0; i < count && text[i] != 0; ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    const int32_t advance = charWidths_[c];
    if (advance == 0) continue;
    VRect source = GlyphSource(c);
    VRect destination(x, top, x + source.GetWidth(), top + source.GetHeight());
    if (clipEach && destination.left >= clip->right) break;
    if (!source.IsEmpty()) {
      if (clipEach) CutBoth(source, destination, *clip);
      if (!source.IsEmpty() && !destination.IsEmpty()) {
        port->DrawPixelMap(map, source, destination);
      }
    }
    x += advance;
  }
}

// ---------------------------------------------------------------------------

VAlphaChannel* RenderPictureFontText(const char* text, int32_t count, VPictureFont& font) {
  if (text == nullptr || !font.HasAlphaGlyphs()) return nullptr;
  const int32_t width = font.GetTextWidth(text, count);
  const int32_t height = font.GetSize();
  if (width <= 0 || height <= 0 || height > 32767 || width > 32767) return nullptr;
  font.RenderGlyphs(text, count);
  VAlphaChannel* strip = font.picture_->GetPixelMap()->PeekAttributes().PeekAlphaChannel();
  auto* channel = new VAlphaChannel(VRect(0, 0, width, height));
  if (channel->GetPixelMap() == nullptr || channel->GetPixelMap()->GetPixels() == nullptr) {
    channel->Release();
    return nullptr;
  }
  channel->GetPixelMap()->ClearPixels();
  const int32_t inset = std::max(font.GlyphTopInset(), 0);
  int32_t x = 0;
  for (int32_t i = 0; i < count && text[i] != 0; ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    const VRect source = font.GlyphSource(c);
    if (!source.IsEmpty()) {
      strip->Combine(*channel, source, VRect(x, inset, x + source.GetWidth(), inset + source.GetHeight()), 63);
    }
    x += font.GetCharWidths(nullptr)[c];
  }
  return channel;
}

// ---------------------------------------------------------------------------

VPictureFont* FindFontById(uint16_t mediaId, uint16_t fontMediaId) {
  if (mediaId == 0) return nullptr;
  for (VFont* font = VFont::GetFirstFont(); font != nullptr; font = font->GetNextFont()) {
    if (font->GetMediaId() == mediaId && !font->IsSystemFont()) {
      if (auto* pictureFont = dynamic_cast<VPictureFont*>(font)) return pictureFont;
    }
  }
  return new VPictureFont(mediaId, fontMediaId);
}

VFont* MakePictureFontFromSystemFace(const char* name, int32_t size, int32_t style) {
  VFont* system = FindOrCreateFont(name, size, style, nullptr, true);
  if (system == nullptr) return nullptr;
  return new VPictureFont(*system);
}
