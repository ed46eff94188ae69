#include "title/shell/TitleRunLog.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine/script/ItemRef.h"
#include "platform/Clock.h"

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

void NoteFrame(uint32_t nowMs) {
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
