#include "engine/graphics/VYCbCrColorTable.h"

#include "engine/core/Memory.h"
#include "engine/graphics/VColorTable.h"

namespace {

struct MatrixRow {
  int32_t crToRed, cbToBlue, cbToGreen, crToGreen;
  // Forward weights: green, blue, red for Y, then Cb, then Cr.
  double y[3], cb[3], cr[3];
};

constexpr MatrixRow kRows[4] = {
    {117504, 138453, 13954, 34903, {0.7154, 0.0721, 0.2125}, {-0.386, 0.5, -0.115}, {-0.454, -0.046, 0.5}},
    {104597, 132201, 25675, 53279, {0.587, 0.114, 0.299}, {-0.331, 0.5, -0.169}, {-0.419, -0.081, 0.5}},
    {104448, 132798, 24759, 53109, {0.59, 0.11, 0.3}, {-0.331, 0.5, -0.169}, {-0.421, -0.079, 0.5}},
    {117579, 136230, 16907, 35559, {0.701, 0.087, 0.212}, {-0.384, 0.5, -0.116}, {-0.445, -0.055, 0.5}},
};

const MatrixRow& RowOf(int32_t index) {
  switch (index) {
    case 0:
    case 1: return kRows[0];
    case 4: return kRows[2];
    case 7: return kRows[3];
    default: return kRows[1];
  }
}

}  // namespace

VYCbCrColorTable::VYCbCrColorTable(int32_t matrixIndex, const ColorTableData* colors)
    : matrixIndex_(matrixIndex >= 0 && matrixIndex <= 7 ? matrixIndex : 5) {
  const MatrixRow& row = RowOf(matrixIndex_);
  clip_.Reset(GetClipTable(0, 0, 256, -1024, 1024));
  crToRed_.Reset(GetMultiplyTable(row.crToRed, -128.0 * row.crToRed, 0, 256));
  cbToBlue_.Reset(GetMultiplyTable(row.cbToBlue, -128.0 * row.cbToBlue, 0, 256));
  cbToGreen_.Reset(GetMultiplyTable(row.cbToGreen, -128.0 * row.cbToGreen, 0, 256));
  crToGreen_.Reset(GetMultiplyTable(row.crToGreen, -128.0 * row.crToGreen, 0, 256));
  luma_.Reset(GetMultiplyTable(76309.0, -16.0 * 76309.0, 0, 256));
  SetColorTable(colors);
}

VYCbCrColorTable::VYCbCrColorTable(int32_t matrixIndex, VColorTable* colorTable)
    : VYCbCrColorTable(matrixIndex, static_cast<const ColorTableData*>(nullptr)) {
  SetColorTable(colorTable);
}

VYCbCrColorTable::~VYCbCrColorTable() {
  FreeMemory(table8_);
  FreeMemory(table15_);
  FreeMemory(table16_);
  if (heldTable_) heldTable_->Release();
}

void VYCbCrColorTable::SetColorTable(VColorTable* colorTable) {
  VColorTable* fresh = colorTable;
  if (fresh)
    fresh->AddReference();
  else
    fresh = GetCurrentColorTable();  // comes with its reference
  if (heldTable_) heldTable_->Release();
  heldTable_ = fresh;
  if (!heldTable_) {
    SetColorTable(static_cast<const ColorTableData*>(nullptr));
    return;
  }
  // The nearest-index table lives in the held colour table.
  const ColorTableData data = heldTable_->GetColorTableData(true);
  SetColorTable(&data);
}

int32_t VYCbCrColorTable::GetCrToRed() const { return RowOf(matrixIndex_).crToRed; }
int32_t VYCbCrColorTable::GetCbToBlue() const { return RowOf(matrixIndex_).cbToBlue; }
int32_t VYCbCrColorTable::GetCbToGreen() const { return RowOf(matrixIndex_).cbToGreen; }
int32_t VYCbCrColorTable::GetCrToGreen() const { return RowOf(matrixIndex_).crToGreen; }

bool VYCbCrColorTable::HasTables() const {
  return clip_ && crToRed_ && cbToBlue_ && cbToGreen_ && crToGreen_ && luma_;
}

void VYCbCrColorTable::SetColorTable(const ColorTableData* colors) {
  FreeMemory(table8_);
  table8_ = nullptr;
  hasColors_ = colors && colors->colors;
  nearestIndex_ = hasColors_ ? colors->nearestIndex : nullptr;
  for (int32_t i = 0; i < kColorEntryCount; ++i) colors_[i] = hasColors_ ? colors->colors[i] : VRGBColor();
  if (!hasColors_ || !clip_) return;
  const MatrixRow& row = RowOf(matrixIndex_);
  const int32_t* clip = clip_.Entries();
  auto convert = [&](const double w[3], const VRGBColor& c, int32_t base, double scale) {
    const double sum = c.red * w[2] + c.green * w[0] + c.blue * w[1];
    int32_t v = base - static_cast<int32_t>(sum * scale * (-1.0 / 256.0));
    if (v < -1024) v = -1024;
    if (v > 1023) v = 1023;
    return static_cast<uint8_t>(clip[v]);
  };
  for (int32_t i = 0; i < kColorEntryCount; ++i) {
    palette_[i * 3] = convert(row.y, colors_[i], 16, 219.0);
    palette_[i * 3 + 1] = convert(row.cb, colors_[i], 128, 224.0);
    palette_[i * 3 + 2] = convert(row.cr, colors_[i], 128, 224.0);
  }
}

bool VYCbCrColorTable::ToRGB(int32_t y, int32_t cb, int32_t cr, int32_t& red, int32_t& green, int32_t& blue) const {
  if (!HasTables() || y < 0 || y > 255 || cb < 0 || cb > 255 || cr < 0 || cr > 255) return false;
  const int32_t* clip = clip_.Entries();
  const int32_t l = luma_.Entries()[y];
  red = clip[(l + crToRed_.Entries()[cr]) >> 16];
  green = clip[(l - cbToGreen_.Entries()[cb] - crToGreen_.Entries()[cr]) >> 16];
  blue = clip[(l + cbToBlue_.Entries()[cb]) >> 16];
  return true;
}

namespace {
// Calls out(index, red, green, blue) for every sample of the 5-5-6 grid.
template <class Out>
void ForEachSample(const VYCbCrColorTable& t, Out out) {
  for (int32_t cb5 = 0; cb5 < 32; ++cb5) {
    for (int32_t cr5 = 0; cr5 < 32; ++cr5) {
      for (int32_t y6 = 0; y6 < 64; ++y6) {
        int32_t r = 0, g = 0, b = 0;
        t.ToRGB(y6 * 4 + 2, cb5 * 8 + 4, cr5 * 8 + 4, r, g, b);
        out((cb5 << 11) | (cr5 << 6) | y6, r, g, b);
      }
    }
  }
}
}  // namespace

const uint8_t* VYCbCrColorTable::Build8BitTable() {
  FreeMemory(table8_);
  table8_ = nullptr;
  if (!HasTables() || !hasColors_ || !nearestIndex_) return nullptr;
  auto* table = static_cast<uint8_t*>(AllocateMemory(65536));
  if (!table) return nullptr;
  const uint8_t* nearest = nearestIndex_;
  ForEachSample(*this, [&](int32_t i, int32_t r, int32_t g, int32_t b) {
    table[i] = nearest[((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3)];
  });
  table8_ = table;
  return table8_;
}

const uint16_t* VYCbCrColorTable::Build16BitTable() {
  if (!HasTables()) return nullptr;
  auto* table = static_cast<uint16_t*>(AllocateMemory(131072));
  if (!table) return nullptr;
  ForEachSample(*this, [&](int32_t i, int32_t r, int32_t g, int32_t b) {
    table[i] = static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
  });
  FreeMemory(table16_);
  table16_ = table;
  return table16_;
}

const uint16_t* VYCbCrColorTable::Build15BitTable() {
  LookupTableRef<VClipTable> clip31(GetClipTable(0, 0, 32, -32, 64));
  if (!clip31) return table15_;
  if (!HasTables()) return nullptr;
  auto* table = static_cast<uint16_t*>(AllocateMemory(131072));
  if (!table) return nullptr;
  const int32_t* c31 = clip31.Entries();
  auto to5 = [c31](int32_t c) { return c31[static_cast<int32_t>(c * 0.12156863 + 0.5)]; };
  ForEachSample(*this, [&](int32_t i, int32_t r, int32_t g, int32_t b) {
    table[i] = static_cast<uint16_t>((to5(r) << 10) | (to5(g) << 5) | to5(b));
  });
  FreeMemory(table15_);
  table15_ = table;
  return table15_;
}
