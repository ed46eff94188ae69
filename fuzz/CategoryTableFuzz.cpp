// Fuzz target: the title's category-table reader over arbitrary text.
#include <cstdint>
#include <cstring>

#include "engine/core/VString.h"
#include "title/shell/MuseumCategoryTables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VString text;
  const int32_t length = static_cast<int32_t>(size > (1u << 20) ? (1u << 20) : size);
  char* chars = text.LockBuffer(length);
  if (chars == nullptr) return 0;
  if (length > 0) std::memcpy(chars, data, static_cast<size_t>(length));
  chars[length] = '\0';
  text.UnlockBuffer();
  static MuseumCategoryTables tables;
  tables.ParseCategoryTable(3, text);
  return 0;
}
