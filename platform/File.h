// POSIX files behind the engine's file layer: path translation (both "\" and
// "/" separate, every component matched case-insensitively against what is on
// disk), positional reads and writes, and the few whole-file operations.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Access bits of OpenFile, as the engine passes them.
enum FileAccess : int {
  kFileRead = 1,
  kFileWrite = 2,
  kFileReadWrite = 3,
};

// Turns an engine path ("C:\Media\QV_GUI.msf", "media/qv_gui.MSF") into a host
// path. "\" and "/" both separate; a drive letter "X:" maps to the folder named
// by the environment variable OSTREVAN_DRIVE_X when it is set, else to the
// root. Every component that exists on disk under another case is replaced by
// the name that exists (an exact match wins; otherwise the first entry in
// sorted order that matches without regard to ASCII case). Components that do
// not exist are kept as written, so a new file gets the name the caller gave.
std::string ResolvePath(const std::string& path);

// Opens an existing file (path through ResolvePath) for the given access.
// Never creates and never truncates. Returns a descriptor or -1.
int OpenFile(const std::string& path, int access);
// Opens the file, creating it empty only when no file of that name exists
// (an existing file is opened as it is, never truncated). Returns -1 on failure.
int OpenOrCreateFile(const std::string& path, int access);
// Creates the file empty, truncating an existing one. True on success.
bool CreateEmptyFile(const std::string& path);
// Removes the file. True when it was removed.
bool DeleteFile(const std::string& path);
// True when a regular file or folder of that name exists.
bool FileExists(const std::string& path);
// True when a folder of that name exists.
bool DirectoryExists(const std::string& path);
// Creates a folder (and its missing parents). True when it exists afterwards.
bool CreateDirectories(const std::string& path);

// Reads up to count bytes at offset, retrying after interruptions and short
// reads. Returns the bytes read (fewer at the end of the file) or -1 on error.
int64_t ReadAt(int fd, void* buffer, int64_t count, int64_t offset);
// Writes count bytes at offset. Returns the bytes written or -1 on error.
int64_t WriteAt(int fd, const void* buffer, int64_t count, int64_t offset);
// Size of the open file in bytes, or -1.
int64_t GetFileSize(int fd);
// Closes a descriptor; -1 is ignored. True on success.
bool CloseFile(int fd);

}  // namespace platform
