#include "engine/app/VApplication.h"

#include <algorithm>

#include "engine/app/MediaServices.h"
#include "engine/app/VDisplay.h"
#include "engine/app/VGraphicObject.h"
#include "engine/app/VWindow.h"
#include "engine/core/Clock.h"
#include "engine/core/Cursor.h"
#include "engine/core/VTLink.h"
#include "engine/graphics/LookupTables.h"
#include "platform/Clock.h"
#include "platform/Cursor.h"
#include "platform/InstanceDirectory.h"
#include "platform/Process.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"

namespace {

VApplication* gApplication = nullptr;
platform::InstanceLock* gInstanceLock = nullptr;

constexpr uint16_t kRefreshCursor = 113;
constexpr uint16_t kSystemCursorHand = 32640;

std::string BaseNameWithoutExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace

VApplication* GetApplication() { return gApplication; }

// ---------------------------------------------------------------------------
// VInstanceChecker

std::string VInstanceChecker::LockName(const std::string& appName) { return "VInstanceChecker_MMF_" + appName; }

bool VInstanceChecker::IsAnotherInstanceRunning(const std::string& appName) {
  if (gInstanceLock != nullptr) return false;  // this process holds it already
  auto* lock = new platform::InstanceLock(LockName(appName));
  if (!lock->Acquire()) {
    delete lock;
    // Either another process holds the lock, or no lock file can be made; in
    // the second case nobody publishes a window and the start goes on alone.
    return platform::InstanceLock::ReadPublished(LockName(appName)).has_value();
  }
  gInstanceLock = lock;
  gInstanceLock->Publish(0);
  return false;
}

bool VInstanceChecker::ActivatePreviousInstance(const std::string& appName) {
  const std::optional<platform::RemoteWindow> published = platform::InstanceLock::ReadPublished(LockName(appName));
  if (!published || published->handle == 0) return false;
  return platform::InstanceDirectory::RequestRaise(*published);
}

void VInstanceChecker::PublishWindowHandle(platform::WindowHandle handle) {
  if (gInstanceLock != nullptr) gInstanceLock->Publish(handle);
}

void VInstanceChecker::ReleaseInstanceLock() {
  delete gInstanceLock;
  gInstanceLock = nullptr;
}

// ---------------------------------------------------------------------------
// Construction

VApplication::VApplication() : taskManager_(0, true, true, ::GetTaskManager()) {
  // The services it draws and plays through (drawing backend, picture
  // readers, media) are the program's: InstallEngineServices at start.
  GetPrimarySurface();
  InitClock();
  SetTaskManager(&taskManager_);
  SetMouseCursor(platform::kSystemCursorWait);
  StartMovieLibrary();
  modulePathText_ = platform::ExecutablePath();
  programPath_.Set(modulePathText_.c_str());
  programPath_.Exists();
  appName_.Assign(BaseNameWithoutExtension(modulePathText_).c_str());
  running_ = true;
  gApplication = this;
  // The cycle counter is measured against the performance counter over the
  // first second; doing it here would sleep for that second before the
  // window appears. The first idle pass a second after this measures it
  // without waiting (until then the cycles per second read as unknown).
  calibrationDue_ = platform::TickCount() + kCalibrationDelayMs;
}

VApplication::~VApplication() {
  DeletePrimarySurface();
  Shutdown();
  FreeArguments();
  if (::GetTaskManager() == &taskManager_) SetTaskManager(nullptr);
  VInstanceChecker::ReleaseInstanceLock();
  if (gApplication == this) gApplication = nullptr;
}

int VApplication::Main(int argc, char** argv) {
  VApplication* app = GetApplication();
  if (app == nullptr) return 1;
  app->SetCommandLine(JoinArguments(argc, argv));
  int code = 1;
  if (app->InitInstance()) {
    code = app->Run();
  } else if (!app->startFailed_) {
    code = 0;  // another instance runs: it was brought to the front
  }
  app->ExitInstance();
  return code;
}

// ---------------------------------------------------------------------------
// Start-up

std::string VApplication::JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] != nullptr ? argv[i] : "";
    if (!line.empty()) line += ' ';
    const bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
    if (quote) line += '"';
    line += arg;
    if (quote) line += '"';
  }
  return line;
}

void VApplication::SetCommandLine(const std::string& commandLine) { commandLine_ = commandLine; }

void VApplication::FreeArguments() {
  argv_.clear();
  commandBuffer_.clear();
  argc_ = 0;
}

void VApplication::SplitCommandLine() {
  commandBuffer_.assign(commandLine_.begin(), commandLine_.end());
  commandBuffer_.push_back('\0');
  // Outside double quotes every control character and blank ends an entry.
  size_t entries = 3;
  bool quoted = false;
  for (size_t i = 0; i + 1 < commandBuffer_.size(); ++i) {
    const auto c = static_cast<unsigned char>(commandBuffer_[i]);
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c < 33) {
      commandBuffer_[i] = '\0';
      ++entries;
    }
  }
  modulePath_.Assign(modulePathText_.c_str());
  argv_.assign(entries, nullptr);
  argv_[0] = modulePathText_.data();
  argc_ = 1;
  size_t pos = 0;
  const size_t end = commandBuffer_.size() - 1;
  // Leading blanks are skipped: a line that begins with one still has its
  // arguments.
  while (pos < end && commandBuffer_[pos] == '\0') ++pos;
  while (pos < end && commandBuffer_[pos] != '\0') {
    argv_[static_cast<size_t>(argc_)] = &commandBuffer_[pos];
    while (pos < end && commandBuffer_[pos] != '\0') ++pos;
    while (pos < end && commandBuffer_[pos] == '\0') ++pos;
    ++argc_;
  }
  argv_[static_cast<size_t>(argc_)] = nullptr;
}

bool VApplication::InitInstance() {
  const std::string name = appName_.GetChars() != nullptr ? appName_.GetChars() : "";
  if (VInstanceChecker::IsAnotherInstanceRunning(name)) {
    VInstanceChecker::ActivatePreviousInstance(name);
    return false;
  }
  // The running instance takes raise requests of a second start.
  platform::InstanceDirectory::Open();
  platform::InitializeWindowSystem();
  SplitCommandLine();
  if (!StartApplication()) {
    startFailed_ = true;
    return false;
  }
  PostToWindow(mainWindow_, kMessageStart, 0, 0);
  return true;
}

// ---------------------------------------------------------------------------
// The loops

platform::MessageLoopHooks VApplication::LoopHooks() {
  platform::MessageLoopHooks hooks;
  hooks.preDispatch = [this](const platform::Message& m) { return PreTranslateMessage(m); };
  hooks.onIdle = [this](int32_t count) { return OnIdle(count); };
  hooks.idleWait = [this] { return ComputeIdleWaitMicroseconds(); };
  return hooks;
}

int32_t VApplication::Run() {
  SetMouseCursor(0);
  return platform::RunMessageLoop(LoopHooks());
}

bool VApplication::PreTranslateMessage(const platform::Message& message) {
  pendingMessage_ = &message;
  IdleStep();
  const platform::Message* pending = pendingMessage_;
  pendingMessage_ = nullptr;
  // Cleared: a nested loop inside the idle step dispatched it already.
  return pending == nullptr;
}

bool VApplication::OnIdle(int32_t /*count*/) {
  IdleStep();
  const uint32_t now = platform::TickCount();
  lastIdleTick_ = now;
  // This pass answers the requests due by now; the tick's receivers renew
  // theirs.
  ClearIdlePassRequests(now);
  if (mainWindow_ != nullptr) {
    static_cast<VEventHandler*>(mainWindow_)->DispatchPostOrder(kMessageTick, now, 0);
  }
  return true;
}

uint64_t VApplication::ComputeIdleWaitMicroseconds(bool forTicks) {
  const uint64_t nowNs = platform::PerformanceCounter();
  const uint64_t nowMs = nowNs / 1000000u;
  const auto now = static_cast<uint32_t>(nowMs);  // the tick count
  const auto until = [now](uint32_t tick) {
    const auto d = static_cast<int32_t>(tick - now);
    return d > 0 ? static_cast<uint32_t>(d) : 0u;
  };
  uint32_t wait = VTask::kNoStepWanted;
  if (taskManager_.IsActive()) wait = taskManager_.GetStepWait(now);
  if (forTicks) {
    uint32_t requested = 0;
    if (GetRequestedIdlePass(requested)) wait = std::min(wait, until(requested));
    if (idleTickInterval_ > 0) wait = std::min(wait, until(lastIdleTick_ + idleTickInterval_));
  }
  const VDisplay& display = VDisplay::Get();
  if (display.IsFramePending() && !display.IsModeRestored()) wait = std::min(wait, 1u);  // retry the flip
  passDueSet_ = wait != VTask::kNoStepWanted;
  if (!passDueSet_) return platform::kWaitForever;
  // Right after a pass, "at once" means at the next tick: a task that asks
  // for every pass is stepped once per millisecond, not in a busy loop.
  wait = std::max(wait, 1u);
  passDue_ = now + wait;
  // The tick count reaches now + wait at this nanosecond of the same clock:
  // waking then, not a whole millisecond later, keeps periodic work on time.
  const uint64_t dueNs = (nowMs + wait) * 1000000u;
  return (dueNs - nowNs + 999u) / 1000u;
}

bool VApplication::TakePassDue(uint32_t& due) {
  if (!passDueSet_) return false;
  passDueSet_ = false;
  due = passDue_;
  return true;
}

void VApplication::IdleStep() {
  if (!clockCalibrated_ && static_cast<int32_t>(platform::TickCount() - calibrationDue_) >= 0) {
    clockCalibrated_ = true;
    CalibrateClock();
  }
  VWindow::FlushPendingDeletions();
  ++idleCount_;
  taskManager_.Step(idleCount_);
  VDisplay::Get().Present();
}

void VApplication::RunModalLoop() {
  if (pendingMessage_ != nullptr) {
    const platform::Message message = *pendingMessage_;
    pendingMessage_ = nullptr;
    platform::DispatchMessage(message);
  }
  ++loopLevel_;
  VGraphicObject::SetCapturedObject(nullptr);
  const int32_t entry = loopLevel_;
  const platform::MessageLoopHooks hooks = LoopHooks();
  while (entry <= loopLevel_) {
    IdleStep();
    platform::Message peeked;
    if (platform::PeekMessage(peeked, false)) {
      int32_t exitCode = 0;
      if (!platform::PumpMessage(hooks, &exitCode)) {
        // The quit message ends the enclosing loops too.
        platform::PostQuitMessage(exitCode);
        loopLevel_ = entry - 1;
        break;
      }
    } else {
      // Nested passes send no tick: only the tasks and the display count.
      platform::WaitForMessageMicroseconds(ComputeIdleWaitMicroseconds(false));
    }
  }
}

void VApplication::EndModalLoop() { --loopLevel_; }

int32_t VApplication::ExitInstance() {
  FreeArguments();
  Shutdown();
  VWindow::FlushPendingDeletions();
  platform::InstanceDirectory::Close();
  if (VWindow::GetFirstWindow() == nullptr) platform::ShutdownWindowSystem();
  VInstanceChecker::ReleaseInstanceLock();
  return 0;
}

bool VApplication::OnCommand(uint32_t id) {
  if (id != kCommandAppExit) return false;
  Shutdown();
  return true;
}

// ---------------------------------------------------------------------------
// Operations

void VApplication::Quit() { PostToWindow(mainWindow_, platform::kMsgQuit, 0, 0); }

void VApplication::Shutdown() {
  if (!running_) return;
  ShutdownDisplay();
  taskManager_.DeleteAll();
  StopMovieLibrary();
  DeleteHeldObject();
  ShutdownAudio();
  ShutdownLookupTables();
  running_ = false;
}

void VApplication::ActivateApp(bool active) {
  if (active) {
    VDisplay::Get().SetPrimaryActive(true);
    if (GetAudioFollowsActivation()) SetAudioActive(true);
    // Shows another cursor and then the current one again, so that the
    // shape is set anew after the switch.
    const uint16_t remembered = GetShownCursor();
    SetMouseCursor(remembered == kRefreshCursor ? kSystemCursorHand : kRefreshCursor);
    SetMouseCursor(remembered);
  } else {
    if (GetAudioFollowsActivation()) SetAudioActive(false);
    VDisplay::Get().SetPrimaryActive(false);
  }
}

void VApplication::DeleteHeldObject() {
  delete heldObject_;
  heldObject_ = nullptr;
}

bool VApplication::SetupAudio(const AudioSetup& setup) {
  VMediaServices* services = GetMediaServices();
  if (services == nullptr) return false;
  audioReady_ = services->SetupAudio(setup);
  if (audioReady_) services->SetAudioActive(true);
  return audioReady_;
}

void VApplication::ShutdownAudio() {
  if (!audioReady_) return;  // nothing was set up: no services are needed
  VMediaServices* services = GetMediaServices();
  if (services == nullptr) return;
  services->SetAudioActive(false);
  services->ShutdownAudio();
  audioReady_ = false;
}

void VApplication::SetupLookupTables() { ::SetupLookupTables(); }

void VApplication::ShutdownLookupTables() { ::ShutdownLookupTables(); }

void VApplication::SetMainWindow(VWindow* window) {
  mainWindow_ = window;
  VDisplay::Get().SetMainWindow(window);
  if (window != nullptr) VInstanceChecker::PublishWindowHandle(window->GetHandle());
}

void VApplication::PostToWindow(VWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (window == nullptr) return;
  platform::PostMessage(window->GetHandle(), message & 0xFFFF, wParam, lParam);
}
