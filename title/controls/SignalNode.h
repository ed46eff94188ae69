// The core of the value network that drives timed animations: nodes that
// receive double values on numbered inputs and fire once all their connected
// inputs have arrived, sources that compute a value and push it to their
// subscribers, and the links between them.
//
// Ownership: nodes and links belong to the graph itself. Deleting a source
// deletes its links; a link's destruction takes one input from its node,
// and a node left without any input deletes itself (a function node then
// deletes its own links in turn). So deleting a timer deletes the part of
// the graph that hangs only from it.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/VLinkedList.h"

class SignalNode {
 public:
  virtual ~SignalNode();
  SignalNode(const SignalNode&) = delete;
  SignalNode& operator=(const SignalNode&) = delete;

  virtual int32_t GetInputCount() const = 0;
  // Stores the value, counts it; when every connected input has arrived,
  // fires and starts counting again. Indices outside the inputs are ignored.
  void ReceiveInput(int32_t index, double value);
  // One feeding link less; with allowDelete, a node left without any
  // deletes itself.
  void RemoveInput(int32_t index, bool allowDelete);

  double GetInput(int32_t index) const;
  void SetInput(int32_t index, double value);
  int32_t GetConnectedCount() const { return connected_; }
  int32_t GetArrivedCount() const { return arrived_; }

 protected:
  // count inputs, all 0.
  explicit SignalNode(int32_t count);
  // Called when all connected inputs have arrived.
  virtual void Fire() = 0;
  // From now on links reaching the node change nothing (its destruction
  // has begun).
  void MarkDying() { dying_ = true; }

 private:
  friend class SignalSource;
  std::vector<double> inputs_;
  int32_t arrived_ = 0;
  int32_t connected_ = 0;
  bool dying_ = false;  // being destroyed: links reaching it change nothing
};

// One subscription: the node fed and its input index.
class SignalLink : public VListElement {
 public:
  SignalLink(SignalNode* node, int32_t index) : node_(node), index_(index) {}
  // Removes one input from the node, with deletion allowed.
  ~SignalLink() override;
  SignalNode* GetNode() const { return node_; }
  int32_t GetIndex() const { return index_; }

 private:
  SignalNode* node_;
  int32_t index_;
};

class SignalSource {
 public:
  SignalSource() = default;
  // Deletes every link (see the cascade above).
  ~SignalSource();
  SignalSource(const SignalSource&) = delete;
  SignalSource& operator=(const SignalSource&) = delete;

  virtual double GetValue() = 0;
  // Connects the node's input to this source; nothing for a null node.
  void Subscribe(SignalNode* node, int32_t index);
  // value = GetValue(), then Broadcast.
  void Update();
  // Hands the value to every subscriber, the last subscribed first.
  void Broadcast();
  double GetStoredValue() const { return value_; }
  int32_t GetSubscriberCount() const { return subscribers_.GetCount(); }

 protected:
  double value_ = 0;

 private:
  VLinkedList subscribers_;
};
