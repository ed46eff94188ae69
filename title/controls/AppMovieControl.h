// The title's movie control: opens an MPEG-1 movie from an archive entry of
// type "MPG " or from a file, skips the container atoms in front of the MPEG
// data, plays a system stream through the demultiplexer or a video stream
// through the video scheduler, and runs one scheduler step per idle pass
// from its own task, drawing each new picture straight into the window's
// off-screen map or, when that is not possible, into a picture of its own.
// Its owner hears of presses (37), releases (38), play (45), a loop restart
// (46) and pause or end (47).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/core/VRunningStats.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VTask.h"
#include "engine/mpeg/StreamClock.h"
#include "engine/mpeg/VMovieControl.h"

class PixelMap;
class VFile;
class VFileSpec;
class VPicture;
class VStreamScheduler;

class AppMovieControl : public VMovieControl, public VTask {
 public:
  static constexpr uint32_t kMessagePressed = 37;
  static constexpr uint32_t kMessageReleased = 38;
  static constexpr uint32_t kMessagePlay = 45;
  static constexpr uint32_t kMessageLooped = 46;
  static constexpr uint32_t kMessagePaused = 47;

  // From the current archive's entry of type "MPG " (nothing for id 0).
  AppMovieControl(int32_t id, int32_t taskId, uint16_t mediaId, int32_t left, int32_t top, bool directDrawing,
                  bool unused, int32_t layer, int32_t width, int32_t height, VColorTable* colorTable,
                  VGraphicObject* parent);
  // From a file (nothing when it does not exist).
  AppMovieControl(int32_t id, int32_t taskId, const VFileSpec& spec, int32_t left, int32_t top, bool directDrawing,
                  bool unused, int32_t layer, int32_t width, int32_t height, VColorTable* colorTable,
                  VGraphicObject* parent);
  ~AppMovieControl() override;

  void Play() override;
  void Pause() override;
  void Rewind() override;
  bool IsPlaying() override;
  void SetVolume(int32_t volume) override;
  virtual void Restart();
  // Opens the scheduler for the data at the file's position 0.
  virtual void OpenStream();
  virtual void CreateFramePicture();

  // Steps until the first picture is shown or the movie reports its end.
  void ShowFirstFrame(bool show);
  void SetNoDropSetting(bool noDrop);
  // Sizes the control to the movie's frame (each side at least 1).
  void FitToMovie();

  bool Step(uint32_t pass) override;
  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool KeyDown(const VKeyEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;

  VStreamScheduler* GetScheduler() const { return scheduler_.get(); }
  StreamClock& GetClock() { return clock_; }
  bool IsUsingFramePicture() const { return usingFramePicture_; }
  VPicture* GetFramePicture() const { return framePicture_; }
  const VRateMeter* GetRateMeter() const { return rateMeter_.get(); }
  // Whether the last step presented (the movie had not ended).
  bool WasFrameShown() const { return frameShown_; }
  // Called once, when a step has drawn the movie's first picture for the
  // screen (it goes out with that idle pass's frame).
  void SetFirstFrameListener(std::function<void()> listener) { firstFrameListener_ = std::move(listener); }

 private:
  // The constructors' common part: takes the opened movie file (or none).
  AppMovieControl(int32_t id, int32_t taskId, std::unique_ptr<VFile> file, int32_t left, int32_t top,
                  bool directDrawing, int32_t layer, int32_t width, int32_t height, VColorTable* colorTable,
                  VGraphicObject* parent);
  void OpenContainer();
  // One scheduler step drawn into the window or the frame picture; sets frameShown_.
  void RunStep();
  // Whether the movie must be drawn through the frame picture.
  bool NeedsFramePicture(PixelMap* map);
  void EndOfMovie();
  // A new picture was drawn for the screen.
  void FrameDrawn();

  bool directDrawing_;
  bool usingFramePicture_ = false;
  std::unique_ptr<VStreamScheduler> scheduler_;
  std::unique_ptr<VFile> file_;
  bool sized_;
  VPicture* framePicture_ = nullptr;
  VColorTable* colorTable_;
  bool frameShown_ = false;
  bool noDrop_ = false;
  std::unique_ptr<VRateMeter> rateMeter_;
  std::function<void()> firstFrameListener_;
  StreamClock clock_;
  ControlLife life_;
};
