// The application base of the engine: start-up (single instance, command
// line, the title's start-up), the message loop with its idle step, nested
// loops, activation, display and audio set-up, and the ordered shutdown. The
// title derives one global object from it; everything else reaches it through
// GetApplication.
//
//   class Title : public VApplication { ... CreateMainWindow ... };
//   int main(int argc, char** argv) {
//     InstallTitleServices();  // the services first: the constructor starts the movie library
//     Title title;
//     return VApplication::Main(argc, argv);
//   }
//
// The program installs the services the application draws and plays through
// before it constructs one (InstallEngineServices in engine/services), so the
// application object is made in main, not at static construction.
// Ownership: the application owns its task manager, the back window and the main window made by the display set-up (deleted by
// ShutdownDisplay), the lookup-table manager, the held object and the
// single-instance lock.
// User-interface thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/app/AudioSetup.h"
#include "engine/app/DisplaySetup.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"
#include "engine/core/VTask.h"
#include "platform/MessageLoop.h"
#include "platform/WindowMessage.h"

namespace platform {
class InstanceLock;
}

class VWindow;

// The single-instance check: a lock that exactly one process of a program
// name holds, which also publishes the main window a second start brings to
// the front. The lock is taken in one atomic step (flock), so two starts at
// the same moment cannot both go on.
class VInstanceChecker {
 public:
  // The lock name: "VInstanceChecker_MMF_" followed by the application name.
  static std::string LockName(const std::string& appName);
  // True when another process holds the lock. Otherwise this process now
  // holds it (program-wide, until ReleaseInstanceLock or exit) and has
  // published window handle 0.
  static bool IsAnotherInstanceRunning(const std::string& appName);
  // Asks the running instance to restore its published window and bring it
  // to the front; nothing when it has published none yet (handle 0).
  // True when a request went out.
  static bool ActivatePreviousInstance(const std::string& appName);
  // Publishes the main window's handle for a second start (only while held).
  static void PublishWindowHandle(platform::WindowHandle handle);
  static void ReleaseInstanceLock();
};

class VApplication {
 public:
  // The command of the application's exit.
  static constexpr uint32_t kCommandAppExit = 57665;
  // The start message posted to the main window (WM_USER + 1).
  static constexpr uint32_t kMessageStart = platform::kMsgUser + 1;

  VApplication();
  virtual ~VApplication();
  VApplication(const VApplication&) = delete;
  VApplication& operator=(const VApplication&) = delete;

  // The program's entry: the command line from argv, InitInstance, Run,
  // ExitInstance. Answers the exit code: the quit message's code after a
  // run, 0 when another instance was running, 1 when the start-up failed.
  static int Main(int argc, char** argv);

  // ---- The framework's steps -------------------------------------------
  virtual bool InitInstance();
  virtual int32_t Run();
  // Runs the idle step before the message; true when a nested loop inside
  // that step has dispatched the message already.
  virtual bool PreTranslateMessage(const platform::Message& message);
  // The idle step, then the tick down the main window's event tree; always true.
  virtual bool OnIdle(int32_t count);
  virtual int32_t ExitInstance();
  // A command; the exit command shuts down. True when handled.
  virtual bool OnCommand(uint32_t id);

  // ---- Operations the title overrides ----------------------------------
  virtual void Quit();
  virtual bool StartApplication() { return true; }
  virtual void Shutdown();
  virtual void IdleStep();
  virtual void ActivateApp(bool active);
  virtual bool SetupDisplay(const DisplaySetup& setup);
  virtual void ShutdownDisplay();
  // Must make the main window and register it (SetMainWindow) before returning.
  virtual void CreateMainWindow(const VRect& screen) = 0;
  virtual void StartUpDone(int32_t /*flag*/) {}
  virtual void DeleteHeldObject();
  virtual bool SetupAudio(const AudioSetup& setup);
  virtual void ShutdownAudio();
  virtual void SetupLookupTables();
  virtual void ShutdownLookupTables();

  // ---- Plain operations ----------------------------------------------------
  VWindow* GetMainWindow() const { return mainWindow_; }
  // Stores the window; a window (not null) is published for a second start.
  void SetMainWindow(VWindow* window);
  VWindow* GetBackWindow() const { return backWindow_; }
  void SetBackWindow(VWindow* window) { backWindow_ = window; }
  // Posts when the window exists (message truncated to 16 bits).
  static void PostToWindow(VWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  // A nested message loop; it ends when EndModalLoop lowers the level below
  // the one it started at.
  void RunModalLoop();
  void EndModalLoop();
  int32_t GetLoopLevel() const { return loopLevel_; }

  // The command line (as CWinApp keeps it) and its split into argc/argv:
  // argv[0] is the program path; quotes stay in the arguments; leading
  // blanks are skipped. The strings stay valid until the next split.
  void SetCommandLine(const std::string& commandLine);
  void SplitCommandLine();
  int32_t GetArgc() const { return argc_; }
  char** GetArgv() { return argv_.empty() ? nullptr : argv_.data(); }
  void FreeArguments();
  // Joins program arguments into a command line (arguments with blanks or
  // empty ones in double quotes).
  static std::string JoinArguments(int argc, char** argv);

  const VString& GetAppName() const { return appName_; }
  // The name that the single-instance lock and message boxes use (by default
  // the program file's name without extension).
  void SetAppName(const char* name) { appName_.Assign(name); }
  uint32_t GetIdleCount() const { return idleCount_; }
  bool IsRunning() const { return running_; }
  VTaskManager& GetTaskManager() { return taskManager_; }
  VFileSpec& GetProgramPath() { return programPath_; }
  void SetHeldObject(VListElement* object) { heldObject_ = object; }
  // How long a loop may sleep waiting for input after an idle pass, in
  // microseconds: until the tick count at which the earliest of these falls
  // due: the step a task of the task manager asks for (VTask::GetStepWait),
  // a retry of a frame that could not be presented yet and, forTicks (the
  // main loop, whose idle passes send the tick), a pass an object asked for
  // (RequestIdlePassBy) and the next idle tick (SetIdleTickInterval after the
  // last). Something due now waits for the next tick count (at most 1 ms);
  // platform::kWaitForever when nothing is due: sleep until input.
  uint64_t ComputeIdleWaitMicroseconds(bool forTicks = true);
  // The tick count at which the loop meant to run its next pass, as the last
  // ComputeIdleWaitMicroseconds set it, and forgets it (false: the loop was to
  // sleep until input). A pass later than that is late by the difference, and
  // so is whatever it draws.
  bool TakePassDue(uint32_t& due);
  // The longest stretch without a tick down the event tree while the program
  // is idle, in ms (0: none, the loop then sleeps until input or a due task).
  // A safety net for objects that run on the tick without asking for passes;
  // 100 ms from construction.
  void SetIdleTickInterval(uint32_t ms) { idleTickInterval_ = ms; }
  uint32_t GetIdleTickInterval() const { return idleTickInterval_; }

 protected:
  // The hooks the message loops run with.
  platform::MessageLoopHooks LoopHooks();

 private:
  VWindow* mainWindow_ = nullptr;
  VWindow* backWindow_ = nullptr;
  bool running_ = false;
  const platform::Message* pendingMessage_ = nullptr;
  int32_t loopLevel_ = 0;
  uint32_t idleCount_ = 0;
  uint16_t spareWord_ = 65535;
  VString appName_;
  VFileSpec programPath_;
  int32_t argc_ = 0;
  std::vector<char*> argv_;
  std::string commandLine_;
  std::vector<char> commandBuffer_;
  VString modulePath_;
  std::string modulePathText_;
  VTaskManager taskManager_;
  VListElement* heldObject_ = nullptr;
  bool audioReady_ = false;
  bool startFailed_ = false;
  uint32_t idleTickInterval_ = 100;
  uint32_t lastIdleTick_ = 0;  // tick count of the latest idle pass that sent the tick
  bool passDueSet_ = false;
  uint32_t passDue_ = 0;
  // The clock's calibration, done by the first idle step from this tick
  // count on (a second after construction, so it needs no sleep).
  static constexpr uint32_t kCalibrationDelayMs = 1000;
  uint32_t calibrationDue_ = 0;
  bool clockCalibrated_ = false;
};

// The global application object (null before its construction and after its destruction).
VApplication* GetApplication();
