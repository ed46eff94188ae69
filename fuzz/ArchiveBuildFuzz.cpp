// Fuzz target: an arbitrary build script run through the archive builder,
// with the picture conversions of ostrevan-tool registered (images, alpha
// channels and colour tables, cropping, merged sequences, the raw writer).
// Each process makes one private folder under /tmp with a few tiny sources the
// scripts can name (a text, a number list, a numbered pair, a variant, an
// extracted medium, pictures and a numbered picture pair); the script, the
// archive and the log live there too. Everything a run adds to the folder (an
// origin file of a merged sequence) is removed after it, so every run starts
// from the same sources. A picture conversion may write an origin file beside
// its source, so scripts that could name a file outside the folder (an
// absolute path, a drive, a parent folder) are skipped.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <string_view>

#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VTextFile.h"
#include "engine/graphics/VColorTable.h"
#include "tools/PictureConversions.h"

namespace {

char gFolder[] = "/tmp/ostrevan_fuzz_build_XXXXXX";

void WriteSource(const std::string& name, std::string_view bytes) {
  std::filesystem::path path = std::filesystem::path(gFolder) / name;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PutLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// An uncompressed BMP (bottom-up rows padded to 4 bytes): 24 bits with the
// colour of each pixel, or 8 bits with a grey palette and the pixel's index.
std::string Bitmap(int width, int height, int bits, const std::function<uint32_t(int, int)>& pixel) {
  const int rowBytes = ((width * bits / 8) + 3) & ~3;
  const uint32_t palette = bits == 8 ? 1024 : 0;
  const uint32_t offset = 54 + palette;
  std::string out = "BM";
  PutLE(out, offset + static_cast<uint32_t>(rowBytes * height), 4);
  PutLE(out, 0, 4);
  PutLE(out, offset, 4);
  for (uint32_t v : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)}) PutLE(out, v, 4);
  PutLE(out, 1, 2);
  PutLE(out, static_cast<uint32_t>(bits), 2);
  for (uint32_t v : {0u, static_cast<uint32_t>(rowBytes * height), 2835u, 2835u, bits == 8 ? 256u : 0u, 0u}) {
    PutLE(out, v, 4);
  }
  for (uint32_t i = 0; i < palette / 4; ++i) PutLE(out, i * 0x010101u, 4);
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) PutLE(row, pixel(x, y), bits / 8);
    row.resize(static_cast<size_t>(rowBytes), '\0');
    out += row;
  }
  return out;
}

// An uncompressed 24-bit Targa with top-left rows (descriptor bit 5).
std::string Targa(int width, int height, const std::function<uint32_t(int, int)>& pixel) {
  std::string out(12, '\0');
  out[2] = 2;
  PutLE(out, static_cast<uint32_t>(width), 2);
  PutLE(out, static_cast<uint32_t>(height), 2);
  out += static_cast<char>(24);
  out += static_cast<char>(0x20);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) PutLE(out, pixel(x, y), 3);
  }
  return out;
}

constexpr uint32_t kMagenta = 0xFF00FF;  // the key colour of the seeds

// A magenta frame with a coloured block whose corner is at (left, top).
std::function<uint32_t(int, int)> Block(int left, int top) {
  return [left, top](int x, int y) -> uint32_t {
    if (x < left || y < top || x > left + 3 || y > top + 2) return kMagenta;
    return x == left + 1 && y == top + 1 ? 0xFFFFFFu : 0x2A5CAAu;
  };
}

// Every file in the folder (relative names), to tell the sources from what a
// run added.
std::set<std::string> ListFolder(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    names.insert(std::filesystem::relative(it->path(), folder, ec).string());
  }
  return names;
}

std::set<std::string>& Sources() {
  static std::set<std::string> sources;
  return sources;
}

// The private folder with its sources, made once; removed when the process ends.
const std::string& Folder() {
  static const std::string folder = [] {
    if (mkdtemp(gFolder) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    WriteSource("a.txt", "Hello \xE4 <world> & \"friends\"\r\nsecond line\n");
    WriteSource("n.txt", "1 2 -3 40000\r\n5.5 -6.25 1e3\n");
    WriteSource("p001.txt", "first");
    WriteSource("p002.txt", "second");
    WriteSource("NL/a.txt", "Hallo");
    // An extracted medium: its 22-byte entry (id 5, 'TEXT', "name", offset 22,
    // size 3) in front of the data.
    WriteSource("e.mf", std::string_view("\x05\x00TEXTname\0\0\0\0\x16\x00\x00\x00\x03\x00\x00\x00" "abc", 25));
    // Pictures: a true-colour BMP and a Targa with a magenta border, a grey
    // indexed BMP, a colour table, and a numbered pair whose content moves.
    WriteSource("b.bmp", Bitmap(8, 6, 24, Block(2, 1)));
    WriteSource("t.tga", Targa(7, 5, Block(1, 2)));
    WriteSource("c.bmp", Bitmap(4, 4, 8, [](int x, int y) { return static_cast<uint32_t>(16 * (4 * y + x)); }));
    // A raw colour table of 16 colours: the count, then red, green, blue each.
    std::string table;
    PutLE(table, 16, 2);
    for (uint32_t i = 0; i < 16; ++i) PutLE(table, (i * 16) | ((255 - i * 16) << 8) | ((i * 40 % 256) << 16), 3);
    WriteSource("pal.rcx", table);
    WriteSource("s001.bmp", Bitmap(8, 6, 24, Block(1, 1)));
    WriteSource("s002.bmp", Bitmap(8, 6, 24, Block(3, 2)));
    Sources() = ListFolder(gFolder);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(gFolder, ec);
    });
    return std::string(gFolder);
  }();
  return folder;
}

// True when a name in the script could lead outside the private folder.
// Names are quoted, so a name that starts with a separator (absolute) follows
// a quote; a drive letter needs a colon and a parent folder "..". Comments
// ("//", "/*") and separators inside a name stay allowed.
bool CouldLeaveFolder(std::string_view text) {
  for (std::string_view bad : {"..", ":", "\"/", "\"\\"}) {
    if (text.find(bad) != std::string_view::npos) return true;
  }
  return false;
}

// Removes what the last run added to the folder (deepest first).
void RemoveAdded(const std::string& folder) {
  const std::set<std::string> now = ListFolder(folder);
  for (auto it = now.rbegin(); it != now.rend(); ++it) {
    if (Sources().count(*it) != 0) continue;
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(folder) / *it, ec);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = Folder();
  std::string_view text(data != nullptr ? reinterpret_cast<const char*>(data) : "", data != nullptr ? size : 0);
  if (CouldLeaveFolder(text)) return 0;
  // As ostrevan-tool does: the builder knows the picture conversions, and
  // the colour table current before the build comes back after it (a
  // colour-table line changes it).
  static const bool ready = [] {
    RegisterToolConversions();
    return true;
  }();
  (void)ready;
  VColorTable* previousTable = GetCurrentColorTable();
  const std::string script = folder + "/build.txt";
  const std::string archivePath = folder + "/out.msf";
  const std::string logPath = folder + "/out.log";
  {
    std::ofstream out(script, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  {
    VTextFile scriptFile(VFileSpec(script.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    VFile archive(VFileSpec(archivePath.c_str()), MakeTypeCode("MSF "), kUnknownFileType);
    VTextFile log(VFileSpec(logPath.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    const bool withLog = log.Open(VFileObject::kWrite);
    BuildMediaArchive(scriptFile, archive, withLog ? &log : nullptr);
    scriptFile.Close();
    archive.Close();
    log.Close();
  }
  SetCurrentColorTable(previousTable);
  if (previousTable != nullptr) previousTable->Release();
  // OSTREVAN_FUZZ_SHOW_LOG=1 prints each build log (to check what a seed reaches).
  static const bool showLog = std::getenv("OSTREVAN_FUZZ_SHOW_LOG") != nullptr;
  if (showLog) {
    std::ifstream in(logPath, std::ios::binary);
    std::fprintf(stderr, "%s\n", std::string(std::istreambuf_iterator<char>(in), {}).c_str());
  }
  RemoveAdded(folder);
  return 0;
}
