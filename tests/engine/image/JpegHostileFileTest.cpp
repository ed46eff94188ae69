// Hostile JPEG files against both decoders (the engine's own, through the
// reader registry, and the libjpeg path): a few hundred bytes whose frame
// header claims a huge picture. Each decode runs in a child process whose
// peak memory is measured: a picture over kMaxImagePixels is refused with
// "size over the limit" before anything is allocated for it, and one within
// the limit takes no more than its own map.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "JpegTestSupport.h"
#include "engine/core/VFile.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/ImageRegistry.h"
#include "engine/image/JpegLibraryLoader.h"
#include "engine/image/VJPEGImageReader.h"
#include "platform/MessageBox.h"

namespace {

// What a decode in a child process cost: its peak memory above what the
// parent held at the fork, its time, and the child's answer.
struct ChildRun {
  double megabytes = 0;
  double seconds = 0;
  int exitCode = -1;
};

int64_t ResidentBytes() {
  long pages = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(f);
  return int64_t{resident} * sysconf(_SC_PAGESIZE);
}

// Runs `decode` in a child; its exit code is 0 when `decode` answered true.
ChildRun RunInChild(const std::function<bool()>& decode) {
  ChildRun run;
  std::fflush(nullptr);
  const int64_t before = ResidentBytes();
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(decode() ? 0 : 1);
  if (pid < 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.megabytes = (double(usage.ru_maxrss) * 1024.0 - double(before)) / (1024.0 * 1024.0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

class JpegHostileFileTest : public imgtest::ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    SetupLookupTables();
    previousCapture_ = platform::SetMessageBoxCapture(
        [](const std::string&, const std::string&, platform::MessageBoxIcon) { return platform::kMessageBoxOk; });
  }
  void TearDown() override {
    platform::SetMessageBoxCapture(previousCapture_);
    ShutdownLookupTables();
    ImageFixture::TearDown();
  }
  platform::MessageBoxCapture previousCapture_;
};

// The own decoder as the title uses it: the registry reads the header and
// makes the map; true when a picture came out. The reason goes to `reason`.
bool DecodeOwn(const std::string& path, std::string& reason) {
  VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
  if (!file.Open(1)) return false;
  VJPEGImageReader reader(&file);
  std::unique_ptr<PixelMap> map(ReadImageWithReader(reader, kReadPixels, 0, 0));
  reason = reader.GetFailureReason();
  return map != nullptr;
}

TEST_F(JpegHostileFileTest, HugeHeadersAreRefusedWithBoundedMemory) {
  const std::string ppm = Path("s.ppm");
  WriteBytes(ppm, jpegtest::MakePpm(16, 16));
  ASSERT_EQ(imgtest::RunCommand("cjpeg -sample 2x2 -outfile '" + Path("s.jpg") + "' '" + ppm + "'"), 0);
  const std::string small = ReadBytes(Path("s.jpg"));
  ASSERT_LT(small.size(), 1000u);

  // Each row: the size the header claims, and whether it is within the
  // limit (then the map of that size is made and the data end at once: both
  // decoders give what arrived, the rest of the picture flat).
  const struct {
    int32_t width, height;
    bool withinLimit;
    const char* libraryReason;  // libjpeg refuses sides over 65500 itself
  } cases[] = {
      {26000, 27000, false, "size over the limit"},
      {65500, 65500, false, "size over the limit"},
      {65535, 600, false, "Maximum supported image dimension is 65500 pixels"},
      {4000, 4000, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const std::string bytes = jpegtest::WithClaimedSize(small, c.width, c.height);
    ASSERT_FALSE(bytes.empty());
    const std::string path = Path("huge.jpg");
    WriteBytes(path, bytes);
    // The picture's own map at 24 bits, and room for the decoders' buffers.
    const double mapMegabytes = c.withinLimit ? 3.0 * c.width * c.height / (1024.0 * 1024.0) : 0.0;
    const double bound = mapMegabytes + 48.0;

    const ChildRun own = RunInChild([&] {
      std::string reason;
      const bool decoded = DecodeOwn(path, reason);
      return c.withinLimit ? decoded : !decoded && reason == "size over the limit";
    });
    EXPECT_EQ(own.exitCode, 0) << "own decoder";
    EXPECT_LT(own.megabytes, bound) << "own decoder";
    EXPECT_LT(own.seconds, 10.0) << "own decoder";

    const ChildRun library = RunInChild([&] {
      VPicture* picture =
          DecodeJpegWithLibrary(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
      if (picture) picture->Release();
      return c.withinLimit ? picture != nullptr : !picture && GetJpegFailureReason() == c.libraryReason;
    });
    EXPECT_EQ(library.exitCode, 0) << "libjpeg path";
    EXPECT_LT(library.megabytes, bound) << "libjpeg path";
    EXPECT_LT(library.seconds, 10.0) << "libjpeg path";
  }
}

}  // namespace
