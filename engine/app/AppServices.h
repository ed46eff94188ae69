// The application library's record of services installed from above or
// chosen by the program: the drawing backend of the display tree, the
// redrawer of running transitions (the controls), the panel services (the
// controls' panels and class factory) and the media services (sound, and the
// movie library where the program has one). The program installs the record
// once at start (InstallEngineServices in engine/services); a use of a
// service that is not installed is reported through ReportMissingService
// (engine/core/ServiceCheck.h) and then does nothing: nothing filled or
// redrawn, no panel made, no movie library and no audio.
#pragma once

#include "engine/app/GraphicServices.h"
#include "engine/app/MediaServices.h"
#include "engine/app/VPanelOwner.h"

struct AppServices {
  VDrawingBackend* drawing = nullptr;         // VEngineDrawingBackend
  VTransitionRedrawer* transitions = nullptr;  // the running transitions (engine/controls)
  VPanelServices* panels = nullptr;            // panels by class id (engine/controls)
  VMediaServices* media = nullptr;             // SoundMediaServices or MovieMediaServices
};

// Installs the whole record (null fields: that service is absent). None is
// owned: each must outlive its installation.
void InstallAppServices(const AppServices& services);
// The record as installed.
AppServices GetAppServices();
