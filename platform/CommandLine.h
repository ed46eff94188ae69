// The process's command line as one Windows-form string: the string a
// process started by ShellExecute was given, else one built from argv with
// the program's own path in Windows form.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The variables through which ShellExecute hands a child its command line
// (the line, and the program it belongs to: a grandchild that inherits them
// ignores them).
inline constexpr const char* kCommandLineVariable = "OSTREVAN_COMMAND_LINE";
inline constexpr const char* kCommandLineProgramVariable = "OSTREVAN_COMMAND_LINE_PROGRAM";

std::string GetRawCommandLine();

// A host path in Windows form: "/a/b c" gives "Z:\a\b c".
std::string WindowsFormPath(const std::string& hostPath);

// Joins arguments into a Windows command line, quoting where the Windows C
// runtime's rules need it.
std::string JoinWindowsArguments(const std::vector<std::string>& args);

// Splits a parameter string by the Windows C runtime's rules: white space
// separates outside quotes, 2n backslashes before a quote give n and the
// quote opens or closes, 2n+1 give n and a literal quote, "" inside quotes is
// a literal quote, other backslashes are literal.
std::vector<std::string> SplitWindowsArguments(const std::string& line);

}  // namespace platform
