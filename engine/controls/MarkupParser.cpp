#include "engine/controls/MarkupParser.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextBox.h"
#include "engine/graphics/VFont.h"
#include "engine/graphics/VPicture.h"

namespace {

constexpr const char* kTagNames[kTagCount] = {
    "br",      "hr",     "p",       "a",        "font",      "th",         "td",        "tr",
    "htmltagje1", "blockquote", "plaintext", "textarea", "footnote", "abstract", "frameset", "cdoemail",
    "address", "isindex", "listing", "printed",  "caption",   "strong",     "center",    "select",
    "option",  "nextid", "online",  "margin",   "nowrap",    "script",     "table",     "input",
    "title",   "frame",  "meta",    "code",     "link",      "base",       "html",      "body",
    "head",    "cite",   "samp",    "menu",     "form",      "math",       "note",      "area",
    "pre",     "dir",    "!",       "img",      "kbd",       "var",        "dfn",       "fig",
    "lit",     "map",    "sub",     "sup",      "h1",        "h2",         "h3",        "h4",
    "h5",      "h6",     "em",      "tt",       "dl",        "dt",         "dd",        "ul",
    "li",      "ol",     "b",       "i",        "u",         "unknown tag",
};

// Names of the codes 160 to 255.
constexpr const char* kLatinNames[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

struct EntityTable {
  char codes[256][2];
  EntityTable() {
    for (int32_t c = 0; c < 256; ++c) {
      const bool own = c == 9 || c == 10 || c == 13 || (c >= 32 && c <= 126) || c >= 160;
      codes[c][0] = own ? static_cast<char>(c) : '#';
      codes[c][1] = 0;
    }
    // The apostrophe and the grave accent trade places.
    codes[39][0] = '`';
    codes[96][0] = '\'';
  }
};

const EntityTable& Entities() {
  static const EntityTable table;
  return table;
}

uint8_t Lower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; }

bool IsHexDigit(uint8_t c) { return (c >= '0' && c <= '9') || (Lower(c) >= 'a' && Lower(c) <= 'f'); }

int32_t HexValue(uint8_t c) { return c <= '9' ? c - '0' : Lower(c) - 'a' + 10; }

// Reads an optional sign and digits, saturating; digits counts the digits.
int32_t ParseInteger(const char* text, int32_t length, int32_t* digits) {
  int32_t i = 0;
  bool negative = false;
  if (i < length && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  int32_t n = 0;
  for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i, ++n) {
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT32_MAX});
  }
  if (digits != nullptr) *digits = n;
  return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace

const char* MarkupTagName(int32_t number) { return number >= 0 && number < kTagCount ? kTagNames[number] : nullptr; }

int32_t FindMarkupTagNumber(const char* name, int32_t length) {
  for (int32_t t = 0; t < kTagCount; ++t) {
    const char* candidate = kTagNames[t];
    const int32_t n = static_cast<int32_t>(std::strlen(candidate));
    if (n != length) continue;
    bool same = true;
    for (int32_t i = 0; i < n && same; ++i) same = Lower(static_cast<uint8_t>(name[i])) == static_cast<uint8_t>(candidate[i]);
    if (same) return t;
  }
  return kTagCount;
}

// ---------------------------------------------------------------------------
// Tags and attributes

MarkupTag MarkupTag::Scan(const char* text, int32_t end, int32_t& position) {
  MarkupTag tag;
  int32_t p = std::clamp(position, 0, end);
  const int32_t nameStart = p;
  while (p < end && static_cast<uint8_t>(text[p]) > 32 && text[p] != '>') ++p;
  tag.number = FindMarkupTagNumber(text + nameStart, p - nameStart);
  int32_t attributes = p;
  if (tag.number == kTagCount) {
    attributes = nameStart;
  } else {
    while (attributes < end && static_cast<uint8_t>(text[attributes]) <= 32) ++attributes;
  }
  int32_t close = attributes;
  while (close < end && text[close] != '>') ++close;
  tag.attributes = text + attributes;
  tag.attributeLength = close - attributes;
  position = close < end ? close + 1 : end;
  return tag;
}

MarkupTag::Found MarkupTag::FindAttribute(const char* name, const char** value, int32_t* length) const {
  const char* t = attributes;
  const int32_t n = attributeLength;
  const int32_t nameLength = static_cast<int32_t>(std::strlen(name));
  int32_t i = 0;
  while (i < n) {
    while (i < n && static_cast<uint8_t>(t[i]) <= 32) ++i;
    if (i >= n) break;
    const int32_t start = i;
    while (i < n && static_cast<uint8_t>(t[i]) > 32 && t[i] != '=') ++i;
    bool match = i - start >= nameLength;
    for (int32_t k = 0; k < nameLength && match; ++k) {
      match = Lower(static_cast<uint8_t>(t[start + k])) == Lower(static_cast<uint8_t>(name[k]));
    }
    int32_t j = i;
    while (j < n && static_cast<uint8_t>(t[j]) <= 32) ++j;
    if (j >= n || t[j] != '=') {
      if (match) return Found::kWithoutValue;
      continue;
    }
    ++j;
    while (j < n && static_cast<uint8_t>(t[j]) <= 32) ++j;
    int32_t valueStart = j, valueEnd = j;
    if (j < n && t[j] == '"') {
      valueStart = ++j;
      while (j < n && t[j] != '"') ++j;
      valueEnd = j;
      if (j < n) ++j;
    } else {
      while (j < n && static_cast<uint8_t>(t[j]) > 32) ++j;
      valueEnd = j;
    }
    if (match) {
      if (value != nullptr) *value = t + valueStart;
      if (length != nullptr) *length = valueEnd - valueStart;
      return Found::kValue;
    }
    i = j;
  }
  return Found::kAbsent;
}

std::unique_ptr<VString> MarkupTag::GetString(const char* name) const {
  const char* value = nullptr;
  int32_t length = 0;
  const Found found = FindAttribute(name, &value, &length);
  if (found == Found::kAbsent) return nullptr;
  auto result = std::make_unique<VString>();
  if (found == Found::kValue) {
    for (int32_t i = 0; i < length; ++i) result->AppendChar(value[i]);
  }
  return result;
}

int32_t MarkupTag::GetInteger(const char* name) const {
  const char* value = nullptr;
  int32_t length = 0;
  const Found found = FindAttribute(name, &value, &length);
  if (found == Found::kAbsent) return 0;
  if (found == Found::kWithoutValue) return -1;
  return ParseInteger(value, length, nullptr);
}

bool MarkupTag::GetColor(const char* name, VRGBColor& color) const {
  const char* value = nullptr;
  int32_t length = 0;
  if (FindAttribute(name, &value, &length) != Found::kValue) return false;
  int32_t i = 0;
  if (i < length && value[i] == '#') ++i;
  uint8_t bytes[3] = {0, 0, 0};
  for (int32_t position = 0; position < 6; ++position) {
    if (i < length && IsHexDigit(static_cast<uint8_t>(value[i]))) {
      uint8_t& b = bytes[position / 2];
      b = static_cast<uint8_t>((b << 4) | HexValue(static_cast<uint8_t>(value[i])));
      ++i;
    }
  }
  color = VRGBColor(bytes[0], bytes[1], bytes[2]);
  return true;
}

int32_t MarkupTag::GetAlignment(const char* name, int32_t defaultAlignment) const {
  const char* value = nullptr;
  int32_t length = 0;
  if (FindAttribute(name, &value, &length) != Found::kValue) return defaultAlignment;
  static const struct {
    const char* word;
    int32_t alignment;
  } kWords[] = {{"left", 1},    {"right", 4},     {"center", 18},    {"justify", 1}, {"justified", 1},
                {"top", 18},    {"bottom", 18},   {"absmiddle", 18}, {"middle", 18}};
  for (const auto& w : kWords) {
    const int32_t n = static_cast<int32_t>(std::strlen(w.word));
    if (length < n) continue;
    bool same = true;
    for (int32_t k = 0; k < n && same; ++k) same = Lower(static_cast<uint8_t>(value[k])) == static_cast<uint8_t>(w.word[k]);
    if (same) return w.alignment;
  }
  return defaultAlignment;
}

// ---------------------------------------------------------------------------
// Entities and escaping

const char* EntityName(int32_t index) {
  switch (index) {
    case 34: return "quot";
    case 38: return "amp";
    case 60: return "lt";
    case 62: return "gt";
    case 256: return "ensp";
    case 257: return "emsp";
    case 258: return "endash";
    case 259: return "emdash";
    case 260: return "trade";
    default: break;
  }
  return index >= 160 && index <= 255 ? kLatinNames[index - 160] : nullptr;
}

const char* EntityText(int32_t index) {
  if (index >= 0 && index < 256) return Entities().codes[index];
  switch (index) {
    case 256: return " ";
    case 257: return "  ";
    case 258: return "-";
    case 259: return "--";
    case 260: return "(TM)";
    default: return nullptr;
  }
}

const char* DecodeMarkupEntity(const char* text, int32_t available, int32_t& length) {
  length = 0;
  if (text == nullptr || available < 2 || text[0] != '&') return nullptr;
  const uint8_t first = static_cast<uint8_t>(text[1]);
  if (first == ';' || first <= 32) return nullptr;
  if (first == '#') {
    int32_t digits = 0;
    int32_t i = 2;
    int64_t value = 0;
    for (; i < available && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
      value = std::min<int64_t>(value * 10 + (text[i] - '0'), 100000);
    }
    if (i < available && text[i] != ';' && static_cast<uint8_t>(text[i]) > 32) return nullptr;
    if (digits == 0 || value > 255) return nullptr;
    length = i;
    return EntityText(static_cast<int32_t>(value));
  }
  int32_t i = 1;
  while (i < available && static_cast<uint8_t>(text[i]) > 32 && text[i] != ';' && text[i] != '&' && text[i] != '<') {
    ++i;
  }
  length = i;
  const bool terminated = i >= available || text[i] == ';' || static_cast<uint8_t>(text[i]) <= 32;
  if (terminated) {
    const int32_t nameLength = i - 1;
    for (int32_t e = 0; e < kEntityCount; ++e) {
      const char* name = EntityName(e);
      if (name != nullptr && static_cast<int32_t>(std::strlen(name)) == nameLength &&
          std::memcmp(name, text + 1, static_cast<size_t>(nameLength)) == 0) {
        return EntityText(e);
      }
    }
  }
  // A name found nowhere stands for one blank.
  return " ";
}

bool EscapeMarkupChar(uint8_t character, VString& out) {
  out.Clear();
  switch (character) {
    case 13:
    case 10: out.Assign("<BR>"); return true;
    case '&': out.Assign("&amp;"); return true;
    case '<': out.Assign("&lt;"); return true;
    case '>': out.Assign("&gt;"); return true;
    default: out.AppendChar(static_cast<char>(character)); return false;
  }
}

// ---------------------------------------------------------------------------
// Tag effects

namespace {

constexpr int32_t kIndent = 20;

// A width attribute: n pixels, or n% of the parent's width - 4; 0 without.
int32_t WidthAttribute(const MarkupTag& tag, int32_t parentWidth) {
  const char* value = nullptr;
  int32_t length = 0;
  if (tag.FindAttribute("width", &value, &length) != MarkupTag::Found::kValue) return 0;
  int32_t digits = 0;
  int64_t n = ParseInteger(value, length, &digits);
  if (digits == 0) return 0;
  int32_t k = 0;
  while (k < length && ((value[k] >= '0' && value[k] <= '9') || value[k] == '-' || value[k] == '+')) ++k;
  if (k < length && value[k] == '%') n = int64_t{parentWidth} * n / 100 - 4;
  return static_cast<int32_t>(std::clamp<int64_t>(n, 0, 32767));
}

int16_t Padding(int32_t n) { return static_cast<int16_t>(((std::clamp(n, 0, 1000) + 1) & ~1) + 2); }

// A nested box at the parent's pen and line top; null beyond the nesting
// limit or without memory (the content then stays in the parent).
VTextBox* OpenBox(VHTMLTextControl& control, VTextBox& parent, int32_t tag, int16_t rowPadding,
                  int16_t columnPadding) {
  if (control.NestingDepth() >= VTextControl::kMaxNesting) return nullptr;
  auto* box = new (std::nothrow) VTextBox(&control, &parent, tag, rowPadding, columnPadding, parent.currentPage);
  if (box == nullptr) return nullptr;
  box->SetOrigin(parent.penX);
  box->SetTop(parent.lineTop);
  box->alignment = control.GetAlignment();
  return box;
}

int32_t LayoutBox(VTextBox& box, int32_t position, int32_t limit) { return box.Layout(position, limit); }

void ReadBackground(const MarkupTag& tag, VTextBox& box) {
  VRGBColor color;
  if (tag.GetColor("bgcolor", color)) {
    box.background = color;
    box.noBackground = false;
  }
}

// Adds the box's segment to the parent (the box is owned by it from then
// on); deletes the box when no segment could be added.
VTextSegment* LinkBox(VHTMLTextControl& control, VTextBox& parent, VTextBox* box, uint32_t kind, int32_t start,
                      int32_t consumed, int32_t width, int32_t height) {
  VTextSegment* s = parent.AddSegment(kind, start, 0, consumed, 0xFFFF, -1, width, height, control.GetCurrentColor(),
                                      control.GetCurrentFont());
  if (s == nullptr) {
    delete box;
    return nullptr;
  }
  s->box = box;
  box->SetLinkedSegment(s);
  parent.lineHeight = std::max(parent.lineHeight, height);
  parent.penX += width;
  parent.widestLine = std::max(parent.widestLine, parent.penX);
  return s;
}

int32_t FontSizeAttribute(const MarkupTag& tag, VFont* current, VFont* defaultFont, bool* found) {
  const char* value = nullptr;
  int32_t length = 0;
  *found = tag.FindAttribute("size", &value, &length) == MarkupTag::Found::kValue && length > 0;
  const int32_t currentSize = current != nullptr ? current->GetSize() : 12;
  if (!*found) return currentSize;
  const int32_t base = defaultFont != nullptr ? defaultFont->GetSize() : 12;
  const int32_t n = ParseInteger(value, length, nullptr);
  int64_t size;
  if (value[0] == '-' || value[0] == '+') {
    size = int64_t{currentSize} + n;
  } else if (n == 1) {
    size = base - 2;
  } else if (n == 2) {
    size = base - 1;
  } else if (n == 3) {
    size = base;
  } else {
    size = int64_t{base} + n;
  }
  return static_cast<int32_t>(std::clamp<int64_t>(size, 1, 400));
}

void OpenFont(VHTMLTextControl& control, const MarkupTag& tag) {
  VFont* current = control.GetCurrentFont();
  VFont* font = nullptr;
  const int32_t resid = tag.GetInteger("resid");
  if (resid > 0 && resid <= 65535) {
    const int32_t metrics = std::clamp(tag.GetInteger("residmetrics"), 0, 65535);
    font = FindFontById(static_cast<uint16_t>(resid), static_cast<uint16_t>(metrics));
  } else if (current != nullptr) {
    std::unique_ptr<VString> face = tag.GetString("face");
    if (face != nullptr && face->IsEmpty()) face.reset();
    bool sized = false;
    const int32_t size = FontSizeAttribute(tag, current, control.GetDefaultFont(), &sized);
    // Without face and size the font stays as it is.
    if (face != nullptr || sized) {
      font = FindOrCreateFont(face != nullptr ? face->GetChars() : current->GetName().GetChars(), size,
                              current->GetStyle(), control.GetLayoutPort(), current->IsSystemFont());
    }
  }
  control.PushFont(font != nullptr ? font : current);
  VRGBColor color;
  control.PushColor(tag.GetColor("color", color) ? color : control.GetCurrentColor());
}

VPicture* LoadImage(VHTMLTextControl& control, const MarkupTag& tag) {
  VPicture* picture = nullptr;
  const int32_t resid = tag.GetInteger("resid");
  if (resid > 0 && resid <= 65535) {
    picture = new (std::nothrow) VPicture(static_cast<uint16_t>(resid));
  } else if (std::unique_ptr<VString> src = tag.GetString("src"); src != nullptr && !src->IsEmpty()) {
    picture = control.LoadPicture(*src);
  }
  if (picture != nullptr && picture->GetPixelMap() == nullptr) {
    picture->Release();
    picture = nullptr;
  }
  return picture;
}

void AddImage(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, uint16_t state) {
  VPicture* picture = LoadImage(control, tag);
  if (picture == nullptr) return;
  const VRect& bounds = picture->GetFullBounds();
  const int32_t width = std::clamp(bounds.GetWidth(), 0, 32767);
  const int32_t height = std::clamp(bounds.GetHeight(), 0, 32767);
  const uint32_t kind = kSegmentPicture | (state & kMarkupInLink);
  const int32_t align = tag.GetAlignment("align", kAlignCenter);
  if (align == kAlignLeft || align == kAlignRight) {
    box.AddFloatingPicture(picture, align == kAlignLeft, width, height, kind);
    return;
  }
  if (box.penX > 0 && box.penX + width > box.GetWidth()) box.FinishLine(false);
  box.lineHeight = std::max(box.lineHeight, height);
  VTextSegment* s = box.AddSegment(kind, 0, 0, 0, 0xFFFF, -1, width, height, control.GetCurrentColor(),
                                   control.GetCurrentFont());
  if (s == nullptr) {
    picture->Release();
    return;
  }
  s->picture = picture;
  box.penX += width;
  box.widestPicture = std::max(box.widestPicture, width);
  box.widestLine = std::max(box.widestLine, box.penX);
}

void OpenCell(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, int32_t& position) {
  VTextBox* cell = OpenBox(control, box, tag.number, box.rowPadding, box.columnPadding);
  if (cell == nullptr) return;
  cell->flags = box.flags & 1;
  cell->alignment = tag.GetAlignment("align", control.GetAlignment());
  ReadBackground(tag, *cell);
  cell->fixedWidth = WidthAttribute(tag, box.GetWidth());
  if (cell->fixedWidth > 0) cell->SetWidth(cell->fixedWidth);
  const int32_t start = position;
  position = LayoutBox(*cell, position, 0);
  const int32_t width = cell->fixedWidth > 0 ? cell->fixedWidth : cell->widestLine;
  LinkBox(control, box, cell, kSegmentCell, start, position - start, width, cell->GetHeight());
}

void OpenRow(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, int32_t& position) {
  box.FinishLine(false);
  VTextBox* row = OpenBox(control, box, kTagTr, box.rowPadding, box.columnPadding);
  if (row == nullptr) return;
  row->flags = box.flags & 1;
  row->alignment = tag.GetAlignment("align", control.GetAlignment());
  ReadBackground(tag, *row);
  const int32_t start = position;
  position = LayoutBox(*row, position, 0);
  if (position - start <= 5) {
    delete row;
    return;
  }
  if (LinkBox(control, box, row, kSegmentRow, start, position - start, row->widestLine, row->GetHeight()) != nullptr) {
    box.FinishLine(false);
  }
}

void OpenTable(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, int32_t& position) {
  if (control.TableDepth() >= VTextControl::kMaxTableNesting) return;
  VTextBox* table = OpenBox(control, box, kTagTable, 0, 0);
  if (table == nullptr) return;
  struct TableCount {
    int32_t& depth;
    explicit TableCount(int32_t& d) : depth(d) { ++depth; }
    ~TableCount() { --depth; }
  } tableCount(control.TableDepth());
  const MarkupTag::Found border = tag.FindAttribute("border", nullptr, nullptr);
  if (border == MarkupTag::Found::kWithoutValue || (border == MarkupTag::Found::kValue && tag.GetInteger("border") > 0)) {
    table->flags |= 1;
  }
  if (tag.FindAttribute("cellpadding", nullptr, nullptr) == MarkupTag::Found::kValue) {
    table->rowPadding = table->columnPadding = Padding(tag.GetInteger("cellpadding"));
  }
  if (tag.FindAttribute("rowpadding", nullptr, nullptr) == MarkupTag::Found::kValue) {
    table->rowPadding = Padding(tag.GetInteger("rowpadding"));
  }
  if (tag.FindAttribute("columnpadding", nullptr, nullptr) == MarkupTag::Found::kValue) {
    table->columnPadding = Padding(tag.GetInteger("columnpadding"));
  }
  table->alignment = tag.GetAlignment("align", control.GetAlignment());
  ReadBackground(tag, *table);
  const int32_t width = WidthAttribute(tag, box.GetWidth());
  if (width > 0) {
    table->SetWidth(width);
    table->fixedWidth = width;
  }
  const int32_t start = position;
  position = LayoutBox(*table, position, 0);
  if (position - start <= 8) {
    delete table;
    return;
  }
  auto place = [&]() {
    const int32_t lineStartX = box.FloatWidthAt(true, box.lineTop) + box.Gap();
    const int32_t room = box.GetWidth() - box.FloatWidthAt(false, box.lineTop);
    if (box.penX > lineStartX && box.penX + table->widestLine > room) box.FinishLine(false);
    table->SetOrigin(box.penX);
    table->SetTop(box.lineTop);
  };
  if (control.IsPaged()) place();
  table->LayoutTable();
  place();
  LinkBox(control, box, table, kSegmentTable, start, position - start, table->widestLine, table->GetHeight());
}

void OpenList(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, int32_t& position, bool item) {
  box.FinishLine(false);
  if (item) {
    VFont* font = control.GetCurrentFont();
    box.AddSegment(kSegmentBullet, 0, 0, 0, 0xFFFF, -1, kIndent, font != nullptr ? font->GetSize() : 0,
                   control.GetCurrentColor(), font);
  }
  box.penX += kIndent;
  VTextBox* list = OpenBox(control, box, item ? kTagLi : kTagUl, 0, 0);
  if (list == nullptr) return;
  list->SetWidth(std::max(box.GetWidth() - kIndent, 1));
  ReadBackground(tag, *list);
  const int32_t start = position;
  position = LayoutBox(*list, position, 0);
  const int32_t width = std::max(list->GetWidth(), list->widestLine);
  LinkBox(control, box, list, item ? kSegmentListItem : kSegmentList, start, position - start, width,
          list->GetHeight());
}

void OpenScript(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, int32_t& position) {
  VFont* current = control.GetCurrentFont();
  const int32_t before = current != nullptr ? current->GetSize() : 0;
  VTextBox* script = OpenBox(control, box, tag.number, 0, 0);
  if (script == nullptr) return;
  if (current != nullptr) {
    VFont* small = FindOrCreateFont(current->GetName().GetChars(), std::max(before * 4 / 5, 1), current->GetStyle(),
                                    control.GetLayoutPort(), current->IsSystemFont());
    control.PushFont(small != nullptr ? small : current);
  }
  const int32_t start = position;
  position = LayoutBox(*script, position, 0);
  script->SetWidth(script->widestLine);
  const int32_t height =
      tag.number == kTagSup ? script->GetHeight() + before / 2 : script->GetHeight() - before / 6;
  LinkBox(control, box, script, tag.number == kTagSup ? kSegmentSuperscript : kSegmentSubscript, start,
          position - start, script->widestLine, height);
  if (current != nullptr) control.PopFont();
}

}  // namespace

void MarkupParser::ParseMarkupTag(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, uint16_t& state,
                                  int32_t& position, int32_t) {
  switch (tag.number) {
    case kTagBr:
      state |= kMarkupLineBreak;
      break;
    case kTagP:
      box.FinishLine(false);
      box.lineTop += 8;
      box.alignment = tag.GetAlignment("align", control.GetAlignment());
      break;
    case kTagA:
    case kTagLink: {
      const char* value = nullptr;
      int32_t length = 0;
      const char* text = control.GetChars();
      if (tag.FindAttribute("href", &value, &length) == MarkupTag::Found::kValue) {
        box.AddSegment(kSegmentLinkStart, static_cast<int32_t>(value - text), length, 0, 0xFFFF, -1, 0, 0,
                       control.GetCurrentColor(), control.GetCurrentFont());
        state |= kMarkupInLink;
      }
      if (tag.FindAttribute("name", &value, &length) == MarkupTag::Found::kValue) {
        box.AddSegment(kSegmentAnchor, static_cast<int32_t>(value - text), length, 0, 0xFFFF, -1, 0, 0,
                       control.GetCurrentColor(), control.GetCurrentFont());
      }
      break;
    }
    case kTagFont:
      OpenFont(control, tag);
      break;
    case kTagTh:
    case kTagTd:
      OpenCell(control, box, tag, position);
      break;
    case kTagTr:
      OpenRow(control, box, tag, position);
      break;
    case kTagTable:
      OpenTable(control, box, tag, position);
      break;
    case kTagStrong:
    case kTagB:
      control.PushFontStyle(1);
      break;
    case kTagEm:
    case kTagI:
      control.PushFontStyle(2);
      break;
    case kTagU:
      control.PushFontStyle(4);
      break;
    case kTagCenter:
      box.FinishLine(false);
      box.alignment = kAlignCenter;
      break;
    case kTagBody: {
      ReadBackground(tag, box);
      VRGBColor color;
      if (tag.GetColor("text", color)) control.PushColor(color);
      if (tag.GetColor("link", color)) control.SetLinkColor(color);
      break;
    }
    case kTagHead:
      state |= kMarkupHidden;
      break;
    case kTagImg:
      AddImage(control, box, tag, state);
      break;
    case kTagSub:
    case kTagSup:
      OpenScript(control, box, tag, position);
      break;
    case kTagUl:
      OpenList(control, box, tag, position, false);
      break;
    case kTagLi:
      OpenList(control, box, tag, position, true);
      break;
    default:
      if (tag.number >= kTagH1 && tag.number <= kTagH6) {
        static constexpr int32_t kGrowth[6] = {8, 6, 4, 3, 2, 1};
        const int32_t level = tag.number - kTagH1;
        if (level < 3) {
          control.PushFontStyle(1);
          control.PushFontSize(kGrowth[level]);
        } else {
          control.PushFontSize(kGrowth[level]);
          control.PushFontStyle(1);
        }
        state |= kMarkupHeading;
      }
      break;
  }
}

bool MarkupParser::FinishMarkupTag(VHTMLTextControl& control, VTextBox& box, const MarkupTag& tag, uint16_t& state,
                                   int32_t& position, int32_t tagStart) {
  switch (tag.number) {
    case kTagP:
    case kTagCenter:
      box.FinishLine(false);
      box.alignment = control.GetAlignment();
      return false;
    case kTagA:
    case kTagLink:
      state &= static_cast<uint16_t>(~kMarkupInLink);
      return false;
    case kTagFont:
      control.PopFont();
      control.PopColor();
      return false;
    case kTagTh:
    case kTagTd:
    case kTagTr:
    case kTagTable:
    case kTagSub:
    case kTagSup:
    case kTagUl:
    case kTagLi: {
      if (box.GetParent() == nullptr || box.GetTag() < 0) return false;
      // Another box's closing tag: the enclosing box reads it again.
      if (box.GetTag() != tag.number) position = tagStart;
      VFont* font = control.GetCurrentFont();
      const int32_t height = font != nullptr ? font->GetSize() : 5;
      box.AddSegment(kSegmentEnd, tagStart, 0, 0, 0xFFFF, -1, 1, height, control.GetCurrentColor(), font);
      box.lineHeight = std::max(box.lineHeight, height);
      box.penX = std::max(box.penX, 1);
      return true;
    }
    case kTagStrong:
    case kTagB:
    case kTagEm:
    case kTagI:
    case kTagU:
      control.PopFont();
      return false;
    case kTagHead:
      state &= static_cast<uint16_t>(~kMarkupHidden);
      return false;
    default:
      if (tag.number >= kTagH1 && tag.number <= kTagH6) {
        control.PopFont();
        control.PopFont();
        state |= kMarkupHeading;
      }
      return false;
  }
}
