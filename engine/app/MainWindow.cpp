#include "engine/app/MainWindow.h"

#include <map>
#include <utility>

#include "engine/app/MessageBoxes.h"
#include "engine/app/VApplication.h"
#include "engine/app/VDisplay.h"
#include "engine/core/Clock.h"
#include "engine/core/VString.h"
#include "engine/core/VTask.h"
#include "engine/graphics/VColorTable.h"
#include "platform/Clock.h"
#include "platform/Window.h"

namespace {

int32_t gLanguage = 3;

std::map<int32_t, int32_t>& PanelClasses() {
  static std::map<int32_t, int32_t>* classes = new std::map<int32_t, int32_t>();
  return *classes;
}

// The texts are code page 1252 (0xF6 is o with diaeresis).
constexpr const char* kDepthDutch =
    "Sorry, dit programma vereist een beeldscherm met 16 bits kleurdiepte (duizenden kleuren).\r\n"
    "Verander zelf de kleurdiepte en start het programma opnieuw.";
constexpr const char* kDepthEnglish =
    "Sorry, this program requires a screen with 16-bit colour depth. (Thousands of colours.).\r\n"
    "Reset screen colour depth manually and restart the application.";
constexpr const char* kDepthGerman =
    "Dieses Programm ben\xF6tigt leider einen Grafikmodus mit einer Farbtiefe von 16 Bit (Mac: Tausende von "
    "Farben). Aktivieren Sie einen Grafikmodus mit einer anderen Farbtiefe und starten Sie die Anwendung neu.";
constexpr const char* kSmallDutch =
    "Sorry, dit programma vereist een beeldscherm\r\nmet minimaal 640 bij 480 pixels.\r\n"
    "Verander zelf de schermresolutie en start het programma opnieuw.";
constexpr const char* kSmallEnglish =
    "Sorry, this program requires a screen with a minimum of 640 x 480 pixels.\r\n"
    "Automatic switching failed. Reset screen resolution manually and restart the application.";
constexpr const char* kSmallGerman =
    "Dieses Programm ben\xF6tigt leider eine Bildschirmaufl\xF6sung von mindestens 640 x 480 Pixel.\r\n"
    "Das automatische Umschalten schlug fehl. Stellen Sie die Bildschirmaufl\xF6sung manuell neu ein und "
    "starten Sie die Anwendung neu.";
constexpr const char* kSwitchDutch =
    "Sorry, dit programma vereist een beeldscherm met 640 bij 480 pixels.\r\n"
    "Omschakelen naar deze mode is niet gelukt. Verander zelf de schermresolutie en start het programma "
    "opnieuw.";

}  // namespace

void MainWindow::SetLanguageCode(int32_t code) { gLanguage = code; }
int32_t MainWindow::GetLanguageCode() { return gLanguage; }

void MainWindow::SetPanelClassId(int32_t panelId, int32_t classId) { PanelClasses()[panelId] = classId; }

int32_t MainWindow::GetPanelClassId(int32_t panelId) {
  const auto it = PanelClasses().find(panelId);
  return it != PanelClasses().end() ? it->second : 0;
}

const char* MainWindow::GetDisplayMessage(DisplayProblem problem, int32_t language) {
  const bool dutch = language == 0;
  const bool english = language == 1 || language == 5;
  const bool german = language == 3;
  switch (problem) {
    case DisplayProblem::kDepth:
      return dutch ? kDepthDutch : english ? kDepthEnglish : german ? kDepthGerman : "";
    case DisplayProblem::kTooSmall:
      return dutch ? kSmallDutch : english ? kSmallEnglish : german ? kSmallGerman : "";
    case DisplayProblem::kModeSwitch:
      return dutch ? kSwitchDutch : english ? kSmallEnglish : german ? kSmallGerman : "";
  }
  return "";
}

// The one-shot task that makes a requested panel switch on the next pass.
class MainWindow::PanelSwitchTask : public VTask {
 public:
  explicit PanelSwitchTask(MainWindow* window) : VTask(0, true, true, true, ::GetTaskManager()), window_(window) {}
  ~PanelSwitchTask() override {
    if (window_ != nullptr) window_->switchTask_ = nullptr;
  }
  void Forget() { window_ = nullptr; }
  bool Step(uint32_t /*pass*/) override {
    if (window_ != nullptr) window_->SwitchToPendingPanel();
    return false;
  }

 private:
  MainWindow* window_;
};

MainWindow::MainWindow(int32_t id, uint16_t windowId, const VRect& rect, bool topmost, bool followsMinimise)
    : AppWindow(id, windowId, rect, topmost, followsMinimise) {
  SetKindCode(kKindCode);
  // The screen saver may start over the main window.
  platform::SetScreenSaverAllowed(true);
}

MainWindow::~MainWindow() {
  if (switchTask_ != nullptr) {
    switchTask_->Forget();
    switchTask_->SetFinished();
    switchTask_ = nullptr;
  }
  delete ownedObject_;
  ownedObject_ = nullptr;
  EndReplay();
}

bool MainWindow::CheckDisplayMode() {
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  VDisplay::Get().GetDisplayMode(width, height, depth);
  DisplayProblem problem;
  if (depth < 15 || depth > 16) {
    problem = DisplayProblem::kDepth;
  } else if (width < 640 || height < 480) {
    problem = DisplayProblem::kTooSmall;
  } else if (width <= 640 && height <= 480) {
    SetArrangeBlackAndWhite(false);
    ShowPanel(kFirstPanelClass, kFirstPanelId, false);
    SetVisible(true, true);
    Draw(nullptr, nullptr, false, true);
    return true;
  } else {
    problem = DisplayProblem::kModeSwitch;
  }
  VString text(GetDisplayMessage(problem, gLanguage));
  ShowErrorMessage(400, &text, 0);
  if (VApplication* app = GetApplication()) app->Quit();
  return false;
}

intptr_t MainWindow::WindowProc(const platform::Message& m) {
  using namespace platform;
  if (m.message == kMsgSysCommand && (static_cast<uint32_t>(m.wParam) & 0xFFF0) == kSysCommandScreenSave) {
    return DefaultProc(m);
  }
  switch (m.message) {
    case kMsgLButtonDown:
    case kMsgRButtonDown:
    case kMsgMouseMove:
    case kMsgLButtonUp:
    case kMsgRButtonUp: {
      if (!mouseFilter_) break;
      // One event for both, so that the click is counted once.
      const VMouseEvent event(static_cast<uint32_t>(m.wParam), static_cast<uint32_t>(m.lParam));
      if (!mouseFilter_(event, static_cast<uint16_t>(m.message))) RouteMouseMessage(m.message, event);
      return 0;
    }
    case kMsgKeyDown:
    case kMsgSysKeyDown: {
      if (!keyFilter_) break;
      VKeyEvent event(0, static_cast<uint32_t>(m.wParam));
      event.character = 0;
      if (keyFilter_(event)) return 0;
      break;
    }
    case kMsgChar: {
      if (!keyFilter_ || (KeyFlagsOf(m.lParam) & kKeyFlagRepeat) != 0) break;
      const VKeyEvent event(static_cast<uint8_t>(m.wParam), 0);
      if (keyFilter_(event)) return 0;
      break;
    }
    default:
      break;
  }
  return AppWindow::WindowProc(m);
}

void MainWindow::SetInputFilters(MouseInputFilter mouse, KeyInputFilter keys) {
  mouseFilter_ = std::move(mouse);
  keyFilter_ = std::move(keys);
}

void MainWindow::ReplayEvent(const VMouseEvent& event, uint16_t kind) {
  using namespace platform;
  if (kind != kMsgMouseMove && kind != kMsgLButtonDown && kind != kMsgLButtonUp && kind != kMsgRButtonDown &&
      kind != kMsgRButtonUp) {
    return;
  }
  const VPoint point = event.GetPoint();
  SetReplayedPointer(&point);
  replaying_ = true;
  RouteMouseMessage(kind, event);
}

void MainWindow::EndReplay() {
  if (!replaying_) return;
  replaying_ = false;
  SetReplayedPointer(nullptr);
}

bool MainWindow::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  switch (code) {
    case kOwnerShowPanel8192:
      RequestPanel(8192);
      return true;
    case kOwnerShowPanel8193:
      RequestPanel(8193);
      return true;
    case kOwnerShowPanel8194:
      RequestPanel(8194);
      return true;
    case kOwnerActivityTimer:
      SetActivityTimer(value1 != 0);
      return true;
    default:
      return VPanelOwner::HandleEvent(code, value1, value2);
  }
}

void MainWindow::RequestPanel(int32_t panelId) {
  pendingPanelId_ = panelId;
  if (switchTask_ == nullptr && ::GetTaskManager() != nullptr) switchTask_ = new PanelSwitchTask(this);
  // Without a task manager there is no idle pass to wait for.
  if (switchTask_ == nullptr) SwitchToPendingPanel();
}

void MainWindow::SwitchToPendingPanel() {
  if (switchTask_ != nullptr) {
    switchTask_->Forget();
    switchTask_->SetFinished();
    switchTask_ = nullptr;
  }
  const int32_t panelId = pendingPanelId_;
  pendingPanelId_ = 0;
  if (panelId != 0) ShowPanel(GetPanelClassId(panelId), panelId, false);
}

void MainWindow::SetActivityTimer(bool on) {
  activityTimerOn_ = on;
  ResetActivityTime();
}

void MainWindow::ResetActivityTime() {
  if (activityTimerOn_) lastActivityTime_ = platform::TickCount();
}
