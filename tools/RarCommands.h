// The "rar" commands of ostrevan-tool: extracting one member of a RAR 2.x
// archive (a launcher archive) through the launchers' reader.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Dispatches "extract ARCHIVE MEMBER OUT". Exit code as RunTool: 0 done, 1 the
// member could not be extracted (absent, damaged, encrypted, or of a method
// the reader does not decode), 2 usage.
int RunRarCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
