// What the title's controls need of the application shell's main screen:
// the main window's current panel and the caption line of the main interface
// screen. The shell installs its implementation at start-up
// (InstallTitleServices in title/controls/TitleServices.h); without one the
// use is reported as a missing service (engine/core/ServiceCheck.h), the
// controls find no panel and their captions go nowhere.
#pragma once

#include <cstdint>

class VGraphicObject;
class VString;

class MainScreenServices {
 public:
  // Ids of main-interface controls that lie over the photo area.
  static constexpr int32_t kMainInterfaceScreenId = 14378;
  static constexpr int32_t kPhotoOverlayControlIds[2] = {14389, 14384};

  virtual ~MainScreenServices() = default;
  // The main window's current panel; null when there is none. Owned by the
  // window; valid until the panel changes.
  virtual VGraphicObject* GetCurrentPanel() = 0;
  // Sets the caption of the main interface screen (control 14378 of the
  // current panel): the text, shown or hidden, and unless keep it becomes
  // the remembered caption. Nothing when the screen is absent.
  virtual void SetCaption(const VString& text, bool shown, bool keep) = 0;
};

// Installs the services (not owned; null removes them); the installed ones,
// null and reported as missing when none are installed.
void InstallMainScreenServices(MainScreenServices* services);
MainScreenServices* GetMainScreenServices();
