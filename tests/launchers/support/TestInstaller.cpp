// A stand-in for the disc's installer and for the installed title, for the
// launcher tests and the sample disc. It records its arguments and working
// folder; given a response file (/f1<path>) it acts as the installer:
// reports its progress 0, 10, ... 100 to the window titled "Pellam Setup"
// (message 0x500 through the window directory) and writes the registry
// value that names the installed program.
//
// Response file (a profile file):
//   [Install] RegKey=..., RegEntry=..., Value=<the program path to store>
//   [Test]    Mode=normal|die-early|silent|instant|never, Delay=<ms per step>
// The environment variable OSTREVAN_TEST_INSTALLER_MODE overrides the mode.
// With "--hold-window TITLE" it stands for a running program instead: it
// publishes a window of that title in the window directory for a minute.
// Records go to the file named by OSTREVAN_TEST_RECORD (appended), one block
// per start: "start", "cwd=<folder>", "arg=<argument>"..., "end".
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/InstanceDirectory.h"
#include "platform/ProfileFile.h"
#include "platform/Registry.h"
#include "platform/WindowsFolder.h"

namespace {

constexpr uint32_t kProgressMessage = 0x500;

void Record(int argc, char** argv) {
  const char* file = std::getenv("OSTREVAN_TEST_RECORD");
  if (file == nullptr || *file == '\0') return;
  FILE* out = std::fopen(file, "a");
  if (out == nullptr) return;
  std::fprintf(out, "start\ncwd=%s\n", platform::GetCurrentDirectory().c_str());
  for (int i = 1; i < argc; ++i) std::fprintf(out, "arg=%s\n", argv[i]);
  std::fprintf(out, "end\n");
  std::fclose(out);
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Finds the launcher's window (waiting a while for it: the progress dialog
// may not be there yet) and posts it the percentage.
void Report(int percent) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (auto window = platform::InstanceDirectory::FindWindow("", "Pellam Setup")) {
      if (platform::InstanceDirectory::PostMessage(*window, kProgressMessage, static_cast<uintptr_t>(percent), 0)) {
        return;
      }
    }
    Sleep(50);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--hold-window") {
    if (!platform::InstanceDirectory::Open()) return 1;
    platform::InstanceDirectory::PublishWindow(1, "Stand-in", argv[2]);
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(60000);
    platform::InstanceDirectory::Close();
    return 0;
  }
  Record(argc, argv);
  std::string response;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.size() > 3 && (a.compare(0, 3, "/f1") == 0 || a.compare(0, 3, "/F1") == 0)) response = a.substr(3);
  }
  if (response.empty()) {
    // Started as the installed program: say so where nobody records.
    if (std::getenv("OSTREVAN_TEST_RECORD") == nullptr) {
      std::printf("Ostrevan Haus (stand-in) started in %s\n", platform::GetCurrentDirectory().c_str());
    }
    return 0;
  }

  const auto value = [&](const char* section, const char* key) {
    return platform::GetPrivateProfileString(section, key, "", 4096, response);
  };
  std::string mode = value("Test", "Mode");
  if (const char* m = std::getenv("OSTREVAN_TEST_INSTALLER_MODE")) mode = m;
  const std::string delayText = value("Test", "Delay");
  const int delay = delayText.empty() ? 100 : std::atoi(delayText.c_str());

  if (mode == "silent") {
    Sleep(300);
    return 3;
  }
  if (mode == "never") {
    Sleep(600000);
    return 3;
  }
  if (mode == "instant") {
    Report(100);
  } else {
    for (int percent = 0; percent <= 100; percent += 10) {
      if (mode == "die-early" && percent > 30) return 3;
      // The last step comes once the installation is stored.
      if (percent == 100) break;
      Report(percent);
      Sleep(delay);
    }
  }
  const std::string key = value("Install", "RegKey");
  if (!key.empty()) {
    platform::RegistrySetString(platform::RegistryRoot::kLocalMachine, key, value("Install", "RegEntry"),
                                value("Install", "Value"));
  }
  if (mode != "instant") {
    // Report 99 first: the launcher must still wait for the final 100.
    Report(99);
    Sleep(delay);
    Report(100);
  }
  return 0;
}
