// BuildLog: the archive builder's log, written through an optional text file.
// Every call does nothing without a file, so a build without a log behaves the
// same apart from its output. The file stays the caller's.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"

class BuildLog {
 public:
  explicit BuildLog(VTextFile* file) : file_(file) {}

  bool HasFile() const { return file_ != nullptr; }
  VTextFile* GetFile() const { return file_; }

  // Plain characters.
  BuildLog& Text(const char* text);
  BuildLog& Text(const VString& text);
  // Between double quotes, inner quotes doubled.
  BuildLog& Quoted(const VString& text);
  BuildLog& Quoted(const char* text);
  // A blank and the decimal number.
  BuildLog& Number(int32_t value);
  // The type code between single quotes, e.g. 'RIX '.
  BuildLog& TypeCode(uint32_t type);
  BuildLog& Tab();
  // As the text file writes them: " left, top, right, bottom " and " x, y ".
  BuildLog& Rect(const VRect& rect);
  BuildLog& Point(const VPoint& point);
  // CR LF.
  BuildLog& LineEnd();

  // A whole line: the message and a line end.
  void Line(const char* message) { Text(message).LineEnd(); }

 private:
  VTextFile* file_;
};
