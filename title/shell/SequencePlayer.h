// SequencePlayer plays a channel sequence against the task clock: while it
// plays, each task step presents the document at the time since the start
// (pictures at the level of their envelopes, sounds at their volume) and
// redraws what changed. It tells its owner when playback starts (114),
// stops (115), reaches the end (116) and when the position is set (117).
//
// A picture whose medium was not loaded ahead (one preload lead before its
// start) is decoded in the step that shows it, and shows late: the player
// counts such pictures and writes each to the run log as
// "sequence player: picture of channel C shown M ms late", M the time from
// its start to the end of that step's decoding.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/app/VControl.h"
#include "engine/core/VTask.h"

class PictureItem;
class SequenceDocument;

class SequencePlayer : public VControl, public VTask {
 public:
  static constexpr uint32_t kMessageStarted = 114;
  static constexpr uint32_t kMessageStopped = 115;
  static constexpr uint32_t kMessageEnded = 116;
  static constexpr uint32_t kMessagePositionSet = 117;

  SequencePlayer(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                 VGraphicObject* parent);
  ~SequencePlayer() override;
  SequencePlayer(const SequencePlayer&) = delete;
  SequencePlayer& operator=(const SequencePlayer&) = delete;

  // Stops and unloads the old document (not owned), attaches the new one
  // (or none) and rewinds.
  void SetDocument(SequenceDocument* document);
  SequenceDocument* GetDocument() const { return document_; }

  // Rewinds when the position lies past the duration; with redraw, presents
  // the position and redraws the control.
  void Reset(bool redraw);
  void Play();
  void Pause();
  // Continues from the position (at 0 the same as Play).
  void Resume();
  void Stop();
  // Stops, then sets the position (held within 0..duration).
  void Seek(int64_t time);
  void Rewind(bool redraw);
  int32_t GetDuration() const;
  int32_t GetPosition() const { return position_; }
  bool IsPlaying() const { return IsActive(); }
  // Pictures shown late while playing, since the player was made.
  int32_t GetLatePictureCount() const { return latePictures_; }

  bool Step(uint32_t pass) override;

 private:
  void Start(bool resume);
  // Presents the document at the position; the changed area in window
  // coordinates.
  VRect Present();
  void RedrawArea(const VRect* area);
  // The pictures that become current at the position without their media.
  void CollectUnloadedPictures();
  // Those of them whose media the present has just loaded: shown late.
  void NoteLatePictures(uint32_t presentTicks);

  SequenceDocument* document_ = nullptr;
  int32_t position_ = 0;
  uint32_t baseTick_ = 0;
  int32_t latePictures_ = 0;
  std::vector<PictureItem*> unloaded_;
};
