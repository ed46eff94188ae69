// The engine's clock: microseconds since start-up, the processor's cycle
// counter calibrated against it, the processor class and features the
// pixel and video code choose their paths by, and the pointer position.
// Every value is an atomic: the sound mixer's and the decoders' threads read
// the clock while the user-interface thread sets it up.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/core/VGeometry.h"

// Clock state. Until InitClock and CalibrateClock have run, the frequency
// and the cycles per second hold all bits set. InitClock publishes the
// frequency last, so a thread that sees it set also sees the start values.
extern std::atomic<uint64_t> gClockStartCounter;  // performance counter at InitClock
extern std::atomic<uint64_t> gClockStartCycles;   // cycle counter at InitClock
extern std::atomic<uint64_t> gCounterFrequency;   // performance counter counts per second
extern std::atomic<uint64_t> gCyclesPerSecond;    // found by CalibrateClock

// Processor class (0 until detected) and features; read directly by the
// video decoder, the YCbCr pictures and the panorama viewer. DetectProcessor
// stores the class last, so a thread that sees it set sees the features too.
constexpr uint32_t kProcessorClass386 = 0x40000;
constexpr uint32_t kProcessorClass486 = 0x80000;
constexpr uint32_t kProcessorClassPentium = 0x100000;
constexpr uint32_t kProcessorClassPentiumPro = 0x200000;
extern std::atomic<uint32_t> gProcessorClass;
extern std::atomic<uint8_t> gProcessorHasMMX;  // feature bit 23
extern std::atomic<uint8_t> gProcessorHasSSE;  // feature bit 25
extern std::atomic<uint8_t> gProcessorHasTSC;  // feature bit 4 (time-stamp counter)

// Notes the performance counter, the cycle counter and the counter frequency
// as the start values. Calls from several threads at once are serialised.
void InitClock();
// Measures the cycle counter against the performance counter over at least
// one second since InitClock (sleeping for the rest of that second) and
// stores and returns the cycles per second. Runs InitClock first when it has
// not run (once, however many threads ask at the same time); 0 (nothing
// stored) when no time could be measured.
uint64_t CalibrateClock();
// Microseconds since InitClock.
uint64_t GetMicroseconds();
// The time-stamp counter when the processor has one, else GetMicroseconds.
// Detects the processor on first use.
uint64_t ReadCycleCounter();

// The class for a processor type (386, 486, 586) and, for a 586, whether it
// has the identification instruction and the signature that answered.
uint32_t ClassifyProcessor(uint32_t processorType, bool hasIdentification, uint32_t signature);
// Fills the processor class and the feature bytes from the platform's
// identification. Safe to run on several threads: each stores the same values.
void DetectProcessor();

// The pointer position, in the client coordinates of the given window (a
// handle of the window layer) or in screen coordinates for null; stored in
// point and returned.
VPoint GetMousePosition(VPoint& point, void* window);
// While recorded input is replayed, the pointer stands where the replayed
// events put it, not where the real one is: with a point set,
// GetMousePosition answers it for any window (client coordinates); null
// gives the real pointer back. Screen coordinates stay the real pointer's.
void SetReplayedPointer(const VPoint* windowPoint);
