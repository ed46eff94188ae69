// The main panel's screen of kind 6, the tour's information overlay
// (TourInfoPanel), drawn in the application's picture fonts.
#pragma once

// Registers the maker of kind 6 with the ScreenRegistry (again harmlessly).
void RegisterTourInfoPanel();
