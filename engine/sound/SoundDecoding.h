// Decodes a whole sound file through the registered readers and decoders
// into plain samples (the tool's "sound decode" and the oracle tests use it),
// and writes plain samples as a PCM WAVE file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/sound/AudioFormat.h"

struct DecodedSound {
  VAudioEncodingFormat format;  // 8-bit unsigned or 16-bit signed little-endian
  std::vector<uint8_t> samples;
};

// Reads the file (type from its first bytes: "RIFF" WAVE or "RSX ") and
// decodes every whole block of it. False with a reason in `error` on refusal.
bool DecodeSoundFile(const std::string& path, DecodedSound& out, std::string& error);

// The bytes of a canonical PCM WAVE file holding the samples.
std::vector<uint8_t> MakePCMWave(const DecodedSound& sound);
// The 44 bytes before the samples in such a file holding `dataBytes` bytes of
// samples in the format (a pad byte follows an odd count).
std::vector<uint8_t> MakePCMWaveHeader(const VAudioEncodingFormat& format, uint32_t dataBytes);
