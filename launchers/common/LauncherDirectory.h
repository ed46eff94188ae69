// The folder a launcher was started from, taken from argument 0 of its
// Windows-form command line.
#pragma once
#include <string>

// The part of arg0 up to its last backslash, ending in one; empty when arg0
// holds no backslash (a program started by a bare name, relative to the
// current folder). Program names without an extension count as well.
std::string LauncherDirectory(const std::string& arg0);
