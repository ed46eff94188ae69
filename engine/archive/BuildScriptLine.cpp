// Token readers of build-script lines.
#include "engine/archive/BuildScriptLine.h"

BuildScriptLine::BuildScriptLine(const VString& line)
    : text_(line.GetChars() != nullptr ? line.GetChars() : "") {}

bool BuildScriptLine::ReadNumber(int32_t& value) {
  value = 0;
  bool negative = false;
  while (position_ < text_.size()) {
    char c = text_[position_];
    if (c >= '0' && c <= '9') break;
    if (c == '-') {
      negative = true;
    } else if (c != ' ' && c != '\t') {
      negative = false;
    }
    ++position_;
  }
  if (position_ >= text_.size()) return false;
  uint32_t magnitude = 0;
  while (position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9') {
    magnitude = magnitude * 10u + static_cast<uint32_t>(text_[position_] - '0');
    ++position_;
  }
  value = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
  return true;
}

bool BuildScriptLine::ReadQuotedString(VString& out) {
  out.Assign("");
  size_t open = text_.find('"', position_);
  if (open == std::string::npos) {
    position_ = text_.size();
    return false;
  }
  std::string value;
  size_t i = open + 1;
  while (true) {
    if (i >= text_.size()) {
      position_ = text_.size();
      return false;  // not closed on this line
    }
    if (text_[i] == '"') {
      if (i + 1 < text_.size() && text_[i + 1] == '"') {
        value += '"';
        i += 2;
        continue;
      }
      break;
    }
    value += text_[i++];
  }
  position_ = i + 1;
  out.Assign(value.c_str());
  return true;
}
