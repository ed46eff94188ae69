#include "title/shell/ModuleButtonDef.h"

#include "engine/graphics/VPicture.h"
#include "title/shell/ShellPictures.h"

namespace {
VPicture* Referenced(VPicture* picture) {
  if (picture != nullptr) picture->AddReference();
  return picture;
}
}  // namespace

ModuleButtonDef::ModuleButtonDef(int32_t id, uint16_t stripId, int32_t startFrame, uint16_t maskId, uint16_t regionId,
                                 int32_t regionNumber, int32_t loopStart, int32_t loopEnd, int32_t endBehaviour,
                                 int32_t returnFrame)
    : id_(id),
      strip_(LoadShellPicture(stripId)),
      startFrame_(startFrame),
      maskId_(maskId),
      mask_(LoadShellPicture(maskId)),
      regionId_(regionId),
      region_(LoadShellPicture(regionId, 8)),
      regionNumber_(regionNumber),
      returnFrame_(returnFrame) {
  SetLoop(loopStart, loopEnd, endBehaviour);
}

ModuleButtonDef::ModuleButtonDef(int32_t id, VPicture* strip, int32_t startFrame, VPicture* mask, VPicture* region,
                                 int32_t regionNumber, int32_t loopStart, int32_t loopEnd, int32_t endBehaviour,
                                 int32_t returnFrame)
    : id_(id),
      strip_(Referenced(strip)),
      startFrame_(startFrame),
      mask_(Referenced(mask)),
      region_(Referenced(region)),
      regionNumber_(regionNumber),
      returnFrame_(returnFrame) {
  SetLoop(loopStart, loopEnd, endBehaviour);
}

ModuleButtonDef::~ModuleButtonDef() {
  for (VPicture* picture : {strip_, mask_, region_}) {
    if (picture != nullptr) picture->Release();
  }
}

void ModuleButtonDef::SetLoop(int32_t loopStart, int32_t loopEnd, int32_t endBehaviour) {
  loopStart_ = loopStart < 0 ? 0 : loopStart;
  loopEnd_ = loopEnd < 0 ? 0 : loopEnd;
  endBehaviour_ = loopStart_ == loopEnd_ ? kStop : endBehaviour;
}
