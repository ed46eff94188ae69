// Token counting and lookup by repeated separator searches.
#include "launchers/common/StringTokenizer.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

int CStringTokenizer::CountTokens() const {
  if (text_.empty()) return 0;
  if (separator_.empty()) return 1;
  int count = 1;
  size_t at = text_.find(separator_);
  while (at != std::string::npos) {
    ++count;
    at = text_.find(separator_, at + 1);
  }
  return count;
}

bool CStringTokenizer::GetTokenBounds(int n, size_t* start, size_t* length) const {
  *start = 0;
  *length = 0;
  if (text_.empty()) return false;
  if (n < 1) n = 1;
  size_t begin = 0;
  for (int k = 1; k < n; ++k) {
    size_t sep = separator_.empty() ? std::string::npos : text_.find(separator_, begin);
    if (sep == std::string::npos) {
      *start = text_.size();
      return true;
    }
    begin = sep + separator_.size();
  }
  size_t end = separator_.empty() ? std::string::npos : text_.find(separator_, begin);
  if (end == std::string::npos) end = text_.size();
  *start = begin;
  *length = end - begin;
  return true;
}

std::string CStringTokenizer::GetToken(int n) const {
  size_t start = 0, length = 0;
  if (!GetTokenBounds(n, &start, &length)) return std::string();
  size_t first = start, last = start + length;
  while (first < last && IsSpace(text_[first])) ++first;
  while (last > first && IsSpace(text_[last - 1])) --last;
  return text_.substr(first, last - first);
}
