// The record of one panorama bubble, read from its BUBBLE script: the default
// view, the item of its info panel, its sounds and its hotspots, with the
// bubble's info text and its panorama picture (a JPEG decoded on first use).
//
// Media of a bubble with base id B (GetBubbleMediaId): B the script, B + 1 the
// panorama JPEG, B + 2 the info text, B + 6 + n the text of the hotspot whose
// ID has number n.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "title/tour/HotspotRecord.h"
#include "title/tour/TourBubbleContent.h"

class VPicture;

// The navigator shows it through TourBubbleContent.
class BubbleRecord : public TourBubbleContent {
 public:
  // The random sounds RANDOM1..RANDOM5.
  static constexpr int32_t kRandomSoundCount = 5;
  // Hotspots kept; further HOTSPOT blocks are read and dropped (the bubble
  // space has room for a few thousand bubbles, and the hotspot texts are
  // numbered by item numbers 0..999).
  static constexpr int32_t kMaxHotspots = 1000;

  // Sets the defaults, then Load(item).
  explicit BubbleRecord(const ItemRef& item);
  ~BubbleRecord() override;
  BubbleRecord(const BubbleRecord&) = delete;
  BubbleRecord& operator=(const BubbleRecord&) = delete;

  // Resets the record to the defaults and reads the bubble of `item`: its
  // info text, then its script. False when the bubble has no base id or its
  // script holds no BUBBLE block.
  bool Load(const ItemRef& item);
  // Reads a BUBBLE script (in place: `script` must not change while it is
  // read) into the record, with hotspot texts from the record's base id.
  // Keywords may be left out but are read only in the order ID,
  // DEFAULTVIEWANGLE, INFO, AMBIENT, FOOTSTEPS, RANDOM1..RANDOM5, HOTSPOTS: a
  // keyword out of order ends the reading and later fields keep their
  // defaults. False when no BUBBLE block opens.
  bool ReadScript(const VString& script);

  const ItemRef& GetItem() const { return item_; }
  const ItemRef& GetId() const { return id_; }
  uint16_t GetBaseMediaId() const { return baseMediaId_; }
  const VString& GetText() const { return infoText_; }
  const ItemRef& GetInfoItem() const { return infoItem_; }
  float GetDefaultYaw() const { return defaultYaw_; }
  float GetDefaultPitch() const { return defaultPitch_; }
  VFPoint GetDefaultViewAngle() const override { return VFPoint{defaultYaw_, defaultPitch_}; }
  // Sound numbers of the script (0: none; numbers outside 0..65535 are none).
  uint16_t GetAmbientSound() const { return ambientSound_; }
  uint16_t GetFootstepsSound() const { return footstepsSound_; }
  // Index 0..4 for RANDOM1..RANDOM5; 0 for other indexes.
  uint16_t GetRandomSound(int32_t index) const;

  int32_t GetHotspotCount() const override { return static_cast<int32_t>(hotspots_.size()); }
  // Null outside 0..count - 1. Owned by the record.
  HotspotRecord* GetHotspot(int32_t index) const;
  bool GetHotspotHitRect(int32_t index, VFRect& out) const override;

  // The panorama picture, decoded on first use from medium B + 1, or, when
  // the alternate-picture flag is set, from the alternate picture of the
  // extra archive (the flag is then cleared). Owned by the record: the caller
  // adds a reference to keep it beyond ReleasePicture or the record. Null
  // when the medium is missing or its JPEG does not decode.
  VPicture* GetPicture() override;
  // Drops the record's reference to the picture.
  void ReleasePicture() override;
  uint16_t GetPictureMediaId() const { return pictureMediaId_; }

 private:
  void Reset();

  ItemRef item_;
  ItemRef id_;
  uint16_t baseMediaId_ = 0;
  VString infoText_;
  float defaultYaw_ = 0.0f;
  float defaultPitch_ = 0.0f;
  ItemRef infoItem_;
  VPicture* picture_ = nullptr;
  uint16_t pictureMediaId_ = 0;
  uint16_t ambientSound_ = 0;
  uint16_t footstepsSound_ = 0;
  uint16_t randomSounds_[kRandomSoundCount] = {};
  std::vector<std::unique_ptr<HotspotRecord>> hotspots_;
};
