// Test support for the JPEG readers: synthetic pictures written as PPM,
// compressed with `cjpeg` and decoded by `djpeg` as the oracle, and PNM
// files read back as RGB.
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ImageTestSupport.h"

namespace jpegtest {

// A picture with smooth gradients, hard edges and fine detail (so every
// coefficient band and the chroma are exercised), as binary PPM. Without
// `busy` only gradients and a soft blob remain: colour that changes slowly,
// where chroma upsampling methods agree.
inline std::string MakePpm(int32_t width, int32_t height, bool busy = true, uint32_t seed = 1) {
  std::string out = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  uint32_t state = seed * 2654435761u + 1;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int32_t noise = busy ? static_cast<int32_t>((state >> 24) & 15) - 8 : 0;
      int32_t r = (x * 255) / (width > 1 ? width - 1 : 1);
      int32_t g = (y * 255) / (height > 1 ? height - 1 : 1);
      int32_t b = static_cast<int32_t>(127.5 + 120.0 * std::sin((x + 2 * y) * 0.15));
      const int32_t dx = x - width / 2, dy = y - height / 2;
      if (busy && dx * dx + dy * dy < (width * width) / 16) {
        r = 230;
        g = 40;
        b = 60;
      }
      if (busy && (x / 6 + y / 6) % 7 == 0) g = 255 - g;
      if (!busy) {
        r = 40 + r * 3 / 4;
        b = 60 + static_cast<int32_t>(100.0 * std::exp(-(dx * dx + dy * dy) / (0.2 * width * width + 1.0)));
      }
      auto clamp = [](int32_t v) { return static_cast<char>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
      out += clamp(r + noise);
      out += clamp(g + noise);
      out += clamp(b - noise);
    }
  }
  return out;
}

// Reads a binary PGM or PPM; a grey file comes back with three equal channels.
inline imgtest::RGBImage ReadPnm(const std::string& bytes) {
  imgtest::RGBImage image;
  if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return image;
  const bool grey = bytes[1] == '5';
  size_t pos = 2;
  int32_t values[3] = {};
  for (int32_t& v : values) {
    while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
    while (pos < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[pos]))) v = v * 10 + (bytes[pos++] - '0');
  }
  ++pos;
  image.width = values[0];
  image.height = values[1];
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (bytes.size() < pos + count * (grey ? 1 : 3)) return imgtest::RGBImage();
  for (size_t i = 0; i < count; ++i) {
    for (int32_t c = 0; c < 3; ++c) image.rgb.push_back(static_cast<uint8_t>(bytes[pos + (grey ? i : i * 3 + c)]));
  }
  return image;
}

// Differences between two images of one size (RGB values), and between
// their luminance (0.299 R + 0.587 G + 0.114 B), which chroma upsampling
// hardly touches.
struct Difference {
  int32_t maximum = 0;
  double mean = 0;
  double psnr = 0;
  double lumaMean = 0;
  double lumaMaximum = 0;
};
inline Difference Compare(const imgtest::RGBImage& a, const imgtest::RGBImage& b) {
  Difference d;
  if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) {
    d.maximum = 999;
    return d;
  }
  double sum = 0, squares = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) {
    const int32_t e = std::abs(int32_t{a.rgb[i]} - int32_t{b.rgb[i]});
    d.maximum = std::max(d.maximum, e);
    sum += e;
    squares += double(e) * e;
  }
  d.mean = sum / double(a.rgb.size());
  double lumaSum = 0;
  for (size_t i = 0; i + 2 < a.rgb.size(); i += 3) {
    const double la = 0.299 * a.rgb[i] + 0.587 * a.rgb[i + 1] + 0.114 * a.rgb[i + 2];
    const double lb = 0.299 * b.rgb[i] + 0.587 * b.rgb[i + 1] + 0.114 * b.rgb[i + 2];
    lumaSum += std::abs(la - lb);
    d.lumaMaximum = std::max(d.lumaMaximum, std::abs(la - lb));
  }
  d.lumaMean = lumaSum / double(a.rgb.size() / 3);
  const double mse = squares / double(a.rgb.size());
  d.psnr = mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
  return d;
}

}  // namespace jpegtest

namespace jpegtest {

// A Python script (for ImageFixture::MakePython) that writes the JPEG at
// `mainPath` with an application segment put right after its start-of-image
// marker: an EXIF segment (APP1) whose second directory points at the JPEG
// thumbnail at `thumbPath`, followed by `padding` zero bytes, so that the
// segment can be made larger than 16 KB as cameras make them.
inline std::string ExifWithThumbnailScript(const std::string& mainPath, const std::string& thumbPath, int32_t padding) {
  return "main = open('" + mainPath + "', 'rb').read()\n"
         "thumb = open('" + thumbPath + "', 'rb').read()\n"
         "tiff = b'II*\\x00' + struct.pack('<I', 8)\n"
         "ifd0 = struct.pack('<HI', 0, 14)\n"
         "offset = 14 + 2 + 2 * 12 + 4\n"
         "ifd1 = struct.pack('<H', 2) + struct.pack('<HHII', 0x201, 4, 1, offset) + "
         "struct.pack('<HHII', 0x202, 4, 1, len(thumb)) + struct.pack('<I', 0)\n"
         "body = b'Exif\\x00\\x00' + tiff + ifd0 + ifd1 + thumb + bytes(" + std::to_string(padding) + ")\n"
         "data = main[:2] + b'\\xff\\xe1' + struct.pack('>H', len(body) + 2) + body + main[2:]\n";
}

// The same with an XMP packet (APP1) of about `size` bytes whose text holds
// the bytes of an end-of-image marker and of a frame header.
inline std::string XmpScript(const std::string& mainPath, int32_t size) {
  return "main = open('" + mainPath + "', 'rb').read()\n"
         "packet = b'<x:xmpmeta>\\xff\\xd9 \\xff\\xc0\\x00\\x11\\x08\\x00\\x10\\x00\\x10\\x03</x:xmpmeta>'\n"
         "body = b'http://ns.adobe.com/xap/1.0/\\x00' + packet * (" + std::to_string(size) + " // len(packet))\n"
         "data = main[:2] + b'\\xff\\xe1' + struct.pack('>H', len(body) + 2) + body + main[2:]\n";
}

// The bytes of a JPEG with its frame header's size replaced (the data stay
// those of the smaller picture).
inline std::string WithClaimedSize(std::string bytes, int32_t width, int32_t height) {
  const size_t sof = bytes.find(std::string("\xFF\xC0", 2));
  if (sof == std::string::npos || sof + 9 > bytes.size()) return std::string();
  bytes[sof + 5] = static_cast<char>(height >> 8);
  bytes[sof + 6] = static_cast<char>(height);
  bytes[sof + 7] = static_cast<char>(width >> 8);
  bytes[sof + 8] = static_cast<char>(width);
  return bytes;
}

}  // namespace jpegtest
