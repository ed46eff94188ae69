// The engine's abstract movie control: a control (kind 270) that erases its
// rectangle and can play its movie while the pointer hovers over it.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"

class VColorTable;

class VMovieControl : public VControl {
 public:
  static constexpr int32_t kKindCode = 270;

  VMovieControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                VColorTable* colorTable, VGraphicObject* parent);
  ~VMovieControl() override;

  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseMove(const VMouseEvent& event) override;

  virtual void Play() = 0;
  virtual void Pause() = 0;
  virtual void Rewind() = 0;
  virtual bool IsPlaying() = 0;
  virtual void SetVolume(int32_t volume) = 0;
  virtual void SetLoopMode(int32_t mode) { loopMode_ = mode; }
  virtual void SetHoverTracking(bool tracking) { hoverTracking_ = tracking; }
  int32_t GetLoopMode() const { return loopMode_; }
  bool GetHoverTracking() const { return hoverTracking_; }

 protected:
  int32_t loopMode_ = 0;
  VColorTable* savedColorTable_ = nullptr;
  bool hoverTracking_ = false;
};
