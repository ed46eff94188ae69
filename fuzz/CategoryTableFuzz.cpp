// Fuzz target: the title's category-table reader over arbitrary text.
#include <cstdint>

#include "engine/core/VString.h"
#include "fuzz/driver/FuzzText.h"
#include "title/shell/MuseumCategoryTables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);
  static MuseumCategoryTables tables;
  tables.ParseCategoryTable(3, text);
  return 0;
}
