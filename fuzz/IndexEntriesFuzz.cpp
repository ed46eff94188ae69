// Fuzz target: the house index reader (position, bubble, mask value, frame,
// item code and quoted title per record) over arbitrary text. Every entry it
// makes names a bubble of 0..999, has a title and an item, and the lookups
// answer for keys present and absent; the reader never reads past the text
// it is given and makes at most one entry per 9 bytes (the shortest record).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "title/shell/IndexEntry.h"
#include "title/shell/IndexEntryList.h"

namespace {

// The shortest record: "1 1 1 1 ABCDE\"t\"" without separators between the
// code and the title is 9 non-blank bytes plus the three blanks the numbers
// need.
constexpr size_t kShortestRecord = 12;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  static const std::string path = "/tmp/ostrevan-fuzz-index-" + std::to_string(getpid()) + ".txt";
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, out);
  std::fclose(out);
  {
    // Some bubbles have a base media id that no archive serves: their
    // records are read as a bubble without text.
    MemoryCategoryTables tables;
    tables.SetCategoryEntry(1, 1, 18400);
    tables.SetCategoryEntry(1, 999, 0xFFFF);
    ScopedCategoryTables scope(&tables);
    VTextFile file(VFileSpec(path.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    if (file.Open(1)) {
      IndexEntryList list(0);
      list.ReadRecords(file, static_cast<int64_t>(size));
      if (file.GetPosition() > static_cast<int64_t>(size) + 1) __builtin_trap();
      if (static_cast<size_t>(list.GetCount()) * kShortestRecord > size + kShortestRecord) __builtin_trap();
      for (VListElement* e = list.GetFirst(); e != nullptr; e = e->GetNext()) {
        const auto& entry = *static_cast<IndexEntry*>(e);
        if (entry.GetBubbleNumber() < 0 || entry.GetBubbleNumber() > ItemRef::kMaxNumber) __builtin_trap();
        if (entry.GetTitle() == nullptr || entry.GetTitle()->GetLength() == 0) __builtin_trap();
        if (!entry.GetItem().IsItemRefValid()) __builtin_trap();
        if (list.FindByPosition(entry.GetPosition()) == nullptr) __builtin_trap();
        if (list.FindByMaskValue(entry.GetMaskValue()) == nullptr) __builtin_trap();
        if (list.GetTitleForBubble(entry.GetBubbleNumber()) == nullptr) __builtin_trap();
      }
      for (int32_t key : {-1, 0, 1, 254, 1000}) {
        (void)list.GetFrameAt(key);
        (void)list.GetItemAt(key);
        (void)list.GetMaskValueForBubble(key);
        (void)list.GetFrameForBubble(key);
        (void)list.GetBubbleNumberForMask(key);
      }
      file.Close();
    }
  }
  std::remove(path.c_str());
  return 0;
}
