// Fuzz target: the script tokenizer (tokens, blocks, every value reader) and
// the linked-record table reader over arbitrary text.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "engine/script/LinkedRecordTable.h"
#include "engine/script/ScriptLexer.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFRect.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"
#include "engine/core/VTime.h"
#include "fuzz/driver/FuzzText.h"

namespace {

void TokenizeAll(const VString& text) {
  // Each token consumes at least one character, so the count is bounded.
  const int64_t limit = static_cast<int64_t>(text.GetLength()) + 2;
  int64_t count = 0;
  for (int32_t kind = BeginScript(text); kind != kTokenEnd; kind = NextToken()) {
    if (std::strlen(GetTokenText()) > static_cast<size_t>(kMaxTokenLength)) __builtin_trap();
    if (++count > limit) __builtin_trap();
  }
}

void ReadEverything(const VString& text) {
  BeginScript(text);
  const int64_t limit = static_cast<int64_t>(text.GetLength()) + 2;
  for (int64_t step = 0; step < limit * 4 && GetTokenKind() != kTokenEnd; ++step) {
    int32_t i = 0;
    uint16_t id = 0;
    float f = 0;
    float g = 0;
    VString s;
    ItemRef ref;
    VFRect rect;
    VTime date;
    bool any = false;
    any |= OpenBlock("BUBBLE");
    any |= CloseBlock();
    any |= ReadIdField("ID", id, false);
    any |= ReadItemRefValue(ref);
    any |= ReadDateValue(date);
    any |= ReadRectValue(rect);
    any |= ReadFloatPairValue(f, g);
    any |= ReadIntValue(i);
    any |= ReadTextValue(s);
    (void)ref.IsItemRefValid();
    if (!any) NextToken();
  }
}

void ReadRecords(const uint8_t* data, size_t size) {
  static std::string path = "/tmp/ostrevan-fuzz-records-" + std::to_string(getpid()) + ".txt";
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return;
  if (size > 0) std::fwrite(data, 1, size, out);
  std::fclose(out);
  {
    // Some item numbers have a base media id, so that path runs too (no
    // archive serves it: the texts come back empty).
    MemoryCategoryTables tables;
    tables.SetCategoryEntry(2, 1, 700);
    tables.SetCategoryEntry(2, 999, 0xFFFF);
    ScopedCategoryTables scope(&tables);
    VTextFile file(VFileSpec(path.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    if (file.Open(1)) {
      LinkedRecordTable table;
      table.ReadRecords(file, static_cast<uint32_t>(size));
      int32_t ids[2];
      int32_t linking[8];
      for (int32_t id = -1; id < 4; ++id) {
        table.GetLinkedIds(id, ids);
        table.GetRecordText(id);
        table.FindRecordsLinkingTo(id, linking, 8);
      }
    }
  }
  std::remove(path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);
  TokenizeAll(text);
  ReadEverything(text);
  ReadRecords(data, size);
  return 0;
}
