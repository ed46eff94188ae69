// Fuzz target: the single-token links of the item viewer (TEXT B + 3 of a
// film or slide show: the place its link button leads to) and of the room
// overlay (a room's bubble), read by ReadLeadingItemRef over arbitrary text.
// A text that begins with a word gives a reference whose category is a
// known one or none, whose number comes from three characters (so within
// what three bytes can give), and which, when valid, is written and read
// back to itself; any other text leaves the reference as it was.
#include <cstdint>

#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "fuzz/driver/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);
  const ItemRef before(kAspectCategory, 7);
  ItemRef link = before;
  const bool read = ReadLeadingItemRef(text, link);
  if (!read && link != before) __builtin_trap();
  if (link.GetCategory() < 0 || link.GetCategory() > ItemRef::kLastCategory) __builtin_trap();
  // Three characters of 0..255 taken as digits.
  if (link.GetNumber() < -48 * 111 || link.GetNumber() > (255 - 48) * 111) __builtin_trap();
  if (link.IsItemRefValid()) {
    VString written;
    if (!link.FormatItemRef(written)) __builtin_trap();
    ItemRef again;
    again.ParseItemRef(written);
    if (again != link) __builtin_trap();
  }
  return 0;
}
