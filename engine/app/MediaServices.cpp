#include "engine/app/MediaServices.h"

namespace {
VMediaServices* gServices = nullptr;
}  // namespace

VMediaServices* SetMediaServices(VMediaServices* services) {
  VMediaServices* previous = gServices;
  gServices = services;
  return previous;
}

VMediaServices* GetMediaServices() { return gServices; }

bool StartMovieLibrary() { return gServices != nullptr && gServices->StartMovieLibrary(); }

void StopMovieLibrary() {
  if (gServices != nullptr) gServices->StopMovieLibrary();
}

void SetAudioActive(bool active) {
  if (gServices != nullptr) gServices->SetAudioActive(active);
}

bool GetAudioFollowsActivation() { return gServices == nullptr || gServices->GetAudioFollowsActivation(); }
