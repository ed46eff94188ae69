// Programs as the operating system sees them: where the running program's
// executable file lies, which file a program name on PATH stands for, and
// how much memory the running program holds and the flags it is started
// with in its environment.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Full path of the running program's executable file; empty when the system
// cannot tell.
std::string ExecutablePath();
// The folder that holds the running program, without a trailing separator
// ("/" for a program in the root); empty when unknown.
std::string ExecutableDirectory();

// The full path of the executable `name` stands for: a name with a '/' is
// taken as a path as it stands, any other is looked up in the folders of
// PATH in order ("/usr/bin:/bin" when PATH is unset; empty entries are
// skipped). Empty when there is no such executable file.
std::string FindOnPath(const std::string& name);

// The running program's resident memory in kilobytes (VmRSS of
// /proc/self/status); -1 when the system does not tell.
int64_t ResidentMemoryKilobytes();

// Whether the environment variable is set to "1".
bool IsEnvironmentFlagSet(const char* name);

}  // namespace platform
