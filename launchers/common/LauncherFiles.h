// File tests and whole-file reads of the launchers (Windows-form paths).
#pragma once

#include <string>

// True when a regular file of that name can be opened for reading (a folder
// does not count).
bool FileExists(const std::string& path);

// The file's text: at most 65535 bytes, up to its first zero byte. False when
// the file cannot be opened or read.
bool ReadTextFile(const std::string& path, std::string& text);
