// Fuzz target: the room overlay's record reader over arbitrary text, and
// what the record promises the overlay: at most ten navigation buttons, each
// of a kind of the table but the language kind, items only at 1..10, the
// item count 0 or one of them, and offsets within 0..kMaxOffset, so that a
// button placed on the plan never overflows.
#include <cstdint>

#include "engine/core/VString.h"
#include "fuzz/driver/FuzzText.h"
#include "title/tour/RoomRecord.h"

namespace {

bool OffsetInRange(int32_t value) { return value >= 0 && value <= RoomRecord::kMaxOffset; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);
  RoomRecord record;
  record.Read(text);
  if (record.GetButtonCount() < 0 || record.GetButtonCount() > RoomRecord::kMaxButtons) __builtin_trap();
  for (int32_t i = 0; i < record.GetButtonCount(); ++i) {
    const RoomRecord::Button* button = record.GetButton(i);
    if (button == nullptr) __builtin_trap();
    if (button->kind < 0 || button->kind >= RoomRecord::kKindCount || button->kind == RoomRecord::kLanguageKind) {
      __builtin_trap();
    }
    if (button->pictureBase == 0 || !OffsetInRange(button->x) || !OffsetInRange(button->y)) __builtin_trap();
  }
  if (record.GetButton(record.GetButtonCount()) != nullptr) __builtin_trap();
  const int32_t count = record.GetItemCount();
  if (count < 0 || count > RoomRecord::kMaxItems) __builtin_trap();
  if (count > 0 && !record.GetItem(count).present) __builtin_trap();
  for (int32_t n = 1; n <= RoomRecord::kMaxItems; ++n) {
    const RoomRecord::Item& item = record.GetItem(n);
    if (item.present && (!OffsetInRange(item.x) || !OffsetInRange(item.y))) __builtin_trap();
  }
  if (record.GetItem(0).present || record.GetItem(RoomRecord::kMaxItems + 1).present) __builtin_trap();
  return 0;
}
