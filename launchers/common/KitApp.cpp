#include "launchers/common/KitApp.h"

#include "engine/image/ImageRegistry.h"
#include "platform/Window.h"

namespace kit {

bool InitializeKit() {
  InstallImageReaders();
  const bool video = platform::InitializeWindowSystem();
  platform::InstanceDirectory::Open();
  return video;
}

void ShutdownKit() {
  platform::InstanceDirectory::Close();
  platform::ShutdownWindowSystem();
}

std::optional<platform::RemoteWindow> FindWindow(const std::string& title) {
  if (title.empty()) return std::nullopt;
  return platform::InstanceDirectory::FindWindow(std::string(), title);
}

bool PostRemoteMessage(const platform::RemoteWindow& window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return platform::InstanceDirectory::PostMessage(window, message, wParam, lParam);
}

}  // namespace kit
