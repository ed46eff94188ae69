// Starting programs, documents and addresses the way the launchers ask the
// Windows shell to: an executable file is started directly (posix_spawn) with
// its parameter string split by the Windows C runtime's rules, in the given
// working folder, and receives the string itself as its raw command line; a
// document or an address goes to the opener (xdg-open, or the program named
// by OSTREVAN_SHELL_OPENER).
#pragma once

#include <sys/types.h>

#include <string>

namespace platform {

inline constexpr const char* kShellOpenerVariable = "OSTREVAN_SHELL_OPENER";

// Results as the Windows shell gives them: above 32 is success.
inline constexpr int kShellSuccess = 42;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellOutOfMemory = 8;
inline constexpr int kShellNoAssociation = 31;

// verb: empty or "open". file: a Windows-form or host path (relative paths
// are looked for in directory first), or an address ("http://...",
// "mailto:..."). directory: the working folder, empty for the current one.
// The started process's id goes to *child when given; the caller then reaps
// it. Processes not handed out are reaped by later calls.
int ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                 const std::string& directory, pid_t* child = nullptr);

// Whether a process handed out by ShellExecute has ended (it is reaped then);
// a process that is not this one's child counts as ended. Does not wait.
bool HasChildEnded(pid_t child);

}  // namespace platform
