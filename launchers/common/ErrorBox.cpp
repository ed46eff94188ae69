// Error boxes on the desktop or the console.
#include "launchers/common/ErrorBox.h"

#include <cstdlib>
#include <cstring>

#include "launchers/common/MessageBox.h"
#include "platform/MessageBox.h"

namespace {

bool Is(const char* name, const char* value) {
  const char* v = std::getenv(name);
  return v != nullptr && std::strcmp(v, value) == 0;
}

bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && v[0] != '\0';
}

}  // namespace

bool LauncherHasDesktop() {
  if (Is("OSTREVAN_MESSAGEBOX", "stderr") || Is("SDL_VIDEODRIVER", "dummy") || Is("SDL_VIDEODRIVER", "offscreen")) {
    return false;
  }
  return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

void ShowLauncherError(kit::CWindow* owner, const std::string& text) {
  constexpr const char* kCaption = "F E H L E R";
  // A capture installed by a test takes the box either way.
  const platform::MessageBoxCapture capture = platform::SetMessageBoxCapture(nullptr);
  platform::SetMessageBoxCapture(capture);
  if (!capture && !LauncherHasDesktop()) {
    platform::ShowMessageBox(kCaption, text, platform::MessageBoxIcon::kError);
    return;
  }
  kit::MessageBox(owner, text, kCaption, platform::MessageBoxIcon::kError);
}
