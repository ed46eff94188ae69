// System fonts for the software device contexts: a face name is resolved to a
// font file through fontconfig (with the engine's usual Windows face names
// mapped to the Liberation and DejaVu families), loaded with FreeType at a
// pixel size, and its glyphs rendered as monochrome coverage for the code
// page 1252 characters the engine draws.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct FT_FaceRec_;

namespace platform {

// What a caller asks for. The pixel height is the character (em) height.
struct FontRequest {
  std::string face;
  int32_t pixelHeight = 12;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// Text metrics in pixels, as a device context reports them: the cell is
// ascent + descent high; internal leading is the part of the cell above the
// character height (cell - em, never negative).
struct FontMetrics {
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t internalLeading = 0;
  int32_t underlinePosition = 1;   // rows below the baseline of the underline's top
  int32_t underlineThickness = 1;
};

// One rendered character: `coverage` holds width x height bytes, 1 where the
// glyph covers the pixel and 0 elsewhere. (left, -top) is the offset of its
// top-left pixel from the pen position on the baseline.
struct Glyph {
  int32_t advance = 0;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t glyphIndex = 0;
  std::vector<uint8_t> coverage;
};

// The face that fontconfig would give for a request, after the engine's
// substitutions ("Times" -> Liberation Serif, "Arial" -> Liberation Sans,
// "MS Sans Serif" and "Small Fonts" -> DejaVu Sans): path and face index.
struct FontFile {
  std::string path;
  int index = 0;
  std::string family;
};
std::optional<FontFile> MatchFontFile(const std::string& face, bool bold, bool italic);

// A face at one pixel size. Shared by the device contexts that select it;
// glyphs are rendered on first use and kept. Not thread-safe: fonts belong to
// the user-interface thread.
class Font : public std::enable_shared_from_this<Font> {
 public:
  // Null when no face can be found or loaded, or the height is not positive.
  static std::shared_ptr<Font> Create(const FontRequest& request);
  // The same from a given font file instead of fontconfig's match (faces
  // kept outside fontconfig's folders, such as the bitmap faces of Windows
  // fonts); null when the file does not load.
  static std::shared_ptr<Font> CreateFromFile(const FontRequest& request, const std::string& path, int index = 0);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const FontRequest& GetRequest() const { return request_; }
  const FontFile& GetFile() const { return file_; }
  const FontMetrics& GetMetrics() const { return metrics_; }
  // The rendered glyph of a code page 1252 character; valid while the font lives.
  const Glyph& GetGlyph(uint8_t code);
  // The sum of the advances of the text's characters.
  int32_t GetTextWidth(const char* text, size_t length);
  // The FreeType face (owned by the font) for back ends that draw outlines.
  FT_FaceRec_* GetFace() const { return face_; }

  // The FreeType library shared by every font (an implementation detail).
  struct Library;

 private:
  Font() = default;

  FontRequest request_;
  FontFile file_;
  FontMetrics metrics_;
  std::shared_ptr<Library> library_;
  FT_FaceRec_* face_ = nullptr;
  std::array<std::unique_ptr<Glyph>, 256> glyphs_{};
};

}  // namespace platform
