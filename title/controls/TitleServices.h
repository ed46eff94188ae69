// The title's start-up step for services: everything the engine offers
// (InstallEngineServices, with the movie library's media services) and the
// main screen's services. The title's program calls it once at start, before
// it makes its application (whose constructor starts the movie library). The
// table of interface sounds is not among them: the sound manager joins its
// channels to the mixer that exists when it is made, so the application
// installs it (InstallTitleSoundTable) after its audio set-up.
#pragma once

#include "engine/services/EngineServices.h"

class MainScreenServices;

struct TitleServicesOptions {
  TitleServicesOptions() { engine.movieLibrary = true; }
  // The engine's services; the title plays movies.
  EngineServicesOptions engine;
  // The shell's main window and caption line for the photo controls (not
  // owned; null leaves them absent until the shell installs them).
  MainScreenServices* mainScreen = nullptr;
};

void InstallTitleServices(TitleServicesOptions options = {});
