#include "platform/FontRasterizer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstring>
#include <mutex>
#include <strings.h>

#include "platform/PixelBuffer.h"

// GCC says AddressSanitizer is on with __SANITIZE_ADDRESS__, clang through
// __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define OSTREVAN_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OSTREVAN_LEAK_CHECKED 1
#endif
#endif
#if defined(OSTREVAN_LEAK_CHECKED)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {

struct Font::Library {
  FT_Library library = nullptr;
  Library() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~Library() {
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

namespace {

// The faces of the original platform that the engine names, and the families
// installed here that stand in for them (metric-compatible where one exists).
struct Substitution {
  const char* face;
  const char* family;
};
constexpr Substitution kSubstitutions[] = {
    {"Times", "Liberation Serif"},          {"Times New Roman", "Liberation Serif"},
    {"Arial", "Liberation Sans"},           {"Helvetica", "Liberation Sans"},
    {"Courier", "Liberation Mono"},         {"Courier New", "Liberation Mono"},
    {"MS Sans Serif", "DejaVu Sans"},       {"Small Fonts", "DejaVu Sans"},
    {"System", "DejaVu Sans"},              {"MS Serif", "DejaVu Serif"},
};

std::mutex& FontconfigMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<Font::Library> SharedLibrary();

// Loads the fontconfig configuration once. Its parser keeps a few blocks it
// never frees; they are not ours to release, so the leak checker is told to
// ignore what the loading allocates.
bool InitFontconfig() {
  static const bool ok = [] {
#if defined(OSTREVAN_LEAK_CHECKED)
    __lsan_disable();
#endif
    const bool result = FcInit() == FcTrue;
#if defined(OSTREVAN_LEAK_CHECKED)
    __lsan_enable();
#endif
    return result;
  }();
  return ok;
}

}  // namespace

std::optional<FontFile> MatchFontFile(const std::string& face, bool bold, bool italic) {
  std::string family = face;
  for (const Substitution& s : kSubstitutions) {
    if (strcasecmp(face.c_str(), s.face) == 0) {
      family = s.family;
      break;
    }
  }
  std::lock_guard<std::mutex> lock(FontconfigMutex());
  if (!InitFontconfig()) return std::nullopt;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return std::nullopt;
  if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return std::nullopt;
  std::optional<FontFile> file;
  FcChar8* path = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
    FontFile f;
    f.path = reinterpret_cast<const char*>(path);
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) f.index = index;
    FcChar8* fam = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch && fam != nullptr) {
      f.family = reinterpret_cast<const char*>(fam);
    }
    file = std::move(f);
  }
  FcPatternDestroy(match);
  return file;
}

namespace {

std::shared_ptr<Font::Library> SharedLibrary() {
  static std::mutex m;
  static std::weak_ptr<Font::Library> shared;
  std::lock_guard<std::mutex> lock(m);
  std::shared_ptr<Font::Library> lib = shared.lock();
  if (!lib) {
    lib = std::make_shared<Font::Library>();
    if (lib->library == nullptr) return nullptr;
    shared = lib;
  }
  return lib;
}

int32_t ScaleUnits(int64_t units, int64_t ppem, int64_t unitsPerEm) {
  if (unitsPerEm <= 0) return 0;
  const int64_t v = units * ppem;
  return static_cast<int32_t>(v >= 0 ? (v + unitsPerEm / 2) / unitsPerEm : -((-v + unitsPerEm / 2) / unitsPerEm));
}

}  // namespace

std::shared_ptr<Font> Font::Create(const FontRequest& request) {
  return CreateFromFile(request, std::string(), 0);
}

std::shared_ptr<Font> Font::CreateFromFile(const FontRequest& request, const std::string& path, int index) {
  if (request.pixelHeight <= 0 || request.pixelHeight > 4096) return nullptr;
  std::optional<FontFile> file;
  if (!path.empty()) {
    file = FontFile{path, index, request.face};
  } else {
    file = MatchFontFile(request.face, request.bold, request.italic);
  }
  if (!file) return nullptr;
  std::shared_ptr<Library> lib = SharedLibrary();
  if (!lib) return nullptr;
  std::shared_ptr<Font> font(new Font());
  font->request_ = request;
  font->file_ = *file;
  font->library_ = lib;
  if (FT_New_Face(lib->library, file->path.c_str(), file->index, &font->face_) != 0) {
    font->face_ = nullptr;
    return nullptr;
  }
  FT_Face face = font->face_;
  if (!FT_IS_SCALABLE(face) && face->num_fixed_sizes > 0) {
    // A bitmap face: the strike whose cell first reaches the character
    // height asked for (the cell holds the internal leading above it), else
    // the largest, as the system's raster fonts are chosen.
    int best = -1;
    int largest = 0;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
      const int size = face->available_sizes[i].height;
      if (size > face->available_sizes[largest].height) largest = i;
      if (size >= request.pixelHeight && (best < 0 || size < face->available_sizes[best].height)) best = i;
    }
    if (FT_Select_Size(face, best >= 0 ? best : largest) != 0) return nullptr;
  } else if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(request.pixelHeight)) != 0) {
    return nullptr;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);

  // Cell metrics as the engine expects them: the Windows
  // ascent and descent of the OS/2 table scaled to the character height.
  FontMetrics& m = font->metrics_;
  const int64_t ppem = request.pixelHeight;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (FT_IS_SCALABLE(face) && os2 != nullptr && face->units_per_EM > 0 && (os2->usWinAscent + os2->usWinDescent) > 0) {
    m.ascent = ScaleUnits(os2->usWinAscent, ppem, face->units_per_EM);
    m.descent = ScaleUnits(os2->usWinDescent, ppem, face->units_per_EM);
  } else {
    m.ascent = static_cast<int32_t>((face->size->metrics.ascender + 63) >> 6);
    m.descent = static_cast<int32_t>((-face->size->metrics.descender + 63) >> 6);
  }
  m.ascent = std::max(m.ascent, 1);
  m.descent = std::max(m.descent, 0);
  m.internalLeading = std::max(0, m.ascent + m.descent - request.pixelHeight);
  if (FT_IS_SCALABLE(face) && face->units_per_EM > 0) {
    m.underlinePosition = std::max(1, ScaleUnits(-face->underline_position, ppem, face->units_per_EM));
    m.underlineThickness = std::max(1, ScaleUnits(face->underline_thickness, ppem, face->units_per_EM));
  }
  return font;
}

Font::~Font() {
  if (face_ != nullptr) FT_Done_Face(face_);
}

const Glyph& Font::GetGlyph(uint8_t code) {
  std::unique_ptr<Glyph>& slot = glyphs_[code];
  if (slot) return *slot;
  slot = std::make_unique<Glyph>();
  Glyph& g = *slot;
  if (face_ == nullptr) return g;
  const FT_UInt index = FT_Get_Char_Index(face_, Cp1252ToUnicode(code));
  g.glyphIndex = index;
  if (FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return g;
  FT_GlyphSlot glyph = face_->glyph;
  g.advance = static_cast<int32_t>((glyph->advance.x + 32) >> 6);
  if (glyph->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(glyph, FT_RENDER_MODE_MONO) != 0) return g;
  const FT_Bitmap& bm = glyph->bitmap;
  g.left = glyph->bitmap_left;
  g.top = glyph->bitmap_top;
  g.width = static_cast<int32_t>(bm.width);
  g.height = static_cast<int32_t>(bm.rows);
  g.coverage.assign(static_cast<size_t>(g.width) * static_cast<size_t>(g.height), 0);
  for (int32_t r = 0; r < g.height; ++r) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
    for (int32_t c = 0; c < g.width; ++c) {
      uint8_t on = 0;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        on = (row[c >> 3] >> (7 - (c & 7))) & 1;
      } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
        on = row[c] >= 128 ? 1 : 0;
      }
      g.coverage[static_cast<size_t>(r) * static_cast<size_t>(g.width) + static_cast<size_t>(c)] = on;
    }
  }
  return g;
}

int32_t Font::GetTextWidth(const char* text, size_t length) {
  if (text == nullptr) return 0;
  int64_t width = 0;
  for (size_t i = 0; i < length; ++i) width += GetGlyph(static_cast<uint8_t>(text[i])).advance;
  return static_cast<int32_t>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
}

}  // namespace platform
