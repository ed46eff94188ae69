#include "platform/MessageQueue.h"

namespace platform {
namespace {
PeekMessageHook gPeek = nullptr;
}  // namespace

PeekMessageHook SetPeekMessageHook(PeekMessageHook hook) {
  PeekMessageHook previous = gPeek;
  gPeek = hook;
  return previous;
}

bool PeekAnyMessage() { return gPeek != nullptr && gPeek(); }

}  // namespace platform
