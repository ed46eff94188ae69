// Bevelled panels written as 8-bit BMP files.
#include "launchers/common/PlaceholderBitmap.h"

#include <algorithm>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> MakePlaceholderBitmap(int32_t width, int32_t height, uint32_t colour, PanelLook look) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  const uint32_t stride = (static_cast<uint32_t>(width) + 3u) & ~3u;
  const uint32_t pixelBytes = stride * static_cast<uint32_t>(height);
  const uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<uint8_t> out;
  out.reserve(offset + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + pixelBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);
  Put32(out, pixelBytes);
  Put32(out, 3780);
  Put32(out, 3780);
  Put32(out, 256);
  Put32(out, 0);
  // Shade s: 0..127 from black to the colour, 128..255 from it to white.
  const int r = static_cast<int>((colour >> 16) & 0xFF), g = static_cast<int>((colour >> 8) & 0xFF),
            b = static_cast<int>(colour & 0xFF);
  for (int s = 0; s < 256; ++s) {
    const auto mix = [s](int c) {
      return s < 128 ? c * s / 127 : c + (255 - c) * (s - 128) / 127;
    };
    out.push_back(static_cast<uint8_t>(mix(b)));
    out.push_back(static_cast<uint8_t>(mix(g)));
    out.push_back(static_cast<uint8_t>(mix(r)));
    out.push_back(0);
  }
  const int face = look == PanelLook::kLit ? 170 : look == PanelLook::kPressed ? 100 : 128;
  const int light = look == PanelLook::kPressed ? 60 : 230;
  const int dark = look == PanelLook::kPressed ? 230 : 50;
  const int edge = std::max(1, std::min({3, width / 8, height / 8}));
  for (int32_t row = height - 1; row >= 0; --row) {  // bottom-up
    for (int32_t x = 0; x < static_cast<int32_t>(stride); ++x) {
      int shade = face;
      if (x >= width) {
        shade = 0;
      } else if (look != PanelLook::kFlat) {
        const int fromRight = width - 1 - x, fromBottom = height - 1 - row;
        if (x < edge || row < edge) shade = light;
        if (fromRight < edge || fromBottom < edge) shade = dark;
        // A soft band across the middle: a panel, not a flat patch.
        const int band = height / 2 - row;
        if (shade == face && band * band < (height / 6) * (height / 6)) shade += 12;
      }
      out.push_back(static_cast<uint8_t>(std::clamp(shade, 0, 255)));
    }
  }
  return out;
}

std::vector<uint8_t> EncodeBmp24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) return {};
  const uint32_t stride = (static_cast<uint32_t>(width) * 3u + 3u) & ~3u;
  const uint32_t pixelBytes = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> out;
  out.reserve(54 + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + pixelBytes);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, pixelBytes);
  Put32(out, 3780);
  Put32(out, 3780);
  Put32(out, 0);
  Put32(out, 0);
  for (int32_t row = height - 1; row >= 0; --row) {
    const uint32_t* line = pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(width);
    for (int32_t x = 0; x < width; ++x) {
      out.push_back(static_cast<uint8_t>(line[x]));
      out.push_back(static_cast<uint8_t>(line[x] >> 8));
      out.push_back(static_cast<uint8_t>(line[x] >> 16));
    }
    for (uint32_t pad = static_cast<uint32_t>(width) * 3u; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}
