// The message loop of the launchers' dialog kit: the kit's posted messages,
// its timers, and the window layer's queue (input, paint, messages from
// other processes), run until a modal window ends or the quit message comes.
#pragma once

#include <cstdint>
#include <functional>

#include "launchers/common/Window.h"

namespace kit {

// Runs messages until `done` answers true (asked after every message) or
// the quit message arrives. False on the quit message: its exit code goes
// to quitCode and the quit message is posted again for enclosing loops.
bool RunLoopUntil(const std::function<bool()>& done, int32_t* quitCode);
// Handles whatever arrives for the given time (tests and waits).
void PumpFor(uint32_t milliseconds);
// Handles everything waiting now, timers due included, without waiting.
void PumpPending();

// Drops the waiting quit message, if any (a program that runs a further
// dialog after one ended by it).
bool TakeQuitMessage(int32_t* exitCode);

namespace loop {
// For the windows: the posted-message queue and the timer list.
void Post(Handle window, uint32_t code, uintptr_t wParam, intptr_t lParam);
void StartTimer(Handle window, int32_t id, uint32_t milliseconds);
void StopTimer(Handle window, int32_t id);
void ForgetWindow(Handle window);
}  // namespace loop

}  // namespace kit
