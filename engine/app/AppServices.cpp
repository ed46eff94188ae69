#include "engine/app/AppServices.h"

#include <utility>

#include "engine/core/ServiceCheck.h"

namespace {

AppServices& Installed() {
  static AppServices services;
  return services;
}

template <typename T>
T* Checked(T* service, const char* name) {
  if (service == nullptr) ReportMissingService(name);
  return service;
}

}  // namespace

void InstallAppServices(const AppServices& services) { Installed() = services; }

AppServices GetAppServices() { return Installed(); }

VDrawingBackend* SetDrawingBackend(VDrawingBackend* backend) { return std::exchange(Installed().drawing, backend); }

VDrawingBackend* GetDrawingBackend() { return Checked(Installed().drawing, "drawing backend"); }

VTransitionRedrawer* SetTransitionRedrawer(VTransitionRedrawer* redrawer) {
  return std::exchange(Installed().transitions, redrawer);
}

VTransitionRedrawer* GetTransitionRedrawer() { return Checked(Installed().transitions, "transition redrawer"); }

VPanelServices* SetPanelServices(VPanelServices* services) { return std::exchange(Installed().panels, services); }

VPanelServices* GetPanelServices() { return Checked(Installed().panels, "panel services"); }

VMediaServices* SetMediaServices(VMediaServices* services) { return std::exchange(Installed().media, services); }

VMediaServices* GetMediaServices() { return Checked(Installed().media, "media services"); }
