#include "platform/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/Codepage1252.h"

namespace platform {
namespace {

std::mutex gMutex;
MessageBoxCapture gCapture;

bool EnvironmentSays(const char* name, const char* value) {
  const char* v = std::getenv(name);
  return v != nullptr && std::strcmp(v, value) == 0;
}

// Whether an SDL box can appear at all: a desktop to show it on, and not one
// of SDL's drivers that draw nowhere.
bool CanShowGraphically() {
  if (EnvironmentSays("OSTREVAN_MESSAGEBOX", "stderr")) {
    return false;
  }
  const char* driver = SDL_WasInit(SDL_INIT_VIDEO) != 0 ? SDL_GetCurrentVideoDriver() : std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) {
    return false;
  }
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

void WriteToConsole(const std::string& title, const std::string& text) {
  const std::string line = FormatMessageBoxForConsole(title, text);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

MessageBoxCapture SetMessageBoxCapture(MessageBoxCapture capture) {
  std::lock_guard<std::mutex> lock(gMutex);
  MessageBoxCapture previous = std::move(gCapture);
  gCapture = std::move(capture);
  return previous;
}

std::string FormatMessageBoxForConsole(const std::string& title, const std::string& text) {
  std::string out = Cp1252ToUtf8(title);
  if (!out.empty()) {
    out += ": ";
  }
  out += Cp1252ToUtf8(text);
  out += '\n';
  return out;
}

namespace {

int32_t Show(const std::string& title, const std::string& text, MessageBoxIcon icon, bool alsoOnConsole) {
  MessageBoxCapture capture;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    capture = gCapture;
  }
  if (capture) {
    return capture(title, text, icon);
  }
  if (CanShowGraphically()) {
    Uint32 flags = 0;
    switch (icon) {
      case MessageBoxIcon::kError: flags = SDL_MESSAGEBOX_ERROR; break;
      case MessageBoxIcon::kWarning: flags = SDL_MESSAGEBOX_WARNING; break;
      case MessageBoxIcon::kInformation: flags = SDL_MESSAGEBOX_INFORMATION; break;
      case MessageBoxIcon::kNone: break;
    }
    if (alsoOnConsole) WriteToConsole(title, text);
    if (SDL_ShowSimpleMessageBox(flags, Cp1252ToUtf8(title).c_str(), Cp1252ToUtf8(text).c_str(), nullptr) == 0) {
      return kMessageBoxOk;
    }
    if (alsoOnConsole) return kMessageBoxOk;  // written already
  }
  WriteToConsole(title, text);
  return kMessageBoxOk;
}

}  // namespace

int32_t ShowMessageBox(const std::string& title, const std::string& text, MessageBoxIcon icon) {
  return Show(title, text, icon, false);
}

int32_t ShowMessageBoxAlsoOnConsole(const std::string& title, const std::string& text, MessageBoxIcon icon) {
  return Show(title, text, icon, true);
}

}  // namespace platform
