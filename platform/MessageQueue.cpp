#include "platform/MessageQueue.h"

namespace platform {
namespace {
PeekMessageHook g_peek = nullptr;
}  // namespace

PeekMessageHook SetPeekMessageHook(PeekMessageHook hook) {
  PeekMessageHook previous = g_peek;
  g_peek = hook;
  return previous;
}

bool PeekAnyMessage() { return g_peek != nullptr && g_peek(); }

}  // namespace platform
