// Starting the installer and finding the launcher's picture.
#include "launchers/setup/InstallerStart.h"

#include "launchers/common/ArchiveAwareFile.h"
#include "platform/ShellExecute.h"

InstallerStart MakeInstallerStart(const std::string& launcherDir, bool express) {
  InstallerStart start;
  const std::string response = "\"" + launcherDir + "setup\\setup.iss\"";
  start.parameters = express ? "/s /f1" + response : "/f1" + response;
  start.program = launcherDir + "setup\\install.exe";
  start.directory = launcherDir;
  start.result = express ? 0 : 2;
  return start;
}

bool LaunchInstaller(const InstallerStart& start, pid_t* child) {
  *child = 0;
  return platform::ShellExecute("", start.program, start.parameters, start.directory, child) > 32;
}

std::string SetupPicturePath(const std::string& launcherDir) { return launcherDir + "Setup\\setup.jpg"; }

bool ReadSetupPicture(const std::string& launcherDir, std::vector<uint8_t>& bytes) {
  bytes.clear();
  CArchiveAwareFile file;
  return file.Open(SetupPicturePath(launcherDir)) && file.ReadAll(bytes);
}
