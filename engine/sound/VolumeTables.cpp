#include "engine/sound/VolumeTables.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "engine/sound/SampleKernels.h"

namespace {

struct Tables {
  std::mutex mutex;
  int32_t count = 0;
  std::vector<std::vector<uint8_t>> signedTables;
  std::vector<std::vector<uint8_t>> unsignedTables;
};

Tables& GetTables() {
  static Tables tables;
  return tables;
}

}  // namespace

void BuildVolumeTables(int32_t levelCount) {
  Tables& t = GetTables();
  std::lock_guard<std::mutex> hold(t.mutex);
  t.signedTables.clear();
  t.unsignedTables.clear();
  t.count = std::max(levelCount, 0);
  for (int32_t k = 0; k < t.count; ++k) {
    std::vector<uint8_t> s(256), u(256);
    const double gain = static_cast<double>(k) / t.count;
    for (int i = 0; i < 256; ++i) {
      const int signedValue = static_cast<int8_t>(static_cast<uint8_t>(i));
      s[static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<int8_t>(static_cast<int>(gain * signedValue)));
      u[static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<int>(gain * (i - 128) + 128.0));
    }
    t.signedTables.push_back(std::move(s));
    t.unsignedTables.push_back(std::move(u));
  }
}

void FreeVolumeTables() {
  Tables& t = GetTables();
  std::lock_guard<std::mutex> hold(t.mutex);
  t.signedTables.clear();
  t.unsignedTables.clear();
  t.count = 0;
}

int32_t GetVolumeLevelCount() { return GetTables().count; }

const uint8_t* GetSignedVolumeTable(int32_t level) {
  Tables& t = GetTables();
  if (level < 0 || level >= static_cast<int32_t>(t.signedTables.size())) return nullptr;
  return t.signedTables[static_cast<size_t>(level)].data();
}

const uint8_t* GetUnsignedVolumeTable(int32_t level) {
  Tables& t = GetTables();
  if (level < 0 || level >= static_cast<int32_t>(t.unsignedTables.size())) return nullptr;
  return t.unsignedTables[static_cast<size_t>(level)].data();
}

void VolumeFactors16(const VAudioEncodingFormat& format, int32_t volume, int32_t pan, int32_t& left, int32_t& right) {
  volume = std::clamp(volume, 0, 100);
  pan = std::clamp(pan, -100, 100);
  left = right = volume;
  if (format.stereo != 0) {
    if (pan < 0) right = (pan + 100) * volume / 100;
    if (pan > 0) left = (100 - pan) * volume / 100;
  }
  left = left * 256 / 100;
  right = right * 256 / 100;
}

void ApplyVolumeAndPan(uint8_t* buffer, const VAudioEncodingFormat& format, int32_t frames, int32_t volume,
                       int32_t pan) {
  if (!buffer || frames <= 0) return;
  volume = std::clamp(volume, 0, 100);
  pan = std::clamp(pan, -100, 100);
  const bool stereo = format.stereo != 0;
  if (volume == 100 && (!stereo || pan == 0)) return;
  if (volume == 0) {
    FillSilence(buffer, format, frames);
    return;
  }
  int32_t left = volume, right = volume;
  if (stereo) {
    if (pan < 0) right = (pan + 100) * volume / 100;
    if (pan > 0) left = (100 - pan) * volume / 100;
  }
  const int32_t samples = static_cast<int32_t>(format.SamplesForFrames(frames));
  if (format.bits == 8) {
    const int32_t n = GetVolumeLevelCount();
    auto table = [&](int32_t gain) {
      const int32_t level = n * gain / 100;
      return format.encoding == kAudioEncodingUnsigned ? GetUnsignedVolumeTable(level) : GetSignedVolumeTable(level);
    };
    const uint8_t* l = table(stereo ? left : volume);
    const uint8_t* r = stereo ? table(right) : l;
    if (!l || !r) return;
    for (int32_t i = 0; i < samples; ++i) buffer[i] = (stereo && (i & 1)) ? r[buffer[i]] : l[buffer[i]];
    return;
  }
  if (format.bits != 16) return;
  int32_t leftFactor, rightFactor;
  VolumeFactors16(format, volume, pan, leftFactor, rightFactor);
  const bool little = format.byteOrder == 1;
  const bool isUnsigned = format.encoding == kAudioEncodingUnsigned;
  if (little) {
    ScaleSamples16(buffer, samples, leftFactor, stereo ? rightFactor : leftFactor, isUnsigned);
    return;
  }
  for (int32_t i = 0; i < samples; ++i) {
    uint8_t* p = buffer + 2 * static_cast<int64_t>(i);
    const auto raw = static_cast<uint16_t>((p[0] << 8) | p[1]);
    const int32_t factor = (stereo && (i & 1)) ? rightFactor : leftFactor;
    int32_t value;
    if (isUnsigned) {
      value = (((static_cast<int32_t>(raw) - 32768) * factor) >> 8) + 32768;
    } else {
      value = (static_cast<int16_t>(raw) * factor) >> 8;
    }
    const auto out = static_cast<uint16_t>(value);
    p[0] = static_cast<uint8_t>(out >> 8);
    p[1] = static_cast<uint8_t>(out);
  }
}
