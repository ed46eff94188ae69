// The inner loops of mixing, over whole blocks of little-endian samples:
// saturating addition and volume scaling, with SSE2 where the processor
// has it (AVX2 for the mixing loop) and plain loops otherwise (all give the
// same bytes).
#pragma once

#include <cstdint>

// into[i] = clamp(into[i] + add[i]) for signed 16-bit samples; with
// `isUnsigned` the samples are offset by 32768 and added as signed values.
void AddSaturating16(uint8_t* into, const uint8_t* add, int32_t samples, bool isUnsigned);
// The same for 8-bit samples (unsigned ones offset by 128).
void AddSaturating8(uint8_t* into, const uint8_t* add, int32_t samples, bool isUnsigned);
// Scales little-endian 16-bit samples in place: v = (v * factor) >> 8 kept to
// 16 bits, with unsigned samples offset by 32768 first and back after. Even
// samples use leftFactor, odd ones rightFactor (pass the same for mono).
// Factors are 0..256.
void ScaleSamples16(uint8_t* buffer, int32_t samples, int32_t leftFactor, int32_t rightFactor, bool isUnsigned);
// ScaleSamples16 of `add` (left on odd samples, right on even ones, as
// there) followed by AddSaturating16 into `into`, in one pass and without
// touching `add`: the same bytes as the two calls.
void AddScaledSaturating16(uint8_t* into, const uint8_t* add, int32_t samples, int32_t leftFactor, int32_t rightFactor,
                           bool isUnsigned);

// One block for AddScaledBlocksSaturating16: its samples and their factors.
struct ScaledBlock16 {
  const uint8_t* samples;
  int32_t leftFactor;
  int32_t rightFactor;
};
// AddScaledSaturating16 of each block in turn into `into`, with the sum kept
// in registers across the blocks so that `into` is read and written once:
// the same bytes as the calls one after the other. With `fromSilence`,
// `into` starts as silence and its contents are not read (the blocks then
// replace them).
void AddScaledBlocksSaturating16(uint8_t* into, const ScaledBlock16* blocks, int32_t count, int32_t samples,
                                 bool isUnsigned, bool fromSilence);
