// "ostrevan-tool image decode": a picture file through the reader registry
// into PPM and PGM. The colour tables of indexed files are used as stored
// (no black/white rearrangement) and conversions to a smaller depth take the
// nearest colour without dithering, so the colours are the file's, rounded.
#include "tools/ImageDecodeCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/DepthConversion.h"
#include "engine/graphics/PixelAccess.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/ImageRegistry.h"
#include "engine/image/JpegLibraryLoader.h"
#include "engine/image/VJPEGImageReader.h"
#include "platform/File.h"
#include "platform/MessageBox.h"
#include "tools/PixelMapPpm.h"
#include "tools/PpmFileWriter.h"

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

// The first picture of the file with the reader flags; null when it cannot be
// read. The caller releases it.
VPicture* LoadPicture(const std::string& path, int32_t flags) {
  auto* picture = new VPicture(VFileSpec(path.c_str()), kUnknownFileType, flags, FirstPictureSelection(path), -1);
  if (!picture->GetPixelMap()) {
    picture->Release();
    return nullptr;
  }
  return picture;
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

// The whole file, or false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return !file.bad();
}

}  // namespace

int32_t FirstPictureSelection(const std::string& path) {
  // A Photoshop file's whole image (-1) is its merged picture, where frame 0
  // would be its first layer; elsewhere frame 0 alone, so that a long
  // animation is not stacked into one map first.
  return VFileSpec(path.c_str()).GetFileTypeFromExtension(kImageCategory) == MakeTypeCode("8BPS") ? -1 : 0;
}

namespace {

// "no such file" or "it is a folder", or "" for a path that names a file.
std::string MissingOrFolder(const std::string& path) {
  if (!platform::FileExists(path)) return "no such file";
  if (platform::DirectoryExists(path)) return "it is a folder";
  return std::string();
}

}  // namespace

std::string ReadPictureFile(const std::string& path, std::string& bytes) {
  if (std::string why = MissingOrFolder(path); !why.empty()) return why;
  if (!ReadWholeFile(path, bytes)) return "it cannot be opened for reading";
  return std::string();
}

VPicture* DecodeJpegQuietly(const std::string& bytes) {
  platform::MessageBoxCapture previous = platform::SetMessageBoxCapture(
      [](const std::string&, const std::string&, platform::MessageBoxIcon) { return platform::kMessageBoxOk; });
  VPicture* picture =
      DecodeJpegWithLibrary(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
  platform::SetMessageBoxCapture(previous);
  if (picture != nullptr && (picture->GetPixelMap() == nullptr || !picture->GetPixelMap()->HasStorage())) {
    picture->Release();
    return nullptr;
  }
  return picture;
}

std::string ExplainUnreadablePicture(const std::string& path, int32_t flags) {
  if (std::string why = MissingOrFolder(path); !why.empty()) return why;
  VFileSpec spec(path.c_str());
  const uint32_t type = spec.GetFileTypeFromExtension(kImageCategory);
  VFile file(spec, kUnknownFileType, kUnknownFileType);
  if (!file.Open(VFileObject::kRead)) return "it cannot be opened for reading";
  std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, type));
  if (!reader) return "not a picture (the extension names no picture format this tool reads)";
  std::string reason;
  if (PixelMap* map = ReadImageWithReader(*reader, flags, FirstPictureSelection(path), -1)) {
    while (map) {  // the chain of frames the read made
      auto* next = static_cast<PixelMap*>(map->GetNext());
      map->SetNext(nullptr);
      delete map;
      map = next;
    }
    reason = "the picture could not be loaded";
  } else {
    reason = reader->GetFailureReason();
    if (reason.empty()) reason = "damaged or unsupported picture data";
  }
  file.Close();
  if (type == MakeTypeCode("JPEG")) {
    std::string bytes;
    if (ReadWholeFile(path, bytes)) {
      if (VPicture* picture = DecodeJpegQuietly(bytes)) {
        picture->Release();
        reason += "; --libjpeg decodes this file";
      }
    }
  }
  return reason;
}

namespace {

// Checks the output path before any work, so the message names what is wrong.
bool CanWrite(const std::string& path, std::ostream& err) {
  if (platform::DirectoryExists(path)) {
    err << "ostrevan-tool: cannot write '" << path << "': it is a folder\n";
    return false;
  }
  return true;
}

}  // namespace

int DecodeJpegThroughLibrary(const std::string& input, const std::string& output, std::ostream& err) {
  std::string bytes;
  if (const std::string why = ReadPictureFile(input, bytes); !why.empty()) {
    err << "ostrevan-tool: cannot read image '" << input << "': " << why << "\n";
    return 1;
  }
  if (!CanWrite(output, err)) return 1;
  // libjpeg's message box would repeat the error line below.
  VPicture* picture = DecodeJpegQuietly(bytes);
  if (!picture) {
    const std::string& reason = GetJpegFailureReason();
    err << "ostrevan-tool: libjpeg cannot decode '" << input << "'"
        << (reason.empty() ? std::string() : ": " + reason) << "\n";
    return 1;
  }
  PixelMap* map = picture->GetPixelMap();
  const std::string problem = WritePixelMapPPM(output, *map, map->GetWidth(), map->GetHeight());
  picture->Release();
  if (!problem.empty()) {
    err << "ostrevan-tool: cannot write '" << output << "': " << problem << "\n";
    return 1;
  }
  return 0;
}

namespace {

// A JPEG file at 24 bits goes from the engine's reader to the file a band of
// rows at a time, never whole in memory. Kind of outcome: the file was
// written, could not be written, could not be decoded, or is not one for this path (the general one
// then reads it and explains what is wrong with it).
enum class StreamedDecode { kWritten, kWriteFailed, kDecodeFailed, kNotStreamed };

StreamedDecode DecodeJpegRows(const std::string& input, const std::string& output, std::string& problem) {
  VFileSpec spec(input.c_str());
  if (spec.GetFileTypeFromExtension(kImageCategory) != MakeTypeCode("JPEG")) return StreamedDecode::kNotStreamed;
  VFile file(spec, kUnknownFileType, kUnknownFileType);
  if (!file.Open(VFileObject::kRead)) return StreamedDecode::kNotStreamed;
  std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, MakeTypeCode("JPEG")));
  auto* jpeg = dynamic_cast<VJPEGImageReader*>(reader.get());
  if (!jpeg || jpeg->ReadHeader() != 0 || jpeg->SelectFrames(0) != 0) return StreamedDecode::kNotStreamed;
  VRect bounds;
  jpeg->GetFrameBounds(bounds, 0);
  const int32_t width = bounds.GetWidth(), height = bounds.GetHeight();
  if (width < 1 || height < 1 || int64_t{width} * height > kMaxImagePixels) return StreamedDecode::kNotStreamed;
  // About a megabyte of rows a write, in bands of whole 16-row MCU rows.
  const int32_t band = 16;
  const int32_t bufferRows = std::min(height, band * std::max<int32_t>(1, static_cast<int32_t>((1 << 20) / (int64_t{width} * 3 * band))));
  PpmFileWriter ppm;
  problem = ppm.Open(output, width, height, bufferRows);
  if (!problem.empty()) return StreamedDecode::kWriteFailed;
  const int32_t result = jpeg->ReadRgbRows(band, [&ppm](int32_t count) { return ppm.NextRows(count); });
  problem = ppm.Close();
  if (!problem.empty()) return StreamedDecode::kWriteFailed;
  return result == 0 ? StreamedDecode::kWritten : StreamedDecode::kDecodeFailed;
}

}  // namespace

int DecodeImage(const std::string& input, const std::string& output, int32_t depth, const std::string& alphaPath,
                std::ostream& err) {
  DecodeSettings settings(depth);
  if (!CanWrite(output, err) || (!alphaPath.empty() && !CanWrite(alphaPath, err))) return 1;
  if (depth == 24 && alphaPath.empty()) {
    std::string problem;
    switch (DecodeJpegRows(input, output, problem)) {
      case StreamedDecode::kWritten:
        return 0;
      case StreamedDecode::kWriteFailed:
        err << "ostrevan-tool: cannot write '" << output << "': " << problem << "\n";
        return 1;
      case StreamedDecode::kDecodeFailed:
        std::remove(output.c_str());  // nothing of it was decoded
        err << "ostrevan-tool: cannot read image '" << input << "': the picture could not be loaded\n";
        return 1;
      case StreamedDecode::kNotStreamed:
        break;
    }
  }
  // The pixels without alpha channels: a layered file gives its merged image.
  const int32_t flags = kReadPixels | kReadColorTable;
  VPicture* picture = LoadPicture(input, flags);
  if (!picture) {
    err << "ostrevan-tool: cannot read image '" << input << "': " << ExplainUnreadablePicture(input, flags) << "\n";
    return 1;
  }
  PixelMap* map = picture->GetPixelMap();
  const int32_t width = map->GetWidth();
  const int32_t height = picture->GetHeight() < map->GetHeight() ? picture->GetHeight() : map->GetHeight();
  const std::string problem = WritePixelMapPPM(output, *map, width, height);
  picture->Release();
  if (!problem.empty()) {
    err << "ostrevan-tool: cannot write '" << output << "': " << problem << "\n";
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
  if (args.empty()) {
    err << "ostrevan-tool: image: expected 'decode FILE OUT'\n";
    return 2;
  }
  if (args[0] != "decode") {
    err << "ostrevan-tool: image: unknown command '" << args[0] << "'\n";
    return 2;
  }
  std::vector<std::string> positional;
  int32_t depth = 24;
  std::string alpha;
  bool libjpeg = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--depth" || arg == "--alpha";
    if (takesValue && i + 1 >= args.size()) {
      err << "ostrevan-tool: option '" << arg << "' needs a value\n";
      return 2;
    }
    if (arg == "--depth") {
      if (!ParseDepth(args[++i], depth)) {
        err << "ostrevan-tool: bad depth '" << args[i] << "' (8, 15, 16, 24, 32 or -1)\n";
        return 2;
      }
    } else if (arg == "--alpha") {
      alpha = args[++i];
    } else if (arg == "--libjpeg") {
      libjpeg = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      err << "ostrevan-tool: unknown option '" << arg << "'\n";
      return 2;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) {
    err << "ostrevan-tool: image decode: expected FILE and OUT, got " << positional.size() << " name"
        << (positional.size() == 1 ? "" : "s") << "\n";
    return 2;
  }
  if (libjpeg) return DecodeJpegThroughLibrary(positional[0], positional[1], err);
  RegisterJPEGImageReader();
  return DecodeImage(positional[0], positional[1], depth, alpha, err);
}
