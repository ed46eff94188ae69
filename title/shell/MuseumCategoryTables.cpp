#include "title/shell/MuseumCategoryTables.h"

#include "engine/core/VString.h"
#include "engine/script/ScriptLexer.h"

bool MuseumCategoryTables::LoadCategoryTable(int32_t table, uint16_t mediaId) {
  VString text;
  if (!LoadTextMedia(text, mediaId, false)) {
    for (int32_t i = 0; i < kEntryCount; ++i) SetCategoryEntry(table, i, static_cast<uint32_t>(-1));
    return false;
  }
  return ParseCategoryTable(table, text);
}

bool MuseumCategoryTables::ParseCategoryTable(int32_t table, const VString& text) {
  for (int32_t i = 0; i < kEntryCount; ++i) {
    if (!SetCategoryEntry(table, i, static_cast<uint32_t>(-1))) return false;  // no such table
  }
  BeginScript(text);
  for (int32_t i = 0; i < kEntryCount; ++i) {
    int32_t value = 0;
    if (!ReadIntValue(value)) return false;  // not a number ("+" is a token of its own)
    SetCategoryEntry(table, i, static_cast<uint32_t>(value));
    if (GetTokenKind() != kTokenComma) return false;
    NextToken();
  }
  return true;
}

bool MuseumCategoryTables::LoadCategoryTables() {
  bool all = true;
  for (const int32_t table : kLoadOrder) {
    if (!LoadCategoryTable(table, static_cast<uint16_t>(table))) all = false;
  }
  return all;
}

int32_t MuseumCategoryTables::GetEntry(int32_t table, int32_t itemNumber) const {
  uint32_t entry = 0;
  if (!GetCategoryEntry(table, itemNumber, entry)) return -1;
  return static_cast<int32_t>(entry);
}

MuseumCategoryTables& GetMuseumCategoryTables() {
  static auto* tables = new MuseumCategoryTables();
  return *tables;
}

bool LoadCategoryTables() { return GetMuseumCategoryTables().LoadCategoryTables(); }
