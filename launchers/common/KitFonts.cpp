#include "launchers/common/KitFonts.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "platform/File.h"

namespace kit {
namespace {

struct CachedFont {
  FontSpec spec;
  std::shared_ptr<platform::Font> font;
};

std::vector<CachedFont>& Cache() {
  static std::vector<CachedFont> cache;
  return cache;
}

bool IsFile(const std::string& path) { return platform::FileExists(path) && !platform::DirectoryExists(path); }

bool SameAsciiCaseless(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

int32_t PointsToPixels(int32_t points) {
  const int32_t pixels = (points * 96 + 36) / 72;
  return pixels < 1 ? 1 : pixels;
}

FontSpec DefaultDialogFont() { return FontSpec{"MS Sans Serif", PointsToPixels(8), false}; }

std::string WineFontFolder() {
  const char* folder = std::getenv("OSTREVAN_WINE_FONTS");
  return folder != nullptr && folder[0] != '\0' ? std::string(folder) : std::string("/usr/share/wine/fonts");
}

std::shared_ptr<platform::Font> GetFont(const FontSpec& spec) {
  for (const CachedFont& c : Cache()) {
    if (c.spec == spec) return c.font;
  }
  platform::FontRequest request;
  request.face = spec.face;
  request.pixelHeight = spec.pixelHeight;
  request.bold = spec.bold;
  std::string file;
  if (SameAsciiCaseless(spec.face, "MS Sans Serif")) {
    file = WineFontFolder() + "/ms_sans_serif.ttf";
  } else if (SameAsciiCaseless(spec.face, "Small Fonts")) {
    file = WineFontFolder() + "/small_fonts.ttf";
  }
  std::shared_ptr<platform::Font> font;
  if (!file.empty() && IsFile(file)) {
    font = platform::Font::CreateFromFile(request, file);
  }
  if (!font) font = platform::Font::Create(request);
  if (font) Cache().push_back(CachedFont{spec, font});
  return font;
}

BaseUnits MeasureBaseUnits(platform::Font& font) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const int32_t sum = font.GetTextWidth(kLetters, sizeof kLetters - 1);
  const platform::FontMetrics& m = font.GetMetrics();
  return BaseUnits{(sum / 26 + 1) / 2, m.ascent + m.descent};
}

}  // namespace kit
