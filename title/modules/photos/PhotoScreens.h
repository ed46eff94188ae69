// The photo screens' makers for the main panel (ScreenRegistry): kind 12,
// the historical photo screen of an HP item, and kind 13, the detail photo
// pop-up that the tour view opens for a DF hotspot. The program calls it
// once at start, before the main panel is shown.
#pragma once

void RegisterPhotoScreens();
