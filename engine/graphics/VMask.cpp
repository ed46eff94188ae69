#include "engine/graphics/VMask.h"

#include <cstring>

#include "engine/graphics/DepthConversion.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"

namespace {

// The loader settings a mask's picture is read with (restored afterwards):
// depth 8, plain memory, indexes kept as stored, plain nearest colour.
class MaskLoadSettings {
 public:
  MaskLoadSettings()
      : depth_(SetLoadPixelFormat(8)),
        kind_(PixelMap::SetDefaultStorageKind(PixelMap::kStorageMemory)),
        arrange_(GetArrangeBlackAndWhite()),
        method_(SetEightBitConversionMethod(0)) {
    SetArrangeBlackAndWhite(false);
  }
  ~MaskLoadSettings() {
    SetLoadPixelFormat(depth_);
    PixelMap::SetDefaultStorageKind(kind_);
    SetArrangeBlackAndWhite(arrange_);
    SetEightBitConversionMethod(method_);
  }
  MaskLoadSettings(const MaskLoadSettings&) = delete;
  MaskLoadSettings& operator=(const MaskLoadSettings&) = delete;

 private:
  int32_t depth_;
  int16_t kind_;
  bool arrange_;
  int32_t method_;
};

}  // namespace

VMask::VMask(PixelMap* plane) : plane_(plane) {
  std::memset(normalFlags_, 1, sizeof normalFlags_);
  std::memset(hoverFlags_, 1, sizeof hoverFlags_);
  if (plane_) {
    bounds_ = plane_->GetBounds();
    plane_->Lock();  // the plane stays addressable for the mask's life
    planeLocked_ = true;
  }
  loaded_ = 1;
}

VMask::VMask(uint16_t mediaId) {
  VPicture* picture = nullptr;
  {
    MaskLoadSettings settings;
    picture = new VPicture(mediaId, 0, -4, -4);
  }
  TakePicture(picture);
  picture->Release();
  ResetEnabledTables();
}

VMask::VMask(const VFileSpec& spec, uint32_t type) {
  VPicture* picture = nullptr;
  {
    MaskLoadSettings settings;
    picture = new VPicture(spec, type, 0, -4, -4);
  }
  TakePicture(picture);
  picture->Release();
  ResetEnabledTables();
}

VMask::VMask(VPicture* picture) {
  TakePicture(picture);
  ResetEnabledTables();
}

void VMask::TakePicture(VPicture* picture) {
  ownsPlane_ = false;
  PixelMap* map = picture ? picture->GetPixelMap() : nullptr;
  if (!map || map->GetDepth() != 8) return;
  picture->AddReference();
  picture->SetPurgeable(false);
  picture_ = picture;
  plane_ = map;
  bounds_ = picture->GetBounds();
  loaded_ = 1;
}

VMask::~VMask() {
  if (plane_ && planeLocked_) plane_->Unlock();
  if (ownsPlane_) delete plane_;
  if (picture_) picture_->Release();
}

void VMask::ResetEnabledTables() {
  if (plane_ && !planeLocked_) planeLocked_ = plane_->Lock();
  std::memset(normalFlags_, 1, sizeof normalFlags_);
  std::memset(hoverFlags_, 1, sizeof hoverFlags_);
  std::memset(currentFlags_, 1, sizeof currentFlags_);
}

int32_t VMask::GetValueAt(const VPoint& point) const {
  if (!plane_) return -1;
  const int32_t frameTop = picture_ ? picture_->GetFrameOffset().y : 0;
  const int32_t frameHeight = picture_ ? picture_->GetHeight() : plane_->GetHeight();
  if (point.y < 0 || point.y >= frameHeight) return -1;
  const uint8_t* p = plane_->GetPixelAddress(VPoint(point.x, frameTop + point.y));
  return p ? *p : -1;
}

uint8_t VMask::SetCurrentFlag(uint8_t value, uint8_t on) {
  const uint8_t old = currentFlags_[value];
  currentFlags_[value] = (on && normalFlags_[value]) ? 1 : 0;
  return old;
}

uint8_t VMask::SetNormalFlag(uint8_t value, uint8_t on) {
  const uint8_t old = normalFlags_[value];
  normalFlags_[value] = on;
  return old;
}

uint8_t VMask::SetHoverFlag(uint8_t value, uint8_t on) {
  const uint8_t old = hoverFlags_[value];
  hoverFlags_[value] = on;
  return old;
}

bool VMask::IsSameAs(const VMask& other) const {
  // Masks made on a plane of their own have no picture: the plane decides.
  return picture_ == other.picture_ && plane_ == other.plane_ &&
         std::memcmp(currentFlags_, other.currentFlags_, sizeof currentFlags_) == 0;
}
