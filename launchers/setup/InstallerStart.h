// How the setup launcher starts the disc's installer: the program, its
// parameters (express setup silent with the response file) and the working
// folder, and the picture both dialogs show.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ShellExecute.h"

// The message by which the installer reports its progress in percent
// (wParam); lParam is not used.
inline constexpr uint32_t kSetupProgressMessage = 0x500;

struct InstallerStart {
  std::string program;     // <launcherDir>setup\install.exe
  std::string parameters;  // [/s ]/f1"<launcherDir>setup\setup.iss"
  std::string directory;   // the launcher's folder
  int result = 2;          // the setup-type dialog's result: 0 express, 2 custom
};

InstallerStart MakeInstallerStart(const std::string& launcherDir, bool express);

// Starts the installer; its process id goes to *child. False when it cannot
// be started.
bool LaunchInstaller(const InstallerStart& start, pid_t* child);

// The picture's path beside the launcher (Setup\setup.jpg, or setup.jpg in
// Setup.kvt when the plain file is absent).
std::string SetupPicturePath(const std::string& launcherDir);

// The picture's bytes; false when neither the file nor the archive member
// can be read.
bool ReadSetupPicture(const std::string& launcherDir, std::vector<uint8_t>& bytes);
