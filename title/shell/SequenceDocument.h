// SequenceDocument is a channel sequence: timed pictures and sounds grouped
// in channels, read from and written to its plain text form. After reading,
// the pictures' timing is adjusted so that they cross-fade, the first is on
// screen at once and the last stays until the end.
//
// Reading is bounded: a document holds at most kMaxChannels channels and
// kMaxItems items; reading stops at the channel that would pass either
// limit (the channels before it stay), so no text can make the document, or
// the quadratic timing adjustment, grow without bound.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/VFileSpec.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"

class Channel;
class VGraphicObject;
class SequenceItem;

class SequenceDocument {
 public:
  static constexpr int32_t kMaxChannels = 1024;
  static constexpr int32_t kMaxItems = 1024;
  // Overlapping pictures: the earlier one stays opaque through its decay and
  // fades out in this many milliseconds after the later one has faded in.
  static constexpr int32_t kCrossFadeOut = 50;

  SequenceDocument();
  // Reads the file whole (at most kMaxTextBytes) and parses it.
  explicit SequenceDocument(const VFileSpec& file);
  explicit SequenceDocument(const VString& text);
  virtual ~SequenceDocument();
  SequenceDocument(const SequenceDocument&) = delete;
  SequenceDocument& operator=(const SequenceDocument&) = delete;

  static constexpr int64_t kMaxTextBytes = 16 << 20;

  // Appends every channel that reads well, stops at the first that does not,
  // then adjusts the timing. Channels read before stay.
  virtual void Parse(const VString& text);
  void Parse(const std::string& text);
  // Parse without the timing adjustment: the channels as the text gives
  // them (a written document reads back as it was).
  void ReadChannels(const std::string& text);
  // The text of every channel in order.
  virtual void Write(VString& out) const;
  void Write(std::string& out) const;

  int32_t GetPreloadLead() const { return preloadLead_; }
  int32_t GetDuration() const;
  int32_t GetChannelCount() const { return channels_.GetCount(); }
  Channel* GetChannel(int32_t index) const;
  // -1 when the channel is not in this document.
  int32_t GetChannelIndex(const Channel* channel) const;
  // The document takes ownership; an index past the end (INT32_MAX) appends.
  void InsertChannel(Channel* channel, int32_t index);
  // Removes the channel at index (deleted with deleteChannel, else handed back).
  Channel* RemoveChannelAt(int32_t index, bool deleteChannel);

  // Playing. StartAt and ResumeAt make the document play, Pause and Stop
  // end that; every channel follows.
  void StartAt(int32_t t);
  void Pause();
  void ResumeAt(int32_t t);
  void Stop();
  bool IsPlaying() const { return playing_; }
  // Every channel presents itself at t; the areas that changed on screen
  // are united into changed.
  void PresentAt(int32_t t, VRect& changed);
  void LoadMedia();
  void UnloadMedia(bool redraw);
  // The control that shows the document (not owned), or none.
  VGraphicObject* GetListener() const { return listener_; }
  void SetListener(VGraphicObject* listener) { listener_ = listener; }

  // The timing adjustment that ends Parse (pictures only): overlapping
  // pictures cross-fade, the earliest starts opaque at 0, the last ones stay
  // until the document's end.
  void AdjustTiming();

 protected:
  int32_t preloadLead_ = 0;

 private:
  VLinkedList channels_;
  bool playing_ = false;
  VGraphicObject* listener_ = nullptr;
};
