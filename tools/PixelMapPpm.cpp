#include "tools/PixelMapPpm.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/PixelAccess.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/VColorTable.h"
#include "tools/PpmFileWriter.h"

namespace {

// The 16-bit word of a 15- or 16-bit pixel (bit 0x8000 of the format marks
// little-endian words).
uint32_t PixelWord(const uint8_t* p, uint16_t format) {
  return (format & 0x8000) ? uint32_t{p[0]} | (uint32_t{p[1]} << 8) : (uint32_t{p[0]} << 8) | p[1];
}

// Turns rows of a pixel map's memory into R, G, B bytes, one row at a time.
class RowConverter {
 public:
  explicit RowConverter(const PixelMap& map) : buffer_(map.GetBuffer()) {
    if (buffer_.depth == 8 && buffer_.pixelFormat == kFormatIndexed8 && buffer_.colorTable) {
      for (int32_t i = 0; i < 256; ++i) known_[i] = buffer_.colorTable->GetColor(palette_[i], i);
    }
  }

  // True when the map's layout is one this converter reads.
  bool CanConvert() const {
    if (buffer_.pixels == nullptr) return false;
    switch (buffer_.depth) {
      case 8: return buffer_.pixelFormat == kFormatGrey8 || (buffer_.pixelFormat == kFormatIndexed8 && buffer_.colorTable);
      case 15:
      case 16: return true;
      case 24: return buffer_.pixelFormat == kFormatRGB24 || buffer_.pixelFormat == kFormatBGR24;
      case 32: return buffer_.pixelFormat >= kFormatRGBX32 && buffer_.pixelFormat <= kFormatXBGR32;
      default: return false;
    }
  }

  // Row y (0 = top) of the first `width` pixels into `rgb`; false on an
  // index the colour table does not hold.
  bool Convert(int32_t y, int32_t width, uint8_t* rgb) const {
    const int64_t row = buffer_.bottomUp ? int64_t{buffer_.height} - 1 - y : y;
    const uint8_t* p = buffer_.pixels + row * buffer_.rowBytes;
    switch (buffer_.depth) {
      case 8:
        if (buffer_.pixelFormat == kFormatGrey8) {
          for (int32_t x = 0; x < width; ++x, rgb += 3) rgb[0] = rgb[1] = rgb[2] = p[x];
          return true;
        }
        for (int32_t x = 0; x < width; ++x, rgb += 3) {
          if (!known_[p[x]]) return false;
          const VRGBColor& c = palette_[p[x]];
          rgb[0] = c.red;
          rgb[1] = c.green;
          rgb[2] = c.blue;
        }
        return true;
      case 15:
      case 16:
        for (int32_t x = 0; x < width; ++x, p += 2, rgb += 3) {
          const uint32_t w = PixelWord(p, buffer_.pixelFormat);
          const VRGBColor c = buffer_.depth == 15 ? DecodeColor555(w) : DecodeColor565(w);
          rgb[0] = c.red;
          rgb[1] = c.green;
          rgb[2] = c.blue;
        }
        return true;
      case 24:
        if (buffer_.pixelFormat == kFormatRGB24) {
          std::memcpy(rgb, p, static_cast<size_t>(width) * 3);
          return true;
        }
        for (int32_t x = 0; x < width; ++x, p += 3, rgb += 3) {
          rgb[0] = p[2];
          rgb[1] = p[1];
          rgb[2] = p[0];
        }
        return true;
      case 32: {
        const PixelShifts32 s = GetPixelShifts32(buffer_.pixelFormat);
        for (int32_t x = 0; x < width; ++x, p += 4, rgb += 3) {
          const uint32_t v = pixelaccess::Load32(p);
          rgb[0] = static_cast<uint8_t>(v >> s.red);
          rgb[1] = static_cast<uint8_t>(v >> s.green);
          rgb[2] = static_cast<uint8_t>(v >> s.blue);
        }
        return true;
      }
      default:
        return false;
    }
  }

 private:
  PixelBuffer buffer_;
  VRGBColor palette_[256];
  bool known_[256] = {};
};

}  // namespace

// Writes the top `height` rows of the map as binary PPM, each row converted
// from the map's memory into the writer's buffer, which is written out about
// a megabyte at a time. "" on success, else why not.
std::string WritePixelMapPPM(const std::string& path, PixelMap& map, int32_t width, int32_t height) {
  if (width < 1 || height < 1 || width > map.GetWidth() || height > map.GetHeight()) return "the picture is empty";
  PixelMapLock lock(&map);
  const RowConverter converter(map);
  if (!converter.CanConvert()) {
    if (map.GetDepth() == 8 && map.GetPixelFormat() == kFormatIndexed8) {
      return "the picture has no colour table at 8 bits (a true-colour file cannot be loaded at --depth 8)";
    }
    return "its pixel layout cannot be written as PPM";
  }
  const int32_t rowsPerWrite = std::clamp<int32_t>(static_cast<int32_t>((1 << 20) / (int64_t{width} * 3)), 1, height);
  PpmFileWriter file;
  if (std::string problem = file.Open(path, width, height, rowsPerWrite); !problem.empty()) return problem;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = file.NextRows(1);
    if (!row) break;
    if (!converter.Convert(y, width, row)) return "a pixel names a colour the picture's table does not hold";
  }
  return file.Close();
}

std::string WritePixelMapPPM(const std::string& path, PixelMap& map) {
  return WritePixelMapPPM(path, map, map.GetWidth(), map.GetHeight());
}
