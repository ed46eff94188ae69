// Makes the tour's room overlay (RoomOverlay) the main panel's screen of
// kind 10, with the title's picture fonts. The request's context (the kind
// of the screen it opens over, else the strip's status code) picks the room.
// Each room it shows is written to the run log ("room-shown N").
#pragma once

void RegisterRoomOverlay();
