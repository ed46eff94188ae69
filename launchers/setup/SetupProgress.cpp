// Progress reports and the installer's process.
#include "launchers/setup/SetupProgress.h"

#include <sys/wait.h>

#include <cerrno>

void CSetupProgress::Report(intptr_t percent) {
  reported_ = true;
  position_ = percent < 0 ? 0 : percent > 100 ? 100 : static_cast<int32_t>(percent);
  if (percent >= 100) complete_ = true;
}

bool CSetupProgress::PollInstallerEnded() {
  if (exited_) return true;
  if (installer_ <= 0) return false;
  int status = 0;
  const pid_t r = waitpid(installer_, &status, WNOHANG);
  // Ended now, or reaped elsewhere / not our child: either way it is gone.
  if (r == installer_ || (r < 0 && errno == ECHILD)) exited_ = true;
  return exited_;
}
