#include "engine/app/VBackWindow.h"

#include "engine/app/VApplication.h"
#include "engine/app/VDisplay.h"
#include "engine/core/VFader.h"

VBackWindow::VBackWindow(int32_t id, uint16_t windowId, bool fade, bool topmost, bool followsMinimise)
    : VWindow(id, windowId, VRect(), false, 0, topmost, followsMinimise) {
  SetKindCode(kKindCode);
  if (VApplication* app = GetApplication()) app->SetBackWindow(this);
  VFader* fader = nullptr;
  if (fade) {
    fader = new VFader(nullptr);
    const VRGBColor black(0, 0, 0);
    fader->RunFade(100, 0, 600, &black, nullptr, 0);
  }
  VRect screen;
  VDisplay::Get().Init();
  VDisplay::Get().GetScreenRect(screen);
  // Behind the shown window: it only takes messages.
  Create(windowId, screen, false, 0, nullptr, false);
  if (fader != nullptr) {
    fader->ApplyFadeStep(100, 100, nullptr);
    delete fader;
  }
  SetEnabled(false);
}

VBackWindow::~VBackWindow() {
  VApplication* app = GetApplication();
  if (app != nullptr && app->GetBackWindow() == this) app->SetBackWindow(nullptr);
}

bool VBackWindow::BringToFront(bool /*onlyIfNeeded*/) { return false; }
