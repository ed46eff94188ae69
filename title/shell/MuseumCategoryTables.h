// The title's twelve category tables, read at start from TEXT media 1 to 12
// of the language archive: table t maps an item number 0..999 to the base
// media id of that item's content (-1 or 0 for none; GetItemBaseMediaId
// answers 0 for both). Tables are numbered by their TEXT media id and stored
// under that number in the engine's table interface.
//
// The text of a table is exactly 1000 numbers, each followed by a comma (the
// last one too), in the script tokenizer's tokens (white space and "<...>"
// comments skipped). A number may carry a minus sign and a fraction; the
// entry is the number truncated toward zero. What follows the 1000th comma is
// not read.
#pragma once

#include <cstdint>

#include "engine/script/CategoryTables.h"

class VString;

class MuseumCategoryTables : public MemoryCategoryTables {
 public:
  static constexpr int32_t kTableCount = 12;
  static constexpr int32_t kEntryCount = 1000;
  // The order the tables are read in (their TEXT media ids).
  static constexpr int32_t kLoadOrder[kTableCount] = {10, 8, 1, 4, 3, 5, 2, 6, 11, 12, 7, 9};

  // Sets every entry of the table to -1, then reads TEXT medium `mediaId`
  // (from the archive that serves it) into it. False when the medium is
  // missing or its text is not a table; the entries read before the failure
  // stay, the rest stay -1.
  bool LoadCategoryTable(int32_t table, uint16_t mediaId);
  // The same for a table's text in hand (the text is read in place).
  bool ParseCategoryTable(int32_t table, const VString& text);
  // Loads every table from the TEXT medium of its own number, in kLoadOrder,
  // all of them even after a failure; true when all twelve loaded.
  bool LoadCategoryTables();
  // The entry as the table holds it (-1: none); -1 outside the tables.
  int32_t GetEntry(int32_t table, int32_t itemNumber) const;
};

// The process-wide tables of the title (made on first use, never deleted).
MuseumCategoryTables& GetMuseumCategoryTables();
// Loads the process-wide tables (MuseumCategoryTables::LoadCategoryTables).
bool LoadCategoryTables();
