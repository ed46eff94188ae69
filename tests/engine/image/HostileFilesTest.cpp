// Small files whose headers promise huge pictures: each is refused (or read
// for what it really holds) quickly and without large allocations, because
// every reader checks that the file can hold what its header promises
// before a picture is made.
#include <gtest/gtest.h>

#include <vector>

#include "ImageTestSupport.h"
#include "ReadCostSupport.h"

namespace {

using imgtest::HostileCase;

class HostileFiles : public imgtest::HostileFileTest {};

// One table for every reader (JPEG rows join it), one bound.
const std::vector<HostileCase>& HostileCases() {
  static const std::vector<HostileCase> cases = {
      {"BMP RLE8 32000x1000 ending at once", "rle8.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 1078) + struct.pack('<IiiHHIIiiII', 40, 32000, 1000, 1, 8, 1, 0, "
       "0, 0, 0, 0) + bytes(1024) + bytes([0, 1])",
       false},
      {"BMP RLE4 32000x1000 ending at once", "rle4.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 118) + struct.pack('<IiiHHIIiiII', 40, 32000, 1000, 1, 4, 2, 0, "
       "0, 0, 0, 0) + bytes(64) + bytes([0, 1])",
       false},
      {"BMP RLE8 5000x5000 skipped by deltas", "delta.bmp",
       "data = b'BM' + struct.pack('<IHHI', 0, 0, 0, 1078) + struct.pack('<IiiHHIIiiII', 40, 5000, 5000, 1, 8, 1, 0, "
       "0, 0, 0, 0) + bytes(1024) + bytes([0, 2, 0, 255]) * 20 + bytes([0, 1])",
       false},
      {"GIF 8000x4000 image of 5 data bytes", "big.gif",
       "data = b'GIF89a' + struct.pack('<HHBBB', 8000, 4000, 0, 0, 0) + b',' + struct.pack('<HHHHB', 0, 0, 8000, "
       "4000, 0) + bytes([2, 3, 0x44, 0x01, 0x05, 0]) + b';'",
       false},
      {"GIF 5792x5792 screen around a 1x1 image", "screen.gif",
       "data = b'GIF89a' + struct.pack('<HHBBB', 5792, 5792, 0, 0, 0) + b',' + struct.pack('<HHHHB', 0, 0, 1, 1, 0) + "
       "bytes([2, 2, 0x44, 0x01, 0]) + b';'",
       false},
      {"GIF 2000 frames of 2000x2000 with tiny data", "frames.gif",
       "img = b',' + struct.pack('<HHHHB', 0, 0, 2000, 2000, 0) + bytes([2, 2, 0x44, 0x01, 0])\n"
       "data = b'GIF89a' + struct.pack('<HHBBB', 2000, 2000, 0, 0, 0) + img * 2000 + b';'",
       false},
      {"Targa RLE 8000x4000 32-bit with 10 data bytes", "rle.tga",
       "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 10, 0, 0, 0, 0, 0, 8000, 4000, 32, 8) + "
       "bytes([0xFF, 1, 2, 3, 4]) * 2",
       false},
      {"Targa RLE 4000x4000 24-bit, 4 KB of runs", "runs.tga",
       "data = struct.pack('<BBBHHBHHHHBB', 0, 0, 10, 0, 0, 0, 0, 0, 4000, 4000, 24, 0) + bytes([0xFF, 1, 2, 3]) * "
       "1024",
       false},
      {"Photoshop 5000x5000 RGB without its pixels", "merged.psd",
       "data = b'8BPS' + struct.pack('>H6xHIIHH', 1, 3, 5000, 5000, 8, 3) + struct.pack('>IIIH', 0, 0, 0, 0)", false},
      {"Photoshop 5000x5000 PackBits without its row counts", "packed.psd",
       "data = b'8BPS' + struct.pack('>H6xHIIHH', 1, 3, 5000, 5000, 8, 3) + struct.pack('>IIIH', 0, 0, 0, 1) + "
       "bytes(100)",
       false},
      {"Photoshop 40 empty 5792x5792 layers", "layers.psd",
       "rec = struct.pack('>iiiiH', 0, 0, 5792, 5792, 3) + b''.join(struct.pack('>hI', c, 2) for c in (0, 1, 2)) + "
       "b'8BIMnorm' + bytes([255, 0, 0, 0]) + struct.pack('>I', 0)\n"
       "info = struct.pack('>h', 40) + rec * 40 + bytes(2 * 3 * 40)\n"
       "section = struct.pack('>I', len(info)) + info + struct.pack('>I', 0)\n"
       "data = b'8BPS' + struct.pack('>H6xHIIHH', 1, 3, 1, 1, 8, 3) + struct.pack('>II', 0, 0) + "
       "struct.pack('>I', len(section)) + section + struct.pack('>H', 0) + bytes([10, 20, 30])",
       true},
      {"Photoshop layer count -32767 with one record", "count.psd",
       "rec = struct.pack('>iiiiH', 0, 0, 4000, 4000, 1) + struct.pack('>hI', 0, 2) + b'8BIMnorm' + bytes([255, 0, 0, "
       "0]) + struct.pack('>I', 0)\n"
       "info = struct.pack('>h', -32767) + rec + bytes(2)\n"
       "section = struct.pack('>I', len(info)) + info + struct.pack('>I', 0)\n"
       "data = b'8BPS' + struct.pack('>H6xHIIHH', 1, 3, 1, 1, 8, 3) + struct.pack('>II', 0, 0) + "
       "struct.pack('>I', len(section)) + section + struct.pack('>H', 0) + bytes([10, 20, 30])",
       true},
  };
  return cases;
}

TEST_F(HostileFiles, PromisedPicturesCostOnlyWhatTheFileHolds) { ExpectCheapLoads(HostileCases()); }

}  // namespace
