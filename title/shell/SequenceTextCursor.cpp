#include "title/shell/SequenceTextCursor.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

SequenceTextCursor::SequenceTextCursor(const VString& text)
    : text_(text.GetChars() ? std::string(text.GetChars(), static_cast<size_t>(text.GetLength())) : std::string()) {}

SequenceTextCursor::SequenceTextCursor(std::string text) : text_(std::move(text)) {}

bool SequenceTextCursor::IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void SequenceTextCursor::SkipSpace() {
  while (position_ < text_.size() && IsSpace(text_[position_])) ++position_;
}

void SequenceTextCursor::SkipToSpace() {
  while (position_ < text_.size() && !IsSpace(text_[position_])) ++position_;
}

bool SequenceTextCursor::Keyword(const char* word) {
  SkipSpace();
  const size_t n = std::strlen(word);
  if (text_.compare(position_, n, word) != 0 || text_.size() - position_ < n) return false;
  position_ += n;
  return true;
}

void SequenceTextCursor::Expect(char c) {
  const size_t at = text_.find(c, position_);
  position_ = at == std::string::npos ? text_.size() : at + 1;
}

void SequenceTextCursor::Word(std::string& out) {
  SkipSpace();
  const size_t from = position_;
  SkipToSpace();
  out.assign(text_, from, position_ - from);
}

bool SequenceTextCursor::QuotedString(std::string& out) {
  SkipSpace();
  if (position_ >= text_.size() || text_[position_] != '"') return false;
  const size_t close = text_.find('"', position_ + 1);
  if (close == std::string::npos) return false;
  out.assign(text_, position_ + 1, close - position_ - 1);
  position_ = close + 1;
  return true;
}

bool SequenceTextCursor::Integer(int64_t& out) {
  SkipSpace();
  const char* first = text_.data() + position_;
  const char* last = text_.data() + text_.size();
  const char* digits = first;
  bool negative = false;
  if (digits < last && (*digits == '+' || *digits == '-')) {
    negative = *digits == '-';
    ++digits;
  }
  // from_chars reads the magnitude; a sign of its own would be taken twice.
  if (digits >= last || *digits < '0' || *digits > '9') return false;
  uint64_t magnitude = 0;
  const std::from_chars_result r = std::from_chars(digits, last, magnitude);
  if (r.ec == std::errc::result_out_of_range) magnitude = std::numeric_limits<uint64_t>::max();
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (magnitude > kMax) magnitude = kMax;
  out = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  position_ = static_cast<size_t>(r.ptr - text_.data());
  SkipToSpace();
  return true;
}

bool SequenceTextCursor::Real(double& out) {
  SkipSpace();
  const char* first = text_.data() + position_;
  const char* last = text_.data() + text_.size();
  const char* number = first;
  bool negative = false;
  if (number < last && (*number == '+' || *number == '-')) {
    negative = *number == '-';
    ++number;
  }
  // Only decimal forms ("1", "0.5", ".5", "2e3"); from_chars never looks at
  // the locale's decimal point.
  if (number >= last || !((*number >= '0' && *number <= '9') || *number == '.')) return false;
  double value = 0.0;
  const std::from_chars_result r = std::from_chars(number, last, value, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: the nearest representable end.
    double probe = 0.0;
    for (const char* p = number; p < r.ptr; ++p) {
      if (*p >= '1' && *p <= '9') {
        probe = 1.0;
        break;
      }
    }
    bool tiny = false;
    for (const char* p = number; p < r.ptr; ++p) {
      if (*p == 'e' || *p == 'E') tiny = p + 1 < r.ptr && p[1] == '-';
    }
    value = (probe == 0.0 || tiny) ? 0.0 : std::numeric_limits<double>::max();
  }
  out = negative ? -value : value;
  position_ = static_cast<size_t>(r.ptr - text_.data());
  SkipToSpace();
  return true;
}
