// The command dispatcher of ostrevan-tool: one entry point per command line,
// writing results to `out` and errors (one line each) to `err`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs a command line (the arguments after the program name). Returns the
// process exit code: 0 success, 1 failure, 2 a command line not understood.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
