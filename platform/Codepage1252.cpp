#include "platform/Codepage1252.h"

namespace platform {
namespace {

// Code points of the bytes 0x80..0x9F; the rest of the page equals Latin-1.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at text[i]; advances i. Malformed input yields
// 0xFFFFFFFF and advances by one byte.
uint32_t DecodeUtf8(std::string_view text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  size_t length = 0;
  uint32_t cp = 0;
  uint32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2;
    cp = b0 & 0x1F;
    minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3;
    cp = b0 & 0x0F;
    minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4;
    cp = b0 & 0x07;
    minimum = 0x10000;
  } else {
    ++i;
    return 0xFFFFFFFFu;
  }
  if (i + length > text.size()) {
    ++i;
    return 0xFFFFFFFFu;
  }
  for (size_t k = 1; k < length; ++k) {
    const uint8_t b = byte(i + k);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFFFFFFu;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFFFFFFu;
  }
  i += length;
  return cp;
}

}  // namespace

uint32_t UnicodeFromCp1252(uint8_t code) {
  if (code >= 0x80 && code < 0xA0) {
    return kHighControls[code - 0x80];
  }
  return code;
}

bool Cp1252FromUnicode(uint32_t cp, uint8_t& code) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
    code = static_cast<uint8_t>(cp);
    return true;
  }
  for (uint32_t k = 0; k < 32; ++k) {
    if (kHighControls[k] == cp) {
      code = static_cast<uint8_t>(0x80 + k);
      return true;
    }
  }
  return false;
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) {
    AppendUtf8(out, UnicodeFromCp1252(static_cast<uint8_t>(c)));
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const uint32_t cp = DecodeUtf8(text, i);
    uint8_t code = 0;
    if (cp != 0xFFFFFFFFu && Cp1252FromUnicode(cp, code)) {
      out.push_back(static_cast<char>(code));
    } else if (replacement != 0) {
      out.push_back(replacement);
    }
  }
  return out;
}

}  // namespace platform
