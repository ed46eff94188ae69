// Fuzz target: a demo-tour file played back from start to end on a clock
// that jumps to each record's time. Every event replayed is a mouse message
// the recorder writes, with a button code it writes, at a point of the
// 640 x 480 screen; no more records play than the file holds whole, and the
// playback ends (the player idle, its task stopped).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/core/VEvent.h"
#include "platform/Clock.h"
#include "platform/WindowMessage.h"
#include "title/shell/DemoTourPlayer.h"

namespace {

class CheckedPlayer : public DemoTourPlayer {
 public:
  CheckedPlayer() : DemoTourPlayer(nullptr) {}
  uint32_t played = 0;

 protected:
  void Replay(const VMouseEvent& event, uint16_t kind) override {
    using namespace platform;
    if (kind != kMsgMouseMove && kind != kMsgLButtonDown && kind != kMsgLButtonUp && kind != kMsgRButtonDown &&
        kind != kMsgRButtonUp) {
      __builtin_trap();
    }
    if (event.x < 0 || event.x >= kScreenWidth || event.y < 0 || event.y >= kScreenHeight) __builtin_trap();
    if (event.buttons != 0 && event.buttons != kButtonLeft && event.buttons != kButtonRight) __builtin_trap();
    ++played;
  }
};

const std::string& ScratchPath() {
  static const std::string path = [] {
    char name[] = "/tmp/ostrevan_fuzz_demo_XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    std::atexit([] { unlink(ScratchPath().c_str()); });
    return std::string(name);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  FILE* out = std::fopen(ScratchPath().c_str(), "wb");
  if (out == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, out);
  std::fclose(out);
  static platform::FakeClock clock;
  const platform::ScopedClockSource scope(&clock);
  CheckedPlayer player;
  if (!player.StartPlayback(ScratchPath())) return 0;
  const size_t whole = size / DemoTourPlayer::kRecordSize;
  // A record is due at most two steps after the one before it (a gap of
  // exactly 2^31 ms is not due yet when its wait says 0: a millisecond more).
  for (size_t step = 0; step <= 3 * whole + 3 && player.IsActive(); ++step) {
    player.Step(0);
    const uint32_t wait = player.GetStepWait(platform::TickCount());
    if (wait == VTask::kNoStepWanted) break;
    clock.AdvanceMilliseconds(wait > 0 ? wait : 1);
  }
  if (player.IsActive() || player.GetState() == DemoTourPlayer::kPlaying) __builtin_trap();
  if (player.played > whole || player.played != player.GetRecordCount()) __builtin_trap();
  return 0;
}
