// ostrevan-tool text render: the mark-up file (code page 1252) is set into an
// HTML text control of the given size standing on a white 16-bit map; the
// control draws itself into the map, which is written as binary PPM.
#include "tools/TextCommands.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "engine/controls/VHTMLTextControl.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VFont.h"
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


int Render(const std::vector<std::string>& args, std::ostream& err) {
  if (args.size() < 2) return 2;
  int32_t width = 310, height = 200;
  std::string face = "Times";
  int32_t size = 12;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) return 2;
    const std::string& value = args[++i];
    if (option == "--width") {
      if (!ParseSide(value, width)) return 2;
    } else if (option == "--height") {
      if (!ParseSide(value, height)) return 2;
    } else if (option == "--font") {
      const size_t comma = value.rfind(',');
      if (comma == std::string::npos || comma == 0 || !ParseSide(value.substr(comma + 1), size)) return 2;
      face = value.substr(0, comma);
    } else {
      return 2;
    }
  }

  std::ifstream file(args[0], std::ios::binary);
  if (!file) {
    err << "ostrevan-tool: cannot read " << args[0] << ": " << std::strerror(errno) << "\n";
    return 1;
  }
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) {
    err << "ostrevan-tool: cannot read " << args[0] << "\n";
    return 1;
  }
  // The text ends at its first zero byte, as the control keeps it.
  if (const size_t zero = bytes.find('\0'); zero != std::string::npos) bytes.resize(zero);
  if (bytes.size() > static_cast<size_t>(VString::kMaxCapacity)) {
    err << "ostrevan-tool: " << args[0] << " is too large\n";
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
  if (args.empty()) return 2;
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "render") return Render(rest, err);
  return 2;
}
