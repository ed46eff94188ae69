#include "title/controls/SignalNode.h"

#include <cstddef>

SignalNode::SignalNode(int32_t count) : inputs_(static_cast<size_t>(count > 0 ? count : 0), 0.0) {}

SignalNode::~SignalNode() { dying_ = true; }

double SignalNode::GetInput(int32_t index) const {
  return index >= 0 && static_cast<size_t>(index) < inputs_.size() ? inputs_[static_cast<size_t>(index)] : 0.0;
}

void SignalNode::SetInput(int32_t index, double value) {
  if (index >= 0 && static_cast<size_t>(index) < inputs_.size()) inputs_[static_cast<size_t>(index)] = value;
}

void SignalNode::ReceiveInput(int32_t index, double value) {
  if (dying_) return;
  SetInput(index, value);
  ++arrived_;
  if (arrived_ >= connected_) {
    arrived_ = 0;
    Fire();
  }
}

void SignalNode::RemoveInput(int32_t, bool allowDelete) {
  if (dying_) return;
  --connected_;
  if (arrived_ > connected_) arrived_ = connected_ > 0 ? connected_ : 0;
  if (allowDelete && connected_ <= 0) {
    dying_ = true;
    delete this;
  }
}

SignalLink::~SignalLink() {
  if (node_ != nullptr) node_->RemoveInput(index_, true);
}

SignalSource::~SignalSource() {
  // One link at a time: a link's destruction may delete nodes whose own
  // destruction reaches back into this list (a graph with a cycle).
  while (VListElement* first = subscribers_.GetFirst()) {
    subscribers_.Remove(first, false);
    delete first;
  }
}

void SignalSource::Subscribe(SignalNode* node, int32_t index) {
  if (node == nullptr) return;
  ++node->connected_;
  subscribers_.Append(new SignalLink(node, index));
}

void SignalSource::Update() {
  value_ = GetValue();
  Broadcast();
}

void SignalSource::Broadcast() {
  // Last subscribed first. The links are gathered first: a sink's action may
  // change the graph.
  std::vector<SignalLink*> links;
  for (VListElement* e = subscribers_.GetFirst(); e != nullptr; e = e->GetNext()) {
    links.push_back(static_cast<SignalLink*>(e));
  }
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    if (!subscribers_.Contains(*it)) continue;
    if (SignalNode* node = (*it)->GetNode()) node->ReceiveInput((*it)->GetIndex(), value_);
  }
}
