// The transfer routines: per-rectangle pixel kernels that copy, fill, skip a
// key colour, mix by a level or a 6-bit alpha plane, or gate by a mask, one per
// transfer mode, destination depth and source kind ("Flagged" = solid colour
// source). SelectTransferRowRoutine picks them; each takes a TransferRowArgs.
//
// Mixing rules (s source, d destination):
// - 8 bits, weight w: Inverse[Shade[w][s] + Shade[63 - w][d]] (the colour table's
//   shade and nearest-index tables; without them the routine writes nothing);
// - 15/16 bits, alpha a: k = a >> 1, fields spread so one 32-bit multiply-add
//   mixes all three: d * (32 - k) + s * k, >> 5;
// - 24/32 bits, alpha a: d + (((s - d) * (a + 1)) >> 6) per colour byte
//   (against a target alpha plane at 24 bits: d + (((s - d) * Ratio[a][b]) >> 14));
// - level L: d + round((s - d) * L / 63) per component field (shared level table);
// - a mixed 32-bit pixel gets 0 in its colourless fourth byte; copied pixels keep the source's.
// Alpha bytes are 0..63; the 8-bit routines and the level-scaled ones (modes
// 12 to 14) read the low 6 bits, the others count values above 63 as 63.
//
// The busiest routines (level and alpha channel at 15, 16 and 32 bits)
// mix several pixels at a time with SSE2 or AVX2, computing the table values
// exactly by integer arithmetic; their one-pixel table-driven forms stay
// available as the ...Reference routines, which give identical results.
#pragma once

#include <cstdint>

#include "engine/graphics/TransferTypes.h"


// Copy, fill and key.
void CopyPixelRows(const TransferRowArgs& args);
void TransferMode0Depth8Table(const TransferRowArgs& args);
void TransferMode0Depth8(const TransferRowArgs& args);
void TransferMode0Depth16(const TransferRowArgs& args);
void TransferMode0Depth24(const TransferRowArgs& args);
void TransferMode0Depth32(const TransferRowArgs& args);
void TransferMode1Depth8(const TransferRowArgs& args);
void TransferMode2Depth16(const TransferRowArgs& args);
void TransferMode2Depth24(const TransferRowArgs& args);
void TransferMode2Depth32(const TransferRowArgs& args);

// Instruction sets of the vectorised routines, best last. The routines use the
// best one the processor has; tests can lower it.
enum TransferSimdLevel : int32_t {
  kTransferSimdScalar = 0,  // one pixel at a time, integer arithmetic
  kTransferSimdSse2 = 1,
  kTransferSimdAvx2 = 2,
};
// The level in use.
int32_t GetTransferSimdLevel();
// Uses at most `level` (capped to what the processor supports); returns the
// level now in use. For tests and measurements; not meant to change while
// transfers run on other threads.
int32_t SetTransferSimdLevel(int32_t level);

// The table-driven one-pixel-at-a-time forms of the vectorised routines.
void TransferMode4Depth15Reference(const TransferRowArgs& args);
void TransferMode4Depth16Reference(const TransferRowArgs& args);
void TransferMode4Depth32Reference(const TransferRowArgs& args);
void TransferMode8Depth15Reference(const TransferRowArgs& args);
void TransferMode8Depth16Reference(const TransferRowArgs& args);
void TransferMode8Depth32Reference(const TransferRowArgs& args);

// Level (mode 4) and level with index key (mode 5) or RGB key (mode 6).
void TransferMode4Depth8(const TransferRowArgs& args);
void TransferMode4Depth15(const TransferRowArgs& args);
void TransferMode4Depth16(const TransferRowArgs& args);
void TransferMode4Depth24(const TransferRowArgs& args);
void TransferMode4Depth32(const TransferRowArgs& args);
void TransferMode4FlaggedDepth8(const TransferRowArgs& args);
void TransferMode4FlaggedDepth15(const TransferRowArgs& args);
void TransferMode4FlaggedDepth16(const TransferRowArgs& args);
void TransferMode4FlaggedDepth24(const TransferRowArgs& args);
void TransferMode4FlaggedDepth32(const TransferRowArgs& args);
void TransferMode5Depth8(const TransferRowArgs& args);
void TransferMode6Depth15(const TransferRowArgs& args);
void TransferMode6Depth16(const TransferRowArgs& args);
void TransferMode6Depth24(const TransferRowArgs& args);
void TransferMode6Depth32(const TransferRowArgs& args);

// Alpha channel (mode 8), with index key (9) or RGB key (10).
void TransferMode8Depth8(const TransferRowArgs& args);
void TransferMode8Depth15(const TransferRowArgs& args);
void TransferMode8Depth16(const TransferRowArgs& args);
void TransferMode8Depth24(const TransferRowArgs& args);
void TransferMode8Depth32(const TransferRowArgs& args);
void TransferMode8FlaggedDepth8(const TransferRowArgs& args);
void TransferMode8FlaggedDepth15(const TransferRowArgs& args);
void TransferMode8FlaggedDepth16(const TransferRowArgs& args);
void TransferMode8FlaggedDepth24(const TransferRowArgs& args);
void TransferMode8FlaggedDepth32(const TransferRowArgs& args);
void TransferMode9Depth8(const TransferRowArgs& args);
void TransferMode10Depth15(const TransferRowArgs& args);
void TransferMode10Depth16(const TransferRowArgs& args);
void TransferMode10Depth24(const TransferRowArgs& args);
void TransferMode10Depth32(const TransferRowArgs& args);

// Alpha scaled by level (mode 12), with index key (13) or RGB key (14).
void TransferMode12Depth8(const TransferRowArgs& args);
void TransferMode12Depth15(const TransferRowArgs& args);
void TransferMode12Depth16(const TransferRowArgs& args);
void TransferMode12Depth24(const TransferRowArgs& args);
void TransferMode12Depth32(const TransferRowArgs& args);
void TransferMode12FlaggedDepth8(const TransferRowArgs& args);
void TransferMode12FlaggedDepth15(const TransferRowArgs& args);
void TransferMode12FlaggedDepth16(const TransferRowArgs& args);
void TransferMode12FlaggedDepth24(const TransferRowArgs& args);
void TransferMode12FlaggedDepth32(const TransferRowArgs& args);
void TransferMode13Depth8(const TransferRowArgs& args);
void TransferMode14Depth15(const TransferRowArgs& args);
void TransferMode14Depth16(const TransferRowArgs& args);
void TransferMode14Depth24(const TransferRowArgs& args);
void TransferMode14Depth32(const TransferRowArgs& args);

// Mask gate (mode 16; the Depth16 routines serve 15 and 16 bits) and mask with level (mode 20).
void TransferMode16Depth8(const TransferRowArgs& args);
void TransferMode16Depth16(const TransferRowArgs& args);
void TransferMode16Depth24(const TransferRowArgs& args);
void TransferMode16Depth32(const TransferRowArgs& args);
void TransferMode16FlaggedDepth8(const TransferRowArgs& args);
void TransferMode16FlaggedDepth16(const TransferRowArgs& args);
void TransferMode16FlaggedDepth24(const TransferRowArgs& args);
void TransferMode16FlaggedDepth32(const TransferRowArgs& args);
void TransferMode20Depth8(const TransferRowArgs& args);
void TransferMode20Depth15(const TransferRowArgs& args);
void TransferMode20Depth16(const TransferRowArgs& args);
void TransferMode20Depth24(const TransferRowArgs& args);
void TransferMode20Depth32(const TransferRowArgs& args);
void TransferMode20FlaggedDepth8(const TransferRowArgs& args);
void TransferMode20FlaggedDepth15(const TransferRowArgs& args);
void TransferMode20FlaggedDepth16(const TransferRowArgs& args);
void TransferMode20FlaggedDepth24(const TransferRowArgs& args);
void TransferMode20FlaggedDepth32(const TransferRowArgs& args);
