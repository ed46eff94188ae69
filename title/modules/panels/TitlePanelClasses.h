// The class registrations of the title's three full-screen panels besides
// the main panel: the opening (credits) panel 2049, the language panel 2050
// and the closing (text-and-picture) panel 2051.
#pragma once

class VFactory;

// Registers the three panel classes with the factory (null: the default
// factory). A class the factory already has from here is not added again.
void RegisterTitlePanelClasses(VFactory* factory = nullptr);
