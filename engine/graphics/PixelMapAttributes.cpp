#include "engine/graphics/PixelMapAttributes.h"

#include <algorithm>

#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VMask.h"

PixelMapAttributes::PixelMapAttributes(VAlphaChannel* channel) { SetAlphaChannel(channel); }

PixelMapAttributes::~PixelMapAttributes() {
  if (alphaChannel_) alphaChannel_->Release();
  if (mask_) mask_->Release();
}

void PixelMapAttributes::Assign(const PixelMapAttributes& other) {
  if (&other == this) return;
  flags = other.flags;
  level = other.level;
  keyIndex = other.keyIndex;
  keyColor = other.keyColor;
  if (other.alphaChannel_) other.alphaChannel_->AddReference();
  if (other.mask_) other.mask_->AddReference();
  if (alphaChannel_) alphaChannel_->Release();
  if (mask_) mask_->Release();
  alphaChannel_ = other.alphaChannel_;
  mask_ = other.mask_;
}

void PixelMapAttributes::Clear() {
  SetAlphaChannel(nullptr);
  SetMask(nullptr);
  flags = 0;
  level = 63;
  keyIndex = 0;
  keyColor = VRGBColor();
}

VAlphaChannel* PixelMapAttributes::GetAlphaChannel() const {
  if (alphaChannel_) alphaChannel_->AddReference();
  return alphaChannel_;
}

VMask* PixelMapAttributes::GetMask() const {
  if (mask_) mask_->AddReference();
  return mask_;
}

void PixelMapAttributes::SetAlphaChannel(VAlphaChannel* channel) {
  if (channel) channel->AddReference();
  if (alphaChannel_) alphaChannel_->Release();
  alphaChannel_ = channel;
  if (channel) {
    flags |= kAlphaChannel;
  } else {
    flags &= ~uint32_t{kAlphaChannel};
  }
}

void PixelMapAttributes::SetMask(VMask* mask) {
  if (mask) mask->AddReference();
  if (mask_) mask_->Release();
  mask_ = mask;
  if (mask) {
    flags |= kMask;
  } else {
    flags &= ~uint32_t{kMask};
  }
}

void PixelMapAttributes::SetLevel(int32_t value) {
  if (value == 63) {
    flags &= ~uint32_t{kLevel};
    level = 63;
    return;
  }
  flags |= kLevel;
  level = static_cast<uint8_t>(std::clamp(value, 0, 63));
}

TransferAttributes PixelMapAttributes::ToTransferAttributes() const {
  TransferAttributes out;
  out.flags = flags;
  out.level = level;
  out.keyIndex = keyIndex;
  out.keyColor = keyColor;
  out.maskFlags = mask_ ? mask_->GetCurrentFlags() : nullptr;
  return out;
}
