#include "engine/core/VTLink.h"

VTLink::~VTLink() {
  // Not virtual here: the derived parts are already gone.
  VTLink::Unlink();
}

bool VTLink::DispatchPreOrder(uint32_t code, uint32_t value1, uint32_t value2) {
  if (HandleMessage(code, value1, value2)) return true;
  if (firstChild_ != nullptr && firstChild_->DispatchPreOrder(code, value1, value2)) return true;
  if (nextSibling_ != nullptr) return nextSibling_->DispatchPreOrder(code, value1, value2);
  return false;
}

bool VTLink::DispatchPostOrder(uint32_t code, uint32_t value1, uint32_t value2) {
  if (nextSibling_ != nullptr && nextSibling_->DispatchPostOrder(code, value1, value2)) return true;
  if (firstChild_ != nullptr && firstChild_->DispatchPostOrder(code, value1, value2)) return true;
  return HandleMessage(code, value1, value2);
}

bool VTLink::DispatchUpward(uint32_t code, uint32_t value1, uint32_t value2) {
  if (HandleMessage(code, value1, value2)) return true;
  if (backLink_ != nullptr) return backLink_->DispatchUpward(code, value1, value2);
  return false;
}

bool VTLink::HandleMessage(uint32_t, uint32_t, uint32_t) { return false; }

void VTLink::DetachFromTree() {
  if (backLink_ != nullptr) {
    if (backLink_->nextSibling_ == this) {
      backLink_->nextSibling_ = nextSibling_;
    } else {
      backLink_->firstChild_ = nextSibling_;  // this node was the first child
    }
  }
  if (nextSibling_ != nullptr) nextSibling_->backLink_ = backLink_;
  backLink_ = nullptr;
  nextSibling_ = nullptr;
}

bool VTLink::IsSelfOrDescendant(const VTLink* node) const {
  // Walking back links from a node of this subtree reaches this node through
  // its first child; from anywhere else it never arrives that way.
  const VTLink* from = nullptr;
  for (const VTLink* n = node; n != nullptr; from = n, n = n->backLink_) {
    if (n == this && (from == nullptr || firstChild_ == from)) return true;
  }
  return false;
}

void VTLink::InsertAfter(VTLink* sibling) {
  DetachFromTree();
  // Linking after a node of our own subtree would close a loop.
  if (sibling == nullptr || IsSelfOrDescendant(sibling)) return;
  nextSibling_ = sibling->nextSibling_;
  if (nextSibling_ != nullptr) nextSibling_->backLink_ = this;
  backLink_ = sibling;
  sibling->nextSibling_ = this;
}

void VTLink::AddChild(VTLink* parent) {
  DetachFromTree();
  if (parent == nullptr || IsSelfOrDescendant(parent)) return;
  nextSibling_ = parent->firstChild_;
  if (nextSibling_ != nullptr) nextSibling_->backLink_ = this;
  backLink_ = parent;
  parent->firstChild_ = this;
}

VTLink* VTLink::Unlink() {
  DetachFromTree();
  VTLink* formerFirstChild = firstChild_;
  if (formerFirstChild != nullptr) formerFirstChild->backLink_ = nullptr;
  firstChild_ = nullptr;
  return formerFirstChild;
}

VTLink* VTLink::GetParent() const {
  const VTLink* from = this;
  for (const VTLink* n = backLink_; n != nullptr; from = n, n = n->backLink_) {
    if (n->firstChild_ == from) return const_cast<VTLink*>(n);
  }
  return nullptr;
}

void VTLink::DeleteChildren(VTLink* node) {
  if (node != nullptr && node->firstChild_ != nullptr) DeleteChain(node->firstChild_);
}

void VTLink::DeleteChain(VTLink* node) {
  if (node == nullptr) return;
  // Every node's descendants first, front to back...
  VTLink* last = node;
  for (VTLink* n = node; n != nullptr; n = n->nextSibling_) {
    DeleteChildren(n);
    last = n;
  }
  // ...then the nodes themselves, last first. Each destructor unlinks its
  // node, so the chain shrinks from its end.
  for (VTLink* n = last; n != node;) {
    VTLink* previous = n->backLink_;
    delete n;
    n = previous;
  }
  delete node;
}

bool VDataLink::HandleData(uint32_t, uint32_t, uint32_t, uint32_t) { return false; }

bool VEventHandler::HandleMessage(uint32_t code, uint32_t value1, uint32_t value2) {
  return HandleEvent(code, value1, value2);
}

bool VEventHandler::HandleEvent(uint32_t, uint32_t, uint32_t) { return false; }

bool VPropertyHolder::GetProperty(uint32_t, uint32_t, uint32_t) { return false; }
bool VPropertyHolder::SetProperty(uint32_t, uint32_t) { return false; }
bool VPropertyHolder::HasProperty(uint32_t) { return false; }
