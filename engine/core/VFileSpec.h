// VFileSpec names a file on disk: a normalised path (always "\" separators)
// with an exists flag that gates its use. An unusable spec yields an empty
// path, so opening it fails in the file layer.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"

class VFileSpec {
 public:
  VFileSpec();
  // Set(path, base).
  explicit VFileSpec(const char* path, const VFileSpec* base = nullptr);
  VFileSpec(const VFileSpec& other);
  VFileSpec& operator=(const VFileSpec& other);
  ~VFileSpec();

  // Stores the path: "/" and "\" become "\", every ":" but one in the second
  // character becomes "\"; a relative path is joined to the base's path. The
  // flag becomes "path not empty".
  void Set(const char* path, const VFileSpec* base = nullptr);
  void SetPath(const VString& path) { Set(path.GetChars(), nullptr); }
  void Assign(const VFileSpec& other);

  // The stored path; when the flag is false the path is first cleared. The
  // reference stays valid while the file spec lives and is not changed.
  const VString& GetPath();
  // GetPath() with "\" (and every ":" but one in the second character) as "/".
  void GetPathWithSlashes(VString& out);
  // The part after the last separator (a separator in the first character is
  // not looked at), trailing "/" removed; the whole path without separator.
  void GetFileName(VString& out) const;
  // Replaces the part after the last separator with name. Flag = path not empty.
  void SetFileName(const char* name);
  // The folder that holds this spec (see the file-layer rules); its flag tells
  // whether it exists.
  void GetParent(VFileSpec& out) const;
  // Counts the last number of the path up by one (frame009 -> frame010). True
  // when the new name exists; false when there was no digit or every digit
  // rolled over (the flag is then left alone).
  bool IncrementNumber();
  // Tests the disk (a file or a folder), stores the answer and returns it.
  bool Exists();
  void SetExists(bool exists) { exists_ = exists; }
  bool GetExistsFlag() const { return exists_; }
  // The registry type of the path's extension under the category mask, or
  // "????" (see MediaTypes.h).
  uint32_t GetFileTypeFromExtension(uint32_t categoryMask) const;

  // The stored path without the flag's gate (for diagnostics).
  const VString& GetStoredPath() const { return path_; }

 private:
  bool exists_ = false;
  VString path_{128};
};

// Creates (or empties) the file named by the file spec, then runs Exists. Type and
// creator codes are accepted and ignored on this platform.
bool CreateFileForSpec(VFileSpec& spec, uint32_t type, uint32_t creator);
// Deletes the file named by the file spec; true when it was deleted.
bool DeleteFileForSpec(VFileSpec& spec);
