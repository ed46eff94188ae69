// One module button of the module selector: its animation strip (a
// multi-frame picture), the picture shown over the region under the pointer,
// and the 8-bit region picture whose values name the button's region, with
// the frames the strip runs between.
//
// Ownership: the record holds one reference on each of its three pictures
// and releases them when destroyed.
#pragma once

#include <array>
#include <cstdint>

#include "engine/core/VLinkedList.h"

class VPicture;

class ModuleButtonDef : public VListElement {
 public:
  // What the strip does when a run reaches its last frame.
  enum EndBehaviour : int32_t {
    kStop = 0,
    kLoopForward = 1,   // jump to the loop start, run to the loop end
    kLoopBackward = 2,  // jump to the loop end, run to the loop start
    kPingPong = 3,      // run back and forth between the loop frames
  };

  // Pictures by media id (0: none); the region picture is loaded as 8-bit.
  // Negative loop frames become 0; equal loop frames force kStop.
  ModuleButtonDef(int32_t id, uint16_t stripId, int32_t startFrame, uint16_t maskId, uint16_t regionId,
                  int32_t regionNumber, int32_t loopStart = 0, int32_t loopEnd = 0, int32_t endBehaviour = kStop,
                  int32_t returnFrame = 0);
  // Existing pictures (a reference added to each; any may be null).
  ModuleButtonDef(int32_t id, VPicture* strip, int32_t startFrame, VPicture* mask, VPicture* region,
                  int32_t regionNumber, int32_t loopStart = 0, int32_t loopEnd = 0, int32_t endBehaviour = kStop,
                  int32_t returnFrame = 0);
  ~ModuleButtonDef() override;
  ModuleButtonDef(const ModuleButtonDef&) = delete;
  ModuleButtonDef& operator=(const ModuleButtonDef&) = delete;

  int32_t GetId() const { return id_; }
  // Without a new reference; null when there is none.
  VPicture* GetStripPicture() const { return strip_; }
  VPicture* GetMaskPicture() const { return mask_; }
  VPicture* GetRegionPicture() const { return region_; }
  uint16_t GetMaskId() const { return maskId_; }
  uint16_t GetRegionId() const { return regionId_; }
  int32_t GetStartFrame() const { return startFrame_; }
  int32_t GetRegionNumber() const { return regionNumber_; }
  int32_t GetLoopStart() const { return loopStart_; }
  int32_t GetLoopEnd() const { return loopEnd_; }
  int32_t GetEndBehaviour() const { return endBehaviour_; }
  int32_t GetReturnFrame() const { return returnFrame_; }

  // Values the record carries for its creator; they change nothing here.
  std::array<int32_t, 4> values{};
  int32_t extraValue = 0;

 private:
  void SetLoop(int32_t loopStart, int32_t loopEnd, int32_t endBehaviour);

  int32_t id_;
  VPicture* strip_ = nullptr;
  int32_t startFrame_;
  uint16_t maskId_ = 0;
  VPicture* mask_ = nullptr;
  uint16_t regionId_ = 0;
  VPicture* region_ = nullptr;
  int32_t regionNumber_;
  int32_t loopStart_ = 0;
  int32_t loopEnd_ = 0;
  int32_t endBehaviour_ = kStop;
  int32_t returnFrame_;
};
