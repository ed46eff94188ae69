// The engine's object tree: an intrusive node with three links through which
// every screen is built and every tick, mouse, key and control message travels
// as three 32-bit values, plus the data-tree and event-tree node kinds.
#pragma once

#include <cstdint>

// Messages sent down or along a tree by the engine.
enum EngineMessage : uint32_t {
  kMessageTick = 2,               // value1 = tick count when sent, value2 = 0
  kMessageMouseDown = 5,          // value1 = VMouseEvent*
  kMessageMouseUp = 6,            // value1 = VMouseEvent*
  kMessageMouseMove = 7,          // value1 = VMouseEvent*
  kMessageKeyDown = 8,            // value1 = VKeyEvent* (key down or character)
  kMessageKeyUp = 9,              // value1 = VKeyEvent*
  kMessageVisibilityChanged = 10,  // 0, 0; never taken
  kMessageCursorUpdate = 11,      // value1 = VMouseEvent*
};

// Events that controls send up their event tree while being dragged.
// value1 = the control's id, value2 = the control's VEventHandler part.
enum ControlEvent : uint32_t {
  kControlDragBegins = 12,
  kControlDraggedOver = 13,
  kControlDragEnds = 14,
};

// A tree node. Links are plain, non-owning pointers:
//   back link    - the previous sibling, or the parent for a first child;
//                  null for a root or a detached node;
//   next sibling - the following sibling or null;
//   first child  - the first child or null.
// Nothing here owns anything: destroying a node unlinks it and leaves its
// children as a detached sibling chain. Owners delete subtrees with
// DeleteChildren / DeleteChain.
//
// A handler may not delete the node it runs on (or a node the running
// dispatch still has to visit) while a dispatch is in progress; such
// deletions are deferred by their owners to the next idle pass.
class VTLink {
 public:
  VTLink() = default;
  // Unlinks the node; its children are not destroyed.
  virtual ~VTLink();
  VTLink(const VTLink&) = delete;
  VTLink& operator=(const VTLink&) = delete;

  // This node, its subtree in list order, then every following sibling with
  // its subtree. True as soon as one HandleMessage takes the message.
  virtual bool DispatchPreOrder(uint32_t code, uint32_t value1, uint32_t value2);
  // The exact reverse of the pre-order: the following siblings (last first),
  // then the children, then this node. Offers input to the frontmost first.
  virtual bool DispatchPostOrder(uint32_t code, uint32_t value1, uint32_t value2);
  // This node, then along the back link: previous siblings, the parent, the
  // parent's previous siblings, and so on to the root.
  virtual bool DispatchUpward(uint32_t code, uint32_t value1, uint32_t value2);

  // Moves this node (with its subtree) to just after the sibling. With the
  // node itself, or a node of its own subtree, the node is only detached.
  virtual void InsertAfter(VTLink* sibling);
  // Moves this node (with its subtree) to be the parent's new first child, so
  // plain children are kept newest first. With the node itself, or a node of
  // its own subtree, the node is only detached.
  virtual void AddChild(VTLink* parent);
  // Takes the node out of its tree and clears its links. Returns the former
  // first child: the former children stay a sibling chain, reachable only
  // through that pointer, and no longer know this node as their parent.
  virtual VTLink* Unlink();
  // The node's own answer to a message; true means taken. Takes nothing here.
  virtual bool HandleMessage(uint32_t code, uint32_t value1, uint32_t value2);

  // The node whose first child this node's sibling chain starts at, or null
  // for a root or a node of a detached chain.
  VTLink* GetParent() const;
  // Tells the owner: DispatchUpward from this node.
  bool SendUpward(uint32_t code, uint32_t value1, uint32_t value2) { return DispatchUpward(code, value1, value2); }

  // True for the tree part of a graphic object, which marks it so while it
  // stands (from the end of its construction to the end of its destruction):
  // the display tree steps through its links without a run-time type check.
  bool IsGraphicNode() const { return graphicNode_; }

  VTLink* GetBackLink() const { return backLink_; }
  VTLink* GetNextSibling() const { return nextSibling_; }
  VTLink* GetFirstChild() const { return firstChild_; }

  // Deletes every descendant of the node (null does nothing); the node
  // itself stays, childless.
  static void DeleteChildren(VTLink* node);
  // Deletes the node, every sibling after it and all their descendants,
  // deepest and last first, each through its virtual destructor. Null does
  // nothing.
  static void DeleteChain(VTLink* node);
  // DeleteChildren on this node.
  void DestroyChildren() { DeleteChildren(this); }

 protected:
  // Takes the node out of its sibling chain (or its parent's first-child
  // slot), joining its neighbours. The node keeps its children.
  void DetachFromTree();
  // True when node is this node or lies in its subtree.
  bool IsSelfOrDescendant(const VTLink* node) const;

  VTLink* backLink_ = nullptr;
  VTLink* nextSibling_ = nullptr;
  VTLink* firstChild_ = nullptr;
  bool graphicNode_ = false;
};

// A node of a data tree: adds a data handler taking four values.
class VDataLink : public VTLink {
 public:
  VDataLink() = default;
  ~VDataLink() override = default;
  // Takes nothing here.
  virtual bool HandleData(uint32_t value1, uint32_t value2, uint32_t value3, uint32_t value4);
};

// A node of an event tree: every message reaching the node goes to
// HandleEvent, which controls and screens override.
class VEventHandler : public VTLink {
 public:
  VEventHandler() = default;
  ~VEventHandler() override = default;
  // Forwards the three values unchanged and answers what HandleEvent answers.
  bool HandleMessage(uint32_t code, uint32_t value1, uint32_t value2) override;
  // Takes nothing here.
  virtual bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2);
};

// The property interface of graphic objects; every query answers false.
class VPropertyHolder {
 public:
  virtual ~VPropertyHolder() = default;
  virtual bool GetProperty(uint32_t key, uint32_t value1, uint32_t value2);
  virtual bool SetProperty(uint32_t key, uint32_t value);
  virtual bool HasProperty(uint32_t key);
};
