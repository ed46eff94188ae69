#include "title/modules/photos/PhotoItem.h"

#include <cctype>

#include "engine/script/CategoryTables.h"
#include "engine/script/ScriptLexer.h"

namespace {

// Whether the current token is the keyword (ASCII letters without case);
// nothing is consumed.
bool AtKeyword(const char* keyword) {
  if (GetTokenKind() != kTokenWord) return false;
  const char* text = GetTokenText();
  for (; *text != '\0' && *keyword != '\0'; ++text, ++keyword) {
    if (std::toupper(static_cast<unsigned char>(*text)) != std::toupper(static_cast<unsigned char>(*keyword))) {
      return false;
    }
  }
  return *text == '\0' && *keyword == '\0';
}

}  // namespace

PhotoItem::PhotoItem(const ItemRef& item) : item_(item) {}

PhotoItem::~PhotoItem() = default;

void PhotoItem::GetText(VString& out) const { out = text_; }

bool PhotoItem::LoadHotspots() {
  LoadTextMedia(text_, Offset(kTextOffset), true);
  if (AtKeyword("HOTSPOTS")) hotspots_.Load();
  return true;
}

bool PhotoItem::LoadRecord(const ItemRef& item, int32_t table, const char* keyword) {
  hotspots_.DeleteAll();
  text_.Clear();
  base_ = GetItemBaseMediaId(table, item.GetNumber());
  if (base_ == 0) return false;
  VString record;
  LoadTextMedia(record, base_, false);
  BeginScript(record);
  bool blockInRecord = false;
  if (OpenBlock(keyword)) {
    ItemRef id;
    // An ID that names no item (a number beyond 999, a category no table
    // has) would mark a wrong flag of the visit history: it is not taken.
    if (ReadItemRefField("ID", id, true) && id.IsItemRefValid()) item_ = id;
    blockInRecord = AtKeyword("HOTSPOTS");
    LoadHotspots();
    CloseBlock();
  } else {
    // Without its block the item keeps its reference; its text is its own.
    LoadTextMedia(text_, Offset(kTextOffset), true);
  }
  if (!blockInRecord) {
    // No block in the record: the hotspots at the start of the item's text.
    BeginScript(text_);
    if (AtKeyword("HOTSPOTS")) {
      hotspots_.Load();
      text_.Clear();
    }
  }
  return true;
}
