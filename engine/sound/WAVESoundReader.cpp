#include "engine/sound/WAVESoundReader.h"

#include <algorithm>
#include <cstring>

#include "engine/core/ByteFields.h"
#include "engine/core/MediaTypes.h"

uint32_t VWAVESoundReader::GetTypeCode() const { return MakeTypeCode("WAVE"); }

bool VWAVESoundReader::ReadFormatChunk(int64_t size) {
  if (size < 14) return false;
  uint8_t head[16] = {};
  const int32_t want = size > 14 ? 16 : 14;
  if (file_.Read(head, want) != want) return false;
  const uint16_t tag = bytefields::LoadLE16(head);
  const uint16_t channels = bytefields::LoadLE16(head + 2);
  const uint32_t rate = bytefields::LoadLE32(head + 4);
  const uint32_t average = bytefields::LoadLE32(head + 8);
  const uint16_t blockAlign = bytefields::LoadLE16(head + 12);
  if (channels != 1 && channels != 2) return false;
  if (rate == 0 || rate > INT32_MAX) return false;
  int32_t bits = 0;
  if (size > 14) {
    bits = bytefields::LoadLE16(head + 14);
  } else {
    bits = static_cast<int32_t>(average / rate / channels) * 8;
  }
  format_.stereo = channels == 2 ? 1 : 0;
  format_.rate = static_cast<int32_t>(rate);
  format_.byteOrder = 1;
  if (tag == 1) {
    if (bits == 8) {
      format_.encoding = kAudioEncodingUnsigned;
    } else if (bits == 16) {
      format_.encoding = kAudioEncodingSigned;
    } else {
      return false;
    }
    format_.bits = bits;
    format_.formatTag = kAudioTagPlain;
    return true;
  }
  if (tag == 2) {
    // 14 + bits (2) + extra size (2) + samples per block (2) + count (2) + 7 pairs (28).
    if (size < 50) return false;
    uint8_t rest[34];
    if (file_.Read(rest, 34) != 34) return false;
    auto config = std::make_unique<VMicrosoftADPCMConfig>();
    config->formatTag = tag;
    config->channels = channels;
    config->rate = rate;
    config->averageBytesPerSecond = average;
    config->blockAlign = blockAlign;
    config->samplesPerBlock = bytefields::LoadLE16(rest + 2);
    config->coefficientCount = bytefields::LoadLE16(rest + 4);
    if (config->coefficientCount != VMicrosoftADPCMConfig::kCoefficientCount) return false;
    for (int i = 0; i < VMicrosoftADPCMConfig::kCoefficientCount; ++i) {
      config->coefficients[i][0] = static_cast<int16_t>(bytefields::LoadLE16(rest + 6 + 4 * i));
      config->coefficients[i][1] = static_cast<int16_t>(bytefields::LoadLE16(rest + 8 + 4 * i));
    }
    if (!config->IsValid()) return false;
    adpcmConfig_ = std::move(config);
    format_.bits = bits > 0 ? bits : 4;
    format_.encoding = kAudioEncodingMicrosoftADPCM;
    format_.formatTag = kAudioTagMicrosoftADPCM;
    return true;
  }
  return false;
}

int32_t VWAVESoundReader::ReadHeader() {
  dataStart_ = -1;
  dataEnd_ = -1;
  format_.encoding = kAudioEncodingNone;
  format_.byteOrder = 1;
  adpcmConfig_.reset();
  const int64_t fileLength = file_.GetLength();
  file_.Seek(0, true);
  uint8_t riff[12];
  if (file_.Read(riff, 12) != 12) return -1;
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return -1;
  // The chunks lie between 12 and the RIFF length + 8, and never past the file.
  const int64_t end = std::min<int64_t>(int64_t{bytefields::LoadLE32(riff + 4)} + 8, fileLength);
  bool haveFormat = false;
  bool haveData = false;
  int64_t chunk = 12;
  while (chunk + 8 <= end) {
    uint8_t head[8];
    file_.Seek(chunk, true);
    if (file_.Read(head, 8) != 8) return -1;
    const int64_t size = bytefields::LoadLE32(head + 4);
    if (std::memcmp(head, "fmt ", 4) == 0) {
      if (chunk + 8 + size > fileLength) return -1;
      if (!ReadFormatChunk(size)) return -1;
      haveFormat = true;
      if (haveData && dataEnd_ > dataStart_) return 0;
    } else if (std::memcmp(head, "data", 4) == 0) {
      const int64_t start = chunk + 8;
      // A data chunk that claims more than the file holds ends with the file.
      const int64_t stop = std::min(start + size, fileLength);
      if (stop > INT32_MAX) return -1;
      dataStart_ = static_cast<int32_t>(start);
      dataEnd_ = static_cast<int32_t>(stop);
      haveData = true;
      if (haveFormat) return 0;
    }
    chunk += 8 + size + (size & 1);
  }
  return -1;
}
