// Pixel-map operations through the transfer dispatcher: copies, keys, levels,
// alpha and mask planes, fills, clipping, top-down and bottom-up maps, and the
// conversions, raw reads, opacity and content bounds, with hand-computed pixels.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/CopyPicturePixels.h"
#include "engine/graphics/DepthConversion.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VMask.h"

namespace {

PixelMap* Make(int32_t width, int32_t height, int32_t depth, int32_t format, bool bottomUp,
               VColorTable* table = nullptr) {
  auto* map = new PixelMap(VRect(0, 0, width, height), depth, table, nullptr, nullptr, PixelMap::kStorageMemory, format);
  map->SetDibSection(bottomUp);
  map->ClearPixels();
  return map;
}

// The stored value of pixel (x, y), little-endian over the pixel's bytes.
uint32_t Get(const PixelMap& map, int32_t x, int32_t y) {
  const uint8_t* p = map.GetPixelAddress(VPoint(x, y));
  uint32_t v = 0;
  std::memcpy(&v, p, static_cast<size_t>(BytesPerPixel(map.GetDepth())));
  return v;
}
void Set(PixelMap& map, int32_t x, int32_t y, uint32_t v) {
  std::memcpy(map.GetPixelAddress(VPoint(x, y)), &v, static_cast<size_t>(BytesPerPixel(map.GetDepth())));
}

VColorTable* Palette() { return new VColorTable(StandardPalette{0}); }

TEST(PixelMapTransferTest, CopiesAndKeysAcrossOrientations) {
  // Destination 4 x 3 filled with 0x11; a 2 x 2 source copied to (1, 1).
  struct Row {
    const char* name;
    int32_t depth, format;
    uint32_t flags;
    uint32_t a, b;        // source pixels (0,0)=(1,1)=a, (1,0)=(0,1)=b
    uint32_t keyIndex;
    VRGBColor keyColor;
    uint32_t expectA, expectB;
  };
  const Row rows[] = {
      {"8-bit copy", 8, 2, 0, 5, 9, 0, {}, 5, 9},
      {"8-bit key index", 8, 2, 1, 5, 9, 5, {}, 0x11, 9},
      {"16-bit copy", 16, 0x8004, 0, 0xF800, 0x001F, 0, {}, 0xF800, 0x001F},
      {"16-bit key RGB", 16, 0x8004, 2, 0xF81F, 0x07E0, 0, {255, 0, 255}, 0x11, 0x07E0},
      {"15-bit key RGB", 15, 0x8003, 2, 0x7C1F, 0x03E0, 0, {255, 0, 255}, 0x11, 0x03E0},
      {"24-bit key RGB", 24, 6, 2, 0xFF00FF, 0x010203, 0, {255, 0, 255}, 0x11, 0x010203},
      {"32-bit key RGB", 32, 8, 2, 0xFF00FF, 0x010203, 0, {255, 0, 255}, 0x11, 0x010203},
  };
  VColorTable* table = Palette();
  for (bool sourceUp : {false, true}) {
    for (bool destinationUp : {false, true}) {
      for (const Row& row : rows) {
        PixelMap* source = Make(2, 2, row.depth, row.format, sourceUp, table);
        PixelMap* destination = Make(4, 3, row.depth, row.format, destinationUp, table);
        for (int32_t y = 0; y < 3; ++y)
          for (int32_t x = 0; x < 4; ++x) Set(*destination, x, y, 0x11);
        Set(*source, 0, 0, row.a);
        Set(*source, 1, 1, row.a);
        Set(*source, 1, 0, row.b);
        Set(*source, 0, 1, row.b);
        PixelMapAttributes record;
        record.flags = row.flags;
        record.keyIndex = static_cast<uint8_t>(row.keyIndex);
        record.keyColor = row.keyColor;
        source->SetAttributes(record);
        source->CopyTo(*destination, VRect(0, 0, 2, 2), VRect(1, 1, 3, 3));
        const std::string where = std::string(row.name) + (sourceUp ? " up" : " down") + (destinationUp ? "/up" : "/down");
        EXPECT_EQ(Get(*destination, 1, 1), row.expectA) << where;
        EXPECT_EQ(Get(*destination, 2, 2), row.expectA) << where;
        EXPECT_EQ(Get(*destination, 2, 1), row.expectB) << where;
        EXPECT_EQ(Get(*destination, 1, 2), row.expectB) << where;
        EXPECT_EQ(Get(*destination, 0, 0), 0x11u) << where;
        EXPECT_EQ(Get(*destination, 3, 2), 0x11u) << where;
        delete source;
        delete destination;
      }
    }
  }
  table->Release();
}

TEST(PixelMapTransferTest, LevelAndAlphaBlends) {
  // 24-bit BGR: level 32 mixes d + round((s - d) * 32 / 63); alpha a mixes
  // d + (((s - d) * (a + 1)) >> 6).
  PixelMap* source = Make(2, 1, 24, 6, false);
  PixelMap* destination = Make(2, 1, 24, 6, true);
  Set(*source, 0, 0, 0xC8C8C8);       // 200
  Set(*source, 1, 0, 0x000000);
  Set(*destination, 0, 0, 0x646464);  // 100
  Set(*destination, 1, 0, 0xC8C8C8);  // 200
  PixelMapAttributes level;
  level.SetLevel(32);
  source->SetAttributes(level);
  source->CopyTo(*destination, VRect(0, 0, 2, 1), VRect(0, 0, 2, 1));
  EXPECT_EQ(Get(*destination, 0, 0), 0x979797u);  // 100 + 51 = 151
  EXPECT_EQ(Get(*destination, 1, 0), 0x626262u);  // 200 + round(-101.59) = 98
  delete source;
  delete destination;
}

TEST(PixelMapTransferTest, AlphaPlaneWithOrigin) {
  PixelMap* source = Make(2, 2, 32, 8, false);
  PixelMap* destination = Make(2, 2, 32, 8, false);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 2; ++x) {
      Set(*source, x, y, 0x00FFFFFF);
      Set(*destination, x, y, 0x00000000);
    }
  // A 3 x 3 channel whose origin (1, 1) puts source (0, 0) at channel (1, 1).
  auto* channel = new VAlphaChannel(VRect(0, 0, 3, 3));
  channel->GetPixelMap()->ClearPixels();
  const uint8_t levels[2][2] = {{31, 63}, {0, 15}};
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 2; ++x) *channel->GetPixelMap()->GetPixelAddress(VPoint(x + 1, y + 1)) = levels[y][x];
  channel->SetOrigin(1, 1);
  PixelMapAttributes record(channel);
  source->SetAttributes(record);
  channel->SetBounds(VRect(0, 0, 2, 2));
  source->CopyTo(*destination, VRect(0, 0, 2, 2), VRect(0, 0, 2, 2));
  EXPECT_EQ(Get(*destination, 0, 0), 0x007F7F7Fu);  // 255 * 32 >> 6 = 127
  EXPECT_EQ(Get(*destination, 1, 0), 0x00FFFFFFu);
  EXPECT_EQ(Get(*destination, 0, 1), 0x00000000u);  // alpha 0 draws nothing
  EXPECT_EQ(Get(*destination, 1, 1), 0x003F3F3Fu);  // 255 * 16 >> 6 = 63
  EXPECT_EQ(source->GetOpacityAt(0, 0), 31);
  channel->Release();
  delete source;
  delete destination;
}

TEST(PixelMapTransferTest, AlphaPlaneThatDoesNotCoverIsClipped) {
  PixelMap* source = Make(4, 1, 8, 11, false);
  PixelMap* destination = Make(4, 1, 8, 11, false);
  for (int32_t x = 0; x < 4; ++x) Set(*source, x, 0, 200);
  auto* channel = new VAlphaChannel(VRect(0, 0, 2, 1));
  *channel->GetPixelMap()->GetPixelAddress(VPoint(0, 0)) = 63;
  *channel->GetPixelMap()->GetPixelAddress(VPoint(1, 0)) = 63;
  PixelMapAttributes record;
  record.SetAlphaChannel(channel);  // assigned without the size cut of SetAlphaChannel
  source->SetAttributes(record);
  EXPECT_EQ(source->GetWidth(), 2);
  delete source;
  channel->Release();
  delete destination;
}

TEST(PixelMapTransferTest, MaskGatesWrites) {
  VColorTable* table = Palette();
  PixelMap* source = Make(3, 1, 8, 2, false, table);
  PixelMap* destination = Make(3, 1, 8, 2, true, table);
  for (int32_t x = 0; x < 3; ++x) Set(*source, x, 0, 7);
  auto* plane = new PixelMap(VRect(0, 0, 3, 1), 8, table, nullptr, nullptr, PixelMap::kStorageMemory, 2);
  Set(*plane, 0, 0, 1);
  Set(*plane, 1, 0, 2);
  Set(*plane, 2, 0, 1);
  auto* mask = new VMask(plane);
  mask->SetCurrentFlag(1, 1);  // region 1 is switched off
  source->SetMask(mask);
  source->CopyTo(*destination, VRect(0, 0, 3, 1), VRect(0, 0, 3, 1));
  EXPECT_EQ(Get(*destination, 0, 0), 0u);
  EXPECT_EQ(Get(*destination, 1, 0), 7u);
  EXPECT_EQ(Get(*destination, 2, 0), 0u);
  // A mask smaller than the rectangle is dropped: everything is written.
  source->CopyTo(*destination, VRect(0, 0, 3, 1), VRect(0, 0, 3, 1));
  auto* small = new VMask(new PixelMap(VRect(0, 0, 1, 1), 8, table, nullptr, nullptr, PixelMap::kStorageMemory, 2));
  source->SetMask(small);
  source->CopyTo(*destination, VRect(0, 0, 3, 1), VRect(0, 0, 3, 1));
  EXPECT_EQ(Get(*destination, 0, 0), 7u);
  small->Release();
  mask->Release();
  delete source;
  delete destination;
  table->Release();
}

TEST(PixelMapTransferTest, ClippingMovesTheDestination) {
  PixelMap* source = Make(10, 10, 8, 11, false);
  PixelMap* destination = Make(20, 20, 8, 11, false);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) Set(*source, x, y, static_cast<uint32_t>(y * 10 + x + 1));
  source->CopyTo(*destination, VRect(-5, -3, 10, 10), VRect(0, 0, 15, 13));
  EXPECT_EQ(Get(*destination, 5, 3), 1u);
  EXPECT_EQ(Get(*destination, 14, 12), 100u);
  EXPECT_EQ(Get(*destination, 4, 3), 0u);
  EXPECT_EQ(Get(*destination, 5, 2), 0u);
  EXPECT_EQ(Get(*destination, 15, 12), 0u);

  VRect s(-5, -3, 10, 10), d(0, 0, 15, 13);
  ClipTransferRects(s, d, VRect(0, 0, 10, 10), VRect(0, 0, 20, 20));
  EXPECT_EQ(s, VRect(0, 0, 10, 10));
  EXPECT_EQ(d, VRect(5, 3, 15, 13));
  delete source;
  delete destination;
}

TEST(PixelMapTransferTest, DepthOrFormatMismatchTransfersNothing) {
  PixelMap* source = Make(2, 2, 16, 0x8004, false);
  PixelMap* destination = Make(2, 2, 15, 0x8003, false);
  Set(*source, 0, 0, 0xFFFF);
  source->CopyTo(*destination, VRect(0, 0, 2, 2), VRect(0, 0, 2, 2));
  EXPECT_EQ(Get(*destination, 0, 0), 0u);
  delete source;
  delete destination;
}

TEST(PixelMapTransferTest, SolidSources) {
  VColorTable* table = Palette();
  PixelMap* destination = Make(3, 2, 24, 5, true);
  PixelMap solid(VRect(0, 0, 3, 2), VRGBColor(10, 20, 30));
  solid.CopyTo(*destination, VRect(0, 0, 2, 1), VRect(1, 1, 3, 2));
  EXPECT_EQ(Get(*destination, 1, 1), 0x1E140Au);
  EXPECT_EQ(Get(*destination, 2, 1), 0x1E140Au);
  EXPECT_EQ(Get(*destination, 0, 1), 0u);
  EXPECT_EQ(Get(*destination, 1, 0), 0u);
  PixelMapAttributes key;
  key.SetKeyColor(VRGBColor(10, 20, 30));
  solid.SetAttributes(key);
  solid.SetSolidColor(VRGBColor(10, 20, 30));
  destination->ClearPixels();
  solid.CopyTo(*destination, VRect(0, 0, 3, 2), VRect(0, 0, 3, 2));  // key equals the colour
  EXPECT_EQ(Get(*destination, 1, 1), 0u);
  // An 8-bit destination gets the nearest index of the palette.
  PixelMap* indexed = Make(2, 1, 8, 2, false, table);
  PixelMap red(VRect(0, 0, 2, 1), VRGBColor(250, 0, 0));
  red.CopyTo(*indexed, VRect(0, 0, 2, 1), VRect(0, 0, 2, 1));
  EXPECT_EQ(Get(*indexed, 0, 0), 249u);
  delete indexed;
  delete destination;
  table->Release();
}

TEST(PixelMapTransferTest, FillRectInEveryLayout) {
  VColorTable* table = Palette();
  struct Row {
    int32_t depth, format;
    uint32_t expected;
  };
  const VRGBColor color(255, 0, 0);
  const Row rows[] = {{8, 2, 249},           {8, 11, 255},          {15, 0x8003, 0x7C00}, {16, 0x8004, 0xF800},
                      {24, 5, 0x0000FF},     {24, 6, 0xFF0000},     {32, 7, 0x000000FF},  {32, 8, 0x00FF0000},
                      {32, 9, 0x0000FF00},   {32, 10, 0xFF000000}};
  for (bool up : {false, true}) {
    for (const Row& row : rows) {
      PixelMap* map = Make(4, 3, row.depth, row.format, up, table);
      const VRect rect(1, 1, 9, 2);  // clipped to the map
      map->FillRect(&rect, &color);
      EXPECT_EQ(Get(*map, 1, 1), row.expected) << row.depth << "/" << row.format;
      EXPECT_EQ(Get(*map, 3, 1), row.expected) << row.depth << "/" << row.format;
      EXPECT_EQ(Get(*map, 0, 1), 0u);
      EXPECT_EQ(Get(*map, 1, 0), 0u);
      EXPECT_EQ(Get(*map, 1, 2), 0u);
      map->Clear();
      EXPECT_EQ(Get(*map, 1, 1), 0u);
      delete map;
    }
  }
  table->Release();
}

TEST(PixelMapTransferTest, DifferentTablesConvertTheSource) {
  const int32_t method = SetEightBitConversionMethod(kConvertNearest);
  VColorTable* a = Palette();
  VColorTable* b = new VColorTable(StandardPalette{2});
  PixelMap* source = Make(2, 1, 8, 2, false, a);
  PixelMap* destination = Make(2, 1, 8, 2, false, b);
  Set(*source, 0, 0, 249);  // red
  Set(*source, 1, 0, 255);  // white
  source->CopyTo(*destination, VRect(0, 0, 2, 1), VRect(0, 0, 2, 1));
  const int32_t red = b->FindNearestIndex(VRGBColor(255, 0, 0), true);
  EXPECT_EQ(source->PeekColorTable(), b);  // a lasting change of the source
  EXPECT_EQ(Get(*source, 0, 0), static_cast<uint32_t>(red));
  EXPECT_EQ(Get(*destination, 0, 0), static_cast<uint32_t>(red));
  EXPECT_EQ(Get(*destination, 1, 0), 255u);
  delete source;
  delete destination;
  a->Release();
  b->Release();
  SetEightBitConversionMethod(method);
}

TEST(PixelMapTransferTest, CopyConstructorTakesPartAndAlpha) {
  PixelMap* source = Make(4, 4, 16, 0x8004, true);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) Set(*source, x, y, static_cast<uint32_t>(y * 16 + x));
  auto* channel = new VAlphaChannel(VRect(0, 0, 4, 4));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) *channel->GetPixelMap()->GetPixelAddress(VPoint(x, y)) = static_cast<uint8_t>(y * 4 + x);
  source->SetAlphaChannel(channel);
  source->SetLevel(40);
  const VRect part(1, 2, 3, 4);
  PixelMap copy(*source, &part);
  EXPECT_EQ(copy.GetBounds(), VRect(0, 0, 2, 2));
  EXPECT_EQ(Get(copy, 0, 0), 2u * 16 + 1);
  EXPECT_EQ(Get(copy, 1, 1), 3u * 16 + 2);
  EXPECT_EQ(copy.GetLevel(), 40);
  EXPECT_EQ(source->GetLevel(), 40);  // the source's record is restored
  VAlphaChannel* copied = copy.GetAlphaChannel();
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, channel);
  EXPECT_EQ(copied->GetValueAt(0, 0), 9);
  EXPECT_EQ(copied->GetValueAt(1, 1), 14);
  copied->Release();
  channel->Release();
  delete source;
}

TEST(PixelMapTransferTest, OpacityAndContentBounds) {
  VColorTable* table = Palette();
  PixelMap* map = Make(10, 10, 8, 2, true, table);
  PixelMapAttributes key;
  key.SetKeyIndex(0);
  map->SetAttributes(key);
  Set(*map, 3, 7, 5);
  EXPECT_EQ(map->GetOpacityAt(3, 7), 63);
  EXPECT_EQ(map->GetOpacityAt(4, 7), 0);
  EXPECT_EQ(map->GetOpacityAt(10, 7), 0);
  VRect content;
  EXPECT_TRUE(map->FindContentBounds(content));
  EXPECT_EQ(content, VRect(3, 7, 4, 8));

  // An RGB key on the 8-bit map searches by its nearest index.
  PixelMapAttributes rgb;
  rgb.flags = PixelMapAttributes::kKeyColor;
  rgb.keyColor = VRGBColor(0, 0, 0);
  map->ClearAttributes();
  map->SetAttributes(rgb);
  EXPECT_TRUE(map->FindContentBounds(content));
  EXPECT_EQ(content, VRect(3, 7, 4, 8));

  PixelMapAttributes level;
  level.SetLevel(32);
  map->SetAttributes(level);
  EXPECT_EQ(map->GetOpacityAt(0, 0), 32);
  level.SetLevel(0);
  map->SetAttributes(level);
  EXPECT_EQ(map->GetOpacityAt(0, 0), 1);
  EXPECT_TRUE(map->FindContentBounds(content));
  EXPECT_TRUE(content.IsEmpty());

  // 16-bit key colours compare at the pixel's precision.
  PixelMap* deep = Make(2, 1, 16, 0x8004, false);
  PixelMapAttributes near;
  near.SetKeyColor(VRGBColor(250, 3, 5));
  deep->SetAttributes(near);
  ASSERT_TRUE(deep->SetPixel(VPoint(0, 0), VRGBColor(250, 3, 5)));
  EXPECT_EQ(deep->GetOpacityAt(0, 0), 0);
  EXPECT_EQ(deep->GetOpacityAt(1, 0), 63);
  delete deep;
  delete map;
  table->Release();
}

TEST(PixelMapTransferTest, ConvertPixelFormat) {
  struct Row {
    int32_t depth, from, to;
    std::vector<uint8_t> before, after;
  };
  const Row rows[] = {
      {32, 8, 7, {3, 2, 1, 9}, {1, 2, 3, 0}},
      {32, 7, 10, {1, 2, 3, 9}, {9, 3, 2, 1}},
      {32, 8, 9, {3, 2, 1, 9}, {9, 1, 2, 3}},
      {32, 9, 7, {9, 1, 2, 3}, {1, 2, 3, 0}},
      {24, 5, 6, {1, 2, 3, 4}, {3, 2, 1, 4}},
      {16, 4, 0x8004, {0xAB, 0xCD, 0, 0}, {0xCD, 0xAB, 0, 0}},
      {15, 0x8003, 0x8003, {1, 2, 0, 0}, {1, 2, 0, 0}},
      {16, 0x8004, 3, {1, 2, 0, 0}, {2, 1, 0, 0}},  // byte order only
      {8, 2, 11, {1, 0, 0, 0}, {1, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    PixelMap* map = Make(1, 1, row.depth, row.from, false);
    std::memcpy(map->GetPixels(), row.before.data(), 4);
    map->ConvertPixelFormat(row.from, row.to);
    EXPECT_EQ(std::vector<uint8_t>(map->GetPixels(), map->GetPixels() + 4), row.after) << row.from << "->" << row.to;
    delete map;
  }
}

TEST(PixelMapTransferTest, FlipTopBitAndMarkedIndices) {
  PixelMap* map = Make(3, 3, 8, 11, false);
  for (int32_t y = 0; y < 3; ++y) Set(*map, 0, y, static_cast<uint32_t>(y + 1));
  map->FlipVertically();
  EXPECT_EQ(Get(*map, 0, 0), 3u);
  EXPECT_EQ(Get(*map, 0, 1), 2u);
  EXPECT_EQ(Get(*map, 0, 2), 1u);
  delete map;

  PixelMap* words = Make(2, 1, 15, 0x8003, true);
  Set(*words, 1, 0, 0x1234);
  words->SetTopBit16(1);
  EXPECT_EQ(Get(*words, 0, 0), 0x8000u);
  EXPECT_EQ(Get(*words, 1, 0), 0x9234u);
  words->SetTopBit16(0);
  EXPECT_EQ(Get(*words, 1, 0), 0x1234u);
  delete words;

  std::vector<uint8_t> rgb = {10, 20, 30, 250, 250, 250, 5, 5, 5};
  auto* table = new VColorTable(rgb.data(), 3, 0);  // white slot 1, black slot 1
  PixelMap* indexed = Make(4, 1, 8, 2, false, table);
  const uint32_t before[4] = {0, 1, 255, 2};
  for (int32_t x = 0; x < 4; ++x) Set(*indexed, x, 0, before[x]);
  indexed->MoveMarkedIndicesToEnds();
  // white slot 1 <-> 255, then black slot 1 <-> 0.
  const uint32_t after[4] = {1, 255, 0, 2};
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(Get(*indexed, x, 0), after[x]) << x;
  delete indexed;
  table->Release();
}

class RawFile {
 public:
  explicit RawFile(const std::vector<uint8_t>& bytes) {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("rows_" + std::to_string(getpid()) + "_" + std::to_string(serial++) + ".raw");
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~RawFile() { std::filesystem::remove(path_); }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST(PixelMapTransferTest, ReadPixelsDirectAndInBands) {
  // Two rows of two 24-bit RGB pixels, row bytes 8, stored bottom-up.
  const std::vector<uint8_t> rows = {200, 100, 50, 1, 2, 3, 0, 0,    // picture row 1
                                     10, 20, 30, 40, 50, 60, 0, 0};  // picture row 0
  RawFile raw(rows);
  {
    VFile file(VFileSpec(raw.Path().c_str()), kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(file.Open(1));
    PixelMap* map = Make(2, 2, 24, 6, false);  // top-down BGR
    EXPECT_EQ(map->ReadPixels(file, 2, 2, 8, 24, 5, true), 16);
    VRGBColor c;
    map->GetPixel(VPoint(0, 0), c);
    EXPECT_EQ(c, VRGBColor(10, 20, 30));
    map->GetPixel(VPoint(0, 1), c);
    EXPECT_EQ(c, VRGBColor(200, 100, 50));
    EXPECT_EQ(map->GetPixelFormat(), 6);
    EXPECT_EQ(map->ReadPixels(file, 2, 2, 8, 24, 5, true), 0);  // nothing left
    delete map;
  }
  {
    const int32_t method = SetHighColorConversionMethod(kConvertNearest);
    VFile file(VFileSpec(raw.Path().c_str()), kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(file.Open(1));
    PixelMap* map = Make(2, 2, 16, 0x8004, true);
    EXPECT_EQ(map->ReadPixels(file, 2, 2, 8, 24, 5, true), 16);
    EXPECT_EQ(Get(*map, 0, 1), (25u << 11) | (25u << 5) | 6u);
    EXPECT_EQ(Get(*map, 1, 0), (40u >> 3 << 11) | (50u >> 2 << 5) | (60u >> 3));
    delete map;
    SetHighColorConversionMethod(method);
  }
  {
    VFile file(VFileSpec(raw.Path().c_str()), kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(file.Open(1));
    PixelMap* map = Make(2, 4, 16, 0x8004, true);
    EXPECT_EQ(map->ReadPixels(file, 2, 4, 8, 24, 5, true), 0);  // the file is short
    delete map;
  }
}

TEST(PixelMapTransferTest, SetColorTableRemapsIndexedPixels) {
  const int32_t method = SetEightBitConversionMethod(kConvertNearest);
  SetCurrentColorTable(nullptr);
  VColorTable* a = Palette();
  VColorTable* b = new VColorTable(StandardPalette{2});
  PixelMap* map = Make(2, 1, 8, 2, false, a);
  Set(*map, 0, 0, 249);
  Set(*map, 1, 0, 1);
  map->SetColorTable(b, false);
  EXPECT_EQ(map->PeekColorTable(), b);
  EXPECT_EQ(Get(*map, 0, 0), 249u);  // indexes unchanged without remapping
  map->SetColorTable(a, true);
  EXPECT_EQ(map->PeekColorTable(), a);
  VRGBColor c;
  b->GetColor(c, 249);
  EXPECT_EQ(Get(*map, 0, 0), static_cast<uint32_t>(a->FindNearestIndex(c, true)));
  // A table the current one begins with is replaced by the current one.
  SetCurrentColorTable(b);
  VColorTable* same = new VColorTable(StandardPalette{2});
  map->SetColorTable(same, false);
  EXPECT_EQ(map->PeekColorTable(), b);
  SetCurrentColorTable(nullptr);
  same->Release();
  delete map;
  a->Release();
  b->Release();
  SetEightBitConversionMethod(method);
}

TEST(PixelMapTransferTest, CopyPicturePixelsAcrossDepths) {
  PixelMap* source = Make(2, 1, 15, 0x8003, false);
  PixelMap* destination = Make(2, 1, 16, 0x8004, true);
  PixelMap* destination15 = Make(1, 1, 15, 0x8003, true);
  Set(*source, 0, 0, (31u << 10) | (16u << 5) | 1u);
  EXPECT_TRUE(CopyPicturePixels(*source, *destination));
  EXPECT_EQ(Get(*destination, 0, 0), (31u << 11) | (32u << 5) | 1u);
  const VRect outside(5, 5, 6, 6);
  EXPECT_FALSE(CopyPicturePixels(*source, *destination, &outside, nullptr));
  // A big-endian source is reordered in place first.
  PixelMap* big = Make(1, 1, 15, 3, false);
  Set(*big, 0, 0, 0x3412);  // the word 0x1234 stored high byte first
  EXPECT_TRUE(CopyPicturePixels(*big, *destination15));
  EXPECT_EQ(big->GetPixelFormat(), 0x8003);
  EXPECT_EQ(Get(*big, 0, 0), 0x1234u);
  EXPECT_EQ(Get(*destination15, 0, 0), 0x1234u);
  // Between two maps of one big-endian format the words are copied as they are.
  PixelMap* bigSource = Make(1, 1, 15, 3, false);
  PixelMap* bigDestination = Make(1, 1, 15, 3, true);
  Set(*bigSource, 0, 0, 0x3412);
  EXPECT_TRUE(CopyPicturePixels(*bigSource, *bigDestination));
  EXPECT_EQ(bigSource->GetPixelFormat(), 3);
  EXPECT_EQ(Get(*bigDestination, 0, 0), 0x3412u);
  delete bigSource;
  delete bigDestination;
  delete big;
  delete destination15;
  delete source;
  delete destination;
}

}  // namespace
