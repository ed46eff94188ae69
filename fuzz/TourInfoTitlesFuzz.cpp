// Fuzz target: the titles of the tour's information page read from the
// aspect table and the aspects' title media. The input's first part (up to
// its first zero byte) fills the aspect table, one byte an item: 0 no
// aspect, 255 the base id 0xFFFE (its title the last id), else one of
// sixteen aspects; the parts after it are those aspects' titles (see
// FuzzArchive.h). The list has one title per aspect of the table, in byte
// order with no small first letter a-z, and the order is a permutation that
// keeps equal titles in table order.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/core/VString.h"
#include "engine/script/CategoryTables.h"
#include "fuzz/driver/FuzzArchive.h"
#include "title/tour/TourInfoPanel.h"

namespace {

constexpr uint16_t kBase = 20000;
constexpr int32_t kAspects = 16;

uint16_t BaseOf(int32_t aspect) { return static_cast<uint16_t>(kBase + 2 * aspect); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::vector<std::string> parts = FuzzParts(data, size, kAspects + 1);
  std::vector<uint16_t> ids;
  for (int32_t k = 0; k < kAspects; ++k) ids.push_back(static_cast<uint16_t>(BaseOf(k) + TourInfoPanel::kTitleOffset));
  const FuzzArchive archive(std::vector<std::string>(parts.begin() + 1, parts.end()), ids);
  if (!archive.IsOpen()) return 0;
  MemoryCategoryTables tables;
  size_t expected = 0;
  const std::string& table = parts[0];
  for (size_t i = 0; i < table.size() && i < static_cast<size_t>(TourInfoPanel::kTableEntries); ++i) {
    const auto byte = static_cast<uint8_t>(table[i]);
    if (byte == 0) continue;
    tables.SetCategoryEntry(TourInfoPanel::kAspectTable, static_cast<int32_t>(i),
                            byte == 255 ? 0xFFFEu : BaseOf(byte % kAspects));
    ++expected;
  }
  ScopedCategoryTables scope(&tables);
  std::vector<uint16_t> bases;
  std::vector<int32_t> order;
  std::vector<VString> titles;
  TourInfoPanel::ReadTitles(bases, order, titles);
  if (bases.size() != expected || order.size() != expected || titles.size() != expected) __builtin_trap();
  std::vector<bool> seen(expected, false);
  for (size_t k = 0; k < expected; ++k) {
    const int32_t at = order[k];
    if (at < 0 || static_cast<size_t>(at) >= expected || seen[static_cast<size_t>(at)]) __builtin_trap();
    seen[static_cast<size_t>(at)] = true;
    const VString& title = titles[k];
    if (title.GetLength() > 0 && title.GetChars()[0] >= 'a' && title.GetChars()[0] <= 'z') __builtin_trap();
    if (k > 0) {
      if (titles[k - 1].IsGreaterThan(title)) __builtin_trap();
      if (!title.IsGreaterThan(titles[k - 1]) && order[k - 1] > at) __builtin_trap();
    }
  }
  return 0;
}
