// Drives one MPEG video stream: decides picture by picture whether to decode
// or skip, queues decoded pictures by presentation time and shows the one
// that is due, dropping those that are too late. Its decisions rest on
// smoothed statistics of decoding and display, so that a slow machine skips
// B pictures first, then P pictures, and keeps the I pictures in step.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/VRunningStats.h"
#include "engine/mpeg/VMPVDecoder.h"
#include "engine/mpeg/VSchedulerInfoList.h"
#include "engine/mpeg/VStreamScheduler.h"

class VMPVScheduler : public VStreamScheduler {
 public:
  using PicturePtr = VMPVDecoder::PicturePtr;

  // One picture (or field) waiting for display.
  struct DisplayEntry {
    PicturePtr picture;
    int32_t field = 0;
    uint64_t time = 0;
    int32_t type = 0;  // kPictureI ... kPictureD
    bool groupMark = false;
  };

  // Takes the bit stream. A clock master feeds the clock with its own times
  // (a movie without sound).
  VMPVScheduler(uint32_t streamId, VBitstream* bitstream, float bufferingFactor, float reserveFactor,
                bool clockMaster);
  ~VMPVScheduler() override;

  // Reads the sequence header and sizes the picture queue. Throws the bit
  // stream's empty exception when the data holds no sequence header.
  bool Start() override;
  void Decode() override;
  bool Present(PixelMap* map, const VRect* rect) override;
  void CheckEnd() override;
  void MarkStepTime() override;
  int32_t GetKind() const override { return kVideo; }
  void GetFrameBounds(VRect& bounds) override;
  bool DrawFrame(PixelMap* map, const VRect* rect) override;
  bool TakeFrameChanged() override;
  void SetNoDrop(bool noDrop) override { noDrop_ = noDrop; }
  bool SetShowFirstFrame(bool show) override;
  bool HasShownFirstFrame() override { return firstShown_; }
  void SetVolume(int32_t /*volume*/) override {}
  VAudioChannel* GetAudioChannel() override { return nullptr; }
  int64_t GetMediaTime() override;
  // Time stamps are kept against the exact frame period, so that pictures
  // between two stamps lie within half a tick of their true time.
  void SetTime(int64_t ticks) override;
  int64_t GetTime() override;
  void AddTimeStamp(uint64_t ticks) override;
  bool IsReadyToPresent() override;

  bool IsNoDrop() const { return noDrop_; }
  void SetClockMaster(bool master) { clockMaster_ = master; }
  bool IsQueueFilled() const { return queueFilled_; }
  int32_t GetQueueTarget() const { return queueTarget_; }
  int32_t GetQueueReserve() const { return queueReserve_; }
  int64_t GetHalfPeriod() const { return halfPeriod_; }
  const std::vector<DisplayEntry>& GetDisplayList() const { return display_; }
  const VMPVDecoder& GetDecoder() const { return decoder_; }
  const PicturePtr& GetCurrentPicture() const { return current_; }

  // What happened to the pictures so far, for tests and meters.
  struct Counts {
    int32_t decoded[5] = {};  // by picture type
    int32_t skipped[5] = {};
    int32_t shown = 0;
    int32_t dropped = 0;
  };
  const Counts& GetCounts() const { return counts_; }
  // Called with each entry as it is shown (after it became the current picture).
  void SetShowObserver(void (*observer)(void*, const DisplayEntry&), void* context) {
    showObserver_ = observer;
    showContext_ = context;
  }

  // The queue sizes for a frame rate and the two factors.
  static int32_t QueueTarget(double frameRate, float bufferingFactor);
  static int32_t QueueReserve(double frameRate, float reserveFactor);

 private:
  enum Filter {
    kPDecodeRatio,
    kIDecodeRatio,
    kBDecodeTime,
    kPDecodeTime,
    kIDecodeTime,
    kDecodeTime,
    kDrawTime,
    kShownRatio,
    kIShownRatio,
    kPPerGroup,
    kPDecodedPerGroup,
    kPShownPerGroup,
    kFilterCount
  };

  int64_t Now() const;
  double ExactMediaTime() const;
  double Mean(Filter f) const { return filters_[f]->smoothed; }
  bool CanDecodeMore();
  void DecodeStep();
  bool ShouldSkip();
  void QueuePicture();
  void CloseShownCount();
  void DropEntry(size_t index);
  void ResetFilter(Filter f, double factor);

  VMPVDecoder decoder_;
  PicturePtr current_;
  std::unique_ptr<VSchedulerInfoList> timeStamps_;
  std::vector<DisplayEntry> display_;
  bool groupMark_ = true;
  int64_t framesBeforeGroup_ = 0;
  int64_t halfPeriod_ = 0;
  double exactOffset_ = 0.0;
  int32_t queueTarget_ = 5;
  int32_t queueReserve_ = 2;
  float reserveFactor_;
  float bufferingFactor_;
  bool clockMaster_;
  bool noDrop_ = false;
  bool frameChanged_ = false;
  bool skipBUntilP_ = false;
  bool queueFilled_ = false;
  bool firstShown_ = false;
  uint64_t firstShownTime_ = 0;
  bool onTime_ = false;
  bool statisticsRunning_ = false;
  int32_t pSeen_ = 0, pDecoded_ = 0, pShown_ = 0, pictures_ = 0;
  int32_t previousPictures_ = 13;
  double bAccumulator_ = 1.0;
  std::array<std::unique_ptr<VRunningStats>, kFilterCount> filters_;
  uint64_t stepTime_ = 0;
  Counts counts_;
  void (*showObserver_)(void*, const DisplayEntry&) = nullptr;
  void* showContext_ = nullptr;
};
