// Splits a text at a separator string into tokens counted from 1, trimmed of
// surrounding white space (the launchers' comma lists and path parts).
#pragma once

#include <string>

class CStringTokenizer {
 public:
  CStringTokenizer() = default;
  explicit CStringTokenizer(std::string text, std::string separator = ",")
      : text_(std::move(text)), separator_(std::move(separator)) {}

  void SetText(const std::string& text) { text_ = text; }
  void SetSeparator(const std::string& separator) { separator_ = separator; }

  // 0 for an empty text, else the number of separators plus 1.
  int CountTokens() const;
  // Token n (0 and 1 both give the first), trimmed; empty past the last.
  std::string GetToken(int n) const;
  // Where token n lies in the text; false for an empty text. Past the last
  // token: an empty token at the end of the text.
  bool GetTokenBounds(int n, size_t* start, size_t* length) const;

 private:
  std::string text_;
  std::string separator_ = ",";
};
