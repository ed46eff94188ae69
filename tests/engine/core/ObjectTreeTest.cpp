#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/VTLink.h"

namespace {

using Trace = std::vector<std::string>;

// A node that writes its name to a trace for each message and each
// destruction, and takes messages when told to.
class Node : public VTLink {
 public:
  Node(std::string name, Trace* trace) : name_(std::move(name)), trace_(trace) {}
  ~Node() override {
    if (trace_ != nullptr) trace_->push_back("~" + name_);
  }
  bool HandleMessage(uint32_t code, uint32_t value1, uint32_t value2) override {
    if (trace_ != nullptr) trace_->push_back(name_);
    lastCode = code;
    lastValue1 = value1;
    lastValue2 = value2;
    return takes;
  }
  const std::string& name() const { return name_; }

  bool takes = false;
  uint32_t lastCode = 0, lastValue1 = 0, lastValue2 = 0;

 private:
  std::string name_;
  Trace* trace_;
};

// R
// +- A
// |  +- A1
// |  +- A2
// +- B
// +- C
//    +- C1
struct Tree {
  Trace trace;
  Node R{"R", &trace}, A{"A", &trace}, A1{"A1", &trace}, A2{"A2", &trace}, B{"B", &trace}, C{"C", &trace},
      C1{"C1", &trace};
  Tree() {
    A.AddChild(&R);
    B.InsertAfter(&A);
    C.InsertAfter(&B);
    A1.AddChild(&A);
    A2.InsertAfter(&A1);
    C1.AddChild(&C);
  }
  ~Tree() {
    // Members die in reverse order; keep the destructor traces out of sight.
    for (Node* n : {&R, &A, &A1, &A2, &B, &C, &C1}) n->Unlink();
  }
  Node* Find(const std::string& name) {
    for (Node* n : {&R, &A, &A1, &A2, &B, &C, &C1}) {
      if (n->name() == name) return n;
    }
    return nullptr;
  }
};

enum class Order { kPre, kPost, kUp };

TEST(VTLinkDispatch, VisitingOrdersAndFirstTakerStops) {
  struct Case {
    const char* start;
    Order order;
    const char* taker;  // "" for none
    Trace expected;
    bool taken;
  };
  const Case cases[] = {
      {"R", Order::kPre, "", {"R", "A", "A1", "A2", "B", "C", "C1"}, false},
      {"R", Order::kPre, "A1", {"R", "A", "A1"}, true},
      {"R", Order::kPre, "R", {"R"}, true},
      // Started inside a sibling chain, the following siblings are reached too.
      {"A", Order::kPre, "", {"A", "A1", "A2", "B", "C", "C1"}, false},
      {"B", Order::kPre, "", {"B", "C", "C1"}, false},
      // Post-order is the exact reverse: frontmost (drawn last) first.
      {"R", Order::kPost, "", {"C1", "C", "B", "A2", "A1", "A", "R"}, false},
      {"R", Order::kPost, "B", {"C1", "C", "B"}, true},
      {"A", Order::kPost, "", {"C1", "C", "B", "A2", "A1", "A"}, false},
      {"A1", Order::kPost, "", {"A2", "A1"}, false},
      // Upward passes previous siblings, then the parent, and so on.
      {"C1", Order::kUp, "", {"C1", "C", "B", "A", "R"}, false},
      {"A2", Order::kUp, "", {"A2", "A1", "A", "R"}, false},
      {"C", Order::kUp, "A", {"C", "B", "A"}, true},
      {"R", Order::kUp, "", {"R"}, false},
  };
  for (const Case& c : cases) {
    Tree t;
    if (*c.taker != '\0') t.Find(c.taker)->takes = true;
    Node* start = t.Find(c.start);
    bool taken = false;
    switch (c.order) {
      case Order::kPre: taken = start->DispatchPreOrder(kMessageVisibilityChanged, 0, 0); break;
      case Order::kPost: taken = start->DispatchPostOrder(kMessageTick, 0, 0); break;
      case Order::kUp: taken = start->SendUpward(kControlDragBegins, 0, 0); break;
    }
    EXPECT_EQ(t.trace, c.expected) << "start " << c.start << " order " << static_cast<int>(c.order);
    EXPECT_EQ(taken, c.taken) << "start " << c.start;
  }
}

TEST(VTLinkDispatch, PassesTheThreeValuesUnchanged) {
  Tree t;
  EXPECT_FALSE(t.R.DispatchPostOrder(kMessageMouseMove, 0xFFFFFFFFu, 0x80000000u));
  for (Node* n : {&t.R, &t.A, &t.A1, &t.A2, &t.B, &t.C, &t.C1}) {
    EXPECT_EQ(n->lastCode, 7u);
    EXPECT_EQ(n->lastValue1, 0xFFFFFFFFu);
    EXPECT_EQ(n->lastValue2, 0x80000000u);
  }
}

TEST(VTLinkDispatch, MessageCodes) {
  EXPECT_EQ(kMessageTick, 2u);
  EXPECT_EQ(kMessageMouseDown, 5u);
  EXPECT_EQ(kMessageMouseUp, 6u);
  EXPECT_EQ(kMessageMouseMove, 7u);
  EXPECT_EQ(kMessageKeyDown, 8u);
  EXPECT_EQ(kMessageKeyUp, 9u);
  EXPECT_EQ(kMessageVisibilityChanged, 10u);
  EXPECT_EQ(kMessageCursorUpdate, 11u);
  EXPECT_EQ(kControlDragBegins, 12u);
  EXPECT_EQ(kControlDraggedOver, 13u);
  EXPECT_EQ(kControlDragEnds, 14u);
}

TEST(VTLinkLinking, AddChildKeepsNewestFirst) {
  Node p("P", nullptr), a("a", nullptr), b("b", nullptr), c("c", nullptr);
  a.AddChild(&p);
  b.AddChild(&p);
  c.AddChild(&p);
  EXPECT_EQ(p.GetFirstChild(), &c);
  EXPECT_EQ(c.GetBackLink(), &p);
  EXPECT_EQ(c.GetNextSibling(), &b);
  EXPECT_EQ(b.GetBackLink(), &c);
  EXPECT_EQ(b.GetNextSibling(), &a);
  EXPECT_EQ(a.GetBackLink(), &b);
  EXPECT_EQ(a.GetNextSibling(), nullptr);
  for (Node* n : {&a, &b, &c}) EXPECT_EQ(n->GetParent(), &p);
  EXPECT_EQ(p.GetParent(), nullptr);
}

TEST(VTLinkLinking, InsertAfterLinksBetweenNeighbours) {
  Node p("P", nullptr), a("a", nullptr), b("b", nullptr), x("x", nullptr);
  a.AddChild(&p);
  b.InsertAfter(&a);
  x.InsertAfter(&a);  // a, x, b
  EXPECT_EQ(a.GetNextSibling(), &x);
  EXPECT_EQ(x.GetBackLink(), &a);
  EXPECT_EQ(x.GetNextSibling(), &b);
  EXPECT_EQ(b.GetBackLink(), &x);
  EXPECT_EQ(x.GetParent(), &p);
  EXPECT_EQ(b.GetParent(), &p);
}

TEST(VTLinkLinking, UnlinkJoinsTheNeighbours) {
  struct Case {
    const char* unlinked;
    const char* firstChild;  // of R afterwards
    Trace children;          // R's children afterwards
  };
  const Case cases[] = {
      {"A", "B", {"B", "C"}},  // a first child: its next sibling takes its place
      {"B", "A", {"A", "C"}},  // a middle node: its neighbours are joined
      {"C", "A", {"A", "B"}},  // the last node
  };
  for (const Case& c : cases) {
    Tree t;
    Node* n = t.Find(c.unlinked);
    n->Unlink();
    EXPECT_EQ(t.R.GetFirstChild(), t.Find(c.firstChild));
    Trace children;
    const VTLink* previous = &t.R;
    for (VTLink* k = t.R.GetFirstChild(); k != nullptr; previous = k, k = k->GetNextSibling()) {
      children.push_back(static_cast<Node*>(k)->name());
      EXPECT_EQ(k->GetBackLink(), previous);
      EXPECT_EQ(k->GetParent(), &t.R);
    }
    EXPECT_EQ(children, c.children) << c.unlinked;
    EXPECT_EQ(n->GetBackLink(), nullptr);
    EXPECT_EQ(n->GetNextSibling(), nullptr);
    EXPECT_EQ(n->GetParent(), nullptr);
  }
}

TEST(VTLinkLinking, UnlinkHandsBackTheChildrenAsADetachedChain) {
  Tree t;
  VTLink* chain = t.A.Unlink();
  EXPECT_EQ(chain, &t.A1);
  EXPECT_EQ(t.A.GetFirstChild(), nullptr);
  EXPECT_EQ(t.A1.GetBackLink(), nullptr);
  EXPECT_EQ(t.A1.GetParent(), nullptr);
  EXPECT_EQ(t.A2.GetParent(), nullptr);
  EXPECT_EQ(t.A1.GetNextSibling(), &t.A2);
  EXPECT_EQ(t.A2.GetBackLink(), &t.A1);
  EXPECT_EQ(t.B.Unlink(), nullptr);
}

TEST(VTLinkLinking, SelfOrOwnSubtreeOnlyDetaches) {
  struct Case {
    const char* node;
    const char* target;
    bool asChild;
  };
  const Case cases[] = {
      {"A", "A", true},   // AddChild(self)
      {"A", "A", false},  // InsertAfter(self)
      {"A", "A2", true},  // under its own grandchild: would close a loop
      {"R", "C1", false},
      {"C", "C1", true},
  };
  for (const Case& c : cases) {
    Tree t;
    Node* n = t.Find(c.node);
    Node* target = t.Find(c.target);
    if (c.asChild) {
      n->AddChild(target);
    } else {
      n->InsertAfter(target);
    }
    EXPECT_EQ(n->GetBackLink(), nullptr) << c.node << " -> " << c.target;
    EXPECT_EQ(n->GetNextSibling(), nullptr) << c.node << " -> " << c.target;
    EXPECT_NE(n->GetFirstChild(), nullptr) << "keeps its children";
    // The tree stays a tree: every dispatch ends.
    t.trace.clear();
    EXPECT_FALSE(t.R.DispatchPreOrder(1, 0, 0));
    EXPECT_FALSE(n->DispatchPostOrder(1, 0, 0));
  }
}

TEST(VTLinkLinking, MovingANodeDetachesItFromItsOldPlace) {
  Tree t;
  t.A.AddChild(&t.C);  // A and its subtree go under C, in front of C1
  EXPECT_EQ(t.R.GetFirstChild(), &t.B);
  EXPECT_EQ(t.B.GetBackLink(), &t.R);
  EXPECT_EQ(t.C.GetFirstChild(), &t.A);
  EXPECT_EQ(t.A.GetNextSibling(), &t.C1);
  EXPECT_EQ(t.A1.GetParent(), &t.A);
  EXPECT_EQ(t.A.GetParent(), &t.C);
  t.trace.clear();
  t.R.DispatchPreOrder(1, 0, 0);
  EXPECT_EQ(t.trace, (Trace{"R", "B", "C", "A", "A1", "A2", "C1"}));
}

TEST(VTLinkLinking, DestroyingANodeUnlinksItAndKeepsItsChildren) {
  Trace trace;
  Node p("P", &trace), a("a", &trace), c("c", &trace), k1("k1", &trace), k2("k2", &trace);
  a.AddChild(&p);
  c.InsertAfter(&a);
  auto b = std::make_unique<Node>("b", &trace);
  b->InsertAfter(&a);
  k1.AddChild(b.get());
  k2.InsertAfter(&k1);
  b.reset();
  EXPECT_EQ(a.GetNextSibling(), &c);
  EXPECT_EQ(c.GetBackLink(), &a);
  EXPECT_EQ(k1.GetBackLink(), nullptr);
  EXPECT_EQ(k1.GetNextSibling(), &k2);
  EXPECT_EQ(trace, (Trace{"~b"}));
  trace.clear();
  k2.Unlink();
}

TEST(VTLinkDeletion, DeleteChildrenDestroysDeepestAndLastFirst) {
  Trace trace;
  Node p("P", &trace);
  Node* x = new Node("X", &trace);
  Node* y = new Node("Y", &trace);
  Node* z = new Node("Z", &trace);
  x->AddChild(&p);
  y->InsertAfter(x);
  z->InsertAfter(y);
  Node* x1 = new Node("X1", &trace);
  x1->AddChild(x);
  (new Node("X2", &trace))->InsertAfter(x1);
  (new Node("Z1", &trace))->AddChild(z);

  VTLink::DeleteChildren(&p);
  EXPECT_EQ(trace, (Trace{"~X2", "~X1", "~Z1", "~Z", "~Y", "~X"}));
  EXPECT_EQ(p.GetFirstChild(), nullptr);
  VTLink::DeleteChildren(&p);  // nothing left: nothing happens
  VTLink::DeleteChildren(nullptr);
  trace.clear();
}

TEST(VTLinkDeletion, DeleteChainStartsAtTheGivenNode) {
  Trace trace;
  Node p("P", &trace), x("X", &trace);
  x.AddChild(&p);
  Node* y = new Node("Y", &trace);
  Node* z = new Node("Z", &trace);
  y->InsertAfter(&x);
  z->InsertAfter(y);
  (new Node("Y1", &trace))->AddChild(y);
  (new Node("Z1", &trace))->AddChild(z);

  VTLink::DeleteChain(y);
  EXPECT_EQ(trace, (Trace{"~Y1", "~Z1", "~Z", "~Y"}));
  EXPECT_EQ(p.GetFirstChild(), &x);
  EXPECT_EQ(x.GetNextSibling(), nullptr);
  trace.clear();
  x.Unlink();
}

TEST(VTLinkDeletion, DestroyChildrenOnALongSiblingChain) {
  Node p("P", nullptr);
  for (int i = 0; i < 5000; ++i) (new Node("n", nullptr))->AddChild(&p);
  p.DestroyChildren();
  EXPECT_EQ(p.GetFirstChild(), nullptr);
}

class Handler : public VEventHandler {
 public:
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override {
    seen = {code, value1, value2};
    return answer;
  }
  bool answer = false;
  std::vector<uint32_t> seen;
};

TEST(VEventHandler, HandleMessageAnswersWhatHandleEventAnswers) {
  for (bool answer : {false, true}) {
    Handler h;
    h.answer = answer;
    EXPECT_EQ(h.HandleMessage(93, 14420, 0xDEADBEEF), answer);
    EXPECT_EQ(h.seen, (std::vector<uint32_t>{93, 14420, 0xDEADBEEF}));
    EXPECT_EQ(h.SendUpward(94, 1, 2), answer);
  }
}

TEST(VEventHandler, DefaultsTakeNothing) {
  VEventHandler e;
  VDataLink d;
  VPropertyHolder props;
  VTLink plain;
  EXPECT_FALSE(e.HandleMessage(2, 0, 0));
  EXPECT_FALSE(d.HandleData(1, 2, 3, 4));
  EXPECT_FALSE(d.HandleMessage(2, 0, 0));
  EXPECT_FALSE(plain.DispatchPreOrder(2, 0, 0));
  EXPECT_FALSE(props.GetProperty(1, 2, 3));
  EXPECT_FALSE(props.SetProperty(1, 2));
  EXPECT_FALSE(props.HasProperty(1));
}

TEST(VEventHandler, ControlEventTravelsUpAnEventTree) {
  // A screen's handler receives the event sent from a child's event part.
  Handler screen, sibling, child;
  screen.answer = true;
  child.AddChild(&screen);
  sibling.AddChild(&screen);  // added later: in front of child
  EXPECT_TRUE(child.SendUpward(kControlDragEnds, 12345, 0));
  EXPECT_EQ(screen.seen, (std::vector<uint32_t>{14, 12345, 0}));
  // Children are kept newest first, so a sibling added later is passed on the way up.
  EXPECT_EQ(sibling.seen, (std::vector<uint32_t>{14, 12345, 0}));
  EXPECT_EQ(child.GetParent(), &screen);
}

}  // namespace
