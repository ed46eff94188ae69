// The dialog templates of the two launchers, as tables for the dialog kit:
// the setup launcher's setup-type and progress dialogs, the autorun menu,
// its readme, upgrade and about dialogs. Texts are code page 1252.
#pragma once

#include <string>

#include "launchers/common/Dialog.h"

namespace kit {

// Addresses and numbers the build is configured with.
struct LauncherContacts {
  std::string hotline = "Hotline:\nTel. 0421 / 55 50 120\nFax 0421 / 55 50 129";
  std::string serviceAddress = "www.pellam.example";
};

// Pellam Setup: the setup-type dialog (102) and the progress dialog (103).
DialogTemplate SetupTypeDialogTemplate(const LauncherContacts& contacts = {});
DialogTemplate InstallProgressDialogTemplate(const LauncherContacts& contacts = {});

// Tesselby: the menu (102), readme (161), upgrade (177) and about (100)
// dialogs. The caption-less ones are laid out in pixels at the scale of
// "Small Fonts" 1 point (a unit is half a pixel across, 3/8 down).
DialogTemplate AutorunMenuTemplate();
DialogTemplate ReadmeDialogTemplate();
DialogTemplate UpgradeDialogTemplate();
DialogTemplate AboutDialogTemplate();

// The template item of a control placed at a pixel rectangle on the menus'
// scale (the units whose mapping gives exactly those pixels).
DialogItem PixelItem(ItemKind kind, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t style,
                     int32_t resource);

// The menus' scale.
inline constexpr BaseUnits kMenuUnits{2, 3};

}  // namespace kit
