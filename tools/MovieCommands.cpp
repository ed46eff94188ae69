// Decoding an MPEG video elementary stream into numbered PPM files.
#include "tools/MovieCommands.h"

#include <cstdio>
#include <fstream>

#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"

namespace {

bool WriteFrame(const std::string& path, PixelMap& map) {
  std::ofstream file(path, std::ios::binary);
  if (!file) return false;
  const int32_t width = map.GetWidth(), height = map.GetHeight();
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

int Frames(const std::string& input, const std::string& directory, int32_t depth, std::ostream& out,
           std::ostream& err) {
  VFile file(VFileSpec(input.c_str()), 0, 0);
  if (!file.Open(1)) {
    err << "ostrevan-tool: cannot open " << input << "\n";
    return 1;
  }
  VBitstream bitstream(&file, 32768, true);
  VideoStreamDecoder decoder(bitstream);
  if (!decoder.Start()) {
    err << "ostrevan-tool: " << input << " is not an MPEG video stream\n";
    return 1;
  }
  int32_t count = 0;
  while (auto picture = decoder.Next()) {
    PixelMap map(VRect(0, 0, picture->width, picture->height), depth, nullptr);
    if (!map.HasStorage() ||
        !picture->ConvertToPicture(map, VRect(0, 0, picture->width, picture->height))) {
      err << "ostrevan-tool: cannot convert picture " << count + 1 << "\n";
      return 1;
    }
    char name[32];
    std::snprintf(name, sizeof(name), "/frame-%05d.ppm", count + 1);
    if (!WriteFrame(directory + name, map)) {
      err << "ostrevan-tool: cannot write " << directory << name << "\n";
      return 1;
    }
    ++count;
  }
  out << count << " frames\n";
  return 0;
}

}  // namespace

int RunMovieCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 3 || args[0] != "frames") return 2;
  int32_t depth = 32;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--depth" && i + 1 < args.size() && (args[i + 1] == "16" || args[i + 1] == "32")) {
      depth = args[i + 1] == "16" ? 16 : 32;
      ++i;
    } else {
      return 2;
    }
  }
  return Frames(args[1], args[2], depth, out, err);
}
