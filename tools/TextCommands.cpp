// ostrevan-tool text render: the mark-up file (code page 1252) is set into an
// HTML text control of the given size standing on a white 16-bit map; the
// control draws itself into the map, which is written as binary PPM.
#include "tools/TextCommands.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/VHTMLTextControl.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VFont.h"
#include "platform/File.h"
#include "tools/PixelMapPpm.h"

namespace {

constexpr int32_t kMaxSide = 8192;

bool ParseSide(const std::string& text, int32_t& value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != 0 || v < 1 || v > kMaxSide) return false;
  value = static_cast<int32_t>(v);
  return true;
}

// Reads the mark-up up to its first zero byte (where the control's text
// ends) and never past the longest text a control holds, so an endless device
// or a huge file is refused without being read whole. False with the reason
// in `why`.
bool ReadMarkup(const std::string& path, std::string& bytes, std::string& why) {
  if (platform::DirectoryExists(path)) {
    why = "it is a folder";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    why = std::strerror(errno);
    return false;
  }
  const size_t limit = static_cast<size_t>(VString::kMaxCapacity);
  std::vector<char> chunk(size_t{1} << 16);
  bytes.clear();
  while (file) {
    file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const size_t got = static_cast<size_t>(file.gcount());
    const auto zero = std::find(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got), '\0');
    bytes.append(chunk.begin(), zero);
    if (bytes.size() > limit) {
      why = "it is too large (more than " + std::to_string(limit) + " bytes of text)";
      return false;
    }
    if (zero != chunk.begin() + static_cast<std::ptrdiff_t>(got)) return true;
  }
  if (file.bad()) {
    why = "the read failed";
    return false;
  }
  return true;
}

// The usage follows the reason (exit code 2).
int BadLine(std::ostream& err, const std::string& reason) {
  err << "ostrevan-tool: text render: " << reason << "\n";
  return 2;
}

int Render(const std::vector<std::string>& args, std::ostream& err) {
  if (args.size() < 2) {
    return BadLine(err, "expected MARKUP and OUT.ppm, got " + std::to_string(args.size()) +
                            (args.size() == 1 ? " name" : " names"));
  }
  int32_t width = 310, height = 200;
  std::string face = "Times";
  int32_t size = 12;
  const std::string sides = " (a whole number from 1 to " + std::to_string(kMaxSide) + ")";
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option != "--width" && option != "--height" && option != "--font") {
      return BadLine(err, option.size() > 1 && option[0] == '-' ? "unknown option '" + option + "'"
                                                                : "unexpected argument '" + option + "'");
    }
    if (i + 1 >= args.size()) return BadLine(err, "option '" + option + "' needs a value");
    const std::string& value = args[++i];
    if (option == "--width") {
      if (!ParseSide(value, width)) return BadLine(err, "bad width '" + value + "'" + sides);
    } else if (option == "--height") {
      if (!ParseSide(value, height)) return BadLine(err, "bad height '" + value + "'" + sides);
    } else {
      const size_t comma = value.rfind(',');
      if (comma == std::string::npos || comma == 0 || !ParseSide(value.substr(comma + 1), size)) {
        return BadLine(err, "bad font '" + value + "' (expected FACE,SIZE)");
      }
      face = value.substr(0, comma);
    }
  }

  std::string bytes;
  std::string why;
  if (!ReadMarkup(args[0], bytes, why)) {
    err << "ostrevan-tool: cannot read " << args[0] << ": " << why << "\n";
    return 1;
  }

  // Pictures named by the text are read at the map's depth, as the title
  // reads them at the display's.
  ScopedLoadPixelFormat loadDepth(16);
  PixelMap map(VRect(0, 0, width, height), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, kFormat565LE, 0);
  const VRGBColor white(255, 255, 255);
  map.FillRect(nullptr, &white);
  VFont* font = FindOrCreateFont(face.c_str(), size, 0, nullptr, true);
  {
    auto* control = new VHTMLTextControl(VControl::kAllocateId, 0, 0, 0, width, height, nullptr, font, nullptr,
                                         kAlignLeft, false, 0, nullptr);
    std::unique_ptr<VHTMLTextControl> owner(control);
    control->SetBackgroundColor(white);
    DrawPort port(&map);
    control->SetText(new VString(bytes.c_str(), static_cast<int32_t>(bytes.size())), false);
    control->DrawContent(&port, VRect(0, 0, width, height));
  }
  if (!WritePixelMapPPM(args[1], map).empty()) {
    err << "ostrevan-tool: cannot write " << args[1] << ": " << std::strerror(errno) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int RunTextCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  if (args.empty()) {
    err << "ostrevan-tool: text: expected 'render MARKUP OUT.ppm'\n";
    return 2;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "render") return Render(rest, err);
  err << "ostrevan-tool: text: unknown command '" << args[0] << "'\n";
  return 2;
}
