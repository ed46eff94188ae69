// Tesselby, the disc's autorun menu: checks the disc, then starts the
// installed title (or its setup) at once or after the menu.
#include <vector>

#include "launchers/autorun/AutorunDialogs.h"
#include "launchers/autorun/AutorunLauncher.h"
#include "launchers/autorun/AutorunResources.h"
#include "launchers/common/CommandLine.h"
#include "launchers/common/KitApp.h"
#include "launchers/common/ErrorBox.h"
#include "platform/CommandLine.h"
#include "platform/WindowsFolder.h"

int main() {
  kit::InitializeKit();
  RegisterAutorunResources();
  CAutorunLauncher::Hooks hooks;
  hooks.showError = [](const std::string& text) {
    ShowLauncherError(nullptr, text);
  };
  hooks.windowExists = [](const std::string& title) { return kit::FindWindow(title).has_value(); };
  CAutorunLauncher launcher(SplitCommandLine(), platform::WindowsFormPath(platform::GetWindowsDirectory()), hooks);

  const AutorunStart start = launcher.StartUp();
  bool startProgram = start == AutorunStart::kStartNow;
  if (start == AutorunStart::kShowMenu && !LauncherHasDesktop()) {
    // Nobody could answer the menu: say so and end.
    ShowLauncherError(nullptr, "Das Startmen\xfc braucht einen Bildschirm.");
  } else if (start == AutorunStart::kShowMenu) {
    CLauncherMenuDlg menu(launcher);
    // Start (1) and Escape (2) start; Quit (0) and an ended session do not.
    startProgram = menu.DoModal() >= 1;
  }
  if (startProgram) launcher.Start();
  kit::ShutdownKit();
  return 0;
}
