// Fuzz target: the entries of a resource text (";<picture id>" lines, each
// followed by its lines of mark-up, "<kopje>" headings) read as the text
// panel reads them, and the first entries' mark-up laid out and drawn as the
// panel shows them. The reader makes no more entries than the text has lines
// that start with ';', and answers true exactly when it made one.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/controls/VHTMLTextControl.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VFont.h"
#include "fuzz/driver/FuzzText.h"
#include "title/controls/ResourceTextControl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);
  std::vector<ResourceTextEntry> entries;
  const bool read = ResourceTextControl::ParseEntries(text, entries);
  if (read != !entries.empty()) __builtin_trap();
  size_t starts = 0;
  for (size_t i = 0; i < size; ++i) starts += data[i] == ';' && (i == 0 || data[i - 1] == '\n');
  if (entries.size() > starts) __builtin_trap();
  constexpr int32_t kWidth = 300;
  constexpr int32_t kHeight = 200;
  PixelMap map(VRect(0, 0, kWidth, kHeight), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, kFormat565LE, 0);
  VFont* font = FindOrCreateFont("Times", 12, 0, nullptr, true);
  for (size_t k = 0; k < std::min<size_t>(entries.size(), 3); ++k) {
    VHTMLTextControl control(VControl::kAllocateId, 0, 0, 0, kWidth, kHeight, nullptr, font, nullptr, kAlignCenter,
                             false, 0, nullptr);
    control.SetText(new VString(entries[k].text), true);
    DrawPort port(&map);
    control.DrawContent(&port, VRect(0, 0, kWidth, kHeight));
  }
  DeleteAllFonts();
  return 0;
}
