#include "engine/graphics/ColorTableReaders.h"

#include "engine/core/MediaTypes.h"
#include "engine/graphics/VRawColorTableFile.h"

VColorTableReader* CreateColorTableReader(VFile* file, uint32_t type) {
  if (type == MakeTypeCode("RCX ")) return new VRawColorTableReader(file);
  return nullptr;
}

VColorTableWriter* CreateColorTableWriter(VFile* file, uint32_t type) {
  if (type == MakeTypeCode("RCX ")) return new VRawColorTableWriter(file);
  return nullptr;
}

int32_t RunColorTableHandler(VColorTableReader& reader, VColorTable& table, int32_t flags) {
  const int32_t first = reader.ReadFirstChance(table, flags);
  return first != 0 ? first : reader.ReadColorTable(table, flags);
}

int32_t RunColorTableHandler(VColorTableWriter& writer, VColorTable& table, int32_t flags) {
  const int32_t first = writer.WriteFirstChance(table, flags);
  return first != 0 ? first : writer.WriteColorTable(table, flags);
}
