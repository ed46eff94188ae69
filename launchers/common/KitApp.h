// Start and end of a program on the launchers' dialog kit: the window
// layer (or none, where no display exists: windows then draw only into
// memory) and this process's place in the window directory, so other
// processes find its windows by title and post them messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/InstanceDirectory.h"

namespace kit {

// Starts what the kit needs; true when windows can be shown on a display.
bool InitializeKit();
void ShutdownKit();

// A top-level window of any process by its exact title (as the directory
// finds it; windows of processes that ended are forgotten).
std::optional<platform::RemoteWindow> FindWindow(const std::string& title);
// Posts a message to a window of another (or this) process.
bool PostRemoteMessage(const platform::RemoteWindow& window, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace kit
