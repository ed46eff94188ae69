// The sound layer's implementation of the application's media services:
// audio set-up (readers, decoders, the output device and its mixer),
// activation and shut-down. No movie library is present.
#pragma once

#include "engine/app/MediaServices.h"

class VAudioDevice;
class VAudioMixer;

class SoundMediaServices : public VMediaServices {
 public:
  bool StartMovieLibrary() override { return false; }
  void StopMovieLibrary() override {}
  // `format` is a VAudioFormat or null (22050 Hz, 16 bits, mono).
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

// Installs the process-wide services (once) and returns them.
SoundMediaServices& InstallSoundMediaServices();
