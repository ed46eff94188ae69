// Fuzz target: the linked-record table reader (number, count and linked
// ids, four numbers, a quoted text and a media id per record) over
// arbitrary text, as the relations screen reads TEXT 12102. Every record
// keeps at most two linked ids, the reader makes at most one record per
// byte read and stops at the end of the text, and the lookups the screen
// makes (a record's links, the records linking to a place, bounded by the
// room given) stay within what they were given. The screen's item button of
// each record lies on the 640 x 480 screen, its pictures at their offsets
// from the record's first number.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/LinkedRecordTable.h"
#include "title/modules/relations/RelationsScreen.h"

namespace {

constexpr int32_t kRoom = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  static const std::string path = "/tmp/ostrevan-fuzz-linked-" + std::to_string(getpid()) + ".txt";
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, out);
  std::fclose(out);
  {
    // Some item numbers have a base media id that no archive serves.
    MemoryCategoryTables tables;
    tables.SetCategoryEntry(2, 1, 18900);
    tables.SetCategoryEntry(2, 999, 0xFFFF);
    ScopedCategoryTables scope(&tables);
    VTextFile file(VFileSpec(path.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    if (file.Open(1)) {
      LinkedRecordTable table;
      table.ReadRecords(file, static_cast<uint32_t>(size));
      if (file.GetPosition() > static_cast<int64_t>(size) + 1) __builtin_trap();
      if (static_cast<size_t>(table.GetCount()) > size) __builtin_trap();
      for (VListElement* e = table.GetFirst(); e != nullptr; e = e->GetNext()) {
        const auto& record = *static_cast<LinkedRecord*>(e);
        int32_t ids[LinkedRecord::kMaxLinkedIds + 1] = {0, 0, 0x5A5A5A5A};
        const int32_t count = record.GetLinkedIds(ids);
        if (count < 0 || count > LinkedRecord::kMaxLinkedIds || ids[LinkedRecord::kMaxLinkedIds] != 0x5A5A5A5A) {
          __builtin_trap();
        }
        if (table.FindRecord(record.GetId()) == nullptr) __builtin_trap();
        RelationsScreen::ItemButtonPlace place;
        if (RelationsScreen::PlaceItemButton(record, place)) {
          if (place.x < 0 || place.x >= 640 || place.y < 0 || place.y >= 480) __builtin_trap();
          const auto p = static_cast<uint16_t>(record.GetNumberA());
          if (place.normal != p || p == 0 || p == 0xFFFF || place.pressed != static_cast<uint16_t>(p + 3) ||
              place.over != static_cast<uint16_t>(p + 2) || place.marked != static_cast<uint16_t>(p - 1000) ||
              place.disabled != static_cast<uint16_t>(p + 1)) {
            __builtin_trap();
          }
        }
        for (int32_t i = 0; i < count; ++i) {
          int32_t linking[kRoom + 1];
          linking[kRoom] = 0x5A5A5A5A;
          const int32_t found = table.FindRecordsLinkingTo(ids[i], linking, kRoom);
          if (found < 1 || found > kRoom || linking[kRoom] != 0x5A5A5A5A) __builtin_trap();
        }
      }
      file.Close();
    }
  }
  std::remove(path.c_str());
  return 0;
}
