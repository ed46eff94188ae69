// Plays one placement transition on a screen's controls with the value
// network: for each record of the from-list, with the record at the same
// place in the to-list, the screen's control with that id is animated:
//   position (flag 1 of the to-record): each axis that changes by d goes
//     from its start to start + d + trunc(overshoot x d) at 0.85 of the
//     duration (easing out) and settles on start + d at the end;
//   level (flag 2): a straight ramp between the two levels (0..63);
//   single value (flag 4): a straight ramp of the picture's frame.
// The timer is a child of the screen (deleted with it, or by the caller);
// at its end it sends 103 with its id up from the screen.
#pragma once

#include <cstdint>

class PlacementTransition;
class SignalTimer;
class VControl;

// Builds the graph and starts the timer, which ticks every `tickMs`; never
// null.
SignalTimer* RunPlacementTransition(VControl& screen, const PlacementTransition& transition, int32_t timerId,
                                    double overshoot, uint32_t tickMs = 5);
