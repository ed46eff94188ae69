#include "platform/Palette.h"

#include <algorithm>

namespace platform {

namespace {

int32_t gSystemPaletteUse = kSystemPaletteStatic;
int32_t gRealizations = 0;

// The classic light-grey desktop scheme.
uint32_t gSystemColors[kSystemColorCount] = {
    0x00C0C0C0, 0x00800000, 0x00808080, 0x00800000, 0x00FFFFFF, 0x00FFFFFF, 0x00000000, 0x00000000,
    0x00FFFFFF, 0x00FFFFFF, 0x00C0C0C0, 0x00C0C0C0, 0x00808080, 0x00800000, 0x00FFFFFF, 0x00C0C0C0,
    0x00808080, 0x00808080, 0x00000000, 0x00C0C0C0, 0x00FFFFFF, 0x00000000, 0x00C0C0C0, 0x00000000,
    0x00E1FFFF, 0x00000000, 0x00FF0000, 0x00800000, 0x00808080, 0x00FF0000, 0x00C0C0C0,
};

}  // namespace

Palette::Palette(const PaletteEntry* entries, int32_t count) {
  count = std::clamp(count, 0, 256);
  if (entries) entries_.assign(entries, entries + count);
}

int32_t Palette::GetEntries(int32_t first, int32_t count, PaletteEntry* out) const {
  if (!out || first < 0 || count < 1 || first >= GetEntryCount()) return 0;
  const int32_t n = std::min(count, GetEntryCount() - first);
  std::copy_n(entries_.begin() + first, n, out);
  return n;
}

int32_t GetSystemPaletteUse() { return gSystemPaletteUse; }

int32_t SetSystemPaletteUse(int32_t use) {
  const int32_t previous = gSystemPaletteUse;
  gSystemPaletteUse = use;
  return previous;
}

int32_t GetScreenPaletteRealizations() { return gRealizations; }

void RealizePaletteOnScreen(const Palette* palette) {
  if (palette) ++gRealizations;
}

uint32_t GetSystemColor(int32_t index) {
  return index >= 0 && index < kSystemColorCount ? gSystemColors[index] : 0;
}

void SetSystemColors(int32_t count, const int32_t* indexes, const uint32_t* colors) {
  if (!indexes || !colors) return;
  for (int32_t i = 0; i < count; ++i) {
    if (indexes[i] >= 0 && indexes[i] < kSystemColorCount) gSystemColors[indexes[i]] = colors[i];
  }
}

}  // namespace platform
