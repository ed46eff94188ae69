#include "title/shell/TitleRunLog.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>

#include "engine/script/ItemRef.h"
#include "platform/Clock.h"

namespace title_run_log {
namespace {
std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}
// The processor time the calling thread has used: a late frame's line says
// how much of the wait the thread was working (a stall) rather than waiting.
uint64_t ThreadBusyMicroseconds() {
  timespec now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0;
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}
struct Watch {
  bool on = false;
  uint32_t start = 0;
  uint32_t last = 0;
  const char* step = "start";
  uint64_t busyAtLast = 0;  // the thread's processor time at the last frame
  FrameWatch result;
};
Watch& CurrentWatch() {
  static Watch watch;
  return watch;
}
struct FrameMark {
  uint64_t programStart = 0;
  std::string pendingName;
};
FrameMark& Mark() {
  static FrameMark mark;
  return mark;
}
}  // namespace

void SetSink(std::function<void(const std::string&)> sink) { Sink() = std::move(sink); }
bool HasSink() { return static_cast<bool>(Sink()); }
void Write(const std::string& line) {
  if (Sink()) Sink()(line);
}
void WriteItem(const char* what, const ItemRef& item) {
  if (!HasSink()) return;
  char code[6] = {};
  if (item.FormatItemRef(code)) Write(std::string(what) + " " + code);
}

void SetProgramStart(uint64_t microseconds) { Mark().programStart = microseconds; }

void WriteAtNextFrame(const std::string& name) { Mark().pendingName = name; }

void NoteFrame(uint32_t nowMs, uint32_t lateMs) {
  FrameMark& mark = Mark();
  if (!mark.pendingName.empty()) {
    const uint64_t elapsed = platform::Microseconds() - mark.programStart;
    char text[32];
    std::snprintf(text, sizeof text, " %.1f", static_cast<double>(elapsed) / 1000.0);
    Write(mark.pendingName + text);
    mark.pendingName.clear();
  }
  Watch& watch = CurrentWatch();
  if (!watch.on) return;
  const uint32_t gap = nowMs - watch.last;
  const uint64_t busy = ThreadBusyMicroseconds();
  if (lateMs > kLateFrameMs) {
    Write("late-frame " + std::to_string(lateMs) + " " + watch.step + " busy-ms " +
          std::to_string((busy - watch.busyAtLast) / 1000));
  }
  watch.busyAtLast = busy;
  watch.result.longestGapMs = std::max(watch.result.longestGapMs, gap);
  watch.result.latestMs = std::max(watch.result.latestMs, lateMs);
  watch.last = nowMs;
  ++watch.result.frames;
}

void BeginFrameWatch(uint32_t nowMs) {
  Watch& watch = CurrentWatch();
  watch = Watch{};
  watch.on = true;
  watch.start = nowMs;
  watch.last = nowMs;
  watch.busyAtLast = ThreadBusyMicroseconds();
}

void NoteWatchStep(const char* name) {
  Watch& watch = CurrentWatch();
  if (watch.on && name != nullptr) watch.step = name;
}

FrameWatch EndFrameWatch(uint32_t nowMs) {
  Watch& watch = CurrentWatch();
  if (!watch.on) return {};
  watch.on = false;
  watch.result.durationMs = nowMs - watch.start;
  return watch.result;
}

}  // namespace title_run_log
