// The application's media services over the sound library: audio set-up
// (readers, decoders, the output device and its mixer), activation and
// shut-down. No movie library is present.
#pragma once

#include "engine/app/MediaServices.h"

class VAudioDevice;
class VAudioMixer;

class SoundMediaServices : public VMediaServices {
 public:
  bool StartMovieLibrary() override { return false; }
  void StopMovieLibrary() override {}
  bool SetupAudio(const AudioSetup& setup) override;
  void ShutdownAudio() override;
  void SetAudioActive(bool active) override;
  bool GetAudioFollowsActivation() override;

  VAudioDevice* GetDevice() const { return device_; }
  VAudioMixer* GetMixer() const { return mixer_; }

 private:
  VAudioDevice* device_ = nullptr;
  VAudioMixer* mixer_ = nullptr;
};

// The process-wide services of a program without the movie library (the
// media services InstallEngineServices installs unless asked for movies).
SoundMediaServices& GetSoundMediaServices();
