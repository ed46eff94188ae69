#include "engine/controls/FontRecord.h"

#include <algorithm>
#include <vector>

#include "engine/core/ByteFields.h"
#include "engine/core/VFile.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  uint8_t bytes[2];
  bytefields::StoreLE16(bytes, v);
  out.insert(out.end(), bytes, bytes + 2);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t bytes[4];
  bytefields::StoreLE32(bytes, v);
  out.insert(out.end(), bytes, bytes + 4);
}

// A name and a style follow the metrics; more than this is never looked at.
constexpr int64_t kMaxRecordBytes = static_cast<int64_t>(FontRecord::kMetricsSize) + 4 + 65536 + 4;

}  // namespace

bool ParseFontRecord(const uint8_t* data, size_t size, bool full, FontRecord& out) {
  out = FontRecord();
  if (data == nullptr || size < FontRecord::kMetricsSize) return false;
  out.ascent = static_cast<int16_t>(bytefields::LoadLE16(data));
  out.descent = bytefields::LoadLE16(data + 2);
  for (size_t c = 0; c < 256; ++c) out.widths[c] = data[4 + 2 * c];  // only the low byte counts
  if (!full) return true;
  size_t at = FontRecord::kMetricsSize;
  if (size - at < 4) return true;
  const uint32_t length = bytefields::LoadLE32(data + at);
  at += 4;
  const size_t present = size - at;
  const size_t stored = std::min<size_t>(length, present);
  out.name.assign(reinterpret_cast<const char*>(data + at), std::min(stored, FontRecord::kMaxNameLength));
  // A name cut at its first zero byte, as the counted string would show it.
  const size_t zero = out.name.find('\0');
  if (zero != std::string::npos) out.name.resize(zero);
  if (length > present) return true;  // the name ran past the medium: no style
  at += length;
  if (size - at >= 2) out.style = bytefields::LoadLE16(data + at);
  return true;
}

bool ReadFontRecord(VFile& file, bool full, FontRecord& out) {
  out = FontRecord();
  const int64_t left = file.GetLength() - file.GetPosition();
  if (left < static_cast<int64_t>(FontRecord::kMetricsSize)) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(std::min(left, kMaxRecordBytes)));
  const int32_t got = file.Read(bytes.data(), static_cast<int32_t>(bytes.size()));
  if (got <= 0) return false;
  return ParseFontRecord(bytes.data(), static_cast<size_t>(got), full, out);
}

int32_t WriteFontRecord(VFile& file, const FontRecord& record) {
  std::vector<uint8_t> bytes;
  bytes.reserve(FontRecord::kMetricsSize + 8 + record.name.size());
  Put16(bytes, static_cast<uint16_t>(record.ascent));
  Put16(bytes, record.descent);
  for (uint8_t w : record.widths) Put16(bytes, w);
  const size_t nameLength = std::min(record.name.size(), FontRecord::kMaxNameLength);
  Put32(bytes, static_cast<uint32_t>(nameLength));
  bytes.insert(bytes.end(), record.name.begin(), record.name.begin() + static_cast<ptrdiff_t>(nameLength));
  Put32(bytes, static_cast<uint32_t>(record.style));
  const int32_t count = static_cast<int32_t>(bytes.size());
  return file.Write(bytes.data(), count) == count ? count : -1;
}
