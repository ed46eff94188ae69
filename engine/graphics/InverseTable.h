// Building the nearest-index ("inverse") table of a palette: for every 5-6-5
// colour the first of the 256 entries nearest by squared distance.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

// The fast builder used by colour tables. Its results equal
// BuildInverseTableBruteForce's for every palette: for each red and green pair
// it visits the entries by increasing red distance, stops once the red
// distance exceeds every blue cell's best distance, skips entries whose red
// and green distance does, and updates the 32 blue cells of the row together
// (a smaller distance, or an equal one with a lower index, takes a cell, so
// ties go to the lowest index as in the reference).
void BuildInverseTable(const VRGBColor* colors, uint8_t* out);

// The reference: 65536 x 256 distance tests with squares from a table over
// -255..255; the first entry with the least sum wins (the search starts from
// 10000000).
void BuildInverseTableBruteForce(const VRGBColor* colors, uint8_t* out);
