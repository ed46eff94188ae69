// The mark-up language of the HTML text control: its tag table, the
// attribute readers, the entity table and the escaping of plain characters,
// and the effects of opening and closing tags on the layout state (fonts,
// colours, links, alignment, line breaks and the boxes of tables, lists,
// subscripts and superscripts). Tags are read one at a time while the text
// is laid out.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/VGeometry.h"
#include "engine/core/VString.h"

class VHTMLTextControl;
class VTextBox;

// Tag numbers (places in the tag table). kTagCount: a name not in the table.
enum MarkupTagNumber : int32_t {
  kTagBr = 0,
  kTagHr = 1,
  kTagP = 2,
  kTagA = 3,
  kTagFont = 4,
  kTagTh = 5,
  kTagTd = 6,
  kTagTr = 7,
  kTagStrong = 21,
  kTagCenter = 22,
  kTagTable = 30,
  kTagLink = 36,
  kTagBody = 39,
  kTagHead = 40,
  kTagImg = 51,
  kTagSub = 58,
  kTagSup = 59,
  kTagH1 = 60,
  kTagH6 = 65,
  kTagEm = 66,
  kTagUl = 71,
  kTagLi = 72,
  kTagB = 74,
  kTagI = 75,
  kTagU = 76,
  kTagCount = 78,
};

// The table's name of a tag number (null outside 0..77).
const char* MarkupTagName(int32_t number);
// The number of a tag name (any case), kTagCount when unknown.
int32_t FindMarkupTagNumber(const char* name, int32_t length);

// One scanned tag: its number and the attribute text, a range of the text.
class MarkupTag {
 public:
  // Reads the tag at `position` (just after "<" or "</") of text[0..end):
  // the name ends at a character of code 32 or below or at ">"; blanks are
  // skipped; the attribute text runs to the next ">" (or the end);
  // `position` moves past that ">".
  static MarkupTag Scan(const char* text, int32_t end, int32_t& position);

  int32_t number = kTagCount;
  const char* attributes = nullptr;
  int32_t attributeLength = 0;

  // What FindAttribute found.
  enum class Found { kAbsent, kWithoutValue, kValue };
  // Searches the attribute text for `name` (without case; an attribute
  // whose name begins with `name` matches), "=" (blanks around it allowed)
  // and a value in double quotes or up to the next blank. The value never
  // runs past the attribute text.
  Found FindAttribute(const char* name, const char** value, int32_t* length) const;
  // The value as a new string (empty when present without value); null
  // when absent. Owned by the caller.
  std::unique_ptr<VString> GetString(const char* name) const;
  // Optional sign and decimal digits; -1 present without value, 0 absent.
  // Saturates at the 32-bit limits.
  int32_t GetInteger(const char* name) const;
  // "#rrggbb" (the "#" optional, hexadecimal digits of either case, short
  // values filled from the left); false when absent or without value.
  bool GetColor(const char* name, VRGBColor& color) const;
  // left 1, right 4, center/top/bottom/middle/absmiddle 18, justify 1;
  // anything else the default.
  int32_t GetAlignment(const char* name, int32_t defaultAlignment) const;
};

// The entity table: 256 codes then "ensp", "emsp", "endash", "emdash",
// "trade".
inline constexpr int32_t kEntityCount = 261;
// The name of entry i (null for unnamed entries or outside the table).
const char* EntityName(int32_t index);
// The replacement text of entry i (null outside the table).
const char* EntityText(int32_t index);
// The replacement of the reference at text ("&..."; at most `available`
// characters are read); length receives the characters of the reference up
// to its ";" (excluded), a blank or the end. Null when the reference has no
// replacement (then it is plain text).
const char* DecodeMarkupEntity(const char* text, int32_t available, int32_t& length);
// The mark-up for one plain character: "<BR>" for CR and LF, "&amp;",
// "&lt;", "&gt;" (true); other characters stand for themselves (false).
bool EscapeMarkupChar(uint8_t character, VString& out);

// The tag effects while a box of the control is laid out.
class MarkupParser {
 public:
  // An opening tag read at the box's line loop; position is after the tag
  // and may move (boxes lay out their content up to their closing tag).
  static void ParseMarkupTag(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, uint16_t& state,
                             int32_t& position, int32_t tagStart);
  // A closing tag; true when it closes the box being laid out. position is
  // after the tag; it moves back to tagStart when an enclosing box must read
  // the tag again.
  static bool FinishMarkupTag(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, uint16_t& state,
                              int32_t& position, int32_t tagStart);
};
