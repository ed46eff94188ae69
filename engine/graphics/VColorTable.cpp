#include "engine/graphics/VColorTable.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/Memory.h"
#include "engine/core/VFile.h"
#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/ColorTableReaders.h"
#include "engine/graphics/GraphicsServices.h"
#include "engine/graphics/InverseTable.h"
#include "engine/graphics/PixelMap.h"

namespace {

constexpr uint32_t kRawColorTableType = MakeTypeCode("RCX ");
constexpr int32_t kAllColorTableParts = kColorTableEntries | kColorTableInverse | kColorTableShade;

VColorTable* gCurrentTable = nullptr;
bool gPaletteChanged = false;
bool gArrangeBlackAndWhite = true;

// System palette state of SetSystemPaletteMode.
constexpr int32_t kSavedSystemColorCount = 25;
// COLOR_ indexes in the order of the SetSysColors call, and the black (0) or
// white (1) of the black-and-white set.
constexpr int32_t kSystemColorIndexes[kSavedSystemColorCount] = {10, 2,  12, 1, 15, 16, 18, 9,  17, 13, 14, 11, 3,
                                                                  4,  7, 0,  5, 6,  8,  19, 20, 21, 22, 23, 24};
constexpr uint8_t kBlackAndWhiteSet[kSavedSystemColorCount] = {0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1, 1, 1,
                                                               1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 1};
uint32_t gSavedSystemColors[kSavedSystemColorCount];
bool gSystemColorsSaved = false;
uint8_t gStaticColorsFlag = 0;
uint8_t gSecondPaletteFlag = 0;

void RealizeCurrentTableOnScreen() {
  if (gCurrentTable) platform::RealizePaletteOnScreen(gCurrentTable->GetPalette());
}

// Sets the system palette use; true when it changed (the current table's
// palette is then realised again).
bool ChangeSystemPaletteUse(int32_t use) {
  if (platform::GetSystemPaletteUse() == use) return false;
  platform::SetSystemPaletteUse(use);
  RealizeCurrentTableOnScreen();
  return true;
}

void SwapValues(uint8_t* table, int32_t size, uint8_t a, uint8_t b) {
  if (a == b) return;
  for (int32_t i = 0; i < size; ++i) {
    if (table[i] == a) {
      table[i] = b;
    } else if (table[i] == b) {
      table[i] = a;
    }
  }
}

int32_t SquaredDistance(const VRGBColor& a, const VRGBColor& b) {
  const int32_t dr = a.red - b.red;
  const int32_t dg = a.green - b.green;
  const int32_t db = a.blue - b.blue;
  return dr * dr + dg * dg + db * db;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction

VColorTable::VColorTable() = default;

VColorTable::VColorTable(StandardPalette palette) {
  FillStandardPalette(palette.code);
  Realize();
  loaded_ = 1;
}

VColorTable::VColorTable(uint16_t mediaId) {
  MediaArchive* archive = GetCurrentArchive();
  if (!archive) return;
  VFile file;
  uint32_t type = kRawColorTableType;
  if (archive->OpenMedia(mediaId, file, type)) Read(file, kRawColorTableType);
}

VColorTable::VColorTable(VFileSpec spec) : fileSpec_(spec) {
  VFile file(spec, kUnknownFileType, kUnknownFileType);
  if (file.Open(1)) {
    Read(file, kRawColorTableType);
    file.Close();
  }
}

VColorTable::VColorTable(const uint8_t* rgb, int32_t count, int32_t stride) {
  count = std::clamp(count, 0, kColorEntryCount);
  stride = std::max(stride, 0);
  if (rgb) {
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* p = rgb + static_cast<size_t>(i) * static_cast<size_t>(3 + stride);
      colors_[i] = VRGBColor(p[0], p[1], p[2]);
    }
  }
  colorCount_ = rgb ? count : 0;
  Realize();
  loaded_ = 1;
}

VColorTable::~VColorTable() {
  delete paletteHandle_;
  FreeMemory(nearestIndex_);
  FreeMemory(shade_);
  if (gCurrentTable == this) gCurrentTable = nullptr;
  delete palette_;
}

// ---------------------------------------------------------------------------
// Reading and writing

int32_t VColorTable::Read(VFile& file, uint32_t type) {
  if (!file.Open(1)) return -1;
  file.Seek(0, true);
  VColorTableReader* reader = CreateColorTableReader(&file, type);
  if (!reader) return -1;
  const int32_t result = RunColorTableHandler(*reader, *this, kAllColorTableParts);
  delete reader;
  if (result != 0) return result;
  ComputeGreyRamp();
  Realize();
  loaded_ = 1;
  return 0;
}

int32_t VColorTable::Write(VFile& file, uint32_t type) {
  Load();
  if (!file.Open(2)) return -1;
  VColorTableWriter* writer = CreateColorTableWriter(&file, type);
  if (!writer) return -1;
  const int32_t result = RunColorTableHandler(*writer, *this, kAllColorTableParts);
  delete writer;
  return result;
}

// ---------------------------------------------------------------------------
// Entries and searches

bool VColorTable::GetColor(VRGBColor& out, int32_t index) const {
  if (index < 0 || index >= kColorEntryCount) return false;
  out = colors_[index];
  return true;
}

int32_t VColorTable::GetColors(uint8_t* rgb, int32_t first, int32_t count) const {
  if (!rgb || first < 0 || first >= colorCount_ || count < 1) return 0;
  const int32_t n = std::min(count, colorCount_ - first);
  for (int32_t i = 0; i < n; ++i) {
    rgb[3 * i] = colors_[first + i].red;
    rgb[3 * i + 1] = colors_[first + i].green;
    rgb[3 * i + 2] = colors_[first + i].blue;
  }
  return n;
}

VRGBColor* VColorTable::SetColorCount(int32_t count) {
  if (count < 1 || count > kColorEntryCount) return nullptr;
  colorCount_ = count;
  return colors_;
}

int32_t VColorTable::FindNearestIndex(const VRGBColor& color, bool approximate) const {
  ColorTableData data{colors_, colorCount_, approximate ? nearestIndex_ : nullptr, nullptr};
  return approximate ? FindNearestColorIndex(data, color) : FindExactColorIndex(data, color);
}

int32_t VColorTable::FindNearestIndexRunnerUp(const VRGBColor& color) const {
  const int32_t nearest = FindNearestIndex(color, true);
  int32_t best = -1;
  int32_t bestDistance = 10000000;
  for (int32_t i = 0; i < kColorEntryCount; ++i) {
    if (i == nearest) continue;
    const int32_t d = SquaredDistance(colors_[i], color);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

bool VColorTable::BeginsWith(const VColorTable& other) const {
  if (&other == this) return true;
  if (colorCount_ < other.colorCount_) return false;
  return std::equal(other.colors_, other.colors_ + other.colorCount_, colors_);
}

// ---------------------------------------------------------------------------
// Derived tables

void VColorTable::BuildInverseTable() {
  if (nearestIndex_ || greyRamp_) return;
  auto* table = static_cast<uint8_t*>(AllocateMemory(kNearestIndexSize));
  if (!table) return;
  ::BuildInverseTable(colors_, table);
  nearestIndex_ = table;
}

uint8_t* VColorTable::AllocateInverseTable() {
  if (!nearestIndex_) nearestIndex_ = static_cast<uint8_t*>(AllocateMemory(kNearestIndexSize));
  return nearestIndex_;
}

const uint16_t* VColorTable::GetShadeTable16() {
  if (shade_) return shade_;
  auto* table = static_cast<uint16_t*>(AllocateMemory(kShadeTableSize * 2));
  if (!table) return nullptr;
  BuildShadeData(colors_, table);
  shade_ = table;
  return shade_;
}

uint16_t* VColorTable::AllocateShadeTable() {
  if (!shade_) shade_ = static_cast<uint16_t*>(AllocateMemory(kShadeTableSize * 2));
  return shade_;
}

void VColorTable::DiscardInverseTable() {
  FreeMemory(nearestIndex_);
  nearestIndex_ = nullptr;
}

void VColorTable::DiscardShadeTable() {
  FreeMemory(shade_);
  shade_ = nullptr;
}

ColorTableData VColorTable::GetColorTableData(bool buildInverse) {
  if (buildInverse) BuildInverseTable();
  return ColorTableData{colors_, colorCount_, nearestIndex_, shade_};
}

void VColorTable::ComputeGreyRamp() {
  greyRamp_ = 1;
  for (int32_t i = 0; i < colorCount_; ++i) {
    const VRGBColor& c = colors_[i];
    if (c.red != c.green || c.green != c.blue || (i > 0 && c.red < colors_[i - 1].red)) {
      greyRamp_ = 0;
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Palette objects

int32_t VColorTable::Realize() {
  const bool inPlace = colorCount_ >= kColorEntryCount && colors_[0] == kBlackColor && colors_[255] == kWhiteColor;
  if (gArrangeBlackAndWhite && !inPlace) {
    arranged_ = 1;
    whiteSlot_ = FindNearestIndex(kWhiteColor, true);
    colors_[whiteSlot_] = colors_[255];
    colors_[255] = kWhiteColor;
    if (nearestIndex_) SwapValues(nearestIndex_, kNearestIndexSize, 255, static_cast<uint8_t>(whiteSlot_));
    blackSlot_ = FindNearestIndex(kBlackColor, true);
    colors_[blackSlot_] = colors_[0];
    colors_[0] = kBlackColor;
    if (nearestIndex_) SwapValues(nearestIndex_, kNearestIndexSize, 0, static_cast<uint8_t>(blackSlot_));
  } else {
    arranged_ = 0;
  }

  platform::PaletteEntry entries[kColorEntryCount];
  for (int32_t i = 0; i < colorCount_; ++i) entries[i] = {colors_[i].red, colors_[i].green, colors_[i].blue, 0};
  delete palette_;
  palette_ = new platform::Palette(entries, colorCount_);
  delete paletteHandle_;
  paletteHandle_ = nullptr;

  if (arranged_ && shade_) {
    for (int32_t level = 0; level < kShadeLevels; ++level) {
      uint16_t* row = shade_ + level * 256;
      std::swap(row[whiteSlot_], row[255]);
      std::swap(row[blackSlot_], row[0]);
    }
  }
  colorCount_ = kColorEntryCount;
  return 0;
}

const platform::Palette* VColorTable::GetPaletteHandle() {
  if (!paletteHandle_ && palette_) {
    platform::PaletteEntry entries[kColorEntryCount];
    const int32_t n = palette_->GetEntries(0, colorCount_, entries);
    paletteHandle_ = new platform::Palette(entries, n);
  }
  return paletteHandle_;
}

void VColorTable::ApplyToWindows() {
  if (const WindowPixelMapEnumerator& enumerator = GetWindowPixelMapEnumerator()) {
    enumerator([this](PixelMap* map) {
      if (map) map->SetColorTable(this, false);
    });
  }
  gPaletteChanged = false;
}

// ---------------------------------------------------------------------------
// Standard palettes

void VColorTable::FillStandardPalette(int32_t code) {
  int32_t n = 0;
  auto put = [&](int32_t r, int32_t g, int32_t b) {
    if (n < kColorEntryCount)
      colors_[n++] = VRGBColor(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
  };
  switch (code) {
    case 0:
    case 1: {
      static constexpr uint8_t kLow[10][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                                             {0, 0, 128},   {128, 0, 128}, {0, 128, 128},   {128, 128, 128},
                                             {192, 220, 192}, {166, 202, 240}};
      static constexpr uint8_t kHigh[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                              {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                              {0, 255, 255},   {255, 255, 255}};
      static constexpr int32_t kRed[7] = {0, 42, 85, 127, 170, 212, 255};
      static constexpr int32_t kGreen[9] = {0, 31, 63, 95, 127, 159, 191, 223, 255};
      static constexpr int32_t kBlue[4] = {0, 85, 170, 255};
      for (const auto& c : kLow) put(c[0], c[1], c[2]);
      // The grid colours of one red level, green then blue ascending, from
      // grid position `from` (green index * 4 + blue index) up to `to`.
      auto run = [&](int32_t r, int32_t from, int32_t to, bool (*skip)(int32_t, int32_t, int32_t)) {
        for (int32_t p = from; p <= to; ++p) {
          const int32_t g = kGreen[p / 4];
          const int32_t b = kBlue[p % 4];
          if (!skip || !skip(r, g, b)) put(r, g, b);
        }
      };
      run(42, 2 * 4 + 2, 35, nullptr);                  // 10-35: (42,63,170)..(42,255,255)
      for (int32_t r = 2; r <= 5; ++r) run(kRed[r], 0, 35, nullptr);  // 36-179
      run(255, 0, 35, [](int32_t, int32_t g, int32_t b) {             // 180-211
        return (g == 0 && b == 0) || (g == 0 && b == 255) || (g == 255 && b == 0) || (g == 255 && b == 255);
      });
      put(204, 204, 255);  // 212-217
      put(255, 204, 255);
      put(51, 255, 255);
      put(102, 255, 255);
      put(153, 255, 255);
      put(204, 255, 255);
      run(0, 4 * 4, 35, [](int32_t, int32_t g, int32_t b) {  // 218-235: green 127 and above
        return g == 255 && (b == 0 || b == 255);
      });
      run(42, 0, 2 * 4 + 1, nullptr);  // 236-245: (42,0,0)..(42,63,85)
      for (const auto& c : kHigh) put(c[0], c[1], c[2]);
      break;
    }
    case 2:
    case 4: {
      static constexpr int32_t kLevels[6] = {255, 204, 153, 102, 51, 0};
      for (int32_t r : kLevels)
        for (int32_t g : kLevels)
          for (int32_t b : kLevels) put(r, g, b);
      if (code == 4) break;
      n = 215;  // the cube without its final black
      static constexpr int32_t kRamp[10] = {238, 221, 187, 170, 136, 119, 85, 68, 34, 17};
      for (int32_t v : kRamp) put(v, 0, 0);
      for (int32_t v : kRamp) put(0, v, 0);
      for (int32_t v : kRamp) put(0, 0, v);
      for (int32_t v : kRamp) put(v, v, v);
      put(0, 0, 0);
      break;
    }
    case 3: {
      for (int32_t i = 0; i < 32; ++i) put(i * 8, i * 8, i * 8);
      static constexpr int32_t kBlueRamp[10] = {255, 229, 204, 179, 154, 129, 105, 80, 55, 30};
      static constexpr int32_t kRamp[10] = {255, 228, 203, 178, 153, 128, 105, 80, 55, 30};
      for (int32_t v : kBlueRamp) put(0, 0, v);
      for (int32_t v : kRamp) put(v, 0, 0);
      for (int32_t v : kRamp) put(0, v, 0);
      put(0, 152, 51);
      put(255, 255, 255);
      // 64-254: the colours of the levels 255, 203, 152, 102, 51, 0 in blocks
      // of six (blue fastest), greys left out (the ramp above holds them).
      static constexpr int32_t kLevels[6] = {255, 203, 152, 102, 51, 0};
      for (int32_t r : kLevels)
        for (int32_t g : kLevels)
          for (int32_t b : kLevels)
            if (!(r == g && g == b) && n < 255) put(r, g, b);
      while (n < 255) put(0, 0, 0);
      put(255, 255, 255);
      break;
    }
    default:
      for (int32_t i = 0; i < kColorEntryCount; ++i) put(i, i, i);
      break;
  }
  colorCount_ = n;
}

// ---------------------------------------------------------------------------
// Program-wide state

VColorTable* GetCurrentColorTable() {
  if (gCurrentTable) gCurrentTable->AddReference();
  return gCurrentTable;
}

void SetCurrentColorTable(VColorTable* table) {
  if (table) table->AddReference();
  VColorTable* old = gCurrentTable;
  gCurrentTable = table;
  gPaletteChanged = table != old;
  if (old) old->Release();
}

bool IsPaletteChanged() { return gPaletteChanged; }

void SetArrangeBlackAndWhite(bool arrange) { gArrangeBlackAndWhite = arrange; }
bool GetArrangeBlackAndWhite() { return gArrangeBlackAndWhite; }

void SetSystemPaletteMode(bool staticColors, bool secondFlag, bool changeSystemColors) {
  if (platform::GetSystemPaletteUse() == platform::kSystemPaletteStatic) {
    for (int32_t i = 0; i < kSavedSystemColorCount; ++i)
      gSavedSystemColors[i] = platform::GetSystemColor(kSystemColorIndexes[i]);
    gSystemColorsSaved = true;
  }
  gStaticColorsFlag = staticColors ? 1 : 0;
  gSecondPaletteFlag = secondFlag ? 1 : 0;
  ChangeSystemPaletteUse(staticColors ? platform::kSystemPaletteStatic : platform::kSystemPaletteNoStatic);
  if (!staticColors && changeSystemColors && gSystemColorsSaved) {
    uint32_t colors[kSavedSystemColorCount];
    for (int32_t i = 0; i < kSavedSystemColorCount; ++i) colors[i] = kBlackAndWhiteSet[i] ? 0x00FFFFFFu : 0u;
    platform::SetSystemColors(kSavedSystemColorCount, kSystemColorIndexes, colors);
  }
}

void RestoreSystemPaletteMode() {
  ChangeSystemPaletteUse(platform::kSystemPaletteStatic);
  if (gSystemColorsSaved)
    platform::SetSystemColors(kSavedSystemColorCount, kSystemColorIndexes, gSavedSystemColors);
}

