// Reading autorun.ini through the profile-file rules.
#include "launchers/autorun/AutorunSettings.h"

#include "platform/ProfileFile.h"

namespace {

// Values longer than this are not cut short: a cut path would name some other
// file.
constexpr size_t kValueBuffer = 4096;

std::string Trim(const std::string& s) {
  const char* ws = " \t\r\n\v\f";
  const size_t first = s.find_first_not_of(ws);
  if (first == std::string::npos) return std::string();
  const size_t last = s.find_last_not_of(ws);
  return s.substr(first, last - first + 1);
}

}  // namespace

std::string AutorunIniPath(const std::string& launcherDir) { return launcherDir + "autorun.ini"; }

std::string ReadAutorunValue(const std::string& launcherDir, const std::string& section, const std::string& key,
                             bool isPath) {
  std::string value = platform::GetPrivateProfileString(section, key, "", kValueBuffer, AutorunIniPath(launcherDir));
  const size_t semicolon = value.find(';');
  if (semicolon != std::string::npos && semicolon > 0) value.resize(semicolon);
  const size_t tab = value.find('\t');
  if (tab != std::string::npos && tab > 0) value.resize(tab);
  value = Trim(value);
  return isPath ? launcherDir + value : value;
}

AutorunSettings ReadAutorunSettings(const std::string& dir) {
  AutorunSettings s;
  s.RegKey = ReadAutorunValue(dir, "Config", "RegKey", false);
  s.RegEntry = ReadAutorunValue(dir, "Config", "RegEntry", false);
  s.RegParam = ReadAutorunValue(dir, "Config", "RegParam", false);
  s.Run = ReadAutorunValue(dir, "Config", "Run", false);
  s.RunParam = ReadAutorunValue(dir, "Config", "RunParam", false);
  s.Title = ReadAutorunValue(dir, "Config", "Title", false);
  s.Setup = ReadAutorunValue(dir, "Files", "Setup", true);
  s.Cover = ReadAutorunValue(dir, "Files", "Cover", true);
  s.Catalog = ReadAutorunValue(dir, "Files", "Catalog", true);
  s.Readme = ReadAutorunValue(dir, "Files", "Readme", true);
  s.QTOptimize = ReadAutorunValue(dir, "Setup", "QTOptimize", false);
  s.Enable = ReadAutorunValue(dir, "Upgrade", "Enable", false);
  s.Screen = ReadAutorunValue(dir, "Upgrade", "Screen", true);
  s.URL = ReadAutorunValue(dir, "Upgrade", "URL", false);
  s.Form = ReadAutorunValue(dir, "Upgrade", "Form", true);
  return s;
}
