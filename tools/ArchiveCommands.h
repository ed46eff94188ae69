// The "archive" commands of ostrevan-tool: listing the entry table of a Devid
// Uvedud archive and extracting its media as .mf files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Dispatches "list ARCHIVE" and "extract ARCHIVE DIR". Exit code as RunTool.
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
