#include "engine/app/MediaServices.h"

namespace {
VMediaServices* g_services = nullptr;
}  // namespace

VMediaServices* SetMediaServices(VMediaServices* services) {
  VMediaServices* previous = g_services;
  g_services = services;
  return previous;
}

VMediaServices* GetMediaServices() { return g_services; }

bool StartMovieLibrary() { return g_services != nullptr && g_services->StartMovieLibrary(); }

void StopMovieLibrary() {
  if (g_services != nullptr) g_services->StopMovieLibrary();
}

void SetAudioActive(bool active) {
  if (g_services != nullptr) g_services->SetAudioActive(active);
}

bool GetAudioFollowsActivation() { return g_services == nullptr || g_services->GetAudioFollowsActivation(); }
