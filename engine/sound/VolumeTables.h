// The process-wide tables that scale 8-bit samples by volume level, and the
// in-place volume and pan scaling of a block that channels apply.
#pragma once

#include <cstdint>

#include "engine/sound/AudioFormat.h"

// Builds levelCount tables for signed and for unsigned 8-bit samples (any
// earlier ones are freed first).
void BuildVolumeTables(int32_t levelCount);
void FreeVolumeTables();
int32_t GetVolumeLevelCount();
// The table of a level, or null without tables or outside 0..count-1.
const uint8_t* GetSignedVolumeTable(int32_t level);
const uint8_t* GetUnsignedVolumeTable(int32_t level);

// Scales a block in place by volume (0..100) and, for stereo, pan (-100 left
// .. 100 right). Volume 100 on mono or with pan 0 leaves it untouched; volume
// 0 writes silence.
void ApplyVolumeAndPan(uint8_t* buffer, const VAudioEncodingFormat& format, int32_t frames, int32_t volume,
                       int32_t pan);
// The factors (0..256, 256 leaving a sample as it is) by which
// ApplyVolumeAndPan scales 16-bit samples: `left` for even samples, `right`
// for odd ones (the same for mono), as (v * factor) >> 8.
void VolumeFactors16(const VAudioEncodingFormat& format, int32_t volume, int32_t pan, int32_t& left, int32_t& right);
