#include "engine/core/VLineIterator.h"

VLineIterator::VLineIterator() = default;
VLineIterator::~VLineIterator() = default;

bool VLineIterator::First(VString& line) {
  Rewind();
  return GetLine(line);
}

bool VLineIterator::NextLine(VString& line) {
  Next();
  return GetLine(line);
}

bool VLineIterator::GetLine(VString& line) {
  if (atEnd_) {
    line.Clear();
    return false;
  }
  line.Assign(currentLine_);
  return true;
}

const VString& VLineIterator::CurrentLine() {
  if (atEnd_) currentLine_.Clear();
  return currentLine_;
}

VStringLineIterator::VStringLineIterator(const VString& source) : source_(&source) {}

bool VStringLineIterator::Rewind() {
  atEnd_ = false;
  lineStart_ = 0;
  return ReadLine();
}

bool VStringLineIterator::Next() {
  lineStart_ = lineEnd_;
  return ReadLine();
}

bool VStringLineIterator::ReadLine() {
  const int32_t length = source_->GetLength();
  const char* text = source_->GetChars();
  // A zero byte ends the text: stopping at it without advancing would
  // return the same empty line forever.
  if (text == nullptr || lineStart_ >= length || text[lineStart_] == 0) {
    atEnd_ = true;
    return false;
  }
  int32_t stop = lineStart_;
  while (stop < length && text[stop] != 0) {
    if (text[stop++] == '\n') break;
  }
  source_->Mid(currentLine_, lineStart_, stop - lineStart_);
  lineEnd_ = stop;
  ++lineCount_;
  return true;
}
