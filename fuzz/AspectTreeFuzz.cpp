// Fuzz target: the aspect tree's readers over arbitrary text. The input is
// cut at each '|' into the scripts of aspects 0 (the root), 1, 2, ... (at
// most ten); every aspect's title is the text of the next part. The load
// must end with lists of at most kMaxChildren records, fewer than kMaxDepth
// levels and at most kMaxRecords records in all.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/VString.h"
#include "engine/script/CategoryTables.h"
#include "fuzz/driver/FuzzText.h"
#include "title/modules/aspects/AspectRecord.h"
#include "title/modules/aspects/AspectTree.h"

namespace {

constexpr int32_t kParts = 10;
constexpr uint16_t kFirstMedia = 30000;

void Check(const VLinkedList* list, int32_t depth, int32_t& count) {
  if (list == nullptr) return;
  if (depth >= AspectRecord::kMaxDepth) __builtin_trap();
  if (list->GetCount() > AspectRecord::kMaxChildren) __builtin_trap();
  for (const VListElement* e = list->GetFirst(); e != nullptr; e = e->GetNext()) {
    const auto* record = static_cast<const AspectRecord*>(e);
    if (++count > AspectRecord::kMaxRecords) __builtin_trap();
    if (record->GetText().GetLength() > AspectRecord::kMaxTitleLength) __builtin_trap();
    if (record->GetChildren() != nullptr && record->GetChildren()->IsEmpty()) __builtin_trap();
    Check(record->GetChildren(), depth + 1, count);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);
  const std::string all(text.GetChars() != nullptr ? text.GetChars() : "");
  std::vector<std::string> parts;
  size_t start = 0;
  while (static_cast<int32_t>(parts.size()) < kParts) {
    const size_t bar = all.find('|', start);
    parts.push_back(all.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }

  MemoryCategoryTables tables;
  const ScopedCategoryTables scope(&tables);
  for (int32_t n = 0; n < static_cast<int32_t>(parts.size()); ++n) {
    tables.SetCategoryEntry(AspectRecord::kAspectTable, n, kFirstMedia + 2 * n);
  }
  const AspectTextSource source = [&parts](uint16_t media, VString& out) {
    const int32_t index = (media - kFirstMedia) / 2 + (media - kFirstMedia) % 2;
    if (media < kFirstMedia || index >= static_cast<int32_t>(parts.size())) {
      out.Clear();
      return false;
    }
    out.Assign(parts[static_cast<size_t>(index)].c_str());
    return true;
  };

  AspectTree tree;
  tree.Load(source);
  int32_t count = 0;
  Check(&tree.GetTopLevel(), 0, count);
  return 0;
}
