// The installer's progress as the setup launcher follows it: the latest
// percentage it reported (kept from the moment it was started, so a report
// that comes before the progress dialog exists is not lost) and whether its
// process still runs, so the dialog never waits for a reporter that is gone.
#pragma once
#include <cstdint>

#include "platform/ShellExecute.h"

class CSetupProgress {
 public:
  // Follows the started installer's process (0: none to follow).
  void Follow(pid_t installer) {
    installer_ = installer;
    exited_ = false;
  }
  // A progress report (message 0x500's wParam, taken as signed).
  void Report(intptr_t percent);
  // Looks whether the installer has ended (and reaps it); true once it has.
  bool PollInstallerEnded();

  // The bar's position: the latest report within 0..100 (0 before any).
  int32_t Position() const { return position_; }
  bool HasReport() const { return reported_; }
  // The dialog ends: 100 percent or more was reported, or the installer has
  // ended.
  bool Finished() const { return complete_ || exited_; }
  bool Complete() const { return complete_; }
  bool InstallerEnded() const { return exited_; }

 private:
  pid_t installer_ = 0;
  int32_t position_ = 0;
  bool reported_ = false;
  bool complete_ = false;
  bool exited_ = false;
};
