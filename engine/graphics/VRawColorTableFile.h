// The raw colour-table file ("RCX "): a little-endian colour count, the RGB
// entries, a flags word and optionally the nearest-index table (flag 8) and
// the 64-level shade table (flag 32) of the colour table.
#pragma once

#include <cstdint>

#include "engine/graphics/ColorTableReaders.h"

class VRawColorTableReader : public VColorTableReader {
 public:
  using VColorTableReader::VColorTableReader;
  // Reads from the file's position: 0, or -1 for a short read, a count
  // outside 0..256 or a table that cannot be allocated. The table keeps what
  // was read before a failure.
  int32_t ReadColorTable(VColorTable& table, int32_t flags) override;
};

class VRawColorTableWriter : public VColorTableWriter {
 public:
  using VColorTableWriter::VColorTableWriter;
  // Writes at the file's position (nothing without flag 4): 0, or -1 for a
  // short write. Flags 8 and 32 are written only for tables the colour table holds.
  int32_t WriteColorTable(VColorTable& table, int32_t flags) override;
};
