// What an event card shows of its event, handed to the card by its owner
// (a timeline band or the storyline panel), which looks the event's
// storyline up for the icon and keeps the card's id with the event.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"
#include "engine/core/VTime.h"

class EventRecord;

struct EventCardContent {
  // The event's card text, rendered as the card's title.
  VString title;
  VTime date;
  // The first of the storyline's icon pictures for this kind of card: the
  // icon shows iconId, iconId + 2 and iconId + 4, and iconId + 6 when
  // highlighted. 0 when the event's storyline is not known: no icon.
  uint16_t iconId = 0;
  // The event itself, for the owner; the card only hands it back.
  EventRecord* event = nullptr;
};
