// The script tokenizer shared by every script of the title (bubbles, hotspots,
// storylines, events, aspects, category tables, linked records): tokens, block
// operations and typed field readers over one text at a time, plus loading a
// TEXT medium or a text file into a string.
//
// The state is process-wide and unguarded: only the user-interface thread
// tokenizes, and a reader finishes one text before another starts. The text is
// not copied: the tokenizer reads the caller's VString in place, which must
// stay unchanged (and alive) while it is read.
#pragma once

#include <cstdint>

class ItemRef;
struct VFRect;
class VString;
class VTime;

enum ScriptTokenKind : int32_t {
  kTokenOther = 0,       // any other single character (its text)
  kTokenOpenBrace = 1,   // "{"
  kTokenCloseBrace = 2,  // "}"
  kTokenWord = 3,        // word or quoted string (its text)
  kTokenNumber = 4,      // number (its text and value)
  kTokenComma = 5,       // ","
  kTokenEnd = 6,         // end of the text
};

// Longest token text kept; longer words, strings and numbers are cut to this
// many characters (the rest is consumed) and IsTokenCut() reports it.
constexpr int32_t kMaxTokenLength = 511;

// Starts reading `text` at its first character and reads the first token.
int32_t BeginScript(const VString& text);
// Reads the next token and returns its kind. At the end of the text (or before
// any text was started) the kind is kTokenEnd on every call.
int32_t NextToken();
int32_t GetTokenKind();
// The current token's text, zero-terminated (empty for braces, commas and the
// end). Owned by the tokenizer; valid until the next token is read.
const char* GetTokenText();
// The value of the last number token.
double GetTokenNumber();
// True when the current token was longer than kMaxTokenLength and was cut.
bool IsTokenCut();

// True when the current token is a word equal to `keyword` without regard to
// the case of ASCII letters; it is then consumed. Otherwise nothing changes.
bool AcceptKeyword(const char* keyword);
// The keyword followed by "{": both consumed, true. A keyword that does not
// match consumes nothing; a match without "{" after it stays consumed and the
// result is false. False before any text was started.
bool OpenBlock(const char* keyword);
// True and consumed when the current token is "}". False before any text.
bool CloseBlock();

// Value readers: each checks the current token's kind, stores the value and
// moves on; on a wrong kind they return false and consume nothing. The
// multi-number readers store number by number and return false at the first
// token that is not a number, the earlier parts already stored.
// Integers are the value truncated toward zero, saturated to 32 bits; the id is
// the low 16 bits of that.
bool ReadIntValue(int32_t& value);
bool ReadLongValue(int32_t& value);
bool ReadIdValue(uint16_t& value);
bool ReadFloatValue(float& value);
bool ReadTextValue(VString& value);
// Parses the word with ItemRef::ParseItemRef; a malformed text gives whatever
// the parse computes (callers test IsItemRefValid).
bool ReadItemRefValue(ItemRef& value);
bool ReadFloatPairValue(float& first, float& second);
// Four numbers in the order left, top, right, bottom.
bool ReadRectValue(VFRect& value);
// Three numbers day, month, year, set with VTime::SetDate(year, month, day).
bool ReadDateValue(VTime& value);

// Field readers: the keyword, then the value. Without the keyword nothing is
// consumed and the result is `optional`; with it, the value reader's result.
bool ReadIdField(const char* keyword, uint16_t& value, bool optional);
bool ReadIntField(const char* keyword, int32_t& value, bool optional);
bool ReadLongField(const char* keyword, int32_t& value, bool optional);
bool ReadFloatField(const char* keyword, float& value, bool optional);
bool ReadTextField(const char* keyword, VString& value, bool optional);
bool ReadItemRefField(const char* keyword, ItemRef& value, bool optional);
bool ReadFloatPairField(const char* keyword, float& first, float& second, bool optional);
bool ReadRectField(const char* keyword, VFRect& value, bool optional);
bool ReadDateField(const char* keyword, VTime& value, bool optional);

// Clears `out`, then reads the TEXT medium `mediaId` from the archive that
// serves it (GetArchiveForMedia) into it, up to its first zero byte; trims it
// when `trim` is set. A missing medium leaves the string empty; the result
// says whether the medium was read.
bool LoadTextMedia(VString& out, uint16_t mediaId, bool trim);
// The same for a file on disk. When it cannot be opened the string becomes
// "ERROR: cannot open file " followed by the name, and the result is false.
bool LoadTextFile(VString& out, const char* fileName, bool trim);
