// Helpers of the Layer II audio tests: streams made by ffmpeg and twolame,
// ffmpeg's floating-point decoder as the reference, our decoder over bytes,
// and the signal-to-noise ratio between two decodings.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/mpeg/LayerIIFile.h"
#include "engine/mpeg/VMPAHeader.h"
#include "engine/mpeg/MpegTestSupport.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace mp2test {

// A test signal: two tones per channel and a little noise, so every part of
// the spectrum carries something (`level` scales it; 1.0 peaks near 0.55).
inline std::string SignalSource(int rate, int channels, double seconds, double level = 1.0) {
  char left[160], right[160];
  std::snprintf(left, sizeof left, "%.3f*(0.3*sin(2*PI*440*t)+0.2*sin(2*PI*3150*t)+0.05*(random(0)-0.5))", level);
  std::snprintf(right, sizeof right, "%.3f*(0.3*sin(2*PI*660*t)+0.15*sin(2*PI*7000*t)+0.05*(random(1)-0.5))", level);
  std::string exprs = left;
  if (channels == 2) exprs += std::string("|") + right;
  return "-f lavfi -i \"aevalsrc=exprs='" + exprs + "':s=" + std::to_string(rate) +
         ":d=" + std::to_string(seconds) + "\"";
}

// Interleaved 16-bit samples of a file of raw little-endian samples.
inline std::vector<int16_t> ReadS16(const std::string& path) {
  const std::string bytes = testsupport::ReadBytes(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

inline std::vector<int16_t> Samples(const DecodedSound& sound) {
  std::vector<int16_t> samples(sound.samples.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), sound.samples.data(), samples.size() * 2);
  return samples;
}

// ffmpeg's floating-point Layer II decoder, rounded to 16 bits: the
// reference of every comparison. One ffmpeg run decodes all the files.
inline bool ReferenceDecode(const std::vector<std::string>& streams, const std::vector<std::string>& outputs) {
  std::string args;
  for (const std::string& s : streams) args += "-c:a mp2float -i " + s + " ";
  for (size_t i = 0; i < outputs.size(); ++i) {
    args += "-map " + std::to_string(i) + ":a -f s16le " + outputs[i] + " ";
  }
  return mpegtest::RunFfmpeg(args);
}

// 10 log10 of the reference's energy over the difference's energy.
inline double SnrDb(const std::vector<int16_t>& reference, const std::vector<int16_t>& ours) {
  double signal = 0, noise = 0;
  const size_t n = std::min(reference.size(), ours.size());
  for (size_t i = 0; i < n; ++i) {
    const double r = reference[i];
    const double d = r - ours[i];
    signal += r * r;
    noise += d * d;
  }
  if (noise == 0) return 200.0;
  return 10.0 * std::log10(signal / noise);
}

inline int MaxError(const std::vector<int16_t>& reference, const std::vector<int16_t>& ours) {
  int worst = 0;
  const size_t n = std::min(reference.size(), ours.size());
  for (size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(int{reference[i]} - int{ours[i]}));
  return worst;
}

struct Decoded {
  bool ok = false;
  std::string error;
  DecodedSound sound;
  LayerIIDecodeReport report;
  std::vector<int16_t> samples;
};

inline Decoded DecodeBytes(const std::string& bytes) {
  Decoded d;
  d.ok = DecodeLayerIIBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), d.sound, d.error, &d.report);
  d.samples = Samples(d.sound);
  return d;
}

inline Decoded DecodeFile(const std::string& path) { return DecodeBytes(testsupport::ReadBytes(path)); }

// Offsets of the frames of a clean elementary stream (following the frame
// lengths from the first header).
inline std::vector<size_t> FrameOffsets(const std::string& bytes) {
  std::vector<size_t> offsets;
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    VMPAHeader header;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    const uint32_t word = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    if ((word >> 20) != 0xFFF || header.Parse(word) != 0 || header.frameBytes <= 0) break;
    offsets.push_back(at);
    at += static_cast<size_t>(header.frameBytes);
  }
  return offsets;
}

}  // namespace mp2test
