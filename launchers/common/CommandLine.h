// Splitting a command line the launchers' way: white space separates, a
// double quote runs to the next one (an unclosed quote takes the rest).
#pragma once

#include <string>
#include <vector>

// The arguments of line; argument 0 is the program's path without quotes.
std::vector<std::string> SplitCommandLine(const std::string& line);
// The same for this process's command line.
std::vector<std::string> SplitCommandLine();
