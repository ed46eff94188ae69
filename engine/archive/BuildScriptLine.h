// BuildScriptLine: the token readers of one line of an archive build script.
// Numbers skip everything but digits ('-' as the last non-blank character
// before them negates) and quoted strings skip to their opening double quote;
// neither reads past the end of the line, so CR, LF and CR LF line ends all
// work the same.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/VString.h"

class BuildScriptLine {
 public:
  explicit BuildScriptLine(const VString& line);

  // The next integer of the line (decimal digits, wrapping modulo 2^32).
  // False (value 0) when no digit comes before the end of the line.
  bool ReadNumber(int32_t& value);
  // The next double-quoted string; two quotes in a row inside it stand for
  // one. False (out empty) when no opening quote comes before the end of the
  // line or the string is not closed on it.
  bool ReadQuotedString(VString& out);
  // Back to the line's first character.
  void Restart() { position_ = 0; }

 private:
  std::string text_;
  size_t position_ = 0;
};
