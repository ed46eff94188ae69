// Progress reports and the installer's process.
#include "launchers/setup/SetupProgress.h"

#include "platform/ShellExecute.h"

void CSetupProgress::Report(intptr_t percent) {
  reported_ = true;
  position_ = percent < 0 ? 0 : percent > 100 ? 100 : static_cast<int32_t>(percent);
  if (percent >= 100) complete_ = true;
}

bool CSetupProgress::PollInstallerEnded() {
  if (exited_) return true;
  if (installer_ <= 0) return false;
  exited_ = platform::HasChildEnded(installer_);
  return exited_;
}
