#include "engine/core/VLinkedList.h"

VLinkedList::~VLinkedList() { DeleteAll(); }

void VLinkedList::DeleteAll() {
  while (firstElement_ != nullptr) {
    VListElement* element = firstElement_;
    firstElement_ = element->nextElement_;
    element->nextElement_ = nullptr;
    delete element;
  }
}

void VLinkedList::Append(VListElement* element) {
  if (element == nullptr) return;
  VListElement** link = &firstElement_;
  while (*link != nullptr) {
    if (*link == element) {
      // Already listed: take it out here so it is linked once, at the end.
      *link = element->nextElement_;
      continue;
    }
    link = &(*link)->nextElement_;
  }
  element->nextElement_ = nullptr;
  *link = element;
}

void VLinkedList::InsertAt(VListElement* chain, int32_t index) {
  if (chain == nullptr) return;
  if (index < 0) index = 0;
  if (Contains(chain)) Remove(chain, false);  // a move: it goes in as a single element
  // The chain ends at its last element, or before any element that is already
  // in this list (that one stays where it is).
  VListElement* last = chain;
  while (last->nextElement_ != nullptr && !Contains(last->nextElement_)) last = last->nextElement_;
  VListElement* at = nullptr;
  VListElement* predecessor = nullptr;
  Locate(index, &at, &predecessor);
  if (predecessor != nullptr) {
    predecessor->nextElement_ = chain;
  } else {
    firstElement_ = chain;
  }
  last->nextElement_ = at;
}

void VLinkedList::UnlinkAfter(VListElement* predecessor, VListElement* element) {
  if (predecessor != nullptr) {
    predecessor->nextElement_ = element->nextElement_;
  } else {
    firstElement_ = element->nextElement_;
  }
  element->nextElement_ = nullptr;
}

void VLinkedList::RemoveAt(int32_t index, bool deleteElement) {
  VListElement* element = nullptr;
  VListElement* predecessor = nullptr;
  if (Locate(index, &element, &predecessor) == nullptr) return;
  UnlinkAfter(predecessor, element);
  if (deleteElement) delete element;
}

VListElement* VLinkedList::Remove(VListElement* element, bool deleteElement) {
  if (element == nullptr) return nullptr;
  VListElement* predecessor = nullptr;
  for (VListElement* e = firstElement_; e != nullptr; predecessor = e, e = e->nextElement_) {
    if (e != element) continue;
    UnlinkAfter(predecessor, element);
    if (deleteElement) delete element;
    return element;
  }
  return nullptr;
}

void VLinkedList::Sort(VBalance& balance) {
  const int32_t count = GetCount();
  // Pairs are numbered from 1 at the head. Everything after a pass's last
  // swap is in its final order, so the next pass stops before it; the bound
  // shrinks every pass, so even an inconsistent comparator cannot loop.
  int32_t limit = count - 1;
  while (limit >= 1) {
    int32_t lastSwap = 0;
    VListElement** link = &firstElement_;  // the link that points at the pair's first element
    for (int32_t position = 1; position <= limit; ++position) {
      VListElement* a = *link;
      VListElement* b = a->nextElement_;
      if (b == nullptr) break;
      if (balance.Compare(a, b) >= 1) {
        a->nextElement_ = b->nextElement_;
        b->nextElement_ = a;
        *link = b;
        link = &b->nextElement_;
        lastSwap = position;
      } else {
        link = &a->nextElement_;
      }
    }
    if (lastSwap <= 1) break;
    limit = lastSwap - 1;
  }
}

VListElement* VLinkedList::Locate(int32_t index, VListElement** element, VListElement** predecessor) const {
  VListElement* current = nullptr;
  VListElement* previous = nullptr;
  bool reached = false;
  if (index >= 0) {
    current = firstElement_;
    int32_t steps = 0;
    while (steps < index && current != nullptr) {
      previous = current;
      current = current->nextElement_;
      ++steps;
    }
    reached = steps == index;
  }
  if (element != nullptr) *element = current;
  if (predecessor != nullptr) *predecessor = previous;
  return reached ? current : nullptr;
}

VListElement* VLinkedList::GetAt(int32_t index) const { return Locate(index, nullptr, nullptr); }

int32_t VLinkedList::GetCount() const {
  int32_t count = 0;
  for (VListElement* e = firstElement_; e != nullptr; e = e->nextElement_) ++count;
  return count;
}

bool VLinkedList::Contains(const VListElement* element) const {
  for (VListElement* e = firstElement_; e != nullptr; e = e->nextElement_) {
    if (e == element) return true;
  }
  return false;
}
