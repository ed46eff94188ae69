// What the demo programs share: their event log (one record a line, flushed
// at once, for the tests that drive them) and the dump of the presented frame.
#pragma once

#include <fstream>
#include <string>

#include "engine/app/VDisplay.h"
#include "engine/graphics/PixelMap.h"
#include "tools/PixelMapPpm.h"

namespace demo {

inline std::ofstream& LogFile() {
  static std::ofstream file;
  return file;
}

// Appends to `path`; false when it cannot be written.
inline bool OpenLog(const std::string& path) {
  LogFile().open(path, std::ios::app);
  return LogFile().is_open();
}

inline void Log(const std::string& line) {
  if (!LogFile().is_open()) return;
  LogFile() << line << "\n";
  LogFile().flush();
}

// Writes the frame last presented to `path` as PPM and logs "dumped WxH", or
// logs "dump-failed" and returns what went wrong.
inline std::string DumpPresentedFrame(const std::string& path) {
  PixelMap* flip = VDisplay::Get().GetFlipPixelMap();
  std::string problem;
  if (path.empty())
    problem = "no --dump file given";
  else if (flip == nullptr)
    problem = "no presented frame to dump";
  else if (const std::string written = WritePixelMapPPM(path, *flip); !written.empty())
    problem = "cannot write '" + path + "': " + written;
  if (!problem.empty()) {
    Log("dump-failed");
    return problem;
  }
  Log("dumped " + std::to_string(flip->GetWidth()) + "x" + std::to_string(flip->GetHeight()));
  return "";
}

}  // namespace demo
