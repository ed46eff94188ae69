#include "engine/graphics/Ditherers.h"

#include <atomic>
#include <ctime>
#include <cstring>
#include <mutex>

#include "engine/core/Memory.h"
#include "platform/Rand.h"

namespace {
// Ditherers are made on the user-interface thread and on the decoders'
// threads: the first one made seeds its thread's generator, exactly once.
std::once_flag gRandomSeedOnce;
std::atomic<bool> gRandomSeeded{false};

VClipTable* ClipN(int32_t n) { return GetClipTable(0, 0, n, -n, 2 * n); }
}  // namespace

void SeedRandomDitherOnce() {
  std::call_once(gRandomSeedOnce, [] {
    platform::SeedRand(static_cast<uint32_t>(std::time(nullptr)));
    gRandomSeeded.store(true, std::memory_order_release);
  });
}

bool IsRandomDitherSeeded() { return gRandomSeeded.load(std::memory_order_acquire); }

VErrorDiffusionDitherer::VErrorDiffusionDitherer(int32_t width)
    : width_(width < 0 ? 0 : width),
      rowBytes_(width_ * 4 + 8),
      clip32_(ClipN(32)),
      clip64_(ClipN(64)),
      clamp_(GetClipTable(0, -32, 32, -512, 512)),
      c32_(clip32_.Entries()),
      c64_(clip64_.Entries()),
      cl_(clamp_.Entries()) {
  rowA_ = static_cast<int32_t*>(AllocateMemory(rowBytes_));
  rowB_ = static_cast<int32_t*>(AllocateMemory(rowBytes_));
  Reset();
  current_ = rowA_;
  next_ = rowB_;
}

VErrorDiffusionDitherer::~VErrorDiffusionDitherer() {
  FreeMemory(rowA_);
  FreeMemory(rowB_);
}

void VErrorDiffusionDitherer::Reset() {
  if (!rowA_ || !rowB_) return;
  std::memset(rowA_, 0, static_cast<size_t>(rowBytes_));
  std::memset(rowB_, 0, static_cast<size_t>(rowBytes_));
  currentRow_ = -1;
}

void VErrorDiffusionDitherer::SetRow(int32_t r) {
  if (!rowA_ || !rowB_) return;
  current_ = (r & 1) ? rowB_ : rowA_;
  next_ = (r & 1) ? rowA_ : rowB_;
  // The spill entries are never read; clearing them keeps them from growing
  // without bound over many rows.
  current_[0] = current_[width_ + 1] = 0;
  next_[0] = next_[width_ + 1] = 0;
  currentRow_ = r;
}

VOrderedDitherer::VOrderedDitherer() : clip8_(ClipN(8)), clip32_(ClipN(32)), clip64_(ClipN(64)), clip256_(ClipN(256)) {
  c32_ = clip32_.Entries();
  c64_ = clip64_.Entries();
}

VRandomDitherer::VRandomDitherer() : clip8_(ClipN(8)), clip32_(ClipN(32)), clip64_(ClipN(64)) {
  c32_ = clip32_.Entries();
  c64_ = clip64_.Entries();
  SeedRandomDitherOnce();
}

uint32_t VRandomDitherer::Dither15(int32_t r, int32_t g, int32_t b) const {
  const int32_t d = (platform::Rand() & 15) - 8;
  return static_cast<uint32_t>((c32_[(r + d) >> 3] << 10) | (c32_[(g + d) >> 3] << 5) | c32_[(b + d) >> 3]);
}

uint32_t VRandomDitherer::Dither16(int32_t r, int32_t g, int32_t b) const {
  const int32_t d = (platform::Rand() & 15) - 8;
  return static_cast<uint32_t>((c32_[(r + d) >> 3] << 11) | (c64_[(g + (d >> 1)) >> 2] << 5) | c32_[(b + d) >> 3]);
}

uint32_t VRandomDitherer::PaletteKey(int32_t r, int32_t g, int32_t b) const {
  const int32_t d = (platform::Rand() & 15) * 4 - 32;
  return static_cast<uint32_t>((c32_[(r + d) >> 3] << 11) | (c64_[(g + d) >> 2] << 5) | c32_[(b + d) >> 3]);
}

DitherPalette::DitherPalette(const ColorTableData* table) {
  hasColors = table && table->colors;
  nearestIndex = hasColors ? table->nearestIndex : nullptr;
  for (int32_t i = 0; i < kColorEntryCount; ++i) colors[i] = hasColors ? table->colors[i] : VRGBColor();
}

VRGBErrorDiffusionDitherer::VRGBErrorDiffusionDitherer(int32_t width, const ColorTableData* table)
    : palette_(table), red_(width), green_(width), blue_(width) {}

namespace {
VYCbCrColorTable* TakeYCbCrTable(VYCbCrColorTable* table, const ColorTableData* palette) {
  if (table) {
    table->AddReference();
    return table;
  }
  return new VYCbCrColorTable(5, palette);
}
const uint8_t* Ensure8BitTable(VYCbCrColorTable* table) {
  return table->Get8BitTable() ? table->Get8BitTable() : table->Build8BitTable();
}
}  // namespace

VYCbCrErrorDiffusionDitherer::VYCbCrErrorDiffusionDitherer(int32_t width, VYCbCrColorTable* table,
                                                           const ColorTableData* palette)
    : table_(TakeYCbCrTable(table, palette)), y_(width), cb_(width), cr_(width) {
  table8_ = Ensure8BitTable(table_);
  palette_ = table_->GetYCbCrPalette();
}

VYCbCrErrorDiffusionDitherer::~VYCbCrErrorDiffusionDitherer() { table_->Release(); }

VYCbCrOrderedDitherer::VYCbCrOrderedDitherer(VYCbCrColorTable* table, const ColorTableData* palette)
    : table_(TakeYCbCrTable(table, palette)) {
  table8_ = Ensure8BitTable(table_);
  palette_ = table_->GetYCbCrPalette();
}

VYCbCrOrderedDitherer::~VYCbCrOrderedDitherer() { table_->Release(); }
