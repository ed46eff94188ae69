// One element of an owner's list of its event cards in date order: the id of
// one card, which the owner finds again under itself.
#pragma once

#include <cstdint>

#include "engine/core/VLinkedList.h"

class CardOrderEntry : public VListElement {
 public:
  explicit CardOrderEntry(int32_t cardId) : cardId_(cardId) {}
  int32_t GetCardId() const { return cardId_; }

 private:
  int32_t cardId_;
};
