// Pictures of the launchers' dialog kit: an image of 32-bit pixels, and the
// decoding of picture files chosen by their first bytes: BMP and GIF through
// the engine's readers, JPEG through libjpeg (as the engine decodes it).
// Files may lie in a launcher archive (CArchiveAwareFile).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kit {

// Top-down pixels 0x00RRGGBB.
struct KitImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
  bool IsValid() const { return width > 0 && height > 0 && pixels.size() == static_cast<size_t>(width) * height; }
  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

enum class PictureFormat : uint8_t { kUnknown, kBmp, kJpeg, kGif };

// The format the bytes begin with ("BM", FF D8 FF, "GIF87a"/"GIF89a").
PictureFormat SniffPicture(const uint8_t* data, size_t length);

// Decodes a picture (a GIF's first image). False, with the image empty and
// a reason for a person, when the format is unknown or the reader refuses.
bool DecodePicture(const std::vector<uint8_t>& bytes, KitImage& out, std::string* reason = nullptr);

// Reads the file (on disc or in a launcher archive) and decodes it.
bool LoadPictureFile(const std::string& path, KitImage& out, std::string* reason = nullptr);

}  // namespace kit
