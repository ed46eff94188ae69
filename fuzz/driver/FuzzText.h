// The fuzz input as the text a reader is given: its bytes (at most 1 MB, so
// one input cannot ask for more than the readers ever see) in a VString.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/core/VString.h"

inline VString FuzzText(const uint8_t* data, size_t size) {
  VString text;
  const int32_t length = static_cast<int32_t>(size > (1u << 20) ? (1u << 20) : size);
  char* chars = text.LockBuffer(length);
  if (chars != nullptr) {
    if (length > 0) std::memcpy(chars, data, static_cast<size_t>(length));
    chars[length] = '\0';
    text.UnlockBuffer();
  }
  return text;
}
