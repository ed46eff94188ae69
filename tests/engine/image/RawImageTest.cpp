// The raw image file ("RIX ") and the raw alpha data ("RAX "): round trips
// through the writer and reader, blocks shared between frames, embedded
// colour tables, byte fixtures written by Python's struct module, media
// loaded by id out of an archive, and malformed tables refused.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ImageTestSupport.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/graphics/DepthConversion.h"
#include "engine/image/RawImageFile.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VMask.h"
#include "support/BuildPaths.h"

namespace {

using imgtest::ImageFixture;
using imgtest::Pixels;

class RawImage : public ImageFixture {
 protected:
  // A 24-bit map of a gradient pattern.
  static PixelMap* Pattern(int32_t width, int32_t height, int32_t seed) {
    auto* map = new PixelMap(VRect(0, 0, width, height), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 1);
    PixelMapLock lock(map);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        map->SetPixel(VPoint(x, y), VRGBColor(static_cast<uint8_t>(x * 9 + seed), static_cast<uint8_t>(y * 13),
                                              static_cast<uint8_t>(seed * 31 + x * y)));
    return map;
  }

  static VAlphaChannel* Ramp(int32_t width, int32_t height) {
    auto* channel = new VAlphaChannel(VRect(0, 0, width, height));
    PixelMap* levels = channel->GetPixelMap();
    PixelMapLock lock(levels);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) *levels->GetPixelAddress(VPoint(x, y)) = static_cast<uint8_t>((x + y * 3) & 63);
    return channel;
  }

  // Writes the chain as "RIX " into a file; 0 on success.
  int32_t Write(const std::string& path, PixelMap& first, int32_t flags, int32_t stacked = 1) {
    VFileSpec spec(path.c_str());
    CreateFileForSpec(spec, kUnknownFileType, kUnknownFileType);
    VFile file(spec, kUnknownFileType, kUnknownFileType);
    if (!file.Open(3)) return -1;
    std::unique_ptr<VImageWriter> writer(CreateImageWriterForFile(&file, MakeTypeCode("RIX ")));
    const int32_t result = writer ? writer->WriteImage(0, first, flags, -2, 0, stacked) : -1;
    file.Close();
    return result;
  }

  static std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
      out += digits[c >> 4];
      out += digits[c & 15];
    }
    return out;
  }

  // An archive (written by the independent Python writer) of the given entries.
  std::string BuildArchive(const std::string& name, const std::string& entriesJson) {
    const std::string desc = Path(name + ".json");
    std::ofstream(desc) << "{\"entries\": [" << entriesJson << "]}";
    const std::string out = Path(name);
    EXPECT_EQ(imgtest::RunCommand("python3 '" + std::string(OSTREVAN_SOURCE_DIR) + "/tests/data/msf_oracle.py' build '" +
                                  desc + "' '" + out + "'"),
              0);
    return out;
  }
};

TEST_F(RawImage, ChainRoundTripsWithSharedAlphaAndAttributes) {
  // Three frames: the first and third share one alpha channel object, the
  // second has an equal copy of it, a level and an RGB key, and is hidden.
  PixelMap* a = Pattern(12, 7, 1);
  PixelMap* b = Pattern(12, 7, 2);
  PixelMap* c = Pattern(5, 3, 3);
  VAlphaChannel* shared = Ramp(12, 7);
  VAlphaChannel* equal = Ramp(12, 7);
  a->SetAlphaChannel(shared);
  b->SetAlphaChannel(equal);
  b->SetLevel(40);
  PixelMapAttributes keyed;
  b->GetAttributes(keyed);
  keyed.SetKeyColor(VRGBColor(9, 8, 7));
  b->SetAttributes(keyed);
  b->SetVisible(false);
  b->SetOrigin(VPoint(3, 4));
  c->SetOrigin(VPoint(-2, 11));
  a->SetNext(b);
  b->SetNext(c);
  const std::string path = Path("chain.rix");
  ASSERT_EQ(Write(path, *a, kReadPixels | kReadAlpha | kReadColorTable, 1), 0);

  // The table: the equal channel is written once.
  VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  VRawImageReader reader(&file);
  ASSERT_EQ(reader.ReadHeader(), 0);
  const auto& d = reader.GetDescriptors();
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0].framesRemaining, 3);
  EXPECT_EQ(d[2].framesRemaining, 1);
  EXPECT_EQ(d[0].alphaField, d[1].alphaField);
  EXPECT_GE(d[0].alphaByteCount, 1);
  EXPECT_EQ(d[2].alphaByteCount, 0);
  EXPECT_EQ(d[1].transparencyFlags, 2 | 4);
  EXPECT_EQ(d[1].level, 40);
  EXPECT_EQ(d[0].level, 63);
  VRect overall;
  reader.GetFrameBounds(overall, -2);
  EXPECT_EQ(overall, VRect(-2, 0, 15, 14));
  file.Close();

  ScopedLoadPixelFormat own(-1);
  VPicture* picture = new VPicture(VFileSpec(path.c_str()), kUnknownFileType, kReadPixels | kReadAlpha, -2, -4);
  ASSERT_NE(picture->GetPixelMap(), nullptr);
  ASSERT_EQ(picture->GetPixelMaps().GetCount(), 3);
  PixelMap* maps[3] = {static_cast<PixelMap*>(picture->GetPixelMaps().GetAt(0)),
                       static_cast<PixelMap*>(picture->GetPixelMaps().GetAt(1)),
                       static_cast<PixelMap*>(picture->GetPixelMaps().GetAt(2))};
  PixelMap* originals[3] = {a, b, c};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(imgtest::SameImage(Pixels(*maps[i]), Pixels(*originals[i])));
    EXPECT_EQ(maps[i]->GetOrigin(), originals[i]->GetOrigin());
    EXPECT_EQ(maps[i]->IsVisible(), originals[i]->IsVisible());
  }
  EXPECT_EQ(maps[1]->GetLevel(), 40);
  EXPECT_TRUE(maps[1]->PeekAttributes().flags & PixelMapAttributes::kKeyColor);
  // Frames naming one block share one channel.
  ASSERT_NE(maps[0]->PeekAttributes().PeekAlphaChannel(), nullptr);
  EXPECT_EQ(maps[0]->PeekAttributes().PeekAlphaChannel(), maps[1]->PeekAttributes().PeekAlphaChannel());
  EXPECT_TRUE(maps[0]->PeekAttributes().PeekAlphaChannel()->IsEqual(*shared));
  EXPECT_EQ(maps[2]->PeekAttributes().PeekAlphaChannel(), nullptr);
  picture->Release();

  // Selection 1 reads only the second frame.
  VPicture* second = new VPicture(VFileSpec(path.c_str()), kUnknownFileType, kReadPixels, 1, -4);
  ASSERT_EQ(second->GetPixelMaps().GetCount(), 1);
  EXPECT_TRUE(imgtest::SameImage(Pixels(*second->GetPixelMap()), Pixels(*b)));
  second->Release();

  shared->Release();
  equal->Release();
  delete a;
  delete b;
  delete c;
}

TEST_F(RawImage, MaskRowsAreWrittenOncePerMask) {
  auto plane = [] {
    auto* map = new PixelMap(VRect(0, 0, 3, 2), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 2);
    map->ClearPixels();
    return map;
  };
  auto* shared = new VMask(plane());
  auto* other = new VMask(plane());
  PixelMap* a = Pattern(3, 2, 1);
  PixelMap* b = Pattern(3, 2, 2);
  PixelMap* c = Pattern(3, 2, 3);
  a->SetMask(shared);
  b->SetMask(shared);
  c->SetMask(other);
  a->SetNext(b);
  b->SetNext(c);
  const std::string path = Path("masks.rix");
  ASSERT_EQ(Write(path, *a, kReadPixels | kReadMasks), 0);
  VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  VRawImageReader reader(&file);
  ASSERT_EQ(reader.ReadHeader(), 0);
  const auto& d = reader.GetDescriptors();
  EXPECT_EQ(d[0].maskByteCount, 8);
  EXPECT_EQ(d[0].maskField, d[1].maskField);
  EXPECT_NE(d[0].maskField, d[2].maskField);
  file.Close();
  shared->Release();
  other->Release();
  delete a;
  delete b;
  delete c;
}

TEST_F(RawImage, WritingAtAnotherDepthConvertsEveryFrame) {
  PixelMap* a = Pattern(6, 4, 1);
  PixelMap* b = Pattern(3, 2, 2);
  b->SetOrigin(VPoint(2, 1));
  a->SetNext(b);
  const std::string path = Path("deep.rix");
  VFileSpec spec(path.c_str());
  CreateFileForSpec(spec, kUnknownFileType, kUnknownFileType);
  {
    VFile file(spec, kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(file.Open(3));
    VRawImageWriter writer(&file);
    const int32_t method = SetHighColorConversionMethod(kConvertNearest);
    ASSERT_EQ(writer.WriteImage(15, *a, kReadPixels, -2, 0, 1), 0);
    SetHighColorConversionMethod(method);
    file.Close();
  }
  ScopedLoadPixelFormat own(-1);
  VPicture* picture = new VPicture(spec, kUnknownFileType, kReadPixels, -2, -4);
  ASSERT_EQ(picture->GetPixelMaps().GetCount(), 2);
  auto* second = static_cast<PixelMap*>(picture->GetPixelMaps().GetAt(1));
  EXPECT_EQ(picture->GetPixelMap()->GetDepth(), 15);
  EXPECT_EQ(second->GetDepth(), 15);
  EXPECT_EQ(second->GetOrigin(), VPoint(2, 1));
  // 15 bits hold 5 bits of each component (nearest level).
  EXPECT_TRUE(imgtest::SameImageWithin(Pixels(*second), Pixels(*b), 8));
  picture->Release();
  delete a;
  delete b;
}

TEST_F(RawImage, SelectionMinusOneDrawsTheVisibleFramesIntoOneMap) {
  // A 4x2 red frame at (0, 0), a hidden frame, and a 2x1 blue frame at (3, 1):
  // one 5x2 map at the visible frames' top-left, blue drawn over red.
  const std::string path = MakePython("composite.rix", R"(
rows_a = (bytes([0, 0, 255] * 4)) * 2
rows_b = bytes([0, 255, 0, 0])
rows_c = bytes([255, 0, 0] * 2 + [0, 0])
t = 3 * 58
data = struct.pack('<hhhhhhhiiiiiiiiBBB3Bhh2x', 3, 4, 2, 0, 0, 1, 24, 24, t, 0, 0, 0, 0, 0, 0, 0, 63, 0, 0, 0, 0, 1, 6)
data += struct.pack('<hhhhhhhiiiiiiiiBBB3Bhh2x', 2, 1, 1, 9, 9, 0, 24, 4, t + 24, 0, 0, 0, 0, 0, 0, 0, 63, 0, 0, 0, 0, 1, 6)
data += struct.pack('<hhhhhhhiiiiiiiiBBB3Bhh2x', 1, 2, 1, 3, 1, 1, 24, 8, t + 28, 0, 0, 0, 0, 0, 0, 0, 63, 0, 0, 0, 0, 1, 6)
data += rows_a + rows_b + rows_c)");
  VPicture* picture = imgtest::LoadPicture(path, kReadPixels, -1);
  ASSERT_NE(picture, nullptr);
  PixelMap* map = picture->GetPixelMap();
  ASSERT_EQ(picture->GetPixelMaps().GetCount(), 1);
  EXPECT_EQ(map->GetWidth(), 5);
  EXPECT_EQ(map->GetHeight(), 2);
  VRGBColor c;
  ASSERT_TRUE(map->GetPixel(VPoint(0, 0), c));
  EXPECT_EQ(c, VRGBColor(255, 0, 0));
  ASSERT_TRUE(map->GetPixel(VPoint(3, 1), c));
  EXPECT_EQ(c, VRGBColor(0, 0, 255));
  ASSERT_TRUE(map->GetPixel(VPoint(4, 1), c));
  EXPECT_EQ(c, VRGBColor(0, 0, 255));
  ASSERT_TRUE(map->GetPixel(VPoint(4, 0), c));
  EXPECT_EQ(c, VRGBColor(0, 0, 0));  // covered by no frame
  picture->Release();
}

TEST_F(RawImage, EightBitFrameEmbedsItsColourTable) {
  uint8_t rgb[256 * 3];
  for (int i = 0; i < 256; ++i) {
    rgb[i * 3] = static_cast<uint8_t>(i);
    rgb[i * 3 + 1] = static_cast<uint8_t>(255 - i);
    rgb[i * 3 + 2] = static_cast<uint8_t>(i * 3);
  }
  SetArrangeBlackAndWhite(true);
  auto* table = new VColorTable(rgb, 256, 0);
  auto* map = new PixelMap(VRect(0, 0, 6, 2), 8, table, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  table->Release();
  {
    PixelMapLock lock(map);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 6; ++x) *map->GetPixelAddress(VPoint(x, y)) = static_cast<uint8_t>(x * 40 + y);
  }
  const std::string path = Path("indexed.rix");
  ASSERT_EQ(Write(path, *map, kReadPixels | kReadColorTable), 0);
  VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  VRawImageReader reader(&file);
  ASSERT_EQ(reader.ReadHeader(), 0);
  EXPECT_EQ(reader.GetDescriptors()[0].colorTableByteCount, 772);
  file.Close();

  ScopedLoadPixelFormat own(-1);
  VPicture* picture = new VPicture(VFileSpec(path.c_str()), kUnknownFileType, kReadPixels | kReadColorTable, -2, -4);
  ASSERT_NE(picture->GetPixelMap(), nullptr);
  EXPECT_EQ(picture->GetPixelMap()->GetDepth(), 8);
  EXPECT_NE(picture->GetPixelMap()->PeekColorTable(), map->PeekColorTable());
  // Every pixel keeps its colour.
  EXPECT_TRUE(imgtest::SameImage(Pixels(*picture->GetPixelMap()), Pixels(*map)));
  picture->Release();
  delete map;
}

// A one-frame file written by Python: height -3 stores the bottom row first.
TEST_F(RawImage, NegativeHeightStoresTheBottomRowFirst) {
  const std::string path = MakePython("up.rix", R"(
w, h = 2, 3
rows = b''.join(bytes([10*r, 0, 0, 10*r, 1, 1, 0, 0]) for r in range(h))   # 24-bit BGR, row bytes 8
d = struct.pack('<hhhhhhhiiiiiiiiBBB3Bhh2x', 1, w, -h, 0, 0, 1, 24, len(rows), 58, 0, 0, 0, 0, 0, 0, 0, 63, 0, 0, 0, 0, 1, 6)
data = d + rows)");
  ScopedLoadPixelFormat own(-1);
  VPicture* picture = imgtest::LoadPicture(path, kReadPixels, -2);
  ASSERT_NE(picture, nullptr);
  PixelMap* map = picture->GetPixelMap();
  EXPECT_EQ(map->GetHeight(), 3);
  VRGBColor top, bottom;
  ASSERT_TRUE(map->GetPixel(VPoint(0, 0), top));
  ASSERT_TRUE(map->GetPixel(VPoint(0, 2), bottom));
  EXPECT_EQ(top.blue, 20);  // the last stored row
  EXPECT_EQ(bottom.blue, 0);
  picture->Release();
}

TEST_F(RawImage, ReaderFlagsWithoutPixelsReadNothing) {
  PixelMap* map = Pattern(4, 4, 5);
  const std::string path = Path("p.rix");
  ASSERT_EQ(Write(path, *map, kReadPixels), 0);
  VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  VRawImageReader reader(&file);
  ASSERT_EQ(reader.ReadHeader(), 0);
  PixelMap target(VRect(0, 0, 4, 4), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  target.ClearPixels();
  EXPECT_EQ(reader.ReadImage(target, kReadAlpha | kReadColorTable, 0, 0), 0);
  VRGBColor c;
  ASSERT_TRUE(target.GetPixel(VPoint(1, 1), c));
  EXPECT_EQ(c, VRGBColor(0, 0, 0));
  file.Close();
  delete map;
}

TEST_F(RawImage, LevelByte63WithFlag4GivesNoLevel) {
  const std::string path = MakePython("lvl.rix", R"(
rows = bytes([1, 2, 3, 0])
d = struct.pack('<hhhhhhhiiiiiiiiBBB3Bhh2x', 1, 1, 1, 0, 0, 1, 24, 4, 58, 0, 0, 0, 0, 0, 0, 4, 63, 0, 0, 0, 0, 1, 6)
data = d + rows)");
  ScopedLoadPixelFormat own(-1);
  VPicture* picture = imgtest::LoadPicture(path, kReadPixels, -2);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetPixelMap()->PeekAttributes().flags & PixelMapAttributes::kLevel, 0u);
  picture->Release();
}

TEST_F(RawImage, MalformedTablesFail) {
  // Descriptor: (frames, width, height, depth, byte count, pixel offset,
  // alpha count, alpha field) varied; rows follow at offset 58 x frames.
  struct Case {
    const char* name;
    const char* script;
  };
  const char* prefix = "D = lambda n, w, h, dep, cnt, off, ac=0, af=0: struct.pack('<hhhhhhhiiiiiiiiBBB3Bhh2x', n, w, h, 0, "
                       "0, 1, dep, cnt, off, ac, af, 0, 0, 0, 0, 0, 63, 0, 0, 0, 0, 1, 0)\n";
  const std::vector<Case> cases = {
      {"no frames", "data = D(0, 1, 1, 24, 4, 58) + bytes(4)"},
      {"table longer than the file", "data = D(3, 1, 1, 24, 4, 58) + bytes(4)"},
      {"short first descriptor", "data = D(1, 1, 1, 24, 4, 58)[:40]"},
      {"height 0", "data = D(1, 1, 0, 24, 4, 58) + bytes(4)"},
      {"width 0", "data = D(1, 0, 1, 24, 4, 58) + bytes(4)"},
      {"depth 12", "data = D(1, 1, 1, 12, 4, 58) + bytes(4)"},
      {"rows shorter than the pixels", "data = D(1, 4, 1, 24, 4, 58) + bytes(4)"},
      {"pixels beyond the medium", "data = D(1, 1, 1, 24, 4, 58) + bytes(2)"},
      {"negative pixel offset", "data = D(1, 1, 1, 24, 4, -8) + bytes(4)"},
      {"byte count not a whole number of rows", "data = D(1, 1, 2, 24, 9, 58) + bytes(9)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakePython("bad.rix", std::string(prefix) + c.script);
    VPicture* picture = imgtest::LoadPicture(path, kReadPixels | kReadAlpha, -2);
    EXPECT_EQ(picture, nullptr);
    if (picture) picture->Release();
  }
}

TEST_F(RawImage, AlphaDataRoundTripsAndRefusesBadHeaders) {
  VAlphaChannel* channel = Ramp(7, 3);
  const std::string path = Path("a.rax");
  {
    VFileSpec spec(path.c_str());
    CreateFileForSpec(spec, kUnknownFileType, kUnknownFileType);
    VFile file(spec, kUnknownFileType, kUnknownFileType);
    ASSERT_EQ(channel->Write(file), 0);
    file.Close();
  }
  EXPECT_EQ(ReadBytes(path).size(), 8u + 3u * 8u);  // header, rows padded to 8
  auto* loaded = new VAlphaChannel(VFileSpec(path.c_str()), kUnknownFileType);
  ASSERT_NE(loaded->GetPixelMap(), nullptr);
  EXPECT_TRUE(loaded->IsEqual(*channel));
  loaded->Release();
  channel->Release();

  struct Case {
    const char* name;
    const char* script;
  };
  const std::vector<Case> cases = {
      {"negative height", "data = struct.pack('<hhhh', 2, -5, 4, 0) + bytes(20)"},
      {"row bytes below the width", "data = struct.pack('<hhhh', 8, 2, 4, 0) + bytes(8)"},
      {"rows past the end", "data = struct.pack('<hhhh', 4, 9, 4, 0) + bytes(8)"},
      {"short header", "data = struct.pack('<hh', 4, 9)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bad = MakePython("bad.rax", c.script);
    auto* failed = new VAlphaChannel(VFileSpec(bad.c_str()), kUnknownFileType);
    EXPECT_EQ(failed->GetPixelMap(), nullptr);
    EXPECT_TRUE(failed->HasLoadFailed());
    failed->Release();
  }
}

TEST_F(RawImage, MediaLoadByIdFromAnArchive) {
  // Entry 10: alpha data; 20: two frames naming alpha medium 10 and mask
  // medium 30; 30: an 8-bit BMP used as a mask; 40: a BMP typed ".BMP";
  // 50: a BMP typed "JPEG" (handed to the JPEG reader, never probed).
  const std::string rax = ReadBytes(MakePython("m.rax", "data = struct.pack('<hhhh', 2, 1, 4, 0) + bytes([5, 60, 0, 0])"));
  const std::string rix = ReadBytes(MakePython("m.rix", R"(
D = lambda n, x: struct.pack('<hhhhhhhiiiiiiiiBBB3Bhh2x', n, 2, 1, x, 0, 1, 24, 8, 116 + 8 * (2 - n), 0, 10, 0, 30, 0, 0, 0, 63, 0, 0, 0, 0, 1, 6)
data = D(2, 0) + D(1, 5) + bytes([1, 2, 3, 4, 5, 6, 0, 0]) + bytes([7, 8, 9, 10, 11, 12, 0, 0]))"));
  const std::string mask = ReadBytes(Make("mask.bmp", "-size 1x1 xc:black xc:white +append -type Palette"));
  const std::string bmp = ReadBytes(Make("pic.bmp", "rose: -crop 9x5+0+0 +repage"));
  const std::string archive = BuildArchive(
      "media.msf", "{\"id\": 10, \"type\": \"RAX \", \"name\": \"a\", \"data\": \"hex:" + Hex(rax) +
                       "\"}, {\"id\": 20, \"type\": \"RIX \", \"name\": \"p\", \"data\": \"hex:" + Hex(rix) +
                       "\"}, {\"id\": 30, \"type\": \".BMP\", \"name\": \"m\", \"data\": \"hex:" + Hex(mask) +
                       "\"}, {\"id\": 40, \"type\": \".BMP\", \"name\": \"b\", \"data\": \"hex:" + Hex(bmp) +
                       "\"}, {\"id\": 50, \"type\": \"JPEG\", \"name\": \"j\", \"data\": \"hex:" + Hex(bmp) + "\"}");
  MediaArchive media(VFileSpec(archive.c_str()));
  ASSERT_TRUE(media.IsOpen());
  ScopedMediaArchive serve(&media);
  ScopedLoadPixelFormat own(-1);

  VPicture* picture = new VPicture(uint16_t{20}, kReadPixels | kReadAlpha | kReadMasks, -2, -4);
  ASSERT_EQ(picture->GetPixelMaps().GetCount(), 2);
  auto* first = static_cast<PixelMap*>(picture->GetPixelMaps().GetAt(0));
  auto* second = static_cast<PixelMap*>(picture->GetPixelMaps().GetAt(1));
  VAlphaChannel* alpha = first->PeekAttributes().PeekAlphaChannel();
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha, second->PeekAttributes().PeekAlphaChannel());  // one channel for one id
  EXPECT_EQ(alpha->GetValueAt(1, 0), 60);
  VMask* m = first->PeekAttributes().PeekMask();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m, second->PeekAttributes().PeekMask());
  EXPECT_EQ(m->GetValueAt(VPoint(0, 0)) != m->GetValueAt(VPoint(1, 0)), true);
  EXPECT_EQ(m->GetValueAt(VPoint(2, 0)), -1);  // outside
  EXPECT_EQ(second->GetOrigin(), VPoint(5, 0));
  picture->Release();

  VPicture* bmpPicture = new VPicture(uint16_t{40});
  ASSERT_NE(bmpPicture->GetPixelMap(), nullptr);
  EXPECT_TRUE(imgtest::SameImage(Pixels(*bmpPicture->GetPixelMap()), imgtest::Oracle(Path("pic.bmp"))));
  bmpPicture->Release();

  VPicture* jpeg = new VPicture(uint16_t{50});
  EXPECT_EQ(jpeg->GetPixelMap(), nullptr);
  EXPECT_TRUE(jpeg->HasLoadFailed());
  EXPECT_EQ(jpeg->Load(), -1);  // a failed load stays failed
  jpeg->Release();

  VPicture* missing = new VPicture(uint16_t{99});
  EXPECT_EQ(missing->GetPixelMap(), nullptr);
  missing->Release();
}

}  // namespace
