// Laid-out pieces of a text control's text: one record per piece of text,
// link mark, anchor, picture, bullet or nested box, kept sixteen to a chunk so
// that layout appends without one allocation per piece.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/VGeometry.h"

class VFont;
class VPicture;
class VTextBox;

// Bits of a segment's kind.
enum SegmentKind : uint32_t {
  kSegmentText = 0,
  kSegmentLinkStart = 1,   // zero width; holds the link target
  kSegmentInLink = 2,      // text or picture inside a link
  kSegmentEntity = 4,      // characters drawn as the entity's replacement
  kSegmentEnd = 32,        // end of the text or of a box
  kSegmentAnchor = 64,     // zero width; holds an anchor name
  kSegmentPicture = 128,
  kSegmentCell = 256,
  kSegmentRow = 512,
  kSegmentTable = 1024,
  kSegmentList = 2048,
  kSegmentListItem = 4096,
  kSegmentBullet = 8192,
  kSegmentSubscript = 16384,
  kSegmentSuperscript = 32768,
};
// Every box kind (the bullet excluded).
inline constexpr uint32_t kSegmentBoxMask = 0xDF00;

// One laid-out piece. Plain record owned by its chunk.
struct VTextSegment {
  uint32_t textOffset = 0;  // first character in the control's text
  uint16_t length = 0;      // characters to draw (link target / anchor name length)
  uint16_t consumed = 0;    // characters of the text the piece took
  VFont* font = nullptr;    // not owned
  VRGBColor color;
  uint32_t kind = kSegmentText;
  int16_t x = 0;            // left edge within the box
  int16_t lineDescent = 0;
  int16_t lineHeight = 0;
  int32_t y = 0;            // bottom of the line within the box; -1 for an unplaced float
  int16_t width = 0;
  int16_t height = 0;
  uint16_t page = 0;
  VPicture* picture = nullptr;  // picture pieces: owned (released with the chunk)
  VTextBox* box = nullptr;      // box pieces: owned
  uint8_t hover = 0;
  uint8_t pressed = 0;

  bool IsBox() const { return (kind & kSegmentBoxMask) != 0; }
  bool InLink() const { return (kind & kSegmentInLink) != 0; }
};

// A block of sixteen segments of a box's chain (the box keeps its chunks in
// order). Deleting it releases the pictures and deletes the boxes of its
// segments.
class VTextSegmentChunk {
 public:
  static constexpr int32_t kCapacity = 16;
  VTextSegmentChunk();
  ~VTextSegmentChunk();
  VTextSegmentChunk(const VTextSegmentChunk&) = delete;
  VTextSegmentChunk& operator=(const VTextSegmentChunk&) = delete;

  int32_t count = 0;
  VTextSegment segments[kCapacity];
};

// Saturates a pixel or character count into the segment's 16-bit fields.
inline int16_t ClampToI16(int64_t value) {
  return static_cast<int16_t>(value < -32768 ? -32768 : (value > 32767 ? 32767 : value));
}
inline uint16_t ClampToU16(int64_t value) {
  return static_cast<uint16_t>(value < 0 ? 0 : (value > 65535 ? 65535 : value));
}
