#include "engine/app/MediaServices.h"

#include "engine/app/AppServices.h"

bool StartMovieLibrary() {
  VMediaServices* services = GetMediaServices();
  return services != nullptr && services->StartMovieLibrary();
}

void StopMovieLibrary() {
  // Also called from the crash clean-up and at exit: nothing installed means
  // nothing was started, so there is nothing to report.
  if (VMediaServices* services = GetAppServices().media) services->StopMovieLibrary();
}

void SetAudioActive(bool active) {
  if (VMediaServices* services = GetMediaServices()) services->SetAudioActive(active);
}

bool GetAudioFollowsActivation() {
  VMediaServices* services = GetMediaServices();
  return services == nullptr || services->GetAudioFollowsActivation();
}
