// Test support for the launchers as programs: a disc folder with the
// launchers copied in (so each finds its folder from its own path), the
// installer stand-in as setup\install.exe and as the installed title, the
// registry, Windows folder and record file kept in the test's folder, and
// the records the stand-in writes.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/CommandLine.h"
#include "support/BuildPaths.h"
#include "support/TempDir.h"

namespace launchertest {

inline std::string TesselbyBin() { return testsupport::BuildDir() + "/launchers/autorun/tesselby"; }
inline std::string PellamSetupBin() { return testsupport::BuildDir() + "/launchers/setup/pellam-setup"; }
inline std::string InstallerBin() { return testsupport::BuildDir() + "/tests/launcher-test-installer"; }

// A program copied to `to`, executable.
inline bool CopyProgram(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(to).parent_path(), ec);
  if (!std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec)) return false;
  return chmod(to.c_str(), 0755) == 0;
}

// One start of the installer stand-in: its working folder and arguments.
struct StartRecord {
  std::string cwd;
  std::vector<std::string> args;
};

inline std::vector<StartRecord> ReadRecords(const std::string& path) {
  std::vector<StartRecord> records;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line == "start") records.emplace_back();
    if (records.empty()) continue;
    if (line.rfind("cwd=", 0) == 0) records.back().cwd = line.substr(4);
    if (line.rfind("arg=", 0) == 0) records.back().args.push_back(line.substr(4));
  }
  return records;
}

// The environment of a launcher under test: its registry, Windows folder,
// record file and window directory are the test's own.
inline std::vector<std::string> LauncherEnvironment(const std::string& testDir) {
  std::filesystem::create_directories(testDir + "/windows");
  std::filesystem::create_directories(testDir + "/runtime");
  chmod((testDir + "/runtime").c_str(), 0700);
  return {"OSTREVAN_REGISTRY_FILE=" + testDir + "/registry", "OSTREVAN_WINDOWS_DIR=" + testDir + "/windows",
          "OSTREVAN_TEST_RECORD=" + testDir + "/record.txt", "XDG_RUNTIME_DIR=" + testDir + "/runtime",
          "OSTREVAN_SHELL_OPENER=" + InstallerBin()};
}

inline std::string WindowsForm(const std::string& hostPath) { return platform::WindowsFormPath(hostPath); }

}  // namespace launchertest
