// Pellam Setup: asks for express or custom setup, starts the disc's
// installer and, for the express setup, follows its progress.
#include <vector>

#include "launchers/common/CommandLine.h"
#include "launchers/common/ErrorBox.h"
#include "launchers/common/KitApp.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/LauncherDirectory.h"
#include "launchers/common/Window.h"
#include "launchers/setup/SetupDialogs.h"
#include "launchers/setup/SetupResources.h"
#include "platform/Window.h"

namespace {

// Shows a created dialog and runs messages until it ends; its result, or -1
// when the quit message ended it.
int32_t RunDialog(kit::CDialog& dialog) {
  if (!dialog.IsEnded() && !LauncherHasDesktop()) {
    // Nobody could answer the dialog: say so and end.
    ShowLauncherError(nullptr, "Pellam Setup braucht einen Bildschirm.");
    return -1;
  }
  if (!dialog.IsEnded()) {
    dialog.Show(true);
    if (dialog.Native() != nullptr) dialog.Native()->Raise();
    dialog.UpdateWindow();
    int32_t quitCode = 0;
    if (!kit::RunLoopUntil([&dialog] { return dialog.IsEnded() || !dialog.IsCreated(); }, &quitCode)) return -1;
  }
  return dialog.GetResult();
}

}  // namespace

int main() {
  kit::InitializeKit();
  RegisterSetupResources();
  SetupSession session;
  const std::vector<std::string> args = SplitCommandLine();
  if (!args.empty()) session.launcherDir = LauncherDirectory(args[0]);

  // The launcher's place in the task bar while the dialogs run, off the screen.
  kit::CWindow taskBarWindow;
  kit::TopLevelOptions options;
  options.title = "Pellam";
  options.bounds = platform::Rect{-500, -500, -400, -400};
  taskBarWindow.CreateTopLevel(options);

  int exitCode = 0;
  CSetupTypeDlg typeDialog(session);
  const int32_t choice = typeDialog.Create() ? RunDialog(typeDialog) : -1;
  if (choice == -1) exitCode = -1;
  if (choice == 0) {
    // The progress dialog exists before the choice's window goes, so a report
    // on its way to either is taken.
    CInstallProgressDlg progressDialog(session);
    const bool created = progressDialog.Create();
    kit::PumpPending();
    typeDialog.DestroyWindow();
    const int32_t result = created ? RunDialog(progressDialog) : -1;
    if (result == -1) exitCode = -1;
    progressDialog.DestroyWindow();
  } else {
    typeDialog.DestroyWindow();
  }
  taskBarWindow.DestroyWindow();
  kit::ShutdownKit();
  return exitCode;
}
