// Tesselby, the disc's autorun menu: checks the disc, then starts the
// installed title (or its setup) at once or after the menu.
#include <vector>

#include "launchers/autorun/AutorunDialogs.h"
#include "launchers/autorun/AutorunLauncher.h"
#include "launchers/autorun/AutorunResources.h"
#include "launchers/common/CommandLine.h"
#include "launchers/common/KitApp.h"
#include "launchers/common/MessageBox.h"
#include "platform/CommandLine.h"
#include "platform/MessageBox.h"
#include "platform/WindowsFolder.h"

int main() {
  kit::InitializeKit();
  RegisterAutorunResources();
  CAutorunLauncher::Hooks hooks;
  hooks.showError = [](const std::string& text) {
    kit::MessageBox(nullptr, text, "F E H L E R", platform::MessageBoxIcon::kError);
  };
  hooks.windowExists = [](const std::string& title) { return kit::FindWindow(title).has_value(); };
  CAutorunLauncher launcher(SplitCommandLine(), platform::WindowsFormPath(platform::GetWindowsDirectory()), hooks);

  const AutorunStart start = launcher.StartUp();
  bool startProgram = start == AutorunStart::kStartNow;
  if (start == AutorunStart::kShowMenu) {
    CLauncherMenuDlg menu(launcher);
    // Start (1) and Escape (2) start; Quit (0) and an ended session do not.
    startProgram = menu.DoModal() >= 1;
  }
  if (startProgram) launcher.Start();
  kit::ShutdownKit();
  return 0;
}
