// Runs a placement transition (PlacementRecords.h) on the value network: a
// timer with a 40 ms tick runs for the transition's duration and moves the
// screen's controls from the from-list's values to the to-list's. Records
// are paired by their index in the two lists; the to-record's flags say
// what changes:
// - position (flag 1): x (and y) go from the from-record's value to the
//   to-record's, overshooting by 4 % of the way until 85 % of the duration
//   and settling at the end (SignalTwoPhaseRamp); a coordinate that does not
//   change stays where the control stands;
// - level (flag 2): the picture's blend level goes linearly from the
//   from-record's second value to the to-record's;
// - frame (flag 4): the picture's frame likewise from the single values.
// Controls are found by id in the screen's subtree; a record whose control
// is gone is skipped. The timer reports its end with owner message 103
// (its id) up the screen's chain.
#pragma once

#include <cstdint>

class PlacementTransition;
class SignalTimer;
class VGraphicObject;

// The timer (a hidden child of the screen, owned by it), already started;
// null for a transition without lists.
SignalTimer* RunPlacementTransition(const PlacementTransition& transition, VGraphicObject& screen);
