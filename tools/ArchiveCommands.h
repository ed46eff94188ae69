// The "archive" commands of ostrevan-tool: building a Devid Uvedud archive
// from a build script, listing its entry table and extracting its media as
// .mf files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Dispatches "build SCRIPT ARCHIVE [LOG]", "list ARCHIVE" and "extract ARCHIVE
// DIR". Exit code as RunTool.
int RunArchiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One line per entry in table order: index, id, type, offset, size, short
// name (tab-separated); a variant table ("MSF ") is followed by one line per
// variant: tab, "variant", key, type, offset, size, short name. Bytes of a type
// or name outside printable ASCII are written as \xNN. 0 on success, 1 when
// the file is not a readable archive or a variant table cannot be read.
int ListArchive(const std::string& path, std::ostream& out, std::ostream& err);

// Writes every medium into the folder (made when missing) and prints how many
// were written; 1 unless all were.
int ExtractArchive(const std::string& path, const std::string& directory, std::ostream& out, std::ostream& err);

// Runs the builder on the script into a new archive (an existing file of that
// name is replaced) and writes its log to logPath, or when that is empty to
// the archive's path with the extension "log". 0 when the build finished, 1
// when it was aborted (the log says why; stderr names the log).
int BuildArchive(const std::string& script, const std::string& archive, const std::string& logPath, std::ostream& out,
                 std::ostream& err);

// The log path used when none is given: the archive's name with its extension
// replaced by "log" (added when it has none).
std::string DefaultBuildLogPath(const std::string& archive);
