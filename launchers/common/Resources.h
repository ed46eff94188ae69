// The program resources of a launcher as the dialog kit finds them by id:
// bitmaps (picture files or bytes that the program registers at start),
// cursors (standing in by system cursors) and strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launchers/common/KitPicture.h"

namespace kit {

class CResources {
 public:
  // A bitmap given as the bytes of a picture file, or as a file's path
  // (read when first used).
  static void AddBitmap(int32_t id, std::vector<uint8_t> bytes);
  static void AddBitmapFile(int32_t id, const std::string& path);
  // The decoded bitmap; false (image empty) when the id is unknown or its
  // picture does not decode.
  static bool LoadBitmap(int32_t id, KitImage& out);

  // A cursor resource shown as a system cursor (e.g. 32649, the hand).
  static void AddCursor(int32_t id, uint16_t systemCursor);
  // The system cursor of a cursor resource; 0 when unknown.
  static uint16_t CursorOf(int32_t id);

  static void AddString(int32_t id, const std::string& text);
  // The string; empty when unknown.
  static std::string LoadString(int32_t id);

  // Forgets every resource (tests).
  static void Clear();
};

}  // namespace kit
