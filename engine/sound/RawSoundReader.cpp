#include "engine/sound/RawSoundReader.h"

#include <cstring>

#include "engine/core/ByteFields.h"
#include "engine/core/MediaTypes.h"

uint32_t VRawSoundReader::GetTypeCode() const { return MakeTypeCode("RSX "); }

int32_t VRawSoundReader::ReadHeader() {
  uint8_t h[kHeaderBytes];
  file_.Seek(0, true);
  if (file_.Read(h, kHeaderBytes) != kHeaderBytes) return -1;
  if (std::memcmp(h, "RSX ", 4) != 0) return -1;
  const uint32_t rate = bytefields::LoadLE32(h + 4);
  const int bits = bytefields::LoadLE16(h + 8);
  const int channels = bytefields::LoadLE16(h + 10);
  const int reserved = bytefields::LoadLE16(h + 12);
  if (reserved != 0) return -1;
  if (rate == 0 || rate > INT32_MAX) return -1;
  if (channels != 1 && channels != 2) return -1;
  if (bits == 8) {
    format_.encoding = kAudioEncodingUnsigned;
  } else if (bits == 16) {
    format_.encoding = kAudioEncodingSigned;
  } else {
    return -1;
  }
  const int64_t length = file_.GetLength();
  if (length > INT32_MAX) return -1;
  format_.bits = bits;
  format_.rate = static_cast<int32_t>(rate);
  format_.stereo = channels == 2 ? 1 : 0;
  format_.byteOrder = 1;
  format_.formatTag = kAudioTagPlain;
  dataStart_ = kHeaderBytes;
  dataEnd_ = static_cast<int32_t>(length);
  return 0;
}
