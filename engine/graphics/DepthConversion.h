// Pixel converters between the depths 8, 15, 16, 24 and 32: palette lookups
// (optionally dithered), repacking and byte moves, keeping a key colour exact
// and unique across the conversion. Chosen by GetDepthConverter; the pixel
// map's CopyPicturePixels calls them when formats differ.
#pragma once

#include <cstdint>

#include "engine/graphics/ColorEntries.h"
#include "engine/graphics/TransferTypes.h"

// Dithering methods: 0 nearest colour, 1 error diffusion, 2 ordered, 3 random.
enum ConversionMethod : int32_t {
  kConvertNearest = 0,
  kConvertErrorDiffusion = 1,
  kConvertOrdered = 2,
  kConvertRandom = 3,
};

// The method of every conversion to 8 bits (initially 1). Returns the old value.
int32_t GetEightBitConversionMethod();
int32_t SetEightBitConversionMethod(int32_t method);
// The method of the conversions from 24 and 32 to 15 and 16 bits (initially 2). Returns the old value.
int32_t GetHighColorConversionMethod();
int32_t SetHighColorConversionMethod(int32_t method);

// A converter: source first pixel, signed source row step, source pixel format,
// source palette (8-bit sources) or null, destination first pixel, row step,
// format, palette (8-bit targets; needs its nearest-index table) or null,
// width, height, and the key-colour record or null (flags 1 key index and 2 key
// RGB with their values; read and rewritten in place). Rows run top to bottom
// by the row steps. Without the palettes it needs a converter writes nothing.
using DepthConverter = void (*)(const uint8_t* source, int32_t sourceRowBytes, uint16_t sourceFormat,
                                const ColorTableData* sourceTable, uint8_t* destination, int32_t destinationRowBytes,
                                uint16_t destinationFormat, const ColorTableData* destinationTable, int32_t width,
                                int32_t height, TransferAttributes* attributes);

// The converter for a pair of depths, or null. Equal depths have none except
// 8 to 8 (palette to palette), 24 to 24 and 32 to 32 (byte-order changes
// between the layouts of one depth).
DepthConverter GetDepthConverter(int32_t sourceDepth, int32_t destinationDepth);

#define OSTREVAN_DECLARE_CONVERTER(name)                                                                          \
  void name(const uint8_t* source, int32_t sourceRowBytes, uint16_t sourceFormat, const ColorTableData* sourceTable, \
            uint8_t* destination, int32_t destinationRowBytes, uint16_t destinationFormat,                         \
            const ColorTableData* destinationTable, int32_t width, int32_t height, TransferAttributes* attributes);
OSTREVAN_DECLARE_CONVERTER(Convert8To8)
OSTREVAN_DECLARE_CONVERTER(Convert8To15)
OSTREVAN_DECLARE_CONVERTER(Convert8To16)
OSTREVAN_DECLARE_CONVERTER(Convert8To24)
OSTREVAN_DECLARE_CONVERTER(Convert8To32)
OSTREVAN_DECLARE_CONVERTER(Convert15To8)
OSTREVAN_DECLARE_CONVERTER(Convert15To16)
OSTREVAN_DECLARE_CONVERTER(Convert15To24)
OSTREVAN_DECLARE_CONVERTER(Convert15To32)
OSTREVAN_DECLARE_CONVERTER(Convert16To8)
OSTREVAN_DECLARE_CONVERTER(Convert16To15)
OSTREVAN_DECLARE_CONVERTER(Convert16To24)
OSTREVAN_DECLARE_CONVERTER(Convert16To32)
OSTREVAN_DECLARE_CONVERTER(Convert24To8)
OSTREVAN_DECLARE_CONVERTER(Convert24To15)
OSTREVAN_DECLARE_CONVERTER(Convert24To16)
OSTREVAN_DECLARE_CONVERTER(Convert24To24)
OSTREVAN_DECLARE_CONVERTER(Convert24To32)
OSTREVAN_DECLARE_CONVERTER(Convert32To8)
OSTREVAN_DECLARE_CONVERTER(Convert32To15)
OSTREVAN_DECLARE_CONVERTER(Convert32To16)
OSTREVAN_DECLARE_CONVERTER(Convert32To24)
OSTREVAN_DECLARE_CONVERTER(Convert32To32)
#undef OSTREVAN_DECLARE_CONVERTER
