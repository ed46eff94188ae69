// The engine's one list type: an intrusive, singly linked list of polymorphic
// elements that the list owns while they are linked. Lists are short; every
// operation walks from the head and none allocates.
#pragma once

#include <cstdint>

class VLinkedList;

// Base of every list record: holds the link to the following element.
class VListElement {
 public:
  VListElement() = default;
  // Does not unlink: whoever deletes a listed element removes it first (or
  // lets the list delete it).
  virtual ~VListElement() = default;
  // A copy is a new, unlisted element.
  VListElement(const VListElement&) {}
  VListElement& operator=(const VListElement&) { return *this; }

  // The following element, or null at the end or when not listed.
  VListElement* GetNext() const { return nextElement_; }
  // Links a following element: for building a chain to hand to
  // VLinkedList::InsertAt. Never call it on a listed element.
  void SetNext(VListElement* next) { nextElement_ = next; }

 private:
  friend class VLinkedList;
  VListElement* nextElement_ = nullptr;
};

// Orders elements for VLinkedList::Sort. Compare answers 1 or more when a
// must come after b; 0 or below keeps the pair as it is.
class VBalance {
 public:
  virtual int16_t Compare(VListElement* a, VListElement* b) = 0;
  virtual ~VBalance() = default;
};

class VLinkedList {
 public:
  VLinkedList() = default;
  // Destroys every element (DeleteAll).
  virtual ~VLinkedList();
  VLinkedList(const VLinkedList&) = delete;
  VLinkedList& operator=(const VLinkedList&) = delete;

  // Index that appends when given to InsertAt.
  static constexpr int32_t kEnd = 0x7FFFFFFF;

  // Destroys every element through its virtual destructor; the list is then
  // empty. Each element is unlinked before it is destroyed, so a destructor
  // may look at or change the rest of the list.
  void DeleteAll();
  // Links the element at the end (null does nothing). The list takes
  // ownership. An element already in this list is moved to the end.
  void Append(VListElement* element);
  // Puts a chain of elements (already joined by their next links, the last
  // one's link ignored) before the element at the index; an index at or
  // beyond the count appends it, a negative index counts as 0. Null does
  // nothing. The list takes ownership of the chain. A single element that is
  // already in this list is moved (the index then counts without it).
  void InsertAt(VListElement* chain, int32_t index);
  // Unlinks the element at the index: destroyed with deleteElement, else it
  // is handed back to the caller (its link cleared). Nothing past the end.
  void RemoveAt(int32_t index, bool deleteElement);
  // Unlinks the element when it is in this list and returns it: destroyed
  // with deleteElement (the result is then good only for a null test), else
  // handed to the caller with its link cleared. Null when the element is not
  // in the list (nothing changes).
  VListElement* Remove(VListElement* element, bool deleteElement);
  // Stable bubble sort by relinking; equal elements keep their order.
  void Sort(VBalance& balance);
  // Walks index steps from the head: element = the one at the index (null
  // past the end), predecessor = the one before it (null at index 0).
  // Returns the element when exactly index steps could be made, else null.
  VListElement* Locate(int32_t index, VListElement** element, VListElement** predecessor) const;
  // The element at the index, or null (past the end, negative index).
  // The list keeps ownership.
  VListElement* GetAt(int32_t index) const;
  int32_t GetCount() const;
  VListElement* GetFirst() const { return firstElement_; }
  bool IsEmpty() const { return firstElement_ == nullptr; }
  // True when the element is linked in this list.
  bool Contains(const VListElement* element) const;

 private:
  // Unlinks element, whose predecessor is given (null for the head).
  void UnlinkAfter(VListElement* predecessor, VListElement* element);

  VListElement* firstElement_ = nullptr;
};
