// Everything the title gives the engine through its registered interfaces,
// installed in one place at start-up, before the application is made: the
// engine's and the title's services (InstallTitleServices) with the title's
// own visit history and category tables, the archive routing of the title's four
// archives, the visit history in "history.log", the category tables, panel
// creation through the class factory, the media services (sound and movies),
// picture fonts made from system faces, the cursors, the title's language and
// the panel classes of the main window's panel ids, and the main panel's
// screen makers of the item viewer (RegisterItemViewer), the tour's
// information overlay (RegisterTourInfoPanel) and the room overlay
// (RegisterRoomOverlay).
//
// The title's table of interface sounds is not among them: the sound manager
// it fills joins its channels to the mixer that exists when it is made, so it
// is installed after the audio set-up (MuseumApplication::StartApplication).
#pragma once

#include "engine/script/EventRecordHook.h"

class HistoryLog;

// Installs the services (again harmlessly); the objects behind them live
// until the program ends. `eventRecords` makes the records of event items
// for their visit flags (the storyline module's, which the program links);
// empty leaves events without records.
void InstallMuseumServices(EventRecordFactory eventRecords = {});
// Removes what InstallMuseumServices installed that refers to the title's
// own objects (history, tables), so nothing is left pointing at them; the
// archive router goes with the archives (DeleteMuseumArchives).
void RemoveMuseumServices();
// The visit history the services installed.
HistoryLog& GetMuseumHistoryLog();
