// The settings of the autorun menu read from autorun.ini beside the program,
// and the rules by which one value is read.
#pragma once
#include <string>

struct AutorunSettings {
  std::string Title;
  std::string RegKey;
  std::string RegEntry;
  std::string RegParam;
  std::string Run;
  std::string RunParam;
  std::string Setup;    // paths: the launcher's folder followed by the value
  std::string Cover;
  std::string Catalog;
  std::string Readme;
  std::string QTOptimize;
  std::string Enable;
  std::string Screen;
  std::string URL;
  std::string Form;
};

// The file name of the settings in the launcher's folder (which ends in a
// backslash, or is empty for the current folder).
std::string AutorunIniPath(const std::string& launcherDir);

// One value: cut before a ";" or a TAB that is not its first character,
// trimmed; a path value is prefixed with launcherDir.
std::string ReadAutorunValue(const std::string& launcherDir, const std::string& section, const std::string& key,
                             bool isPath);

// The fifteen values of the file (which must exist: the caller checks).
AutorunSettings ReadAutorunSettings(const std::string& launcherDir);
