#include "title/shell/MainInterfaceScreen.h"

#include "engine/core/VString.h"
#include "title/controls/SignalTimer.h"

namespace {
constexpr uint32_t kTimerTick = 40;
}  // namespace

MainInterfaceScreen::MainInterfaceScreen(int32_t id, uint16_t /*pictureId*/, int32_t left, int32_t top, int32_t layer,
                                         int32_t width, int32_t height, VGraphicObject* owner)
    : VControl(kApplicationKind, id, left, top, layer, width, height, owner) {
  SetTransparent(true);
  SetVisible(false, false);
  BuildControls();
  SetLayoutMode(-1, 0);
}

MainInterfaceScreen::~MainInterfaceScreen() = default;

void MainInterfaceScreen::BuildControls() {}

bool MainInterfaceScreen::SetLayoutMode(int32_t mode, int32_t duration) {
  if (mode == mode_ || switching_) return false;
  if (mode != -1 && mode_ == -1) SetVisible(true, false);
  mode_ = mode;
  if (duration > 0) {
    RemoveChild(kSwitchTimerId, true);
    auto* timer = new SignalTimer(kSwitchTimerId, kTimerTick, this);
    timer->Start(static_cast<uint32_t>(duration));
    switching_ = true;
    enabled_ = false;
  }
  return true;
}

void MainInterfaceScreen::FinishSwitch() {
  switching_ = false;
  enabled_ = true;
  SendUpward(kOwnerModeReached, static_cast<uint32_t>(mode_), 0);
}

void MainInterfaceScreen::SetControlsEnabled(bool enabled, bool /*byMode*/) { enabled_ = enabled; }
void MainInterfaceScreen::SetCaption(const VString& /*text*/, bool /*showBox*/, bool /*keep*/) {}
void MainInterfaceScreen::ShowSavedCaption() {}
void MainInterfaceScreen::ShowCaptionByIndex(int32_t /*controlId*/) {}
int32_t MainInterfaceScreen::GetCaptionWidth() const { return 320; }
void MainInterfaceScreen::SetStatusText(const VString& /*text*/, bool /*asCaption*/, bool /*keepOnStrip*/) {}
void MainInterfaceScreen::SetStatusCode(int32_t code) { statusCode_ = code; }
void MainInterfaceScreen::SetLinkText(const VString& /*text*/) {}

bool MainInterfaceScreen::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code == SignalTimer::kMessageTimerEnded && value1 == static_cast<uint32_t>(kSwitchTimerId) && switching_) {
    FinishSwitch();
  }
  return VControl::HandleEvent(code, value1, value2);
}
