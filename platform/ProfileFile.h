// Profile files (.ini) read and written with the Windows rules the launchers
// rely on: sections and keys match without case, lines starting with ";" are
// comments, values are trimmed and lose one pair of enclosing quotes, and a
// value is cut to the caller's buffer size less one.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The value of key in section of the file (path through ResolvePath), or
// defaultValue when the file, section or key is missing; cut to
// bufferSize - 1 characters (nothing for a size of 0).
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t bufferSize, const std::string& path);

// Sets key in section to value, keeping the rest of the file; the section is
// appended when missing and the file created. The file is replaced whole
// (written beside it, then renamed). False when it cannot be written.
bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path);

}  // namespace platform
