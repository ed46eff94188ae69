// Fuzz target: an arbitrary file opened as an archive (plain and embedded),
// every entry looked up by id and type, opened as a medium and read through.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"

namespace {

// The scratch file the input is written to; removed when the process ends.
char gScratch[] = "/tmp/ostrevan_fuzz_msf_XXXXXX";

const char* ScratchPath() {
  static const bool made = [] {
    int fd = mkstemp(gScratch);
    if (fd >= 0) close(fd);
    std::atexit([] { unlink(gScratch); });
    return fd >= 0;
  }();
  (void)made;
  return gScratch;
}

void Exercise(bool embedded) {
  MediaArchive archive;
  if (!archive.OpenArchive(VFileSpec(ScratchPath()), embedded)) return;
  ScopedMediaArchive serve(&archive);
  const uint32_t types[] = {0, MakeTypeCode("RIX "), MakeTypeCode("MSF "), MakeTypeCode("MPG ")};
  uint8_t buf[4096];
  MediaEntry entry;
  for (int32_t i = 0; archive.EntryAt(i, entry) && i < 256; ++i) {
    for (uint16_t selector : {uint16_t{0}, entry.id}) {
      archive.SetVariantSelector(selector);
      for (uint32_t asked : types) {
        MediaEntry found;
        archive.GetEntry(entry.id, found, asked);
        VFile window;
        uint32_t type = asked;
        if (!archive.OpenMedia(entry.id, window, type)) continue;
        int64_t total = 0;
        while (total < (1 << 20)) {
          int32_t n = window.Read(buf, sizeof buf);
          if (n <= 0) break;
          total += n;
        }
      }
    }
    VFile byIndex;
    uint32_t type = 0;
    if (archive.OpenEntryAt(i, byIndex, type)) byIndex.Read(buf, sizeof buf);
  }
  VString text;
  archive.ReadMedia(entry.id, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(ScratchPath(), "wb");
  if (f == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  Exercise(false);
  Exercise(true);
  return 0;
}
