#include "title/shell/ScreenRegistry.h"

#include <map>

#include "title/shell/StandInScreen.h"

namespace {

std::map<int32_t, ScreenMaker>& Makers() {
  static auto* makers = new std::map<int32_t, ScreenMaker>();
  return *makers;
}

}  // namespace

void ScreenRegistry::Register(int32_t kind, ScreenMaker maker) {
  if (!maker.make) {
    Unregister(kind);
    return;
  }
  Makers()[kind] = std::move(maker);
}

void ScreenRegistry::Unregister(int32_t kind) { Makers().erase(kind); }

const ScreenMaker* ScreenRegistry::Find(int32_t kind) {
  const auto found = Makers().find(kind);
  return found != Makers().end() ? &found->second : nullptr;
}

PictureFrameControl* ScreenRegistry::Make(const ScreenRequest& request) {
  if (const ScreenMaker* maker = Find(request.kind)) return maker->make(request);
  return new StandInScreen(request);
}
