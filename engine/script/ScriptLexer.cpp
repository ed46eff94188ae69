#include "engine/script/ScriptLexer.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "engine/archive/ArchiveServices.h"
#include "engine/script/ItemRef.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFRect.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"
#include "engine/core/VTime.h"

namespace {

// The tokenizer's process-wide state.
struct LexerState {
  const uint8_t* cursor = nullptr;  // next unread character; null before the first text
  int32_t kind = kTokenEnd;
  char text[kMaxTokenLength + 1] = {};
  int32_t textLength = 0;
  bool cut = false;
  double number = 0.0;
};

LexerState gLexer;

// Character classes of the "C" locale, independent of the program's locale.
bool IsSpace(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsWordChar(uint8_t c) { return IsLetter(c) || IsDigit(c) || c == '-' || c == '.' || c == '_'; }
uint8_t LowerAscii(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c - 'A' + 'a') : c; }

void ClearText() {
  gLexer.text[0] = '\0';
  gLexer.textLength = 0;
  gLexer.cut = false;
}

// Appends one character to the token text; past the buffer the character is
// dropped and the token marked as cut.
void AddChar(uint8_t c) {
  if (gLexer.textLength >= kMaxTokenLength) {
    gLexer.cut = true;
    return;
  }
  gLexer.text[gLexer.textLength++] = static_cast<char>(c);
  gLexer.text[gLexer.textLength] = '\0';
}

// Skips white space and comments ("<" up to and including the next ">"). A
// comment that reaches the end of the text ends there.
void SkipSpaceAndComments() {
  const uint8_t* p = gLexer.cursor;
  for (;;) {
    while (IsSpace(*p)) ++p;
    if (*p != '<') break;
    ++p;
    while (*p != '\0' && *p != '>') ++p;
    if (*p == '>') ++p;
  }
  gLexer.cursor = p;
}

// The value of a number text ([-]digits[.digits], possibly cut). A text that is
// no number (a lone "-" or ".") gives 0; values beyond the range of a double
// become infinite, tiny ones 0.
double NumberFromText(const char* text, int32_t length) {
  double value = 0.0;
  const std::from_chars_result result = std::from_chars(text, text + length, value);
  if (result.ec == std::errc()) return value;
  if (result.ec != std::errc::result_out_of_range) return 0.0;
  const bool negative = text[0] == '-';
  bool large = false;
  for (const char* p = text + (negative ? 1 : 0); p < text + length && *p != '.'; ++p) {
    if (*p != '0') {
      large = true;
      break;
    }
  }
  if (!large) return negative ? -0.0 : 0.0;
  return negative ? -HUGE_VAL : HUGE_VAL;
}

void ReadNumber() {
  const uint8_t* p = gLexer.cursor;
  if (*p == '-') AddChar(*p++);
  while (IsDigit(*p)) AddChar(*p++);
  if (*p == '.') {
    AddChar(*p++);
    while (IsDigit(*p)) AddChar(*p++);
  }
  gLexer.cursor = p;
  gLexer.number = NumberFromText(gLexer.text, gLexer.textLength);
}

bool KeywordEquals(const char* keyword) {
  if (keyword == nullptr) return false;
  const uint8_t* a = reinterpret_cast<const uint8_t*>(gLexer.text);
  const uint8_t* b = reinterpret_cast<const uint8_t*>(keyword);
  for (;; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
    if (*a == '\0') return true;
  }
}

int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}

float ToFloat(double value) {
  if (value > static_cast<double>(FLT_MAX)) return HUGE_VALF;
  if (value < -static_cast<double>(FLT_MAX)) return -HUGE_VALF;
  return static_cast<float>(value);
}

// Takes the current number token's value and moves on; false (nothing
// consumed) when the token is not a number.
bool TakeNumber(double& value) {
  if (gLexer.kind != kTokenNumber) return false;
  value = gLexer.number;
  NextToken();
  return true;
}

// Texts end at their first zero byte (a TEXT medium is stored with its
// terminator); the string operations rely on holding none.
void CutAtZero(VString& text) {
  const char* chars = text.GetChars();
  if (chars == nullptr) return;
  text.Truncate(static_cast<int32_t>(std::strlen(chars)));
}

}  // namespace

int32_t BeginScript(const VString& text) {
  const char* chars = text.GetChars();
  // A string without a buffer reads as an empty text.
  static const uint8_t kEmpty[1] = {0};
  gLexer.cursor = chars != nullptr ? reinterpret_cast<const uint8_t*>(chars) : kEmpty;
  gLexer.number = 0.0;
  return NextToken();
}

int32_t NextToken() {
  ClearText();
  if (gLexer.cursor == nullptr) {
    gLexer.kind = kTokenEnd;
    return gLexer.kind;
  }
  SkipSpaceAndComments();
  const uint8_t* p = gLexer.cursor;
  const uint8_t c = *p;
  if (c == '\0') {
    gLexer.kind = kTokenEnd;  // the cursor stays on the terminator
  } else if (IsLetter(c)) {
    while (IsWordChar(*p)) AddChar(*p++);
    gLexer.cursor = p;
    gLexer.kind = kTokenWord;
  } else if (c == '"') {
    ++p;
    while (*p != '\0' && *p != '"') AddChar(*p++);
    if (*p == '"') ++p;  // a string that reaches the end of the text ends there
    gLexer.cursor = p;
    gLexer.kind = kTokenWord;
  } else if (IsDigit(c) || c == '-' || c == '.') {
    ReadNumber();
    gLexer.kind = kTokenNumber;
  } else {
    gLexer.cursor = p + 1;
    if (c == '{') {
      gLexer.kind = kTokenOpenBrace;
    } else if (c == '}') {
      gLexer.kind = kTokenCloseBrace;
    } else if (c == ',') {
      gLexer.kind = kTokenComma;
    } else {
      AddChar(c);
      gLexer.kind = kTokenOther;
    }
  }
  return gLexer.kind;
}

int32_t GetTokenKind() { return gLexer.kind; }
const char* GetTokenText() { return gLexer.text; }
double GetTokenNumber() { return gLexer.number; }
bool IsTokenCut() { return gLexer.cut; }

bool AcceptKeyword(const char* keyword) {
  if (gLexer.kind != kTokenWord || !KeywordEquals(keyword)) return false;
  NextToken();
  return true;
}

bool OpenBlock(const char* keyword) {
  if (gLexer.cursor == nullptr) return false;
  if (!AcceptKeyword(keyword)) return false;
  if (gLexer.kind != kTokenOpenBrace) return false;
  NextToken();
  return true;
}

bool CloseBlock() {
  if (gLexer.cursor == nullptr) return false;
  if (gLexer.kind != kTokenCloseBrace) return false;
  NextToken();
  return true;
}

bool ReadIntValue(int32_t& value) {
  double number = 0.0;
  if (!TakeNumber(number)) return false;
  value = TruncateToInt32(number);
  return true;
}

bool ReadLongValue(int32_t& value) { return ReadIntValue(value); }

bool ReadIdValue(uint16_t& value) {
  double number = 0.0;
  if (!TakeNumber(number)) return false;
  value = static_cast<uint16_t>(static_cast<uint32_t>(TruncateToInt32(number)) & 0xFFFFu);
  return true;
}

bool ReadFloatValue(float& value) {
  double number = 0.0;
  if (!TakeNumber(number)) return false;
  value = ToFloat(number);
  return true;
}

bool ReadTextValue(VString& value) {
  if (gLexer.kind != kTokenWord) return false;
  value.Assign(gLexer.text);
  NextToken();
  return true;
}

bool ReadItemRefValue(ItemRef& value) {
  if (gLexer.kind != kTokenWord) return false;
  const VString text(gLexer.text);
  value.ParseItemRef(text);
  NextToken();
  return true;
}

bool ReadFloatPairValue(float& first, float& second) {
  return ReadFloatValue(first) && ReadFloatValue(second);
}

bool ReadRectValue(VFRect& value) {
  return ReadFloatValue(value.left) && ReadFloatValue(value.top) && ReadFloatValue(value.right) &&
         ReadFloatValue(value.bottom);
}

bool ReadDateValue(VTime& value) {
  // Stored part by part like the other multi-number readers: a date cut short
  // keeps the parts that were read.
  int32_t day = 0;
  if (!ReadIntValue(day)) return false;
  value.SetDate(value.GetYear(), value.GetMonth(), day);
  int32_t month = 0;
  if (!ReadIntValue(month)) return false;
  value.SetDate(value.GetYear(), month, day);
  int32_t year = 0;
  if (!ReadIntValue(year)) return false;
  value.SetDate(year, month, day);
  return true;
}

bool ReadIdField(const char* keyword, uint16_t& value, bool optional) {
  return AcceptKeyword(keyword) ? ReadIdValue(value) : optional;
}
bool ReadIntField(const char* keyword, int32_t& value, bool optional) {
  return AcceptKeyword(keyword) ? ReadIntValue(value) : optional;
}
bool ReadLongField(const char* keyword, int32_t& value, bool optional) {
  return AcceptKeyword(keyword) ? ReadLongValue(value) : optional;
}
bool ReadFloatField(const char* keyword, float& value, bool optional) {
  return AcceptKeyword(keyword) ? ReadFloatValue(value) : optional;
}
bool ReadTextField(const char* keyword, VString& value, bool optional) {
  return AcceptKeyword(keyword) ? ReadTextValue(value) : optional;
}
bool ReadItemRefField(const char* keyword, ItemRef& value, bool optional) {
  return AcceptKeyword(keyword) ? ReadItemRefValue(value) : optional;
}
bool ReadFloatPairField(const char* keyword, float& first, float& second, bool optional) {
  return AcceptKeyword(keyword) ? ReadFloatPairValue(first, second) : optional;
}
bool ReadRectField(const char* keyword, VFRect& value, bool optional) {
  return AcceptKeyword(keyword) ? ReadRectValue(value) : optional;
}
bool ReadDateField(const char* keyword, VTime& value, bool optional) {
  return AcceptKeyword(keyword) ? ReadDateValue(value) : optional;
}

bool LoadTextMedia(VString& out, uint16_t mediaId, bool trim) {
  out.Clear();
  MediaArchive* archive = GetArchiveForMedia(mediaId);
  if (archive == nullptr) return false;
  VFile file;
  uint32_t type = MakeTypeCode("TEXT");
  if (!archive->OpenMedia(mediaId, file, type, nullptr)) return false;
  if (!file.Open(1)) return false;
  file.ReadIntoString(out, file.GetLength());
  CutAtZero(out);
  if (trim) out.Trim();
  return true;
}

bool LoadTextFile(VString& out, const char* fileName, bool trim) {
  out.Clear();
  VTextFile file(VFileSpec(fileName != nullptr ? fileName : ""), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
  bool loaded = false;
  if (fileName != nullptr && file.Open(1)) {
    file.ReadIntoString(out, file.GetLength());
    file.Close();
    CutAtZero(out);
    loaded = true;
  } else {
    out.Assign("ERROR: cannot open file ");
    out.Append(fileName);
  }
  if (trim) out.Trim();
  return loaded;
}
