// The command dispatcher of ostrevan-tool: one entry point per command line,
// writing results to `out` and errors (one line each) to `err`.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Runs a command line (the arguments after the program name). Returns the
// process exit code: 0 success (also for --help / -h, which print the usage
// on `out`), 1 failure, 2 a command line not understood (the usage follows
// the message on `err`). Never throws: an exception of any kind, running out
// of memory included, becomes a message on `err` and exit code 1.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Runs the command and turns any exception it throws into one line on `err`
// and the result 1; otherwise the command's own result.
int RunCatchingEverything(const std::function<int()>& command, std::ostream& err);
