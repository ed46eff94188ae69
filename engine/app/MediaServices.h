// What the application framework needs of the media it plays: the movie
// library's start and stop (the movie layer lies above the framework), and
// the audio device with its mixer. The program installs an implementation at
// start-up with the application services (engine/app/AppServices.h):
// SoundMediaServices, or the movie layer's MovieMediaServices. Until then
// there is no movie library ("not present") and no audio, and every use is
// reported as a missing service.
#pragma once

#include <cstdint>

#include "engine/app/AudioSetup.h"

class VMediaServices {
 public:
  virtual ~VMediaServices() = default;
  // Initialises the movie library once; answers whether it is present.
  virtual bool StartMovieLibrary() = 0;
  // Terminates it when it was started. Must be safe to call from the crash
  // clean-up.
  virtual void StopMovieLibrary() = 0;
  // Makes the audio device for the format (owned by the services) and its
  // mixer, and registers the decoders and sound readers; false when no
  // device could be made.
  virtual bool SetupAudio(const AudioSetup& setup) = 0;
  // Deletes the mixer, then the device.
  virtual void ShutdownAudio() = 0;
  virtual void SetAudioActive(bool active) = 0;
  // Whether audio output is closed while the program is inactive.
  virtual bool GetAudioFollowsActivation() = 0;
};

// Replaces the installed services alone (tests; not owned, they must outlive
// the installation; null removes them). Returns the previous ones.
VMediaServices* SetMediaServices(VMediaServices* services);
// The installed services; null, reported as a missing service, without them.
VMediaServices* GetMediaServices();

// The calls the framework makes; without services: false / nothing / true
// (StopMovieLibrary does not report: nothing installed, nothing started).
bool StartMovieLibrary();
void StopMovieLibrary();
void SetAudioActive(bool active);
bool GetAudioFollowsActivation();
