// The BMP, Targa, GIF and Photoshop readers against ImageMagick: every file is
// made at test time (by ImageMagick, or by a small struct-based writer for
// the variants ImageMagick does not write), loaded through the reader
// registry into a 24-bit picture and compared with `convert FILE rgb:-`.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ImageTestSupport.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/image/BMPImageReader.h"
#include "engine/image/GIFImageReader.h"
#include "engine/image/PhotoshopImageReader.h"
#include "engine/image/TargaImageReader.h"
#include "engine/graphics/VAlphaChannel.h"
#include "support/LongGifAnimation.h"

namespace {

using imgtest::ImageFixture;
using imgtest::LoadPicture;
using imgtest::Oracle;
using imgtest::Pixels;
using imgtest::SameImage;

class ImageReaders : public ImageFixture {};

struct MagickCase {
  const char* name;
  const char* args;    // convert ARGS PREFIX:FILE
  const char* prefix;  // output coder, e.g. "BMP3:"
  const char* file;
  int32_t bits;        // precision of the comparison
  int32_t greenBits;
};

TEST_F(ImageReaders, DecodeLikeImageMagick) {
  const std::vector<MagickCase> cases = {
      {"BMP 24-bit, odd width", "rose: -crop 37x23+3+5 +repage", "BMP3:", "a.bmp", 8, 8},
      {"BMP 8-bit", "rose: -colors 200", "BMP3:", "b.bmp", 8, 8},
      {"BMP 8-bit RLE8", "rose: -colors 200 -compress RLE", "BMP3:", "c.bmp", 8, 8},
      {"BMP 4-bit", "rose: -colors 16", "BMP3:", "d.bmp", 8, 8},
      {"BMP 1-bit", "rose: -colors 2", "BMP3:", "e.bmp", 8, 8},
      {"BMP OS/2 24-bit", "rose:", "BMP2:", "f.bmp", 8, 8},
      {"BMP OS/2 8-bit", "rose: -colors 100", "BMP2:", "g.bmp", 8, 8},
      {"BMP V5 16-bit 5-6-5", "rose: -define bmp:subtype=RGB565", "BMP:", "h.bmp", 5, 6},
      {"BMP V5 16-bit 5-5-5", "rose: -define bmp:subtype=RGB555", "BMP:", "i.bmp", 5, 5},
      {"BMP V5 32-bit", "rose: -alpha set", "BMP:", "j.bmp", 8, 8},
      {"Targa 24-bit", "rose: -crop 37x23+3+5 +repage", "", "a.tga", 8, 8},
      {"Targa 24-bit RLE", "rose: -compress RLE", "", "b.tga", 8, 8},
      {"Targa 32-bit", "rose: -alpha set", "", "c.tga", 8, 8},
      {"Targa 32-bit RLE", "rose: -alpha set -compress RLE", "", "d.tga", 8, 8},
      {"Targa colour-mapped", "rose: -type Palette", "", "e.tga", 8, 8},
      {"Targa colour-mapped RLE", "rose: -type Palette -compress RLE", "", "f.tga", 8, 8},
      {"Targa grey", "rose: -type Grayscale", "", "g.tga", 8, 8},
      {"Targa grey RLE", "rose: -type Grayscale -compress RLE", "", "h.tga", 8, 8},
      {"GIF", "rose: -colors 100", "", "a.gif", 8, 8},
      {"GIF interlaced", "rose: -colors 64 -interlace Line", "", "b.gif", 8, 8},
      {"GIF two colours", "rose: -colors 2", "", "c.gif", 8, 8},
      {"Photoshop RGB", "rose:", "", "a.psd", 8, 8},
      {"Photoshop RGB raw", "rose: -compress None", "", "b.psd", 8, 8},
      {"Photoshop grey", "rose: -colorspace Gray", "", "c.psd", 8, 8},
      {"Photoshop 16 bits per channel", "rose: -depth 16", "", "e.psd", 8, 8},
      {"Photoshop CMYK", "rose: -colorspace CMYK", "", "f.psd", 8, 8},
  };
  for (const MagickCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(c.file);
    ASSERT_EQ(imgtest::RunCommand(std::string("convert ") + c.args + " " + c.prefix + "'" + path + "' 2>/dev/null"), 0);
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetPixelMap()->GetDepth(), 24);
    // ImageMagick keeps a Targa file's rows in stored order and records the
    // orientation instead; -auto-orient applies it.
    const bool targa = std::string(c.file).find(".tga") != std::string::npos;
    EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), Oracle(path, "[0]", targa ? "-auto-orient" : ""), c.bits,
                          c.greenBits));
    picture->Release();
  }
}

// Variants ImageMagick does not write, made by a struct-based writer; the
// oracle still decodes them.
TEST_F(ImageReaders, HandWrittenVariantsDecodeLikeImageMagick) {
  struct Case {
    const char* name;
    const char* file;
    const char* script;
    int32_t bits;
  };
  const std::vector<Case> cases = {
      {"BMP RLE4 with runs, absolute runs, delta and end of line", "rle4.bmp", R"(
pal = b''.join(struct.pack('<BBBB', (i*16)&255, (i*40)&255, 255-i*16, 0) for i in range(16))
# 7x4, rows bottom first: run; absolute of 5 (odd: 3 bytes + pad); delta; end of line.
rle = bytes([7,0x12, 0,0,  0,5,0x34,0x56,0x70,0, 2,0xAB, 0,0,  0,2,3,0, 4,0xCD, 0,0,  7,0xEF, 0,1])
hdr = struct.pack('<IiiHHIIiiII', 40, 7, 4, 1, 4, 2, len(rle), 0, 0, 16, 0)
off = 14 + 40 + len(pal)
data = b'BM' + struct.pack('<IHHI', off + len(rle), 0, 0, off) + hdr + pal + rle)",
       8},
      {"BMP top-down 24-bit (negative height)", "down.bmp", R"(
w, h = 5, 3
row = lambda y: b''.join(struct.pack('<BBB', x*50, y*80, 255-x*40) for x in range(w)) + b'\0'
pix = b''.join(row(y) for y in range(h))
hdr = struct.pack('<IiiHHIIiiII', 40, w, -h, 1, 24, 0, len(pix), 0, 0, 0, 0)
data = b'BM' + struct.pack('<IHHI', 54 + len(pix), 0, 0, 54) + hdr + pix)",
       8},
      {"BMP V4 header 8-bit", "v4.bmp", R"(
w, h = 3, 2
pal = b''.join(struct.pack('<BBBB', i, 255-i, i*2&255, 0) for i in range(256))
pix = bytes([1,2,3,0, 250,251,252,0])
hdr = struct.pack('<IiiHHIIiiII', 108, w, h, 1, 8, 0, len(pix), 0, 0, 0, 0) + bytes(68)
off = 14 + 108 + len(pal)
data = b'BM' + struct.pack('<IHHI', off + len(pix), 0, 0, off) + hdr + pal + pix)",
       8},
      {"Targa 16-bit top-down with an image id", "c16.tga", R"(
w, h = 6, 4
px = b''.join(struct.pack('<H', ((x*6)&31)<<10 | ((y*9)&31)<<5 | ((x+y)*3)&31) for y in range(h) for x in range(w))
data = struct.pack('<BBBHHBHHHHBB', 3, 0, 2, 0, 0, 0, 0, 0, w, h, 16, 0x20) + b'abc' + px)",
       5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakePython(c.file, c.script);
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), Oracle(path, "[0]", "-auto-orient"), c.bits));
    picture->Release();
  }
}

TEST_F(ImageReaders, ReaderDepthIsKeptAtLoadDepthMinusOne) {
  ScopedLoadPixelFormat own(-1);
  struct Case {
    const char* args;
    const char* file;
    int32_t depth;
    uint16_t format;
  };
  const std::vector<Case> cases = {
      {"rose: -colors 16 BMP3:", "a.bmp", 8, kFormatIndexed8},
      {"rose: -define bmp:subtype=RGB555 BMP:", "b.bmp", 15, kFormat555LE},
      {"rose: -define bmp:subtype=RGB565 BMP:", "c.bmp", 16, kFormat565LE},
      {"rose: BMP3:", "d.bmp", 24, kFormatBGR24},
      {"rose: -alpha set BMP:", "e.bmp", 32, kFormatBGRX32},
      {"rose: -colors 30 GIF:", "f.gif", 8, kFormatIndexed8},
      {"rose: TGA:", "g.tga", 24, kFormatBGR24},
      {"rose: -colorspace Gray PSD:", "h.psd", 8, kFormatIndexed8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string path = Path(c.file);
    std::string args(c.args);
    const size_t colon = args.rfind(' ');
    ASSERT_EQ(imgtest::RunCommand("convert " + args.substr(0, colon) + " " + args.substr(colon + 1) + "'" + path + "'"), 0);
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
    ASSERT_NE(picture, nullptr);
    PixelMap* map = picture->GetPixelMap();
    EXPECT_EQ(map->GetDepth(), c.depth);
    EXPECT_EQ(map->GetPixelFormat(), c.format);
    // Whatever the depth, the colours are the file's.
    EXPECT_TRUE(SameImage(Pixels(*map), Oracle(path, "[0]", "-auto-orient"), c.depth == 15 || c.depth == 16 ? 5 : 8));
    picture->Release();
  }
}

TEST_F(ImageReaders, ArrangedColourTablesKeepEveryPixelsColour) {
  // With the engine's arrangement (black to 0, white to 255) the indexes are
  // remapped so that an 8-bit picture shows the file's colours.
  SetArrangeBlackAndWhite(true);
  ScopedLoadPixelFormat own(-1);
  const std::string path = Make("arranged.bmp", "-size 1x1 xc:red xc:white xc:black xc:blue +append -type Palette");
  VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->GetPixelMap()->GetDepth(), 8);
  EXPECT_TRUE(picture->GetPixelMap()->PeekColorTable()->IsArranged());
  EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), Oracle(path)));
  VRGBColor c;
  ASSERT_TRUE(picture->GetPixelMap()->PeekColorTable()->GetColor(c, 255));
  EXPECT_EQ(c, VRGBColor(255, 255, 255));
  picture->Release();
}

// Four frames: a full first frame, then partial frames placed inside it
// (disposal none), one of them interlaced and one with transparency. The
// command's exit status.
int MakeFourFrameGif(const std::string& path) {
  return imgtest::RunCommand("convert -dispose None -size 30x20 xc:red "
                             "\\( -size 10x7 xc:blue -repage +4+3 \\) "
                             "\\( -size 12x10 gradient:green-yellow -interlace Line -repage +15+9 \\) "
                             "\\( -size 8x8 xc:none -fill white -draw 'rectangle 2,2 5,5' -repage +1+1 \\) "
                             "-loop 0 '" + path + "'");
}

TEST_F(ImageReaders, GIFFramesStackLikeCoalescedFrames) {
  const std::string path = Path("anim.gif");
  ASSERT_EQ(MakeFourFrameGif(path), 0);
  VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetFrameCount(), 4);
  EXPECT_EQ(picture->GetHeight(), 20);
  EXPECT_EQ(picture->GetPixelMap()->GetHeight(), 80);
  EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), Oracle(path, "", "-coalesce -append")));
  picture->Release();
}

// Frame k alone: one screen high, made from the images up to k as the stack
// would show it.
TEST_F(ImageReaders, GIFFrameAloneMatchesItsPlaceInTheStack) {
  const std::string path = Path("anim.gif");
  ASSERT_EQ(MakeFourFrameGif(path), 0);
  const imgtest::RGBImage stack = Oracle(path, "", "-coalesce -append");
  ASSERT_EQ(stack.height, 80);
  for (int32_t frame = 0; frame < 4; ++frame) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, frame);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetFrameCount(), 1);
    EXPECT_EQ(picture->GetPixelMap()->GetHeight(), 20);
    imgtest::RGBImage want;
    want.width = 30;
    want.height = 20;
    const size_t rowBytes = 30 * 3;
    want.rgb.assign(stack.rgb.begin() + static_cast<std::ptrdiff_t>(frame * 20 * rowBytes),
                    stack.rgb.begin() + static_cast<std::ptrdiff_t>((frame + 1) * 20 * rowBytes));
    EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), want));
    picture->Release();
  }
  EXPECT_EQ(LoadPicture(path, kReadPixels | kReadColorTable, 4), nullptr);
}

// 600 frames of 256x256 stack past the size limit; any one frame still reads.
TEST_F(ImageReaders, GIFOfManyFramesReadsOneFrameAlone) {
  // Each frame one colour of the global table, LZW-coded as an encoder would.
  const std::string path = MakePython("many.gif", R"(
def lzw(pixels, size):
    clear, end = 1 << size, (1 << size) + 1
    table = {bytes([i]): i for i in range(clear)}
    nxt, width, codes, w = end + 1, size + 1, [(clear, size + 1)], b''
    for p in pixels:
        wc = w + bytes([p])
        if wc in table:
            w = wc
            continue
        codes.append((table[w], width))
        if nxt < 4096:
            table[wc] = nxt
            nxt += 1
            if nxt > (1 << width) and width < 12: width += 1
        w = bytes([p])
    codes.append((table[w], width))
    codes.append((end, width))
    out, acc, bits = bytearray(), 0, 0
    for code, n in codes:
        acc |= code << bits; bits += n
        while bits >= 8: out.append(acc & 255); acc >>= 8; bits -= 8
    if bits: out.append(acc)
    blocks = b''.join(bytes([len(out[i:i + 255])]) + out[i:i + 255] for i in range(0, len(out), 255))
    return bytes([size]) + blocks + b'\0'
frames = [b',' + struct.pack('<HHHHB', 0, 0, 256, 256, 0) + lzw(bytes([i % 3]) * 65536, 2) for i in range(3)]
data = (b'GIF89a' + struct.pack('<HHBBB', 256, 256, 0x81, 0, 0) + bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0]) +
        b''.join(frames[i % 3] for i in range(600)) + b';'))");
  VPicture* all = LoadPicture(path, kReadPixels | kReadColorTable, -2);
  EXPECT_EQ(all, nullptr);
  if (all) all->Release();
  const struct {
    int32_t frame;
    VRGBColor colour;
  } frames[] = {{0, VRGBColor(255, 0, 0)}, {4, VRGBColor(0, 255, 0)}, {599, VRGBColor(0, 0, 255)}};
  for (const auto& f : frames) {
    SCOPED_TRACE("frame " + std::to_string(f.frame));
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, f.frame);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetPixelMap()->GetHeight(), 256);
    VRGBColor c;
    {
      PixelMapLock lock(picture->GetPixelMap());
      EXPECT_TRUE(picture->GetPixelMap()->GetPixel(VPoint(100, 200), c));
    }
    EXPECT_EQ(c, f.colour);
    picture->Release();
  }
}

// ImageMagick's 300-frame animation: any frame alone reads as ImageMagick
// decodes it; the 300 frames stacked in one map are over the size limit.
TEST_F(ImageReaders, GIFAnimationFromImageMagickReadsFrameByFrame) {
  const std::string path = Path("long.gif");
  ASSERT_NO_FATAL_FAILURE(testsupport::MakeLongGifAnimation(Path(""), path));
  const std::string three = Path("three.gif");

  const imgtest::RGBImage want = Oracle(three, "[0]");
  ASSERT_EQ(want.width, 400);
  for (const int32_t k : {0, 1, 150, 299}) {
    SCOPED_TRACE("frame " + std::to_string(k));
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, k);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetPixelMap()->GetHeight(), 300);
    EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), want));
    picture->Release();
  }
  VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  for (const int32_t selection : {-1, -2}) {
    VGIFImageReader reader(&file);
    PixelMap* map = ReadImageWithReader(reader, kReadPixels | kReadColorTable, selection, -1);
    EXPECT_EQ(map, nullptr) << selection;
    delete map;
    EXPECT_EQ(reader.GetFailureReason(), "size over the limit") << selection;
  }
}

TEST_F(ImageReaders, GIFTransparentIndexBecomesTheKey) {
  const std::string path = Path("key.gif");
  ASSERT_EQ(imgtest::RunCommand("convert -size 6x4 xc:green -alpha set -channel A "
                                "-fx '(i==1&&j==1)||(i==4&&j==2)?0:1' +channel '" + path + "'"),
            0);
  ScopedLoadPixelFormat own(-1);
  VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
  ASSERT_NE(picture, nullptr);
  PixelMap* map = picture->GetPixelMap();
  ASSERT_EQ(map->GetDepth(), 8);
  EXPECT_TRUE(map->PeekAttributes().flags & PixelMapAttributes::kKeyIndex);
  EXPECT_TRUE(picture->IsTransparentAt(1, 1));
  EXPECT_TRUE(picture->IsTransparentAt(4, 2));
  EXPECT_FALSE(picture->IsTransparentAt(0, 0));
  picture->Release();
}

TEST_F(ImageReaders, PhotoshopLayersAreFramesWithOriginsAndAlpha) {
  const std::string path = Path("layers.psd");
  ASSERT_EQ(imgtest::RunCommand("convert rose: \\( rose: -crop 30x20+0+0 -repage +10+5 \\) "
                         "\\( rose: -crop 20x10+5+5 -alpha set -channel A -fx 'i/w' +channel -repage +30+20 \\) '" +
                         path + "'"),
            0);
  // Every layer as a frame (selection -2): a chain of maps at their origins.
  VPicture* picture = LoadPicture(path, kReadPixels | kReadAlpha | kReadColorTable, -2);
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->GetPixelMaps().GetCount(), 2);
  auto* first = static_cast<PixelMap*>(picture->GetPixelMaps().GetAt(0));
  auto* second = static_cast<PixelMap*>(picture->GetPixelMaps().GetAt(1));
  EXPECT_EQ(first->GetOrigin(), VPoint(10, 5));
  EXPECT_EQ(second->GetOrigin(), VPoint(30, 20));
  EXPECT_TRUE(SameImage(Pixels(*first), Oracle(path, "[1]")));
  EXPECT_TRUE(SameImage(Pixels(*second), Oracle(path, "[2]")));
  // The second layer's transparency, in 6 bits.
  VAlphaChannel* alpha = second->PeekAttributes().PeekAlphaChannel();
  ASSERT_NE(alpha, nullptr);
  const std::string levels = imgtest::Capture("convert '" + path + "'[2] -alpha extract -depth 8 gray:-");
  ASSERT_EQ(levels.size(), 200u);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x)
      EXPECT_EQ(alpha->GetValueAt(x, y), static_cast<uint8_t>(levels[static_cast<size_t>(y * 20 + x)]) >> 2)
          << x << "," << y;
  picture->Release();

  // Frame -1 without alpha: the merged image.
  picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), Oracle(path, "[0]")));
  picture->Release();

  // Frame -1 with alpha: the visible layers composited, their coverage combined.
  picture = LoadPicture(path, kReadPixels | kReadAlpha | kReadColorTable, -1);
  ASSERT_NE(picture, nullptr);
  PixelMap* map = picture->GetPixelMap();
  VAlphaChannel* coverage = map->PeekAttributes().PeekAlphaChannel();
  ASSERT_NE(coverage, nullptr);
  EXPECT_EQ(coverage->GetValueAt(0, 0), 0);     // outside every layer
  EXPECT_EQ(coverage->GetValueAt(12, 7), 63);   // inside the opaque layer
  EXPECT_EQ(coverage->GetValueAt(30 + 19, 25), levels.empty() ? 0 : static_cast<uint8_t>(levels[5 * 20 + 19]) >> 2);
  picture->Release();
}

// The layer section is passed by its own length: channel data of odd length
// (unpadded, as GIMP and ImageMagick write it, or padded) and whatever
// follows it leave the merged image and the layers readable; layer records
// that promise more than their channel data holds are dropped, and the
// merged image still reads.
TEST_F(ImageReaders, PhotoshopLayerSectionIsPassedByItsLength) {
  const std::string common = R"(
merged = struct.pack('>H', 0) + bytes([10] * 6) + bytes([20] * 6) + bytes([30] * 6)
def layer(rows, cols, length):
    return (struct.pack('>iiiiH', 1, 0, 1 + rows, cols, 3) +
            b''.join(struct.pack('>hI', c, length) for c in (0, 1, 2)) +
            b'8BIMnorm' + bytes([255, 0, 0, 0]) + struct.pack('>I', 0))
channels = b''.join(struct.pack('>H', 0) + bytes([v] * 3) for v in (1, 2, 3))
def psd(section):
    return (b'8BPS' + struct.pack('>H6xHIIHH', 1, 3, 2, 3, 8, 3) + struct.pack('>II', 0, 0) +
            struct.pack('>I', len(section)) + section + merged)
info = struct.pack('>h', 1) + layer(1, 3, 5) + channels
assert len(info) % 2 == 1
)";
  struct Case {
    const char* name;
    const char* section;
    bool layer;
  };
  const std::vector<Case> cases = {
      {"odd info, mask info right after it", "struct.pack('>I', len(info)) + info + struct.pack('>I', 0)", true},
      {"odd info, padded before the mask info", "struct.pack('>I', len(info)) + info + bytes(1) + struct.pack('>I', 0)",
       true},
      {"odd info ending the section", "struct.pack('>I', len(info)) + info", true},
      {"odd info, padding counted in its length", "struct.pack('>I', len(info) + 1) + info + bytes(1)", true},
      {"odd info, mask info cut short", "struct.pack('>I', len(info)) + info + bytes(2)", true},
      {"layer larger than its channel data",
       "struct.pack('>I', len(info)) + struct.pack('>h', 1) + layer(100, 100, 5) + channels + struct.pack('>I', 0)",
       false},
      {"records running past the info",
       "struct.pack('>I', 20) + struct.pack('>h', 1) + layer(1, 3, 5)[:18] + bytes(2)", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakePython("odd.psd", common + "data = psd(" + c.section + ")");
    VPicture* merged = LoadPicture(path, kReadPixels | kReadColorTable, -1);
    ASSERT_NE(merged, nullptr);
    imgtest::RGBImage want;
    want.width = 3;
    want.height = 2;
    for (int i = 0; i < 6; ++i) want.rgb.insert(want.rgb.end(), {10, 20, 30});
    EXPECT_TRUE(SameImage(Pixels(*merged->GetPixelMap()), want));
    merged->Release();

    VPicture* layer = LoadPicture(path, kReadPixels | kReadColorTable, 0);
    ASSERT_NE(layer, nullptr);
    if (c.layer) {
      imgtest::RGBImage layerWant;
      layerWant.width = 3;
      layerWant.height = 1;
      for (int i = 0; i < 3; ++i) layerWant.rgb.insert(layerWant.rgb.end(), {1, 2, 3});
      EXPECT_TRUE(SameImage(Pixels(*layer->GetPixelMap()), layerWant));
      EXPECT_EQ(layer->GetPixelMap()->GetOrigin(), VPoint(0, 1));
    } else {
      // Without layers frame 0 is the merged image.
      EXPECT_TRUE(SameImage(Pixels(*layer->GetPixelMap()), want));
    }
    layer->Release();
  }
}

// Layers of one colour pack to a few bytes a row, the most PackBits can
// pack; their channel data still backs them.
TEST_F(ImageReaders, PhotoshopLayersPackedToTheLimitRead) {
  const std::string path =
      Make("solid.psd", "-size 1200x600 xc:red \\( -size 1000x500 xc:blue -repage +100+50 \\) -depth 8 -compress RLE");
  VPicture* layer = LoadPicture(path, kReadPixels | kReadColorTable, 0);
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->GetPixelMap()->GetWidth(), 1000);
  EXPECT_EQ(layer->GetPixelMap()->GetHeight(), 500);
  EXPECT_TRUE(SameImage(Pixels(*layer->GetPixelMap()), Oracle(path, "[1]")));
  layer->Release();
  VPicture* merged = LoadPicture(path, kReadPixels | kReadColorTable, -1);
  ASSERT_NE(merged, nullptr);
  EXPECT_TRUE(SameImage(Pixels(*merged->GetPixelMap()), Oracle(path, "[0]")));
  merged->Release();
}

// A read that fails says why, in words a person understands.
TEST_F(ImageReaders, FailuresGiveTheirReason) {
  struct Case {
    const char* name;
    const char* file;
    uint32_t type;
    int32_t selection;
    const char* script;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"BMP RLE8 body far too small", "rle8.bmp", MakeTypeCode(".BMP"), -1,
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 1078) + struct.pack('<IiiHHIIiiII', 40, 32000, 1000, 1, 8, 1, 0, "
       "0, 0, 0, 0) + bytes(1024) + bytes([0, 1])",
       "damaged data"},
      {"GIF frame the file lacks", "one.gif", MakeTypeCode("GIFf"), 1,
       "data = b'GIF89a' + struct.pack('<HHBBB', 1, 1, 0, 0, 0) + b',' + struct.pack('<HHHHB', 0, 0, 1, 1, 0) + "
       "bytes([2, 2, 0x44, 0x01, 0]) + b';'",
       "no such frame"},
      {"Photoshop layer of damaged records", "damaged.psd", MakeTypeCode("8BPS"), 1,
       "rec = struct.pack('>iiiiH', 0, 0, 100, 100, 1) + struct.pack('>hI', 0, 2) + b'8BIMnorm' + "
       "bytes([255, 0, 0, 0]) + struct.pack('>I', 0)\n"
       "info = struct.pack('>h', 2) + rec * 2 + bytes(4)\n"
       "section = struct.pack('>I', len(info)) + info\n"
       "data = b'8BPS' + struct.pack('>H6xHIIHH', 1, 3, 1, 1, 8, 3) + struct.pack('>II', 0, 0) + "
       "struct.pack('>I', len(section)) + section + struct.pack('>H', 0) + bytes([10, 20, 30])",
       "damaged layers"},
      {"Targa RLE far beyond its data", "rle.tga", MakeTypeCode("TPIC"), -1,
       "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 10, 0, 0, 0, 0, 0, 8000, 4000, 32, 8) + bytes([0xFF, 1, 2, 3, 4])",
       "damaged data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakePython(c.file, c.script);
    VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(file.Open(1));
    std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, c.type));
    ASSERT_NE(reader, nullptr);
    PixelMap* map = ReadImageWithReader(*reader, kReadPixels | kReadColorTable, c.selection, -1);
    EXPECT_EQ(map, nullptr);
    delete map;
    EXPECT_EQ(reader->GetFailureReason(), c.reason);
    file.Close();
  }
}

// ImageMagick's own layered files read whole.
TEST_F(ImageReaders, PhotoshopFilesOfImageMagickReadAtManySizes) {
  for (const char* size : {"64x64", "3x3", "17x9", "31x31", "100x37"}) {
    SCOPED_TRACE(size);
    const std::string path = Make("plasma.psd", std::string("-size ") + size + " plasma: -depth 8");
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), Oracle(path)));
    picture->Release();
  }
}

// Variants decided by what the formats allow, each against ImageMagick.
TEST_F(ImageReaders, VariantsTheFormatsAllow) {
  struct Case {
    const char* name;
    const char* file;
    const char* script;
  };
  const std::vector<Case> cases = {
      // A last run longer than the picture is cut at its end.
      {"Targa RLE last run past the image", "over.tga",
       "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 10, 0, 0, 0, 0, 0, 3, 2, 24, 0x20) + bytes([0x81, 1, 2, 3, 0x02, 4, "
       "5, 6, 7, 8, 9, 10, 11, 12, 0x85, 50, 60, 70])"},
      {"Targa RLE raw packet past the image", "overraw.tga",
       "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 10, 0, 0, 0, 0, 0, 2, 1, 24, 0) + bytes([0x02, 1, 2, 3, 4, 5, 6, "
       "7, 8, 9])"},
      // The 56-byte info header carries an alpha mask after the colour masks.
      {"BMP 56-byte header, 32-bit with alpha mask", "v3.bmp",
       "px = bytes([10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 0, 1, 2, 3, 255])\n"
       "data = b'BM' + struct.pack('<IHHI', 70 + len(px), 0, 0, 70) + struct.pack('<IiiHHIIiiIIIIII', 56, 2, 2, 1, 32, "
       "3, len(px), 2835, 2835, 0, 0, 0xFF0000, 0xFF00, 0xFF, 0xFF000000) + px"},
      {"BMP 56-byte header, 16-bit 1-5-5-5", "v3_16.bmp",
       "px = struct.pack('<HHHH', 0x8000 | (31 << 10), 0x03E0, 0x801F, 0x7FFF)\n"
       "data = b'BM' + struct.pack('<IHHI', 70 + len(px), 0, 0, 70) + struct.pack('<IiiHHIIiiIIIIII', 56, 2, 2, 1, 16, "
       "3, len(px), 2835, 2835, 0, 0, 0x7C00, 0x03E0, 0x1F, 0x8000) + px"},
      {"BMP 56-byte header, 16-bit 4-4-4 under an alpha field", "v3_444.bmp",
       "px = struct.pack('<HHHH', 0xF00F, 0x00F0, 0x0F00, 0x7FF8)\n"
       "data = b'BM' + struct.pack('<IHHI', 70 + len(px), 0, 0, 70) + struct.pack('<IiiHHIIiiIIIIII', 56, 2, 2, 1, 16, "
       "3, len(px), 2835, 2835, 0, 0, 0xF00, 0xF0, 0xF, 0xF000) + px"},
      {"BMP 56-byte header, 32-bit colours above an alpha byte", "v3_rgba.bmp",
       "px = bytes([0xFF, 10, 20, 30, 0x80, 40, 50, 60, 0, 70, 80, 90, 255, 1, 2, 3])\n"
       "data = b'BM' + struct.pack('<IHHI', 70 + len(px), 0, 0, 70) + struct.pack('<IiiHHIIiiIIIIII', 56, 2, 2, 1, 32, "
       "3, len(px), 2835, 2835, 0, 0, 0xFF000000, 0xFF0000, 0xFF00, 0xFF) + px"},
      {"BMP 40-byte header, 32-bit with red and blue fields swapped", "swapped.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 66) + struct.pack('<IiiHHIIiiII', 40, 2, 1, 1, 32, 3, 0, 0, 0, 0, "
       "0) + struct.pack('<III', 0xFF, 0xFF00, 0xFF0000) + bytes([10, 20, 30, 0, 40, 50, 60, 0])"},
      {"BMP 56-byte header, 32-bit without compression", "v3_rgb.bmp",
       "px = bytes([10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0, 1, 2, 3, 0])\n"
       "data = b'BM' + struct.pack('<IHHI', 70 + len(px), 0, 0, 70) + struct.pack('<IiiHHIIiiIIIIII', 56, 2, 2, 1, 32, "
       "0, len(px), 2835, 2835, 0, 0, 0, 0, 0, 0) + px"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakePython(c.file, c.script);
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
    ASSERT_NE(picture, nullptr);
    // Compared at the precision of the fields (ImageMagick widens them by shifting).
    const std::string file = c.file;
    const int32_t bits = file == "v3_16.bmp" ? 5 : file == "v3_444.bmp" ? 4 : 8;
    EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), Oracle(path, "[0]", "-alpha off"), bits));
    picture->Release();
  }
}

// Grey Targa pixels of 16 bits carry the grey and an alpha byte; the grey is
// read (the alpha dropped, as for 32-bit pixels). ImageMagick reads these
// files differently, so the values are written out.
TEST_F(ImageReaders, TargaGreyWithAlpha) {
  struct Case {
    const char* name;
    const char* script;
  };
  const std::vector<Case> cases = {
      {"raw", "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 3, 0, 0, 0, 0, 0, 3, 2, 16, 0x28) + bytes([10, 255, 200, 128, "
              "60, 0, 90, 255, 120, 255, 250, 255])"},
      {"run length", "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 11, 0, 0, 0, 0, 0, 3, 2, 16, 0x28) + bytes([0x00, 10, "
                     "255, 0x01, 200, 128, 60, 0, 0x02, 90, 255, 120, 255, 250, 255])"},
  };
  const uint8_t greys[6] = {10, 200, 60, 90, 120, 250};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakePython("grey.tga", c.script);
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
    ASSERT_NE(picture, nullptr);
    imgtest::RGBImage want;
    want.width = 3;
    want.height = 2;
    for (uint8_t g : greys) want.rgb.insert(want.rgb.end(), {g, g, g});
    EXPECT_TRUE(SameImage(Pixels(*picture->GetPixelMap()), want));
    picture->Release();
  }
}

TEST_F(ImageReaders, PhotoshopIndexedUsesItsColourModeData) {
  // 3x2 indexed, PackBits rows; the palette is stored as all reds, greens, blues.
  const std::string path = MakePython("indexed.psd", R"(
reds = bytes(range(0, 256)); greens = bytes(255 - i for i in range(256)); blues = bytes((i * 7) & 255 for i in range(256))
rows = [bytes([2, 5, 200, 9]), bytes([0xFE, 77])]   # literal 5 200 9; run of 77
data = b'8BPS' + struct.pack('>H6xHIIHH', 1, 1, 2, 3, 8, 2) + struct.pack('>I', 768) + reds + greens + blues
data += struct.pack('>IIH', 0, 0, 1) + struct.pack('>HH', len(rows[0]), len(rows[1])) + rows[0] + rows[1])");
  VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
  ASSERT_NE(picture, nullptr);
  imgtest::RGBImage got = Pixels(*picture->GetPixelMap());
  const int indexes[6] = {5, 200, 9, 77, 77, 77};
  ASSERT_EQ(got.rgb.size(), 18u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(got.rgb[static_cast<size_t>(i * 3)], indexes[i]);
    EXPECT_EQ(got.rgb[static_cast<size_t>(i * 3 + 1)], 255 - indexes[i]);
    EXPECT_EQ(got.rgb[static_cast<size_t>(i * 3 + 2)], (indexes[i] * 7) & 255);
  }
  picture->Release();
}

TEST_F(ImageReaders, PhotoshopHeaderClampsAndRefusals) {
  // Height 40000 is clamped to 30000 (with raw pixels for the rows read).
  const std::string tall = MakePython("tall.psd", R"(
data = b'8BPS' + struct.pack('>H6xHIIHH', 1, 3, 40000, 2, 8, 3) + struct.pack('>IIIH', 0, 0, 0, 0) + bytes(180000))");
  VFile file(VFileSpec(tall.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  VPhotoshopImageReader reader(&file);
  EXPECT_EQ(reader.ReadHeader(), 0);
  EXPECT_EQ(reader.GetHeight(-1), 30000);
  EXPECT_EQ(reader.GetWidth(-1), 2);
  file.Close();

  struct Case {
    const char* name;
    const char* script;
    int32_t result;
  };
  const std::vector<Case> cases = {
      {"bad signature", "data = b'8BPX' + struct.pack('>H6xHIIHH', 1, 3, 4, 4, 8, 3)", 1},
      {"version 2", "data = b'8BPS' + struct.pack('>H6xHIIHH', 2, 3, 4, 4, 8, 3)", 1},
      {"short header", "data = b'8BPS' + struct.pack('>H6xH', 1, 3)", 1},
      {"1-bit bitmap mode", "data = b'8BPS' + struct.pack('>H6xHIIHH', 1, 1, 4, 4, 1, 0)", 1},
      {"colour mode data past the end", "data = b'8BPS' + struct.pack('>H6xHIIHHI', 1, 3, 4, 4, 8, 3, 999)", 2},
      {"resources past the end", "data = b'8BPS' + struct.pack('>H6xHIIHHII', 1, 3, 4, 4, 8, 3, 0, 999)", 3},
      {"layer section past the end", "data = b'8BPS' + struct.pack('>H6xHIIHHIII', 1, 3, 4, 4, 8, 3, 0, 0, 999)",
       4},
      {"layer records cut short, no merged image",
       "data = b'8BPS' + struct.pack('>H6xHIIHHIIIIh', 1, 3, 4, 4, 8, 3, 0, 0, 10, 6, 1) + bytes(4)", 10},
      {"merged image cut short",
       "data = b'8BPS' + struct.pack('>H6xHIIHHIIIH', 1, 3, 4, 4, 8, 3, 0, 0, 0, 0) + bytes(47)", 10},
      {"merged PackBits rows too short for the width",
       "data = b'8BPS' + struct.pack('>H6xHIIHHIIIH', 1, 3, 1, 300, 8, 3, 0, 0, 0, 1) + struct.pack('>HHH', 2, 2, 2) + "
       "bytes(6)",
       10},
      {"merged compression 2", "data = b'8BPS' + struct.pack('>H6xHIIHHIIIH', 1, 3, 1, 1, 8, 3, 0, 0, 0, 2) + bytes(9)",
       5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakePython("bad.psd", c.script);
    VFile bad(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
    ASSERT_TRUE(bad.Open(1));
    VPhotoshopImageReader r(&bad);
    EXPECT_EQ(r.ReadHeader(), c.result);
    bad.Close();
  }
}

// Damaged and hostile files: a clear failure, never a success with garbage.
TEST_F(ImageReaders, BadFilesFailToLoad) {
  struct Case {
    const char* name;
    const char* file;
    const char* script;
  };
  const std::vector<Case> cases = {
      {"BMP height 0", "h0.bmp",
       "data = b'BM' + struct.pack('<IHHI', 62, 0, 0, 54) + struct.pack('<IiiHHIIiiII', 40, 2, 0, 1, 24, 0, 0, 0, 0, 0, "
       "0) + bytes(8)"},
      {"BMP palette larger than the file", "pal.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 0) + struct.pack('<IiiHHIIiiII', 40, 2, 2, 1, 8, 0, 0, 0, 0, 200, "
       "0) + bytes(40)"},
      {"BMP rows past the end", "rows.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 54) + struct.pack('<IiiHHIIiiII', 40, 100, 100, 1, 24, 0, 0, 0, 0, "
       "0, 0) + bytes(300)"},
      {"BMP RLE8 running past the image", "rle.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 62) + struct.pack('<IiiHHIIiiII', 40, 2, 2, 1, 8, 1, 0, 0, 0, 2, "
       "0) + bytes(8) + bytes([9, 1, 0, 1])"},
      {"BMP RLE8 without end", "rle2.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 62) + struct.pack('<IiiHHIIiiII', 40, 2, 2, 1, 8, 1, 0, 0, 0, 2, "
       "0) + bytes(8) + bytes([1, 1])"},
      {"BMP 32-bit with overlapping bit fields", "bf.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 66) + struct.pack('<IiiHHIIiiII', 40, 1, 1, 1, 32, 3, 0, 0, 0, 0, "
       "0) + struct.pack('<III', 0xFF, 0xFFFF, 0xFF0000) + bytes(4)"},
      {"BMP 16-bit with a bit field in two pieces", "bf2.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 66) + struct.pack('<IiiHHIIiiII', 40, 1, 1, 1, 16, 3, 0, 0, 0, 0, "
       "0) + struct.pack('<III', 0xF00F, 0xF0, 0xF00) + bytes(4)"},
      {"BMP truncated header", "short.bmp", "data = b'BM' + bytes(20)"},
      {"Targa height 0", "h0.tga", "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, 4, 0, 24, 0)"},
      {"Targa right-to-left", "rtl.tga",
       "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, 1, 1, 24, 0x10) + bytes(3)"},
      {"Targa pixels cut short", "cut.tga",
       "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, 4, 4, 24, 0) + bytes(20)"},
      {"Targa colour map past the end", "map.tga",
       "data = struct.pack('<BBBHHBHHHHBB', 0, 1, 1, 0, 256, 24, 0, 0, 1, 1, 8, 0) + bytes(10)"},
      {"GIF without an image", "none.gif", "data = b'GIF89a' + struct.pack('<HHBBB', 4, 4, 0, 0, 0) + b';'"},
      {"GIF zero screen", "zero.gif",
       "data = b'GIF89a' + struct.pack('<HHBBB', 0, 4, 0, 0, 0) + b',' + struct.pack('<HHHHB', 0, 0, 1, 1, 0) + "
       "bytes([2, 2, 0x44, 0x01, 0]) + b';'"},
      {"GIF image data cut short", "cut.gif",
       "data = b'GIF89a' + struct.pack('<HHBBB', 4, 4, 0, 0, 0) + b',' + struct.pack('<HHHHB', 0, 0, 4, 4, 0) + "
       "bytes([2, 2, 0x44, 0x01, 0]) + b';'"},
      {"GIF second frame missing", "missing.gif",
       "img = b',' + struct.pack('<HHHHB', 0, 0, 1, 1, 0) + bytes([2, 2, 0x44, 0x01, 0])\n"
       "data = b'GIF89a' + struct.pack('<HHBBB', 1, 1, 0, 0, 0) + img + b',' + struct.pack('<HHHHB', 0, 0, 1, 2, 0) + "
       "bytes([2, 9, 0x44])"},
      {"GIF stray byte before the image", "stray.gif",
       "data = b'GIF89a' + struct.pack('<HHBBB', 1, 1, 0, 0, 0) + b'!' + bytes([0xF9, 4, 1, 0, 0, 0, 0]) + b'X'"},
      {"PICT", "a.pict", "data = bytes(600)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakePython(c.file, c.script);
    VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
    EXPECT_EQ(picture, nullptr);
    if (picture) picture->Release();
  }
}

TEST_F(ImageReaders, GIFImagesPlacedOutsideTheFrameAreClipped) {
  // A 4x2 screen with a 3x3 image at (2, 1): only its top-left 2x1 lands.
  const std::string path = MakePython("outside.gif", R"(
pal = bytes([0,0,0, 255,0,0, 0,255,0, 0,0,255])
data = b'GIF89a' + struct.pack('<HHBBB', 4, 2, 0x81, 0, 0) + pal
# All-2 pixels (green), 9 of them, minimum code size 2: clear, then literal 2s.
codes = [4] + [2]*9 + [5]
bits = 0; nbits = 0; out = bytearray(); width = 3; nxt = 6
for i, c in enumerate(codes):
    bits |= c << nbits; nbits += width
    while nbits >= 8: out.append(bits & 255); bits >>= 8; nbits -= 8
    if i >= 2 and c != 5:
        nxt += 1
        if nxt == 8: width = 4
if nbits: out.append(bits & 255)
data += b',' + struct.pack('<HHHHB', 2, 1, 3, 3, 0) + bytes([2, len(out)]) + bytes(out) + b'\0;')");
  VPicture* picture = LoadPicture(path, kReadPixels | kReadColorTable, -1);
  ASSERT_NE(picture, nullptr);
  imgtest::RGBImage got = Pixels(*picture->GetPixelMap());
  ASSERT_EQ(got.rgb.size(), 24u);
  VRGBColor black(0, 0, 0), green(0, 255, 0);
  auto at = [&](int x, int y) {
    const size_t i = static_cast<size_t>((y * 4 + x) * 3);
    return VRGBColor(got.rgb[i], got.rgb[i + 1], got.rgb[i + 2]);
  };
  EXPECT_EQ(at(1, 1), black);
  EXPECT_EQ(at(2, 1), green);
  EXPECT_EQ(at(3, 1), green);
  EXPECT_EQ(at(2, 0), black);
  picture->Release();
}

TEST_F(ImageReaders, RegistryChoosesByTypeNeverByContent) {
  const std::string bmp = Make("x.bmp", "rose:");
  VFile file(VFileSpec(bmp.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  struct Case {
    const char* type;
    bool reader;
    bool reads;
  };
  const std::vector<Case> cases = {
      {".BMP", true, true}, {"GIFf", true, false}, {"TPIC", true, false}, {"8BPS", true, false},
      {"PICT", true, false}, {"RIX ", true, false}, {"RIW ", true, false}, {"TEXT", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    char code[5] = {};
    std::memcpy(code, c.type, 4);
    std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, MakeTypeCode(code)));
    EXPECT_EQ(reader != nullptr, c.reader);
    if (reader) {
      EXPECT_EQ(reader->ReadHeader() == 0, c.reads);
    }
  }
  // "JPEG" goes to the engine's own decoder, which refuses a BMP's bytes.
  std::unique_ptr<VImageReader> jpeg(CreateImageReaderForFile(&file, MakeTypeCode("JPEG")));
  ASSERT_NE(jpeg, nullptr);
  EXPECT_NE(jpeg->ReadHeader(), 0);
  file.Close();
}

}  // namespace
