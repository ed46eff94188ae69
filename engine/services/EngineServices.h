// One start-up step that installs every service the engine offers, in each
// layer's record: the script services (engine/script/ScriptServices.h), the
// graphics services (engine/graphics/GraphicsServices.h), the application
// services (engine/app/AppServices.h) and the sound codecs with the MPEG
// audio decoder. Every program calls it once at
// start, before it makes an application or reads a picture: ostrevan-tool,
// the demos, the test programs (tests/support) and the title (through
// InstallTitleServices in title/controls/TitleServices.h, which adds the
// title's own pieces).
//
// The services with a sound built-in default need nothing: the clock (the
// monotonic clock), the JPEG reader (the engine's decoder), the audio device
// (SDL's ring or queue device), the pixel-map display (a memory stand-in
// until the display exists), the class factory (made on first use) and the
// movie-library binding (none on this platform).
#pragma once

#include "engine/script/ScriptServices.h"
#include "engine/sound/AudioDevice.h"

struct EngineServicesOptions {
  // Media services with the movie library's start and stop
  // (MovieMediaServices) instead of sound alone (SoundMediaServices).
  bool movieLibrary = false;
  // The program's own script services. An empty visit history or category
  // tables field gets the engine's in-memory one; the event records have no
  // engine default (the content modules make them) and stay absent when
  // not given.
  ScriptServices script;
  // The output device audio set-up makes; empty: SDL's device.
  AudioDeviceFactory audioDevices;
  // Stop the program on a service used before it was installed
  // (engine/core/ServiceCheck.h). Strict mode is also on in builds without
  // NDEBUG and with OSTREVAN_STRICT_SERVICES=1; false here leaves it as it is.
  bool strict = false;
};

void InstallEngineServices(EngineServicesOptions options = {});
