// The base of system-stream schedulers: owns one child scheduler per
// elementary stream and forwards the movie's operations to them.
#pragma once

#include <memory>
#include <vector>

#include "engine/mpeg/VStreamScheduler.h"

class VMPSScheduler : public VStreamScheduler {
 public:
  VMPSScheduler(uint32_t streamId, float bufferingFactor, float reserveFactor);
  ~VMPSScheduler() override;

  bool Start() override;
  void Decode() override;
  bool Present(PixelMap* map, const VRect* rect) override;
  void MarkStepTime() override;
  int32_t GetKind() const override { return kSystem; }
  void GetFrameBounds(VRect& bounds) override;
  bool DrawFrame(PixelMap* map, const VRect* rect) override;
  bool TakeFrameChanged() override;
  void SetNoDrop(bool noDrop) override;
  bool SetShowFirstFrame(bool show) override;
  bool HasShownFirstFrame() override;
  void SetVolume(int32_t volume) override;
  VAudioChannel* GetAudioChannel() override;
  bool SetPlaying(bool playing) override;
  void SetEndOfStream() override;
  void SetRate(double rate) override;
  void SetClock(StreamClock* clock) override;

  // One step of the demultiplexer; false when it cannot go on for now.
  virtual bool ReadPacket() = 0;
  // Reads packets until ReadPacket answers false; errors of the MPEG readers
  // end the pump and lead to CheckEnd.
  void Pump();
  VStreamScheduler* FindChild(uint32_t streamId) const;
  size_t GetChildCount() const { return children_.size(); }
  VStreamScheduler* GetChild(size_t index) const { return children_[index].get(); }
  bool IsVideoReady() const { return videoReady_; }

 protected:
  VStreamScheduler* FirstChildOfKind(int32_t kind) const;
  void AddChild(std::unique_ptr<VStreamScheduler> child);

  std::vector<std::unique_ptr<VStreamScheduler>> children_;
  bool videoReady_ = false;
  float bufferingFactor_;
  float reserveFactor_;
};
