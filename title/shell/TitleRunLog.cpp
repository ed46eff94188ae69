#include "title/shell/TitleRunLog.h"

#include <algorithm>
#include <utility>

namespace title_run_log {
namespace {
std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}
struct Watch {
  bool on = false;
  uint32_t start = 0;
  uint32_t last = 0;
  FrameWatch result;
};
Watch& CurrentWatch() {
  static Watch watch;
  return watch;
}
}  // namespace

void SetSink(std::function<void(const std::string&)> sink) { Sink() = std::move(sink); }
bool HasSink() { return static_cast<bool>(Sink()); }
void Write(const std::string& line) {
  if (Sink()) Sink()(line);
}

void NoteFrame(uint32_t nowMs) {
  Watch& watch = CurrentWatch();
  if (!watch.on) return;
  watch.result.longestGapMs = std::max(watch.result.longestGapMs, nowMs - watch.last);
  watch.last = nowMs;
  ++watch.result.frames;
}

void BeginFrameWatch(uint32_t nowMs) {
  Watch& watch = CurrentWatch();
  watch = Watch{};
  watch.on = true;
  watch.start = nowMs;
  watch.last = nowMs;
}

FrameWatch EndFrameWatch(uint32_t nowMs) {
  Watch& watch = CurrentWatch();
  if (!watch.on) return {};
  watch.on = false;
  watch.result.durationMs = nowMs - watch.start;
  return watch.result;
}

}  // namespace title_run_log
