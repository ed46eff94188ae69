#include "engine/graphics/VRawColorTableFile.h"

#include <cstring>

#include "engine/core/ByteFields.h"
#include "engine/core/VFile.h"
#include "engine/graphics/VColorTable.h"

namespace {

bool ReadExactly(VFile& file, void* buffer, int32_t count) { return file.Read(buffer, count) == count; }
bool WriteExactly(VFile& file, const void* buffer, int32_t count) { return file.Write(buffer, count) == count; }

bool ReadU16(VFile& file, uint16_t& value) {
  uint8_t bytes[2];
  if (!ReadExactly(file, bytes, 2)) return false;
  value = bytefields::LoadLE16(bytes);
  return true;
}

bool WriteU16(VFile& file, uint16_t value) {
  uint8_t bytes[2];
  bytefields::StoreLE16(bytes, value);
  return WriteExactly(file, bytes, 2);
}

}  // namespace

int32_t VRawColorTableReader::ReadColorTable(VColorTable& table, int32_t flags) {
  if (!file_) return -1;
  VFile& file = *file_;
  uint16_t rawCount = 0;
  if (!ReadU16(file, rawCount)) return -1;
  const int32_t count = static_cast<int16_t>(rawCount);
  if (count < 0 || count > 256) return -1;
  const int32_t entryBytes = 3 * count;

  if ((flags & kColorTableEntries) && count >= 1) {
    VRGBColor* entries = table.SetColorCount(count);
    if (!entries) return -1;
    uint8_t rgb[3 * 256];
    if (!ReadExactly(file, rgb, entryBytes)) return -1;
    for (int32_t i = 0; i < count; ++i) entries[i] = VRGBColor(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  } else {
    file.Seek(entryBytes, false);
  }

  if (file.GetLength() <= int64_t{entryBytes} + 4) return 0;

  uint16_t word = 0;
  if (!ReadU16(file, word)) return -1;

  if (word & kColorTableInverse) {
    if (flags & kColorTableInverse) {
      uint8_t* inverse = table.AllocateInverseTable();
      if (!inverse) return -1;
      if (!ReadExactly(file, inverse, kNearestIndexSize)) {
        table.DiscardInverseTable();  // a partial table would give wrong indexes
        return -1;
      }
    } else {
      file.Seek(kNearestIndexSize, false);
    }
  }
  if ((word & kColorTableShade) && (flags & kColorTableShade)) {
    uint16_t* shade = table.AllocateShadeTable();
    if (!shade) return -1;
    uint8_t bytes[2 * 256];
    for (int32_t row = 0; row < kShadeLevels; ++row) {
      if (!ReadExactly(file, bytes, sizeof bytes)) {
        table.DiscardShadeTable();
        return -1;
      }
      for (int32_t i = 0; i < 256; ++i)
        shade[row * 256 + i] = bytefields::LoadLE16(bytes + 2 * i);
    }
  } else {
    file.Seek(file.GetLength(), true);  // the rest is skipped
  }
  return 0;
}

int32_t VRawColorTableWriter::WriteColorTable(VColorTable& table, int32_t flags) {
  if (!(flags & kColorTableEntries)) return 0;
  if (!file_) return -1;
  VFile& file = *file_;
  int32_t word = flags;
  if (!table.GetInverseTable()) word &= ~kColorTableInverse;
  if (!table.PeekShadeTable16()) word &= ~kColorTableShade;

  const int32_t count = table.GetColorCount();
  if (!WriteU16(file, static_cast<uint16_t>(count))) return -1;
  if (count >= 1) {
    uint8_t rgb[3 * 256];
    table.GetColors(rgb, 0, count);
    if (!WriteExactly(file, rgb, 3 * count)) return -1;
  }
  if (!WriteU16(file, static_cast<uint16_t>(word))) return -1;
  if ((word & kColorTableInverse) && !WriteExactly(file, table.GetInverseTable(), kNearestIndexSize)) return -1;
  if (word & kColorTableShade) {
    const uint16_t* shade = table.PeekShadeTable16();
    uint8_t bytes[2 * 256];
    for (int32_t row = 0; row < kShadeLevels; ++row) {
      for (int32_t i = 0; i < 256; ++i) bytefields::StoreLE16(bytes + 2 * i, shade[row * 256 + i]);
      if (!WriteExactly(file, bytes, sizeof bytes)) return -1;
    }
  }
  return 0;
}
