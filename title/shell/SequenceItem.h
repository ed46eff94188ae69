// SequenceItem is one timed element of a channel: a start and a fade
// envelope (rise, sustain, decay) in milliseconds, a medium (a media id or a
// file on disk) and a comment. PictureItem and SoundItem add their fields.
//
// Every time is held within 0..kMaxTime when it is set, so that an end
// (start + rise + sustain + decay) and the sums of the editing operations
// always fit in 32 bits, whatever a text or an edit asks for.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/VFileSpec.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"

class Channel;
class SequenceTextCursor;

class SequenceItem : public VListElement {
 public:
  // 24 hours: far beyond any slide show, small enough that four of them add
  // up within 32 bits.
  static constexpr int32_t kMaxTime = 24 * 60 * 60 * 1000;

  SequenceItem();
  ~SequenceItem() override;

  const VString& GetKindName() const { return kindName_; }
  Channel* GetChannel() const { return channel_; }
  void SetChannel(Channel* channel) { channel_ = channel; }

  const VString& GetComment() const { return comment_; }
  void SetComment(const char* comment) { comment_.Assign(comment); }

  int32_t GetStart() const { return start_; }
  int32_t GetRise() const { return rise_; }
  int32_t GetSustain() const { return sustain_; }
  int32_t GetDecay() const { return decay_; }
  // Each value is held within 0..kMaxTime.
  void SetStart(int64_t value) { start_ = HoldTime(value); }
  void SetRise(int64_t value) { rise_ = HoldTime(value); }
  void SetSustain(int64_t value) { sustain_ = HoldTime(value); }
  void SetDecay(int64_t value) { decay_ = HoldTime(value); }

  uint16_t GetResid() const { return resid_; }
  void SetResid(uint16_t resid) { resid_ = resid; }
  VFileSpec& GetFile() { return file_; }
  void SetFile(const VFileSpec& file) { file_.Assign(file); }

  int32_t GetEnd() const { return start_ + rise_ + sustain_ + decay_; }
  int32_t GetLength() const { return rise_ + sustain_ + decay_; }
  bool IsActiveAt(int32_t t) const { return start_ <= t && t < GetEnd(); }
  bool IsInRiseAt(int32_t t) const;
  bool IsInSustainAt(int32_t t) const;
  // The decay window runs 30 ms past the end.
  bool IsInDecayAt(int32_t t) const;
  // The envelope at t within 0..1. Computed in double, so a rise or decay of
  // 0 never divides by zero: the division's infinity or NaN is held to 0..1
  // (anything not at least 0 becomes 0).
  double GetLevelAt(int32_t t) const;

  // The fields of the text form: reads "comment", "start", "rise",
  // "sustain" and "decay" in any order (the last value wins). False when a
  // value cannot be read.
  virtual bool ReadFields(SequenceTextCursor& cursor);
  // Appends one line per field.
  virtual void WriteFields(std::string& out) const;
  virtual bool IsSound() const { return false; }
  virtual bool IsFinished() const { return false; }

  // Presentation while a player shows the sequence. An item is shown (Show)
  // when it becomes current, presented at each time (PresentAt adds what
  // changed on screen to changed), and hidden (Hide) when it stops being
  // current. The base item has no medium: all of these do nothing.
  virtual void LoadMedia() {}
  virtual void UnloadMedia(bool redraw) { static_cast<void>(redraw); }
  virtual void Show(int32_t t) { static_cast<void>(t); }
  virtual void Hide() {}
  virtual void PresentAt(int32_t t, VRect& changed) {
    static_cast<void>(t);
    static_cast<void>(changed);
  }
  virtual void Pause() {}
  virtual void ResumeAt(int32_t t) { Show(t); }
  // Adds the item's area on screen to changed, when there is one.
  virtual void Finish(VRect* changed) { static_cast<void>(changed); }

  static int32_t HoldTime(int64_t value);
  // A double quote cannot stand inside a quoted field of the text (the reader
  // knows no escapes), so it is written as an apostrophe.
  static void AppendQuoted(std::string& out, const char* text);

 protected:
  explicit SequenceItem(const char* kindName);
  bool ReadBaseFields(SequenceTextCursor& cursor);
  // "resid" and "file", shared by pictures and sounds. matched = a keyword
  // was found; false when its value cannot be read.
  bool ReadMediaField(SequenceTextCursor& cursor, bool& matched);
  void WriteMediaFields(std::string& out) const;

 private:
  VString kindName_;
  Channel* channel_ = nullptr;
  VString comment_;
  int32_t start_ = 0;
  int32_t rise_ = 0;
  int32_t sustain_ = 0;
  int32_t decay_ = 0;
  uint16_t resid_ = 0;
  mutable VFileSpec file_;
};
