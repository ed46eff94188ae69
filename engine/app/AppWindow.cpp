#include "engine/app/AppWindow.h"

#include "engine/app/VApplication.h"
#include "platform/Window.h"

AppWindow::AppWindow(int32_t id, uint16_t windowId, const VRect& rect, bool topmost, bool followsMinimise)
    : VWindow(id, windowId, rect, true, 0, topmost, followsMinimise) {
  SetKindCode(kKindCode);
  if (VApplication* app = GetApplication()) app->SetMainWindow(this);
  platform::SetScreenSaverAllowed(false);
}

AppWindow::~AppWindow() {
  VApplication* app = GetApplication();
  if (app != nullptr && app->GetMainWindow() == this) app->SetMainWindow(nullptr);
}

void AppWindow::DestroySelf() {
  if (VApplication* app = GetApplication()) app->Quit();
}

intptr_t AppWindow::WindowProc(const platform::Message& m) {
  VApplication* app = GetApplication();
  switch (m.message) {
    case platform::kMsgClose:
      if (app != nullptr) app->Quit();
      return 0;
    case platform::kMsgActivateApp: {
      const bool active = m.wParam != 0;
      intptr_t result = 0;
      if (active) result = DefaultProc(m);
      if (app != nullptr) app->ActivateApp(active);
      if (!active) result = DefaultProc(m);
      return result;
    }
    case platform::kMsgSysCommand:
      if ((static_cast<uint32_t>(m.wParam) & 0xFFF0) == platform::kSysCommandScreenSave) return 0;
      return DefaultProc(m);
    case VApplication::kMessageStart:
      Start();
      return 0;
    default:
      return VWindow::WindowProc(m);
  }
}
