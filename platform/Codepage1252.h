// Text conversion at the platform boundary: the engine's texts are code page
// 1252, the desktop (SDL, file names of dialogs, terminals) speaks UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of a code page 1252 byte. The five codes the page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the same code point.
uint32_t UnicodeFromCp1252(uint8_t code);
// The code page 1252 byte of a code point; false when the page has none.
bool Cp1252FromUnicode(uint32_t codePoint, uint8_t& code);

// Code page 1252 text as UTF-8 (every byte converts).
std::string Cp1252ToUtf8(std::string_view text);
// UTF-8 text as code page 1252. Code points the page lacks, and malformed
// sequences, become the replacement byte; a replacement of 0 drops them.
std::string Utf8ToCp1252(std::string_view text, char replacement = '?');

}  // namespace platform
