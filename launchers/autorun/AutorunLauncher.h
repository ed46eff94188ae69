// The start-up of the autorun menu without its windows: settings, the checks
// of the disc's files, whether the title is installed, the splash switch,
// QuickTime's settings and the start of the program or its setup.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "launchers/autorun/AutorunSettings.h"

// What the start-up decided.
enum class AutorunStart {
  kFailed,          // a message was shown; nothing starts
  kAlreadyRunning,  // the title's window exists; end silently
  kStartNow,        // the splash switch is set: start without the menu
  kShowMenu,        // run the menu; its result decides
};

class CAutorunLauncher {
 public:
  struct Hooks {
    // Shows a start-up failure ("F E H L E R", error icon).
    std::function<void(const std::string& text)> showError;
    // True when a top-level window with that title exists.
    std::function<bool(const std::string& title)> windowExists;
  };

  // args: the split command line (argument 0 the launcher's Windows-form
  // path); windowsDir: the Windows folder in Windows form, with or without a
  // trailing backslash.
  CAutorunLauncher(std::vector<std::string> args, const std::string& windowsDir, Hooks hooks);

  // Reads the settings and runs the checks; writes QuickTime's settings.
  AutorunStart StartUp();

  bool ReadConfig();
  bool IsProgramInstalled(std::string& programPath);
  // Starts the installed program or the setup program.
  void Start();
  bool StartProgram();
  bool StartSetup();
  void SaveDisableSplash(bool flag);
  void WriteQuickTimeOptimize();

  const AutorunSettings& Settings() const { return settings_; }
  const std::string& LauncherDir() const { return launcherDir_; }
  const std::string& WindowsDir() const { return windowsDir_; }
  const std::string& ProgramPath() const { return programPath_; }
  bool Installed() const { return installed_; }
  bool DisableSplash() const { return disableSplash_; }
  const std::string& LastMessage() const { return message_; }

 private:
  void ShowError(const std::string& text);

  std::vector<std::string> args_;
  Hooks hooks_;
  AutorunSettings settings_;
  std::string launcherDir_;
  std::string windowsDir_;
  std::string programPath_;
  std::string message_;
  bool installed_ = false;
  bool disableSplash_ = false;
};
