// The builder's log lines.
#include "engine/archive/BuildLog.h"

#include <cstring>

BuildLog& BuildLog::Text(const char* text) {
  if (file_ != nullptr && text != nullptr) {
    file_->Write(text, static_cast<int32_t>(std::strlen(text)));
  }
  return *this;
}

BuildLog& BuildLog::Text(const VString& text) { return Text(text.GetChars()); }

BuildLog& BuildLog::Quoted(const VString& text) {
  if (file_ != nullptr) file_->WriteString(text);
  return *this;
}

BuildLog& BuildLog::Quoted(const char* text) { return Quoted(VString(text)); }

BuildLog& BuildLog::Number(int32_t value) {
  if (file_ != nullptr) file_->WriteLong(value);
  return *this;
}

BuildLog& BuildLog::TypeCode(uint32_t type) {
  if (file_ != nullptr) file_->WriteTypeCode(type);
  return *this;
}

BuildLog& BuildLog::Tab() {
  if (file_ != nullptr) file_->WriteTab();
  return *this;
}

BuildLog& BuildLog::LineEnd() {
  if (file_ != nullptr) file_->WriteLineEnd();
  return *this;
}

BuildLog& BuildLog::Rect(const VRect& rect) {
  if (file_ != nullptr) file_->WriteRect(rect);
  return *this;
}

BuildLog& BuildLog::Point(const VPoint& point) {
  if (file_ != nullptr) file_->WritePoint(point);
  return *this;
}
