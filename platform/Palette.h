// Logical palettes and the system palette as the graphics code sees them. There
// is no hardware palette on Linux: a palette is a plain list of entries, and
// the system-palette use and system colours are recorded state only.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
};

// A logical palette of up to 256 entries. Owned by whoever created it.
class Palette {
 public:
  // Copies count entries (clamped to 0..256).
  Palette(const PaletteEntry* entries, int32_t count);

  int32_t GetEntryCount() const { return static_cast<int32_t>(entries_.size()); }
  // Copies up to count entries from first into out; returns how many were copied.
  int32_t GetEntries(int32_t first, int32_t count, PaletteEntry* out) const;

 private:
  std::vector<PaletteEntry> entries_;
};

// System palette use (SYSPAL_STATIC and SYSPAL_NOSTATIC).
enum SystemPaletteUse : int32_t { kSystemPaletteStatic = 1, kSystemPaletteNoStatic = 2 };

int32_t GetSystemPaletteUse();
// Records the new use; returns the previous one.
int32_t SetSystemPaletteUse(int32_t use);
// The number of times a palette was realised on the screen (there is no
// screen palette; tests read the count).
int32_t GetScreenPaletteRealizations();
// Selecting and realising a palette in the foreground of the screen.
void RealizePaletteOnScreen(const Palette* palette);

// System colours by their COLOR_ index (0..30), as 0x00BBGGRR values.
inline constexpr int32_t kSystemColorCount = 31;
uint32_t GetSystemColor(int32_t index);
// Sets count colours at the given indexes (indexes outside 0..30 are skipped).
void SetSystemColors(int32_t count, const int32_t* indexes, const uint32_t* colors);

}  // namespace platform
