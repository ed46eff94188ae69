// The metrics medium of a picture font: ascent, descent and 256 advance widths
// ("RDX " short form), followed in the "FONT" form by the face name and the
// style. Read with every length checked against the medium; written by the
// archive builder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class VFile;

struct FontRecord {
  // Bytes before the name: ascent, descent and 256 16-bit widths.
  static constexpr size_t kMetricsSize = 4 + 512;
  // Face names longer than this are cut (the name is a counted string).
  static constexpr size_t kMaxNameLength = 255;

  int16_t ascent = 0;
  uint16_t descent = 0;
  uint8_t widths[256] = {};
  std::string name;
  int32_t style = 0;
};

// Parses a medium of type "FONT" (full: metrics, name, style) or "RDX "
// (metrics only). False when the medium is shorter than the metrics. A name
// whose length runs past the medium is cut to the bytes present (and to 255)
// and the style is then 0; a style cut short reads as 0. Only the low 16 bits
// of the style count, as readers of the short field expect.
bool ParseFontRecord(const uint8_t* data, size_t size, bool full, FontRecord& out);
// Reads the whole medium from the file's position (at most 64 KiB + the
// metrics are looked at) and parses it.
bool ReadFontRecord(VFile& file, bool full, FontRecord& out);
// Writes the full "FONT" form at the file's position: ascent, descent, the
// widths as 16-bit values, the name as a 32-bit length and its bytes, the
// style as 32 bits; all little-endian. The bytes written, or -1.
int32_t WriteFontRecord(VFile& file, const FontRecord& record);
