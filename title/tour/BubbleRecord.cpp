#include "title/tour/BubbleRecord.h"

#include <cmath>

#include "engine/archive/ArchiveServices.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/JpegLibraryLoader.h"
#include "engine/script/ScriptLexer.h"
#include "title/tour/TourMedia.h"

namespace {

constexpr int32_t kPictureOffset = 1;
constexpr int32_t kInfoTextOffset = 2;

// The item of the info panel when the script names none: VI000.
ItemRef DefaultInfoItem() { return ItemRef(FindCategoryCode("VI"), 0); }

// A sound number as read; numbers that are no 16-bit id mean no sound.
uint16_t ReadSound(const char* keyword, uint16_t current) {
  int32_t value = current;
  ReadIntField(keyword, value, true);
  return value >= 0 && value <= 0xFFFF ? static_cast<uint16_t>(value) : 0;
}

}  // namespace

BubbleRecord::BubbleRecord(const ItemRef& item) {
  Reset();
  Load(item);
}

BubbleRecord::~BubbleRecord() { ReleasePicture(); }

void BubbleRecord::Reset() {
  ReleasePicture();
  item_ = ItemRef();
  id_ = ItemRef();
  baseMediaId_ = 0;
  infoText_.Clear();
  defaultYaw_ = 0.0f;
  defaultPitch_ = 0.0f;
  infoItem_ = DefaultInfoItem();
  pictureMediaId_ = 0;
  ambientSound_ = 0;
  footstepsSound_ = 0;
  for (uint16_t& sound : randomSounds_) sound = 0;
  hotspots_.clear();
}

bool BubbleRecord::Load(const ItemRef& item) {
  Reset();
  item_ = item;
  baseMediaId_ = GetBubbleMediaId(item);
  if (baseMediaId_ == 0) return false;
  const int32_t base = baseMediaId_;
  if (base + kInfoTextOffset <= 0xFFFF) LoadTextMedia(infoText_, static_cast<uint16_t>(base + kInfoTextOffset), true);
  if (base + kPictureOffset <= 0xFFFF) pictureMediaId_ = static_cast<uint16_t>(base + kPictureOffset);
  VString script;
  LoadTextMedia(script, baseMediaId_, false);
  return ReadScript(script);
}

bool BubbleRecord::ReadScript(const VString& script) {
  BeginScript(script);
  if (!OpenBlock("BUBBLE")) return false;
  // The answers of the field readers are not needed: every keyword may be
  // left out, and one out of order is simply not read.
  ReadItemRefField("ID", id_, true);
  float yaw = defaultYaw_;
  float pitch = defaultPitch_;
  ReadFloatPairField("DEFAULTVIEWANGLE", yaw, pitch, true);
  // A view that is no finite angle would put the camera nowhere.
  if (std::isfinite(yaw) && std::isfinite(pitch)) {
    defaultYaw_ = yaw;
    defaultPitch_ = pitch;
  }
  ReadItemRefField("INFO", infoItem_, true);
  ambientSound_ = ReadSound("AMBIENT", ambientSound_);
  footstepsSound_ = ReadSound("FOOTSTEPS", footstepsSound_);
  static const char* const kRandomKeywords[kRandomSoundCount] = {"RANDOM1", "RANDOM2", "RANDOM3", "RANDOM4",
                                                                 "RANDOM5"};
  for (int32_t i = 0; i < kRandomSoundCount; ++i) randomSounds_[i] = ReadSound(kRandomKeywords[i], randomSounds_[i]);
  if (OpenBlock("HOTSPOTS")) {
    while (OpenBlock("HOTSPOT")) {
      auto hotspot = std::make_unique<HotspotRecord>();
      const bool full = GetHotspotCount() >= kMaxHotspots;
      // Past the limit the block is still read (to get past it) but dropped,
      // without its text.
      const bool placed = hotspot->Load(full ? 0 : baseMediaId_);
      if (placed && !full) hotspots_.push_back(std::move(hotspot));
      CloseBlock();
    }
    CloseBlock();
  }
  return true;
}

uint16_t BubbleRecord::GetRandomSound(int32_t index) const {
  return index >= 0 && index < kRandomSoundCount ? randomSounds_[index] : 0;
}

HotspotRecord* BubbleRecord::GetHotspot(int32_t index) const {
  if (index < 0 || index >= GetHotspotCount()) return nullptr;
  return hotspots_[static_cast<size_t>(index)].get();
}

bool BubbleRecord::GetHotspotHitRect(int32_t index, VFRect& out) const {
  const HotspotRecord* hotspot = GetHotspot(index);
  if (hotspot == nullptr) return false;
  out = hotspot->GetHitRect();
  return true;
}

VPicture* BubbleRecord::GetPicture() {
  if (picture_ != nullptr) return picture_;
  if (IsAlternateBubblePicture()) {
    SetAlternateBubblePicture(false);
    MediaArchive* extra = GetArchiveForMedia(kAlternateBubblePictureId);
    MediaArchive* previous = GetCurrentArchive();
    if (extra != nullptr) SetCurrentArchive(extra);
    picture_ = DecodeJpegMedium(kAlternateBubblePictureId);
    if (previous != nullptr) SetCurrentArchive(previous);
  } else if (pictureMediaId_ != 0) {
    picture_ = DecodeJpegMedium(pictureMediaId_);
  }
  return picture_;
}

void BubbleRecord::ReleasePicture() {
  if (picture_ != nullptr) picture_->Release();
  picture_ = nullptr;
}
