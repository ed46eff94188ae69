// The title's per-category tables (category 1..12, one 32-bit entry per item
// number 0..999), filled by the shell at start-up. The low 16 bits of an entry
// of category 2 are the item's base media id. The program installs them with
// the script services (engine/script/ScriptServices.h); MemoryCategoryTables
// holds them in memory.
#pragma once

#include <cstdint>
#include <vector>

class CategoryTables {
 public:
  virtual ~CategoryTables() = default;
  // The entry of an item; false when the table or the item is absent.
  virtual bool GetCategoryEntry(int32_t category, int32_t itemNumber, uint32_t& entry) const = 0;
};

// Replaces the installed tables alone (scopes and tests; null: none) and
// returns the previous ones. Not owned: the caller keeps them alive while
// they are installed.
CategoryTables* SetCategoryTables(CategoryTables* tables);
// The installed tables; without them the use is reported as a missing
// service and the answer is null.
CategoryTables* GetCategoryTables();

// The base media id of an item: the low 16 bits of its entry in the registered
// tables. 0 (no media) when no tables are installed, the category is outside
// 1..12, the number outside 0..999 or the entry absent. Entries of 0 or
// below (read as signed 32-bit numbers; the tables write -1 for "none") and
// entries whose low 16 bits are 0xFFFF also give 0.
uint16_t GetItemBaseMediaId(int32_t category, int32_t itemNumber);

// Tables in memory: every entry starts at 0.
class MemoryCategoryTables : public CategoryTables {
 public:
  MemoryCategoryTables();
  bool GetCategoryEntry(int32_t category, int32_t itemNumber, uint32_t& entry) const override;
  // False when the category or number is out of range.
  bool SetCategoryEntry(int32_t category, int32_t itemNumber, uint32_t entry);

 private:
  std::vector<uint32_t> entries_;
};

// Installs tables for the life of the scope and restores the previous ones.
class ScopedCategoryTables {
 public:
  explicit ScopedCategoryTables(CategoryTables* tables) : previous_(SetCategoryTables(tables)) {}
  ~ScopedCategoryTables() { SetCategoryTables(previous_); }
  ScopedCategoryTables(const ScopedCategoryTables&) = delete;
  ScopedCategoryTables& operator=(const ScopedCategoryTables&) = delete;

 private:
  CategoryTables* previous_;
};
