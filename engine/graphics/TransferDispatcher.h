// Chooses the transfer routine for one drawing of a rectangle: by the source's
// transfer mode (its attribute flags, after level normalisation), the
// destination depth and pixel format, and whether the source is a solid colour.
#pragma once

#include <cstdint>

#include "engine/graphics/TransferTypes.h"

// The mode after normalisation: a level of 63 counts as no level. Returns -1
// when nothing is to be drawn (level 0).
int32_t NormalizeTransferMode(const TransferAttributes& attributes);

// The routine for the transfer, or null when nothing is to be drawn (level 0)
// or the combination is not supported. Accepted modes: 0, 1, 2, 4, 5, 6, 8, 9,
// 10, 12, 13, 14, 16 and 20; depths 8, 15, 16, 24 and 32 (and any depth for a
// mode-0 copy of pixels). Routines are plain functions that live for the program.
TransferRowRoutine SelectTransferRowRoutine(const TransferAttributes& attributes, int32_t depth, uint16_t pixelFormat,
                                            bool solidSource);
