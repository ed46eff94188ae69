// ostrevan-tool text render: the mark-up file (code page 1252) is set into an
// HTML text control of the given size standing on a white 16-bit map; the
// control draws itself into the map, which is written as binary PPM.
//
// ostrevan-tool text measure: each line of a text file (code page 1252) is
// measured in a system font or in a picture font read from an archive, as the
// screens measure what they draw: one line as the font's widths add up, or,
// with a wrap width, laid out in an HTML text control that breaks its lines
// there. Prints "WIDTH HEIGHT" a line: the widest line and the height.
#include "tools/TextCommands.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureFont.h"
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
int BadLine(std::ostream& err, const std::string& reason, const char* command = "render") {
  err << "ostrevan-tool: text " << command << ": " << reason << "\n";
  return 2;
}

bool ParseNumber(const std::string& text, int32_t& value, long lowest, long highest) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != 0 || v < lowest || v > highest) return false;
  value = static_cast<int32_t>(v);
  return true;
}

// "measure TEXTS (--font FACE,SIZE[,bold] | --picture-font ARCHIVE,ID[,METRICS]) [--wrap W]".
int Measure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return BadLine(err, "expected TEXTS", "measure");
  std::string face;
  int32_t size = 0, style = 0, wrap = 0, glyphs = 0, metrics = 0;
  std::string archivePath;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option != "--font" && option != "--picture-font" && option != "--wrap") {
      return BadLine(err, option.size() > 1 && option[0] == '-' ? "unknown option '" + option + "'"
                                                                : "unexpected argument '" + option + "'",
                     "measure");
    }
    if (i + 1 >= args.size()) return BadLine(err, "option '" + option + "' needs a value", "measure");
    const std::string& value = args[++i];
    std::vector<std::string> parts;
    std::stringstream split(value);
    for (std::string part; std::getline(split, part, ',');) parts.push_back(part);
    if (option == "--wrap") {
      if (!ParseNumber(value, wrap, 1, kMaxSide)) return BadLine(err, "bad wrap width '" + value + "'", "measure");
    } else if (option == "--font") {
      if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || !ParseNumber(parts[1], size, 1, 400) ||
          (parts.size() == 3 && parts[2] != "bold")) {
        return BadLine(err, "bad font '" + value + "' (expected FACE,SIZE or FACE,SIZE,bold)", "measure");
      }
      face = parts[0];
      style = parts.size() == 3 ? kFontStyleBold : 0;
    } else {
      if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || !ParseNumber(parts[1], glyphs, 1, 65535) ||
          (parts.size() == 3 && !ParseNumber(parts[2], metrics, 1, 65535))) {
        return BadLine(err, "bad picture font '" + value + "' (expected ARCHIVE,ID or ARCHIVE,ID,METRICS)", "measure");
      }
      archivePath = parts[0];
    }
  }
  if (face.empty() == archivePath.empty()) {
    return BadLine(err, "expected one of --font and --picture-font", "measure");
  }

  std::ifstream file(args[0], std::ios::binary);
  if (!file || platform::DirectoryExists(args[0])) {
    err << "ostrevan-tool: cannot read " << args[0] << ": "
        << (platform::DirectoryExists(args[0]) ? "it is a folder" : std::strerror(errno)) << "\n";
    return 1;
  }
  std::vector<std::string> texts;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > static_cast<size_t>(VString::kMaxCapacity)) {
      err << "ostrevan-tool: " << args[0] << ": a line longer than " << VString::kMaxCapacity << " bytes\n";
      return 1;
    }
    texts.push_back(line);
  }

  // The picture font reads its glyphs and metrics from the archive, made
  // current while the font is built.
  std::unique_ptr<MediaArchive> archive;
  std::unique_ptr<VFont> pictureFont;
  VFont* font = nullptr;
  if (!archivePath.empty()) {
    archive = std::make_unique<MediaArchive>();
    if (!archive->OpenArchive(VFileSpec(archivePath.c_str()), false)) {
      err << "ostrevan-tool: cannot open the archive " << archivePath << "\n";
      return 1;
    }
    // The archive serves every id while the font is read (the glyph strip
    // is found by id, the metrics in the current archive).
    MediaArchive* previousDefault = SetDefaultMediaArchive(archive.get());
    MediaArchive* previous = SetCurrentArchive(archive.get());
    auto* made = new VPictureFont(static_cast<uint16_t>(glyphs), static_cast<uint16_t>(metrics));
    pictureFont.reset(made);
    if (previous != nullptr) SetCurrentArchive(previous);
    SetDefaultMediaArchive(previousDefault);
    if (made->PeekPicture() == nullptr || made->GetTextWidth("M", 1) <= 0) {
      err << "ostrevan-tool: " << archivePath << " holds no picture font " << glyphs << "\n";
      return 1;
    }
    font = made;
  } else {
    font = FindOrCreateFont(face.c_str(), size, style, nullptr, true);
    if (font == nullptr) {
      err << "ostrevan-tool: no font '" << face << "' of size " << size << "\n";
      return 1;
    }
  }

  PixelMap map(VRect(0, 0, 8, 8), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, kFormat565LE, 0);
  DrawPort port(&map);
  if (!font->IsMeasured()) font->Measure(&port);
  const int32_t lineHeight = font->GetAscent(&port) + font->GetDescent(&port);
  for (const std::string& text : texts) {
    if (wrap == 0) {
      out << font->GetTextWidth(text.c_str(), static_cast<int32_t>(text.size())) << " " << lineHeight << "\n";
      continue;
    }
    // An auto-width control (width 0) breaks its lines at the wrap width and
    // takes the width of its widest line.
    auto control = std::make_unique<VHTMLTextControl>(VControl::kAllocateId, 0, 0, 0, 0, kMaxSide, nullptr, font,
                                                      nullptr, kAlignLeft, false, wrap, nullptr);
    control->SetText(new VString(text.c_str(), static_cast<int32_t>(text.size())), false);
    control->UpdateLayout();
    out << control->GetWidth() << " " << control->GetTextHeight() << "\n";
  }
  return 0;
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

int RunTextCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "ostrevan-tool: text: expected 'render MARKUP OUT.ppm' or 'measure TEXTS ...'\n";
    return 2;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "render") return Render(rest, err);
  if (args[0] == "measure") return Measure(rest, out, err);
  err << "ostrevan-tool: text: unknown command '" << args[0] << "'\n";
  return 2;
}
