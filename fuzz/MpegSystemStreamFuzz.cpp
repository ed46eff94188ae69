// Fuzz target: an arbitrary file taken as a movie: container atoms walked,
// the start of the MPEG data found, the system stream split into its
// elementary streams, then played through the demultiplexer with its real
// children on a simulated clock until it ends or a step limit is reached.
// Data found to be a video stream is also decoded straight from the file, as
// the movie control and the tool read it (through the file's moved window).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/core/Clock.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/MovieContainer.h"
#include "engine/mpeg/StreamClock.h"
#include "engine/mpeg/SystemStreamSplitter.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VISO11172StreamScheduler.h"
#include "engine/mpeg/VideoStreamDecoder.h"
#include "platform/Clock.h"

namespace {

char gScratch[] = "/tmp/ostrevan_fuzz_mpg_XXXXXX";

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(ScratchPath(), "wb");
  if (!f) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);

  platform::FakeClock fake(1000000000ull);
  platform::ScopedClockSource source(&fake);
  InitClock();
  {
    VFile file(VFileSpec(ScratchPath()), 0, 0);
    if (!file.Open(1)) return 0;
    SkipMovieAtoms(file);
    if (LocateMovieStream(file) == MovieStreamKind::kVideoStream) {
      VBitstream bitstream(&file, 1024, true);
      VideoStreamDecoder decoder(bitstream);
      if (decoder.Start()) {
        PixelMap picture(VRect(0, 0, 40, 24), 16, nullptr);
        for (int32_t n = 0; n < 50; ++n) {
          const auto next = decoder.Next();
          if (!next) break;
          if (picture.HasStorage()) next->ConvertToPicture(picture, VRect(0, 0, 40, 24));
        }
      }
      file.Seek(0, true);
    }
    SystemStreamSplitter splitter(&file, false);
    splitter.SplitAll();
    // The video stream read as it comes, decoded as movie frames does.
    SystemStreamSplitter reader(&file, false);
    if (std::unique_ptr<VBitstream> video = reader.OpenStream(SystemStreamSplitter::Kind::kVideo, 1024)) {
      VideoStreamDecoder decoder(*video);
      if (decoder.Start())
        for (int32_t n = 0; n < 50 && decoder.Next(); ++n) {
        }
    }
  }
  VFile file(VFileSpec(ScratchPath()), 0, 0);
  if (!file.Open(1)) return 0;
  SkipMovieAtoms(file);
  LocateMovieStream(file);
  StreamClock clock;
  VISO11172StreamScheduler scheduler(0, &file, 0.7f, 0.3f);
  scheduler.SetClock(&clock);
  scheduler.Start();
  clock.Resume();
  scheduler.SetPlaying(true);
  PixelMap map(VRect(0, 0, 48, 32), 16, nullptr);
  const VRect rect(0, 0, 48, 32);
  for (int step = 0; step < 400; ++step) {
    if (!scheduler.Run(map.HasStorage() ? &map : nullptr, &rect)) break;
    fake.AdvanceMilliseconds(20);
  }
  return 0;
}
