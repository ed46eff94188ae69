// Four-character type codes and the media-type registry: file-name extensions
// to type codes (by category), type codes to their default extension and to a
// display name. The returned texts are static and live for the program.
#pragma once

#include <cstdint>

class VString;

// A type code from its four characters: the characters in memory order, so the
// first one is the low byte of the 32-bit value ("TEXT" is 'T','E','X','T').
constexpr uint32_t MakeTypeCode(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
         (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24);
}

// "????": a type the registry does not name.
constexpr uint32_t kUnknownFileType = MakeTypeCode("????");

// Category bits of FileTypeFromExtension's mask.
enum FileTypeCategory : uint32_t {
  kTextCategory = 1,
  kImageCategory = 2,
  kColorTableCategory = 4,
  kSoundCategory = 8,
  kMovieCategory = 16,
  kOtherCategory = 32,
};

// The code for an extension (without the dot; compared after lowering ASCII
// capitals), looked up only in the categories whose bit is in the mask;
// kUnknownFileType when none matches.
uint32_t FileTypeFromExtension(const char* extension, uint32_t categoryMask);
// The default extension of a code (lower case, no dot), or null.
const char* DefaultExtensionForType(uint32_t type);
// The display name of a code or of a category number 1..5, or null.
const char* FileTypeDisplayName(uint32_t type);

// The four characters of a code followed by a zero byte; `out` holds 5 bytes.
void TypeCodeText(uint32_t type, char* out);

// The two registry look-ups in their string form: the string receives the
// text, or is cleared when the registry knows none (result false).
bool GetExtensionForFileType(uint32_t type, VString& out);
bool GetFileTypeName(uint32_t type, VString& out);
