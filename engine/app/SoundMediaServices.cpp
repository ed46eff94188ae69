#include "engine/app/SoundMediaServices.h"

#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/AudioMixer.h"

bool SoundMediaServices::SetupAudio(const AudioSetup& setup) {
  if (device_) return true;
  EnsureStandardSoundCodecs();
  device_ = CreateAudioDevice(setup.format, setup.priorityLevel);
  if (!device_) return false;
  mixer_ = new VAudioMixer(device_, setup.levelCount);
  return true;
}

void SoundMediaServices::ShutdownAudio() {
  delete mixer_;
  mixer_ = nullptr;
  delete device_;
  device_ = nullptr;
}

void SoundMediaServices::SetAudioActive(bool active) { SetAudioOutputActive(active); }

bool SoundMediaServices::GetAudioFollowsActivation() { return GetAudioOutputFollowsActivation(); }

SoundMediaServices& GetSoundMediaServices() {
  static SoundMediaServices services;
  return services;
}
