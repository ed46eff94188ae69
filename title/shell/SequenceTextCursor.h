// SequenceTextCursor walks the text of a channel sequence: a whole text and a
// position, with the few steps the sequence reader needs. Numbers are read
// with std::from_chars, so the reading never depends on the C locale.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/VString.h"

class SequenceTextCursor {
 public:
  explicit SequenceTextCursor(const VString& text);
  explicit SequenceTextCursor(std::string text);

  // Advances over space, tab, line feed, vertical tab, form feed and return.
  void SkipSpace();
  // Skips space; when the text at the position begins with word (compared
  // exactly over the word's length, no word boundary) steps past it.
  bool Keyword(const char* word);
  // Steps past the next occurrence of c; at the end of the text stays there.
  void Expect(char c);
  // Skips space, then takes every character up to the next space or the end.
  void Word(std::string& out);
  // Skips space; a double quote, the characters up to the next one, which is
  // stepped over. False without an opening quote or when the text ends first.
  bool QuotedString(std::string& out);
  // Skips space; an optional sign and decimal digits (values beyond 64 bits
  // are held at the nearest end). False when nothing converts; otherwise
  // advances to the next space character.
  bool Integer(int64_t& out);
  // The same for a decimal number with optional fraction and exponent.
  bool Real(double& out);

  bool AtEnd() const { return position_ >= text_.size(); }
  size_t GetPosition() const { return position_; }

  static bool IsSpace(char c);

 private:
  void SkipToSpace();

  std::string text_;
  size_t position_ = 0;
};
