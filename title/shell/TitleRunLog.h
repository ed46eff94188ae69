// The title's run log: lines that say what the running title does (the
// panel on show, each hand-over script with its frame times), written where
// the program's --log option points and read by the tests that drive the
// title from outside. Without a sink nothing is written.
//
// Frame times: the application notes each presented frame (NoteFrame from
// its idle step) with how late it came: the time from the tick at which the
// loop meant to run the pass that drew it to the frame on the screen (a pass
// runs when a task's step falls due; a pass that oversleeps, or one whose
// work takes long, puts its frame late). Between BeginFrameWatch and
// EndFrameWatch the log keeps the count of frames, the longest time between
// two of them (long while the picture does not change, as at the slow start
// of an eased move) and the latest frame; a frame more than kLateFrameMs late
// gets a line "late-frame MS STEP busy-ms B": STEP the step of the watched
// script last begun (NoteWatchStep), B the part of the time since the frame
// before that the thread spent working. A line asked for with
// WriteAtNextFrame names the time from the program's start (SetProgramStart)
// to the next frame that reaches the screen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class ItemRef;

namespace title_run_log {

void SetSink(std::function<void(const std::string&)> sink);
void Write(const std::string& line);
bool HasSink();
// "WHAT CODE" for an item shown or ended (item-shown VI001); nothing for an
// item that has no code.
void WriteItem(const char* what, const ItemRef& item);

// The program's start, in platform::Microseconds.
void SetProgramStart(uint64_t microseconds);
// On the next NoteFrame: "NAME MS", MS the milliseconds from the program's
// start to then (one decimal). A later call replaces one still waiting.
void WriteAtNextFrame(const std::string& name);

// A frame reached the screen at `nowMs` (a tick count), `lateMs` after it
// was due.
void NoteFrame(uint32_t nowMs, uint32_t lateMs = 0);
void BeginFrameWatch(uint32_t nowMs);
struct FrameWatch {
  uint32_t frames = 0;
  uint32_t longestGapMs = 0;
  uint32_t latestMs = 0;  // the most a frame came after it was due
  uint32_t durationMs = 0;
};
FrameWatch EndFrameWatch(uint32_t nowMs);
// The step a watched script begins, named in the line of a late frame.
void NoteWatchStep(const char* name);
inline constexpr uint32_t kLateFrameMs = 50;

}  // namespace title_run_log
