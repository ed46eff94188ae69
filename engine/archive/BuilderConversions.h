// The archive builder's conversions: one per conversion code of a build-script
// line. A conversion reads its source (or the line's text), writes the result
// at the archive's current position and sets the entry's type and note. Codes
// whose work needs pictures, fonts or sounds live in higher layers and are
// registered here at start-up (BuilderConversion); the rest are built in.
#pragma once

#include <cstdint>
#include <string>

#include "engine/archive/BuildLog.h"
#include "engine/archive/MediaEntry.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"

// Conversion codes of a media line.
enum BuilderConversionCode : int32_t {
  kLiteralStringCode = -20,
  kFontAlphaCode = -11,
  kFontBitmapCode = -10,
  kCopyCode = 0,
  kImageCode = 10,
  kColorTableCode = 20,
  kAlphaChannelCode = 30,
  kTextCode = 40,
  kNumbersCode = 50,
  kSoundCode = 60,
};

// One media line of a build script, as read.
struct BuildMediaLine {
  static constexpr int kParamCount = 11;
  // The media id as written; its magnitude (low 16 bits) is the entry's id. A
  // negative id with a code >= 0 starts a numbered sequence.
  int32_t id = 0;
  int32_t code = 0;
  VString source;      // file name, font name or literal text
  int32_t params[kParamCount] = {};  // P1..P11, missing ones 0
  uint16_t EntryId() const {
    uint32_t magnitude = id < 0 ? 0u - static_cast<uint32_t>(id) : static_cast<uint32_t>(id);
    return static_cast<uint16_t>(magnitude & 0xFFFF);
  }
  // P1..P11 by number (1-based); 0 outside that range.
  int32_t Param(int number) const {
    return number >= 1 && number <= kParamCount ? params[number - 1] : 0;
  }
};

// The entry a conversion fills and the note that ends its log line.
struct BuildRecord {
  MediaEntry entry;
  VString note;
};

// What a conversion works on. Nothing in it is owned by the conversion.
struct ConversionContext {
  VFile* archive = nullptr;     // written at its current position
  BuildLog* log = nullptr;      // never null while a conversion runs
  const BuildMediaLine* line = nullptr;
  // Codes >= 0: the source file, open for reading at position 0, and its spec.
  VFile* source = nullptr;
  VFileSpec sourceSpec;
  // The build script's spec (origin files are written beside it).
  VFileSpec scriptSpec;
  // The text shown for the medium in the log for negative codes: SOURCE,
  // rewritten by the conversion (the literal string after its escapes).
  VString shownSource;
  // Codes -11 and -10: the second entry ("FONT"), already given the id. These
  // conversions set the sizes of both entries themselves.
  BuildRecord* fontRecord = nullptr;
};

// A conversion implemented above the archive layer.
class BuilderConversion {
 public:
  virtual ~BuilderConversion() = default;
  // Writes the data and sets the record's type and note (the builder sets the
  // size from the bytes written). On failure it logs its "Build aborted: "
  // message with a line end and returns false.
  virtual bool Convert(ConversionContext& context, BuildRecord& record) = 0;
};

// Registers the conversion for a code (null removes it) and returns the
// previous one. Not owned; it must outlive its registration.
BuilderConversion* SetBuilderConversion(int32_t code, BuilderConversion* conversion);
BuilderConversion* GetBuilderConversion(int32_t code);

// True for the codes a build script may use: -20, -11, -10, 0, 10, 20, 30, 40,
// 50 and 60.
bool IsBuilderConversionCode(int32_t code);

// Runs the conversion of context.line->code: a registered one first, else the
// built-in one. An unknown code logs "Build aborted: unknown media type " and
// the code; a known code without an implementation in this program logs that
// it is not available. False on any failure.
bool RunBuilderConversion(ConversionContext& context, BuildRecord& record);

// --- Built-in conversions (exposed for tests) --------------------------------
bool ConvertLiteralString(ConversionContext& context, BuildRecord& record);  // -20
bool ConvertCopy(ConversionContext& context, BuildRecord& record);           // 0
bool ConvertText(ConversionContext& context, BuildRecord& record);           // 40
bool ConvertNumbers(ConversionContext& context, BuildRecord& record);        // 50

// Replaces the two-character escapes of literal strings (\n \t \b \r \f \a \\,
// letters without case) in table order.
void ApplyLiteralEscapes(VString& text);
// The Windows-to-HTML text of a code-page-1252 byte (byte 0 gives "").
const char* WindowsToHtmlText(uint8_t byte);
// Each byte by its Windows-to-HTML text.
std::string ConvertWindowsToHtml(const std::string& text);
// CR LF, then LF CR, then lone CR, then lone LF each become "<BR>".
std::string ConvertLineEndsToHtml(const std::string& text);
