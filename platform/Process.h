// The running program as the operating system sees it: where its executable
// file lies.
#pragma once

#include <string>

namespace platform {

// Full path of the running program's executable file; empty when the system
// cannot tell.
std::string ExecutablePath();
// The folder that holds the running program, without a trailing separator
// ("/" for a program in the root); empty when unknown.
std::string ExecutableDirectory();

}  // namespace platform
