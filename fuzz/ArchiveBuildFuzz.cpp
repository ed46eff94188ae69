// Fuzz target: an arbitrary build script run through the archive builder.
// Each process makes one private folder under /tmp with a few tiny sources the
// scripts can name (a text, a number list, a numbered pair, a variant and an
// extracted medium); the script, the archive and the log live there too and
// are removed after every run. The archive and log paths are this target's
// own, so a script can only make the builder READ elsewhere, never write.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VTextFile.h"

namespace {

char gFolder[] = "/tmp/ostrevan_fuzz_build_XXXXXX";

void WriteSource(const std::string& name, std::string_view bytes) {
  std::filesystem::path path = std::filesystem::path(gFolder) / name;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(gFolder, ec);
    });
    return std::string(gFolder);
  }();
  return folder;
}

// Sources under the kernel's pseudo file systems can block or never end;
// scripts naming them are skipped (everything else may be read).
bool NamesSpecialFiles(std::string_view text) {
  for (std::string_view bad : {"/dev", "/proc", "/sys", "\\dev", "\\proc", "\\sys"}) {
    if (text.find(bad) != std::string_view::npos) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = Folder();
  std::string_view text(data != nullptr ? reinterpret_cast<const char*>(data) : "", data != nullptr ? size : 0);
  if (NamesSpecialFiles(text)) return 0;
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
  // OSTREVAN_FUZZ_SHOW_LOG=1 prints each build log (to check what a seed reaches).
  static const bool showLog = std::getenv("OSTREVAN_FUZZ_SHOW_LOG") != nullptr;
  if (showLog) {
    std::ifstream in(logPath, std::ios::binary);
    std::fprintf(stderr, "%s\n", std::string(std::istreambuf_iterator<char>(in), {}).c_str());
  }
  std::remove(archivePath.c_str());
  std::remove(logPath.c_str());
  std::remove(script.c_str());
  return 0;
}
