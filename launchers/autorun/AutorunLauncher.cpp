// The autorun menu's start-up checks and starts.
#include "launchers/autorun/AutorunLauncher.h"

#include <cctype>
#include <utility>

#include "launchers/common/LauncherDirectory.h"
#include "launchers/common/LauncherFiles.h"
#include "launchers/common/Registry.h"
#include "platform/ProfileFile.h"
#include "platform/ShellExecute.h"
#include "platform/WindowsFolder.h"

namespace {

std::string Trim(const std::string& s) {
  const char* ws = " \t\r\n\v\f";
  const size_t first = s.find_first_not_of(ws);
  if (first == std::string::npos) return std::string();
  const size_t last = s.find_last_not_of(ws);
  return s.substr(first, last - first + 1);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Replaces every "%s" of pattern with value.
std::string Format(const std::string& pattern, const std::string& value) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      out += value;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace

CAutorunLauncher::CAutorunLauncher(std::vector<std::string> args, const std::string& windowsDir, Hooks hooks)
    : args_(std::move(args)), hooks_(std::move(hooks)), windowsDir_(windowsDir) {
  if (!args_.empty()) launcherDir_ = LauncherDirectory(args_[0]);
  if (!windowsDir_.empty() && windowsDir_.back() != '\\') windowsDir_ += '\\';
}

void CAutorunLauncher::ShowError(const std::string& text) {
  message_ = text;
  if (hooks_.showError) hooks_.showError(text);
}

bool CAutorunLauncher::ReadConfig() {
  const std::string ini = AutorunIniPath(launcherDir_);
  if (!FileExists(ini)) {
    ShowError(Format("%s konnte nicht gefunden werden!?", ini));
    return false;
  }
  settings_ = ReadAutorunSettings(launcherDir_);
  std::string splash;
  // Without a key name there is nothing of ours to open (and nothing to
  // create at the root).
  if (!settings_.RegKey.empty()) {
    CRegistry key;
    if (key.Open(platform::RegistryRoot::kLocalMachine, settings_.RegKey, false)) key.ReadString("DisableSplash", splash);
  }
  disableSplash_ = splash == "1";
  return true;
}

bool CAutorunLauncher::IsProgramInstalled(std::string& programPath) {
  programPath.clear();
  if (settings_.RegKey.empty()) return false;
  CRegistry key;
  if (!key.Open(platform::RegistryRoot::kLocalMachine, settings_.RegKey, false)) return false;
  if (!key.ReadString(settings_.RegEntry, programPath)) return false;
  if (settings_.RunParam.empty() && !key.ReadString(settings_.RegParam, settings_.RunParam)) settings_.RunParam.clear();
  key.Close();
  programPath = Trim(programPath);
  if (!programPath.empty() && programPath.front() == '"') programPath.erase(0, 1);
  if (!programPath.empty() && programPath.back() == '"') programPath.pop_back();
  if (FileExists(programPath)) return true;
  if (!programPath.empty() && programPath.back() != '\\') programPath += '\\';
  programPath += settings_.Run;
  return FileExists(programPath);
}

AutorunStart CAutorunLauncher::StartUp() {
  if (!ReadConfig()) return AutorunStart::kFailed;
  if (!settings_.Title.empty() && hooks_.windowExists && hooks_.windowExists(settings_.Title)) {
    return AutorunStart::kAlreadyRunning;
  }
  installed_ = IsProgramInstalled(programPath_);
  if (!installed_ && !FileExists(settings_.Setup)) {
    ShowError(Format("Installationsprogramm %s konnte nicht gefunden werden !?", settings_.Setup));
    return AutorunStart::kFailed;
  }
  for (const char* suffix : {"_n.bmp", "_h.bmp", "_c.bmp"}) {
    if (!FileExists(settings_.Cover + suffix)) {
      ShowError(Format("Eines der Bilder\n\n%s_n.bmp\n%s_h.bmp\n\nund/oder\n\n%s_c.bmp\n\nkonnte nicht gefunden werden !?",
                       settings_.Cover));
      return AutorunStart::kFailed;
    }
  }
  if (!FileExists(settings_.Catalog)) {
    ShowError(Format("Der Katalog %s konnte nicht gefunden werden !?", settings_.Catalog));
    return AutorunStart::kFailed;
  }
  if (!FileExists(settings_.Readme)) {
    ShowError(Format("Die Textdatei %s konnte nicht gefunden werden !?", settings_.Readme));
    return AutorunStart::kFailed;
  }
  WriteQuickTimeOptimize();
  const std::string option = args_.size() > 1 ? Upper(args_[1]) : std::string();
  if (disableSplash_ && option != "/FORCE") return AutorunStart::kStartNow;
  return AutorunStart::kShowMenu;
}

void CAutorunLauncher::Start() {
  if (installed_) {
    StartProgram();
  } else {
    StartSetup();
  }
}

bool CAutorunLauncher::StartProgram() {
  const std::string dir = LauncherDirectory(programPath_);
  if (!dir.empty()) platform::SetCurrentDirectory(dir);
  const int result = platform::ShellExecute("open", programPath_, settings_.RunParam, "");
  if (result <= 32) {
    // A start that fails is said, as for the setup program.
    ShowError(Format("Das Programm %s konnte nicht gestartet werden !?", programPath_));
    return false;
  }
  return true;
}

bool CAutorunLauncher::StartSetup() {
  if (!FileExists(settings_.Setup)) {
    ShowError(Format("Das Installationsprogramm %s konnte nicht gefunden werden?", settings_.Setup));
    return false;
  }
  platform::ShellExecute("open", settings_.Setup, "", "");
  return true;
}

void CAutorunLauncher::SaveDisableSplash(bool flag) {
  if (settings_.RegKey.empty()) return;
  CRegistry key;
  if (key.Open(platform::RegistryRoot::kLocalMachine, settings_.RegKey, false)) {
    key.WriteString("DisableSplash", flag ? "1" : "0");
  }
}

void CAutorunLauncher::WriteQuickTimeOptimize() {
  if (settings_.QTOptimize.empty()) return;
  platform::WritePrivateProfileString("Video", "Optimize", settings_.QTOptimize, windowsDir_ + "qtw.ini");
}
