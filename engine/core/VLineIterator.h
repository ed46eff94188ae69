// Line-by-line walks over a text: VLineIterator is the interface,
// VStringLineIterator walks a VString in memory. A line runs up to and
// including its LF; CR has no special meaning. A zero byte ends the text.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"

class VLineIterator {
 public:
  VLineIterator();
  virtual ~VLineIterator();
  VLineIterator(const VLineIterator&) = delete;
  VLineIterator& operator=(const VLineIterator&) = delete;

  // Rewind, then GetLine into line.
  virtual bool First(VString& line);
  // Back to the first line and reads it; false when the text is empty.
  virtual bool Rewind() = 0;
  // Next, then GetLine into line.
  virtual bool NextLine(VString& line);
  // Moves to the following line and reads it; false at the end.
  virtual bool Next() = 0;
  virtual bool IsAtEnd() const { return atEnd_; }
  // Copies the current line into line; at the end clears line and answers
  // false.
  virtual bool GetLine(VString& line);
  // The current line (empty at the end). Owned by the iterator; valid until
  // the next move.
  virtual const VString& CurrentLine();
  // Offset of the current line in the source.
  virtual int32_t GetPosition() const = 0;
  // Lines read since construction (Rewind does not reset it).
  virtual int32_t GetLineCount() const { return lineCount_; }

 protected:
  // Reads the line at the current position; false (end flag set) when no
  // text is left.
  virtual bool ReadLine() = 0;

  bool atEnd_ = false;
  VString currentLine_{128};
  int32_t lineCount_ = 0;
};

class VStringLineIterator : public VLineIterator {
 public:
  // source is not owned and must outlive the iterator. Nothing is read until
  // Rewind or First.
  explicit VStringLineIterator(const VString& source);

  bool Rewind() override;
  bool Next() override;
  int32_t GetPosition() const override { return lineStart_; }

 protected:
  bool ReadLine() override;

 private:
  int32_t lineStart_ = 0;
  int32_t lineEnd_ = 0;
  const VString* source_;
};
