// "ostrevan-tool image decode": a picture file through the reader registry
// into PPM and PGM. The colour tables of indexed files are used as stored
// (no black/white rearrangement) and conversions to a smaller depth take the
// nearest colour without dithering, so the colours are the file's, rounded.
#include "tools/ImageDecodeCommand.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/DepthConversion.h"
#include "engine/image/ImageRegistry.h"
#include "engine/image/JpegLibraryLoader.h"
#include "engine/image/VJPEGImageReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"

namespace {

// Program-wide loader settings for the decode, restored afterwards.
class DecodeSettings {
 public:
  explicit DecodeSettings(int32_t depth)
      : depth_(SetLoadPixelFormat(depth)),
        arrange_(GetArrangeBlackAndWhite()),
        eightBit_(SetEightBitConversionMethod(kConvertNearest)),
        highColor_(SetHighColorConversionMethod(kConvertNearest)) {
    SetArrangeBlackAndWhite(false);
  }
  ~DecodeSettings() {
    SetLoadPixelFormat(depth_);
    SetArrangeBlackAndWhite(arrange_);
    SetEightBitConversionMethod(eightBit_);
    SetHighColorConversionMethod(highColor_);
  }
  DecodeSettings(const DecodeSettings&) = delete;
  DecodeSettings& operator=(const DecodeSettings&) = delete;

 private:
  int32_t depth_;
  bool arrange_;
  int32_t eightBit_;
  int32_t highColor_;
};

// The picture of the file with the reader flags, every frame drawn into one
// map (selection -1); null when it cannot be read. The caller releases it.
VPicture* LoadPicture(const std::string& path, int32_t flags) {
  auto* picture = new VPicture(VFileSpec(path.c_str()), kUnknownFileType, flags, -1, -1);
  if (!picture->GetPixelMap()) {
    picture->Release();
    return nullptr;
  }
  return picture;
}

bool WritePPM(const std::string& path, PixelMap& map, int32_t width, int32_t height) {
  std::ofstream file(path, std::ios::binary);
  if (!file) return false;
  file << "P6\n" << width << " " << height << "\n255\n";
  std::string row(static_cast<size_t>(width) * 3, '\0');
  PixelMapLock lock(&map);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      VRGBColor c;
      if (!map.GetPixel(VPoint(x, y), c)) return false;
      row[static_cast<size_t>(x) * 3] = static_cast<char>(c.red);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(c.green);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(c.blue);
    }
    file.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(file);
}

bool WritePGM(const std::string& path, VAlphaChannel& channel, int32_t width, int32_t height) {
  std::ofstream file(path, std::ios::binary);
  if (!file) return false;
  file << "P5\n" << width << " " << height << "\n255\n";
  std::string row(static_cast<size_t>(width), '\0');
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x)
      row[static_cast<size_t>(x)] = static_cast<char>((channel.GetValueAt(x, y) * 255 + 31) / 63);
    file.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(file);
}

bool ParseDepth(const std::string& text, int32_t& depth) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0') return false;
  if (value != -1 && value != 8 && value != 15 && value != 16 && value != 24 && value != 32) return false;
  depth = static_cast<int32_t>(value);
  return true;
}

}  // namespace

int DecodeJpegThroughLibrary(const std::string& input, const std::string& output, std::ostream& err) {
  std::ifstream file(input, std::ios::binary);
  if (!file) {
    err << "ostrevan-tool: cannot read image '" << input << "'\n";
    return 1;
  }
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  VPicture* picture =
      DecodeJpegWithLibrary(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
  if (!picture || !picture->GetPixelMap() || !picture->GetPixelMap()->HasStorage()) {
    if (picture) picture->Release();
    err << "ostrevan-tool: libjpeg cannot decode '" << input << "'\n";
    return 1;
  }
  PixelMap* map = picture->GetPixelMap();
  const bool written = WritePPM(output, *map, map->GetWidth(), map->GetHeight());
  picture->Release();
  if (!written) {
    err << "ostrevan-tool: cannot write '" << output << "'\n";
    return 1;
  }
  return 0;
}

int DecodeImage(const std::string& input, const std::string& output, int32_t depth, const std::string& alphaPath,
                std::ostream& err) {
  DecodeSettings settings(depth);
  // The pixels without alpha channels: a layered file gives its merged image.
  VPicture* picture = LoadPicture(input, kReadPixels | kReadColorTable);
  if (!picture) {
    err << "ostrevan-tool: cannot read image '" << input << "'\n";
    return 1;
  }
  PixelMap* map = picture->GetPixelMap();
  const int32_t width = map->GetWidth();
  const int32_t height = picture->GetHeight() < map->GetHeight() ? picture->GetHeight() : map->GetHeight();
  const bool written = height > 0 && WritePPM(output, *map, width, height);
  picture->Release();
  if (!written) {
    err << "ostrevan-tool: cannot write '" << output << "'\n";
    return 1;
  }
  if (alphaPath.empty()) return 0;

  VPicture* withAlpha = LoadPicture(input, kReadPixels | kReadAlpha | kReadColorTable);
  VAlphaChannel* channel = withAlpha ? withAlpha->GetPixelMap()->PeekAttributes().PeekAlphaChannel() : nullptr;
  bool ok = true;
  if (channel) ok = WritePGM(alphaPath, *channel, width, height);
  if (withAlpha) withAlpha->Release();
  if (!ok) {
    err << "ostrevan-tool: cannot write '" << alphaPath << "'\n";
    return 1;
  }
  return 0;
}

int RunImageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  (void)out;
  if (args.empty() || args[0] != "decode") {
    return 2;
  }
  std::vector<std::string> positional;
  int32_t depth = 24;
  std::string alpha;
  bool libjpeg = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--depth" && i + 1 < args.size()) {
      if (!ParseDepth(args[++i], depth)) {
        err << "ostrevan-tool: bad depth '" << args[i] << "' (8, 15, 16, 24, 32 or -1)\n";
        return 2;
      }
    } else if (args[i] == "--alpha" && i + 1 < args.size()) {
      alpha = args[++i];
    } else if (args[i] == "--libjpeg") {
      libjpeg = true;
    } else if (args[i].rfind("--", 0) == 0) {
      return 2;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) {
    return 2;
  }
  if (libjpeg) return DecodeJpegThroughLibrary(positional[0], positional[1], err);
  RegisterJPEGImageReader();
  return DecodeImage(positional[0], positional[1], depth, alpha, err);
}
